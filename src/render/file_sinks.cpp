#include "render/file_sinks.hpp"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <string_view>
#include <system_error>

#include "ese/text.hpp"
#include "textfile/open_flags.hpp"

namespace quorvine::render {
namespace {


constexpr size_t csp_hold_limit = 64 * 1024;

// NUL units are left out of the text.
char* put_utf8(char* out, char32_t cp) { return cp == 0 ? out : ese::write_utf8(out, cp); }

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

namespace {

// Writes one UTF-16 unit at `out`, pairing it with a pending high surrogate; returns the end.
char* put_unit(char* out, char32_t unit, char32_t& high_surrogate) {
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    if (high_surrogate) out = put_utf8(out, 0xFFFD);
    high_surrogate = unit;
    return out;
  }
  if (unit >= 0xDC00 && unit <= 0xDFFF) {
    out = put_utf8(out, high_surrogate ? 0x10000 + ((high_surrogate - 0xD800) << 10) + (unit - 0xDC00) : 0xFFFD);
    high_surrogate = 0;
    return out;
  }
  if (high_surrogate) {
    out = put_utf8(out, 0xFFFD);
    high_surrogate = 0;
  }
  return put_utf8(out, unit);
}

}  // namespace

void Utf8TextSink::write(std::span<const uint8_t> chunk) {
  if (code_page_ != 1200) {
    std::string bytes;
    bytes.reserve(chunk.size());
    for (uint8_t b : chunk)
      if (b != 0) bytes.push_back(static_cast<char>(b));
    std::string utf8;
    decoder_.decode(bytes, code_page_ == 0 ? 1252 : code_page_, utf8);
    if (!utf8.empty()) out_.write(std::span(reinterpret_cast<const uint8_t*>(utf8.data()), utf8.size()));
    return;
  }
  // Two bytes give at most three of UTF-8 (a replaced lone surrogate and the unit after it
  // come from four), plus what a pending byte or surrogate adds.
  const size_t most = chunk.size() / 2 * 3 + 8;
  if (utf8_.size() < most) utf8_.resize(most);
  char* const start = utf8_.data();
  char* out = start;
  // Locals: stores through `out` may alias any member.
  char32_t high = high_surrogate_;
  const uint8_t* in = chunk.data();
  const uint8_t* const end = in + chunk.size();
  if (odd_byte_ >= 0 && in != end) {
    out = put_unit(out, static_cast<char32_t>(odd_byte_ | *in << 8), high);
    odd_byte_ = -1;
    ++in;
  }
  while (end - in >= 2) {
    // Four ASCII units at once, most of any text, when none is NUL and no surrogate waits.
    if (end - in >= 8 && !high) {
      uint64_t units;
      std::memcpy(&units, in, 8);
      constexpr uint64_t ones = 0x0001000100010001u, not_ascii = 0xFF80FF80FF80FF80u;
      if ((units & not_ascii) == 0 && ((units - ones) & ~units & 0x8000800080008000u) == 0) {
        out[0] = static_cast<char>(in[0]);
        out[1] = static_cast<char>(in[2]);
        out[2] = static_cast<char>(in[4]);
        out[3] = static_cast<char>(in[6]);
        out += 4;
        in += 8;
        continue;
      }
    }
    out = put_unit(out, static_cast<char32_t>(in[0] | in[1] << 8), high);
    in += 2;
  }
  if (in != end) odd_byte_ = *in;
  high_surrogate_ = high;
  if (out != start) out_.write(std::span(reinterpret_cast<const uint8_t*>(start), static_cast<size_t>(out - start)));
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
