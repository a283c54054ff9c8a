#pragma once
// One message gathered for export: what the MIME composer and the fallback builder write
// an RFC 822 file from. Text is UTF-8.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quorvine::exporting {

// An attachment already written to the work folder, and the name the message gives it.
struct AttachmentFile {
  std::filesystem::path path;
  std::string name;
};

struct CompositionRecord {
  std::filesystem::path message_file;  // the ".eml" file to create
  std::filesystem::path body_file;     // the body text, or empty
  std::string from;                    // display text, then "<address>" once or twice
  std::string to;                      // ","-separated
  std::string cc;
  std::string bcc;
  std::string date_text;               // the list's date text
  std::string body_kind;               // "txt", "html", "rtf" or ""
  std::vector<AttachmentFile> attachments;
  std::string subject;

  // The stored time (FILETIME) the Date header and the MBOX separator are written from.
  std::optional<uint64_t> filetime;
  // An HTML body beside a text body: the two become alternatives.
  std::filesystem::path html_body_file;
  // Kept from the transport headers when they hold them.
  std::string message_id;
  std::string in_reply_to;
  std::string references;
};

}  // namespace quorvine::exporting
