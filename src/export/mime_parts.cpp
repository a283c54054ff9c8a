#include "export/mime_parts.hpp"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#include "ese/error.hpp"
#include "export/base64.hpp"
#include "export/mime_composer.hpp"

namespace quorvine::exporting {
namespace {

void set_utf8_parameter_charsets(GMimeParamList* params) {
  if (!params) return;
  for (int i = 0; i < g_mime_param_list_length(params); ++i)
    g_mime_param_set_charset(g_mime_param_list_get_parameter_at(params, i), "UTF-8");
}

constexpr uint64_t kHighBits = 0x8080808080808080ULL;
constexpr uint64_t kLowBits = 0x0101010101010101ULL;

// Counts the bytes of `line` with their high bit set; false when it holds a NUL.
bool count_eight_bit(std::string_view line, size_t& eight_bit) {
  size_t i = 0;
  for (; i + 8 <= line.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, line.data() + i, 8);
    if (((word - kLowBits) & ~word & kHighBits) != 0) return false;  // a zero byte
    eight_bit += static_cast<size_t>(std::popcount(word & kHighBits));
  }
  for (; i < line.size(); ++i) {
    const auto c = static_cast<unsigned char>(line[i]);
    if (c == 0) return false;
    eight_bit += c >> 7;
  }
  return true;
}

}  // namespace

// Worked out in one pass here rather than by running the text through GMime's filter chain:
// a line at a time, eight bytes at a time within it.
GMimeContentEncoding text_encoding(std::string_view text) {
  size_t eight_bit = 0, longest = 0;
  for (size_t at = 0; at < text.size();) {
    const std::string_view rest = text.substr(at);
    if (rest.starts_with("From ")) return GMIME_CONTENT_ENCODING_BASE64;
    const size_t end = std::min(rest.find('\n'), rest.size());
    if (!count_eight_bit(rest.substr(0, end), eight_bit)) return GMIME_CONTENT_ENCODING_BASE64;
    longest = std::max(longest, end);
    at += end + 1;
  }
  if (eight_bit > 0)
    return eight_bit >= static_cast<size_t>(static_cast<double>(text.size()) * (17.0 / 100.0))
               ? GMIME_CONTENT_ENCODING_BASE64
               : GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE;
  if (longest > 998) return GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE;
  return GMIME_CONTENT_ENCODING_DEFAULT;
}

GPtr<GMimeObject> attachment_part(const AttachmentContent& attachment) {
  const std::string type = attachment_content_type(attachment);
  const size_t slash = type.find('/');
  GPtr<GMimePart> part(g_mime_part_new_with_type(type.substr(0, slash).c_str(), type.substr(slash + 1).c_str()));
  g_mime_part_set_content_encoding(part.get(), GMIME_CONTENT_ENCODING_BASE64);
  g_mime_part_set_filename(part.get(), attachment.name.c_str());
  set_utf8_parameter_charsets(g_mime_content_type_get_parameters(g_mime_object_get_content_type(GMIME_OBJECT(part.get()))));
  if (GMimeContentDisposition* disposition = g_mime_object_get_content_disposition(GMIME_OBJECT(part.get())))
    set_utf8_parameter_charsets(g_mime_content_disposition_get_parameters(disposition));
  return GPtr<GMimeObject>(GMIME_OBJECT(part.release()));
}

std::string boundary_for(const CompositionRecord& record, int part) {
  uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  const auto mix = [&hash](std::string_view text) {
    for (char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    hash = (hash ^ 0xff) * 1099511628211ULL;
  };
  mix(record.message_id);
  for (const MailAddress& sender : record.from) mix(sender.name + '\n' + sender.address);
  mix(record.subject);
  mix(std::to_string(record.filetime.value_or(0)));
  mix(std::to_string(part));
  char text[48];
  std::snprintf(text, sizeof text, "=-Quorvine-%016llx", static_cast<unsigned long long>(hash));
  return text;
}

std::string bare_id(std::string id) {
  if (id.size() >= 2 && id.front() == '<' && id.back() == '>') id = id.substr(1, id.size() - 2);
  return id;
}

void write_attachment(const AttachmentContent& attachment, const std::string& newline, ese::ByteSink& out) {
  Base64Lines lines(out, newline);
  try {
    copy_attachment(attachment, lines);
  } catch (const ese::EseError& error) {
    throw ComposeError(std::string("cannot read an attachment: ") + error.what());
  }
  lines.finish();
}

}  // namespace quorvine::exporting
