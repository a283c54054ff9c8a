#pragma once
// One message gathered for export: what the MIME composer and the fallback builder write
// an RFC 822 message from. Text is UTF-8.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "export/attachment_content.hpp"

namespace quorvine::exporting {

struct CompositionRecord {
  std::filesystem::path message_file;  // the ".eml" file the fallback builder creates
  std::optional<std::string> body;     // the body text, when the message has one
  std::string from;                    // display text, then "<address>" once or twice
  std::string to;                      // ","-separated
  std::string cc;
  std::string bcc;
  std::string date_text;               // the list's date text
  std::string body_kind;               // "txt", "html", "rtf" or ""
  std::vector<AttachmentContent> attachments;
  std::string subject;

  // The stored time (FILETIME) the Date header and the MBOX separator are written from.
  std::optional<uint64_t> filetime;
  // An HTML body beside a text body: the two become alternatives.
  std::optional<std::string> html_body;
  // Kept from the transport headers when they hold them.
  std::string message_id;
  std::string in_reply_to;
  std::string references;
  // Attachments that could not be read and were left out, one sentence each.
  std::vector<std::string> attachments_lost;
};

}  // namespace quorvine::exporting
