#pragma once
// One message gathered for export: what the MIME composer writes an RFC 822 message from.
// Text is UTF-8.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "export/attachment_content.hpp"
#include "export/mail_addresses.hpp"

namespace quorvine::exporting {

struct CompositionRecord {
  std::optional<std::string> body;     // the text body (or the HTML body of body kind "html")
  // The sender: one entry, whose address is empty when the store holds none for it.
  std::vector<MailAddress> from;
  std::vector<MailAddress> to;
  std::vector<MailAddress> cc;
  std::vector<MailAddress> bcc;
  std::string date_text;               // the list's date text
  std::string body_kind;               // "txt", "html", "rtf" or ""
  std::vector<AttachmentContent> attachments;
  std::string subject;

  // The stored time (FILETIME) the Date header and the MBOX separator are written from.
  std::optional<uint64_t> filetime;
  // An HTML body beside a text body: the two become alternatives.
  std::optional<std::string> html_body;
  // The message's own transport headers ("S7d"), whose other fields the message keeps.
  std::string transport_headers;
  std::string message_id;  // kept from the transport headers

  // True when the sender has a name but no address.
  bool sender_without_address() const { return !from.empty() && from.front().address.empty(); }
  // Attachments that could not be read and were left out, one sentence each.
  std::vector<std::string> attachments_lost;
};

}  // namespace quorvine::exporting
