#include "render/file_sinks.hpp"

#include <algorithm>
#include <cctype>
#include <system_error>

#include "textfile/open_flags.hpp"

namespace quorvine::render {
namespace {

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | cp >> 6));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | cp >> 12));
    out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | cp >> 18));
    out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

constexpr size_t csp_hold_limit = 64 * 1024;

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Position just after the ">" of the first start tag named `tag`, or npos.
size_t after_start_tag(const std::string& lowered, std::string_view tag) {
  size_t at = 0;
  while ((at = lowered.find(tag, at)) != std::string::npos) {
    const size_t next = at + tag.size();
    if (next < lowered.size() && (lowered[next] == '>' || std::isspace(static_cast<unsigned char>(lowered[next])))) {
      const size_t close = lowered.find('>', at);
      return close == std::string::npos ? std::string::npos : close + 1;
    }
    at = next;
  }
  return std::string::npos;
}

}  // namespace

textfile::OutputFile create_file(const std::filesystem::path& path) {
  textfile::OutputFile file;
  std::error_code error;
  if (!file.open(path, textfile::open_flags::modeCreate | textfile::open_flags::modeWrite, &error))
    throw std::system_error(error, "cannot create " + path.string());
  return file;
}

void FileSink::write(std::span<const uint8_t> chunk) {
  file_.write(chunk);
  written_ += chunk.size();
}

void Utf8TextSink::put(std::string& utf8, char32_t cp) {
  if (cp != 0) append_utf8(utf8, cp);
}

void Utf8TextSink::write(std::span<const uint8_t> chunk) {
  std::string utf8;
  if (code_page_ != 1200) {
    std::string bytes;
    bytes.reserve(chunk.size());
    for (uint8_t b : chunk)
      if (b != 0) bytes.push_back(static_cast<char>(b));
    decoder_.decode(bytes, code_page_ == 0 ? 1252 : code_page_, utf8);
  } else {
    utf8.reserve(chunk.size());
    size_t i = 0;
    while (i < chunk.size()) {
      char32_t unit;
      if (odd_byte_ >= 0) {
        unit = static_cast<char32_t>(odd_byte_ | chunk[i] << 8);
        odd_byte_ = -1;
        i += 1;
      } else if (i + 1 < chunk.size()) {
        unit = static_cast<char32_t>(chunk[i] | chunk[i + 1] << 8);
        i += 2;
      } else {
        odd_byte_ = chunk[i];
        break;
      }
      if (unit >= 0xD800 && unit <= 0xDBFF) {
        if (high_surrogate_) put(utf8, 0xFFFD);
        high_surrogate_ = unit;
        continue;
      }
      if (unit >= 0xDC00 && unit <= 0xDFFF) {
        put(utf8, high_surrogate_ ? 0x10000 + ((high_surrogate_ - 0xD800) << 10) + (unit - 0xDC00) : 0xFFFD);
        high_surrogate_ = 0;
        continue;
      }
      if (high_surrogate_) {
        put(utf8, 0xFFFD);
        high_surrogate_ = 0;
      }
      put(utf8, unit);
    }
  }
  if (!utf8.empty()) out_.write(std::span(reinterpret_cast<const uint8_t*>(utf8.data()), utf8.size()));
}

void Utf8TextSink::finish() {
  if (odd_byte_ < 0 && !high_surrogate_) return;
  odd_byte_ = -1;
  high_surrogate_ = 0;
  static constexpr uint8_t replacement[] = {0xEF, 0xBF, 0xBD};
  out_.write(replacement);
}

void CspHtmlSink::write(std::span<const uint8_t> chunk) {
  if (released_) {
    out_.write(chunk);
    return;
  }
  held_.append(reinterpret_cast<const char*>(chunk.data()), chunk.size());
  const std::string lowered = lower(held_);
  if (after_start_tag(lowered, "<head") != std::string::npos || after_start_tag(lowered, "<body") != std::string::npos ||
      held_.size() >= csp_hold_limit)
    release();
}

void CspHtmlSink::finish() {
  if (!released_) release();
}

void CspHtmlSink::release() {
  released_ = true;
  const std::string lowered = lower(held_);
  std::string out;
  out.reserve(held_.size() + preview_csp_meta.size() + 16);
  if (const size_t head = after_start_tag(lowered, "<head"); head != std::string::npos) {
    out = held_.substr(0, head);
    out += preview_csp_meta;
    out += held_.substr(head);
  } else if (const size_t html = after_start_tag(lowered, "<html"); html != std::string::npos) {
    out = held_.substr(0, html);
    out += "<head>";
    out += preview_csp_meta;
    out += "</head>";
    out += held_.substr(html);
  } else {
    // No html start tag in front: the meta first puts the parser into the head.
    out = "<head>";
    out += preview_csp_meta;
    out += "</head>";
    out += held_;
  }
  held_.clear();
  out_.write(std::span(reinterpret_cast<const uint8_t*>(out.data()), out.size()));
}

std::string html_escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

}  // namespace quorvine::render
