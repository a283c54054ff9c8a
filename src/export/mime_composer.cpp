#include "export/mime_composer.hpp"

#include <gmime/gmime.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "export/base64.hpp"
#include "export/header_block.hpp"
#include "export/mail_addresses.hpp"
#include "export/mail_dates.hpp"
#include "export/mime_parts.hpp"
#include "export/transport_headers.hpp"

namespace quorvine::exporting {
namespace {

// A text in the message's line ends, as GMime's newline filters give it: LF ends take CR LF
// pairs to LF and drop a CR at the very end; CR LF ends give every bare LF its CR. Other CRs
// stay. The end of a message's only part is made a line end when it is not one.
void append_in_line_ends(std::string_view text, LineEnds line_ends, bool end_with_line_end, std::string& out) {
  if (line_ends == LineEnds::Lf) {
    bool held_cr = false;
    size_t at = 0;
    while (at < text.size()) {
      const size_t cr = text.find('\r', at);
      const size_t stop = cr == std::string_view::npos ? text.size() : cr;
      if (stop > at) {
        if (held_cr && text[at] != '\n') out += '\r';
        held_cr = false;
        out.append(text.substr(at, stop - at));
      }
      if (cr == std::string_view::npos) break;
      if (held_cr) out += '\r';
      held_cr = true;
      at = cr + 1;
    }
    if (end_with_line_end && !text.empty() && (out.empty() || out.back() != '\n')) out += '\n';
    return;
  }
  size_t at = 0;
  while (at < text.size()) {
    const size_t lf = text.find('\n', at);
    if (lf == std::string_view::npos) {
      out.append(text.substr(at));
      break;
    }
    out.append(text.substr(at, lf - at));
    out += (lf > 0 && text[lf - 1] == '\r') ? "\n" : "\r\n";
    at = lf + 1;
  }
  if (end_with_line_end && !text.empty() && text.back() != '\n') out += text.back() == '\r' ? "\n" : "\r\n";
}

void write(ese::ByteSink& out, std::string_view text) {
  out.write(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

// A text part's content in its transfer encoding: base64 in 76-column lines, quoted-printable
// by GMime's encoder, or the text itself.
void append_content(std::string_view text, GMimeContentEncoding encoding, LineEnds line_ends, bool only_part,
                    std::string& out) {
  if (encoding == GMIME_CONTENT_ENCODING_DEFAULT) {
    append_in_line_ends(text, line_ends, only_part, out);
    return;
  }
  std::string encoded;
  if (encoding == GMIME_CONTENT_ENCODING_BASE64) {
    struct StringSink final : ese::ByteSink {
      std::string& to;
      explicit StringSink(std::string& s) : to(s) {}
      void write(std::span<const uint8_t> chunk) override { to.append(reinterpret_cast<const char*>(chunk.data()), chunk.size()); }
    } sink(encoded);
    Base64Lines lines(sink, "\n");
    lines.write(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    lines.finish();
  } else {
    GMimeEncoding encoder;
    g_mime_encoding_init_encode(&encoder, GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE);
    encoded.resize(g_mime_encoding_outlen(&encoder, text.size()));
    encoded.resize(g_mime_encoding_flush(&encoder, text.data(), text.size(), encoded.data()));
  }
  append_in_line_ends(encoded, line_ends, only_part, out);
}

const char* encoding_name(GMimeContentEncoding encoding) {
  return encoding == GMIME_CONTENT_ENCODING_BASE64 ? "base64" : "quoted-printable";
}

// A text part: its headers, the empty line and its content.
void append_text_part(std::string_view subtype, const std::optional<std::string>& text, HeaderBlock& headers,
                      LineEnds line_ends, bool only_part, std::string& out) {
  const std::string_view bytes = text ? std::string_view(*text) : std::string_view();
  const GMimeContentEncoding encoding = text_encoding(bytes);
  headers.line("Content-Type: text/" + std::string(subtype) + "; charset=utf-8");
  if (encoding != GMIME_CONTENT_ENCODING_DEFAULT)
    headers.line(std::string("Content-Transfer-Encoding: ") + encoding_name(encoding));
  headers.line("");
  append_in_line_ends(headers.lines(), line_ends, false, out);
  append_content(bytes, encoding, line_ends, only_part, out);
}

std::string multipart_type(std::string_view subtype, const std::string& boundary) {
  return "Content-Type: multipart/" + std::string(subtype) + "; boundary=\"" + boundary + "\"";
}

// The message's body: its text part, or the text and the HTML part as alternatives. `headers`
// holds the fields written before the body's own.
void append_body(const CompositionRecord& record, HeaderBlock headers, LineEnds line_ends, bool only_part,
                 std::string& out) {
  if (record.body_kind == "html") return append_text_part("html", record.body, headers, line_ends, only_part, out);
  if (!record.html_body) return append_text_part("plain", record.body, headers, line_ends, only_part, out);
  const std::string boundary = boundary_for(record, 1);
  const std::string newline = line_ends == LineEnds::CrLf ? "\r\n" : "\n";
  headers.line(multipart_type("alternative", boundary));
  headers.line("");
  append_in_line_ends(headers.lines(), line_ends, false, out);
  out += "--" + boundary + newline;
  HeaderBlock text_headers;
  append_text_part("plain", record.body, text_headers, line_ends, false, out);
  out += newline + "--" + boundary + newline;
  HeaderBlock html_headers;
  append_text_part("html", record.html_body, html_headers, line_ends, false, out);
  out += newline + "--" + boundary + "--" + newline;
}

}  // namespace

void compose_message(const CompositionRecord& record, ese::ByteSink& out, LineEnds line_ends) {
  initialise_gmime();
  // The fields in the order GMime writes a message's: the standard ones first, then the kept
  // transport fields, MIME-Version and the body's own.
  HeaderBlock headers;
  const std::string date = rfc5322_date(record.filetime);
  if (!date.empty()) headers.text("Date", date);
  headers.addresses("From", record.from);
  headers.text("Subject", record.subject);
  headers.addresses("To", record.to);
  headers.addresses("Cc", record.cc);
  headers.addresses("Bcc", record.bcc);
  if (!record.message_id.empty()) headers.message_id(bare_id(record.message_id));
  // The original transport fields (Received, Reply-To, References, List-*, X-*, ...) are kept,
  // refolded.
  for (const HeaderField& field : carried_header_fields(record.transport_headers)) headers.carried(field.name, field.value);
  headers.line("MIME-Version: 1.0");

  std::string text;
  if (record.attachments.empty()) {
    append_body(record, std::move(headers), line_ends, true, text);
    write(out, text);
    return;
  }
  // multipart/mixed: the body part, then each attachment.
  const std::string boundary = boundary_for(record, 0);
  const std::string newline = line_ends == LineEnds::CrLf ? "\r\n" : "\n";
  const std::string delimiter = "--" + boundary + newline;
  headers.line(multipart_type("mixed", boundary));
  append_in_line_ends(headers.lines(), line_ends, false, text);
  text += newline + delimiter;
  append_body(record, HeaderBlock(), line_ends, false, text);
  write(out, text);
  GMimeFormatOptions* options = g_mime_format_options_new();
  g_mime_format_options_set_newline_format(
      options, line_ends == LineEnds::CrLf ? GMIME_NEWLINE_FORMAT_DOS : GMIME_NEWLINE_FORMAT_UNIX);
  const std::unique_ptr<GMimeFormatOptions, void (*)(GMimeFormatOptions*)> owned(options, g_mime_format_options_free);
  for (const AttachmentContent& attachment : record.attachments) {
    GPtr<GMimeObject> part = attachment_part(attachment);
    char* part_headers = g_mime_object_get_headers(part.get(), options);
    text = newline + delimiter + (part_headers ? part_headers : "") + newline;
    g_free(part_headers);
    write(out, text);
    write_attachment(attachment, newline, out);
  }
  write(out, newline + "--" + boundary + "--" + newline);
}

}  // namespace quorvine::exporting
