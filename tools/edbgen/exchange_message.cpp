#include "edbgen/exchange_message.hpp"

#include "edbgen/exchange_ids.hpp"

namespace edbgen {
namespace {

std::string address_list(const std::vector<Recipient>& list) {
  std::string out;
  for (const Recipient& r : list) {
    if (!out.empty()) out += ", ";
    if (r.name.empty()) {
      out += "<" + r.address + ">";
    } else {
      const std::string word = header_word(r.name);
      const bool quote = word == r.name && r.name.find_first_of(",;:@<>\"()") != std::string::npos;
      out += (quote ? "\"" + replace_all(r.name, "\"", "'") + "\"" : word) + " <" + r.address + ">";
    }
  }
  return out;
}

void append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

}  // namespace

const char* generation_name(Generation g) {
  switch (g) {
    case Generation::Ex2007: return "2007";
    case Generation::Ex2010: return "2010";
    case Generation::Ex2013: return "2013";
  }
  return "";
}

std::string mailbox_text(const std::string& name, const std::string& address) {
  if (address.empty()) return name;
  if (name.empty()) return "<" + address + ">";
  return name + " <" + address + ">";
}

std::string subject_with_prefix(const Message& m) { return m.subject_prefix + m.subject; }

std::string transport_headers(const Message& m) {
  std::string h;
  if (!m.sender_name.empty() || !m.sender_address.empty())
    h += "From: " + address_list({{m.sender_name, m.sender_address}}) + "\r\n";
  if (!m.to.empty()) h += "To: " + address_list(m.to) + "\r\n";
  if (!m.cc.empty()) h += "Cc: " + address_list(m.cc) + "\r\n";
  if (!m.bcc.empty()) h += "Bcc: " + address_list(m.bcc) + "\r\n";
  h += "Subject: " + header_word(subject_with_prefix(m)) + "\r\n";
  const auto& d = m.dates.submit ? m.dates.submit : m.dates.delivery;
  if (d)
    if (auto text = rfc5322_date(*d)) h += "Date: " + *text + "\r\n";
  h += "Message-ID: <" + identifier_text(m.id) + "@edbgen.invalid>\r\n";
  h += "MIME-Version: 1.0\r\n";
  for (const std::string& line : m.extra_headers) h += line + "\r\n";
  return h;
}

std::string display_to(const Message& m) {
  std::string out;
  for (const Recipient& r : m.to) {
    if (!out.empty()) out += "; ";
    out += r.name.empty() ? r.address : r.name;
  }
  return out;
}

Bytes recipient_list_blob(const Message& m) {
  Bytes out;
  for (const auto* list : {&m.to, &m.cc, &m.bcc})
    for (const Recipient& r : *list) append(out, utf16le(mailbox_text(r.name, r.address) + "; "));
  return out;
}

Bytes subobjects_blob(const Message& m) {
  Bytes out;
  if (m.attachments.empty()) return out;
  append(out, le32(static_cast<uint32_t>(m.attachments.size())));
  for (const Attachment& a : m.attachments) {
    append(out, le32(static_cast<uint32_t>(a.content.size())));
    append(out, utf16le(a.name));
    append(out, le16(0));
  }
  return out;
}

Bytes attachment_id_list(const Message& m) {
  Bytes out;
  for (uint64_t id : m.attachment_ids) append(out, identifier_bytes(id));
  return out;
}

}  // namespace edbgen
