#include "ese/text.hpp"
#include "render/file_sinks.hpp"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string_view>
#include <system_error>

#include "textfile/open_flags.hpp"

namespace quorvine::render {
namespace {


constexpr size_t csp_hold_limit = 64 * 1024;

// Where the policy goes in the start of a document: after a byte-order mark, white space and
// a doctype (which the HTML tokenizer always ends at its first ">"). nullopt while `start`
// could still be the beginning of a doctype.
std::optional<size_t> policy_position(std::string_view start) {
  constexpr std::string_view bom = "\xEF\xBB\xBF";
  if (start.size() < bom.size() && bom.starts_with(start)) return std::nullopt;
  size_t at = start.starts_with(bom) ? bom.size() : 0;
  while (at < start.size() && std::isspace(static_cast<unsigned char>(start[at]))) ++at;
  constexpr std::string_view doctype = "<!doctype";
  const std::string_view rest = start.substr(at);
  for (size_t i = 0; i < doctype.size(); ++i) {
    if (i == rest.size()) return std::nullopt;
    if (std::tolower(static_cast<unsigned char>(rest[i])) != doctype[i]) return at;
  }
  const size_t close = rest.find('>');
  if (close == std::string_view::npos) return std::nullopt;
  return at + close + 1;
}

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

constexpr std::string_view meta_start = "<meta";
constexpr std::string_view equiv_attribute = "http-equiv";
constexpr std::string_view renamed_equiv = "data-x-equiv";

// Renames every http-equiv in `tag` when it may set a refresh (or `always`).
void defuse_refresh(std::string& tag, bool always) {
  std::string lowered = lower(tag);
  if (!always && lowered.find("refresh") == std::string::npos && lowered.find('&') == std::string::npos) return;
  for (size_t at = lowered.find(equiv_attribute); at != std::string::npos;
       at = lowered.find(equiv_attribute, at + renamed_equiv.size())) {
    tag.replace(at, equiv_attribute.size(), renamed_equiv);
    lowered.replace(at, equiv_attribute.size(), renamed_equiv);
  }
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
  if (cp != 0) ese::append_utf8(utf8, cp);
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
      // Runs of ASCII, most of any text, go straight across.
      if (odd_byte_ < 0 && !high_surrogate_) {
        size_t end = i;
        while (end + 1 < chunk.size() && chunk[end + 1] == 0 && chunk[end] != 0 && chunk[end] < 0x80) end += 2;
        if (end > i) {
          const size_t at = utf8.size();
          utf8.resize(at + (end - i) / 2);
          for (size_t k = at; i < end; i += 2) utf8[k++] = static_cast<char>(chunk[i]);
          continue;
        }
      }
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
    pass(std::string_view(reinterpret_cast<const char*>(chunk.data()), chunk.size()));
    return;
  }
  held_.append(reinterpret_cast<const char*>(chunk.data()), chunk.size());
  if (const auto at = policy_position(held_)) release(*at);
  else if (held_.size() >= csp_hold_limit) release(0);
}

void CspHtmlSink::finish() {
  if (!released_) release(policy_position(held_).value_or(0));
  defuse_refresh(tag_, matched_ == meta_start.size());
  emit(tag_);
  tag_.clear();
  matched_ = 0;
}

void CspHtmlSink::emit(std::string_view bytes) {
  out_.write(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

// Passes the document on, holding each meta tag until its end (quoted values may hold ">").
// A tag longer than the hold limit loses its http-equiv whatever it says.
void CspHtmlSink::pass(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    if (matched_ == meta_start.size()) {
      tag_.push_back(c);
      if (quote_) {
        if (c == quote_) quote_ = 0;
      } else if (c == '"' || c == '\'') {
        quote_ = c;
      } else if (c == '>') {
        defuse_refresh(tag_, false);
        out += tag_;
        tag_.clear();
        matched_ = 0;
      }
      if (tag_.size() >= csp_hold_limit) {
        defuse_refresh(tag_, true);
        // Keep the end that could begin a split "http-equiv".
        const size_t keep = equiv_attribute.size() - 1;
        out.append(tag_, 0, tag_.size() - keep);
        tag_.erase(0, tag_.size() - keep);
      }
    } else if (std::tolower(static_cast<unsigned char>(c)) == meta_start[matched_]) {
      tag_.push_back(c);
      ++matched_;
    } else {
      out += tag_;
      tag_.clear();
      matched_ = 0;
      if (c == '<') {
        tag_.push_back(c);
        matched_ = 1;
      } else {
        out.push_back(c);
      }
    }
  }
  emit(out);
}

void CspHtmlSink::release(size_t insert_at) {
  released_ = true;
  std::string out = held_.substr(0, insert_at);
  out += "<head>";
  out += preview_csp_meta;
  emit(out);
  const std::string document = held_.substr(insert_at);
  held_.clear();
  pass(document);
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
