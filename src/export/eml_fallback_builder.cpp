#include "export/eml_fallback_builder.hpp"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "export/base64.hpp"
#include "export/mail_addresses.hpp"
#include "export/mail_dates.hpp"

namespace quorvine::exporting {
namespace {

constexpr std::string_view kCrLf = "\r\n";

class EmlWriter final : public ese::ByteSink {
 public:
  explicit EmlWriter(const std::filesystem::path& file) : out_(file, std::ios::binary | std::ios::trunc) {}
  bool good() const { return out_.good(); }
  void line(std::string_view text) {
    out_ << text << kCrLf;
  }
  void raw(std::string_view bytes) { out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size())); }
  void write(std::span<const uint8_t> chunk) override {
    out_.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
  }
  bool close() {
    out_.flush();
    const bool ok = out_.good();
    out_.close();
    return ok && !out_.fail();
  }

 private:
  std::ofstream out_;
};

void AddAddresses(EmlWriter& eml, std::string_view header, const std::vector<MailAddress>& addresses) {
  if (addresses.empty()) return;
  std::string value;
  for (const MailAddress& address : addresses) {
    if (!value.empty()) value += ",\r\n\t";
    value += format_address(address);
  }
  eml.line(std::string(header) + ": " + value);
}

void AddHeader(EmlWriter& eml) {
  eml.line("MIME-Version: 1.0");
  eml.line("Content-Type: multipart/mixed;");
  eml.line(std::string("\tboundary=\"") + kFallbackBoundary + "\"");
  eml.line("X-Priority: 3");
  eml.line("X-MSMail-Priority: Normal");
  eml.line("X-MimeOLE: Produced By Quorvine");
  eml.line("");
  eml.line("This is a multi-part message in MIME format.");
  eml.line("");
  eml.line(std::string("--") + kFallbackBoundary);
}

// Whether the body has only 7-bit bytes in lines of at most 998 characters.
bool seven_bit_body(std::string_view body) {
  size_t line = 0;
  for (char c : body) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) return false;
    line = byte == '\n' ? 0 : line + 1;
    if (line > 998) return false;
  }
  return true;
}

void AddBodyFormat(EmlWriter& eml, const std::string& kind, const std::optional<std::string>& body) {
  const char* type = kind == "txt" ? "text/plain" : kind == "html" ? "text/html" : kind == "rtf" ? "text/richtext" : nullptr;
  if (type) {
    eml.line(std::string("Content-Type: ") + type + ";");
    eml.line("\tcharset=\"utf-8\"");
    eml.line(std::string("Content-Transfer-Encoding: ") + (!body || seven_bit_body(*body) ? "7bit" : "8bit"));
    eml.line("");
  }
  if (body) {
    // The bytes are UTF-8 already; only zero bytes are dropped.
    std::string text = *body;
    std::erase(text, '\0');
    eml.raw(text);
  }
  eml.raw(kCrLf);
}

std::string quoted_or_extended(std::string_view parameter, std::string_view value) {
  const bool ascii = std::all_of(value.begin(), value.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x20 && u < 0x7f && c != '"' && c != '\\';
  });
  if (ascii) return std::string(parameter) + "=\"" + std::string(value) + "\"";
  // RFC 2231: charset, empty language, percent-encoded octets.
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = std::string(parameter) + "*=UTF-8''";
  for (char c : value) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u) || c == '.' || c == '-' || c == '_') {
      out += c;
    } else {
      out += '%';
      out += kHex[u >> 4];
      out += kHex[u & 15];
    }
  }
  return out;
}

void AddAttachment(EmlWriter& eml, const AttachmentContent& attachment) {
  const std::string& name = attachment.name;
  eml.line(std::string("--") + kFallbackBoundary);
  eml.line("Content-Type: " + attachment_content_type(attachment) + ";");
  eml.line("\t" + quoted_or_extended("name", name));
  eml.line("Content-Transfer-Encoding: base64");
  eml.line("Content-Disposition: attachment;");
  eml.line("\t" + quoted_or_extended("filename", name));
  eml.line("");
  Base64Lines lines(eml, kCrLf);
  copy_attachment(attachment, lines);
  lines.finish();
}

}  // namespace

bool createEMLFile(const CompositionRecord& record) {
  std::error_code ignored;
  std::filesystem::remove(record.message_file, ignored);
  EmlWriter eml(record.message_file);
  if (!eml.good()) return false;
  AddAddresses(eml, "From", record.from);
  AddAddresses(eml, "To", record.to);
  AddAddresses(eml, "Bcc", record.bcc);
  AddAddresses(eml, "Cc", record.cc);
  const std::string date = rfc5322_date(record.filetime);
  if (!date.empty()) eml.line("Date: " + date);
  eml.line("Subject: " + encode_header_text(record.subject));
  AddHeader(eml);
  AddBodyFormat(eml, record.body_kind, record.body);
  try {
    for (const AttachmentContent& attachment : record.attachments) AddAttachment(eml, attachment);
  } catch (const ese::EseError&) {
    eml.close();
    std::filesystem::remove(record.message_file, ignored);
    return false;
  }
  eml.line(std::string("--") + kFallbackBoundary + "--");
  if (!eml.close()) {
    std::filesystem::remove(record.message_file, ignored);
    return false;
  }
  return true;
}

}  // namespace quorvine::exporting
