#include "ese/text.hpp"
#include "decode/rtf_to_text.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

#include "decode/code_page_decoder.hpp"

namespace quorvine::decode {
namespace {

// Destinations whose content is never text, even without the \* mark.
constexpr std::array<std::string_view, 38> skipped_destinations = {
    "fonttbl", "colortbl", "stylesheet", "info", "pict", "object", "objdata", "fldinst", "listtable",
    "listoverridetable", "rsidtbl", "revtbl", "filetbl", "generator", "xmlnstbl", "themedata",
    "colorschememapping", "datastore", "latentstyles", "pgdsctbl", "header", "headerl", "headerr",
    "headerf", "footer", "footerl", "footerr", "footerf", "footnote", "annotation", "atnid", "atnauthor",
    "bkmkstart", "bkmkend", "nonshppict", "template", "mmathPr", "xe"};

bool is_skipped_destination(std::string_view word) {
  for (auto d : skipped_destinations)
    if (d == word) return true;
  return false;
}

std::string_view special_character(std::string_view word) {
  static const std::map<std::string_view, std::string_view> table = {
      {"emdash", "\xE2\x80\x94"},    {"endash", "\xE2\x80\x93"},    {"bullet", "\xE2\x80\xA2"},
      {"lquote", "\xE2\x80\x98"},    {"rquote", "\xE2\x80\x99"},    {"ldblquote", "\xE2\x80\x9C"},
      {"rdblquote", "\xE2\x80\x9D"}, {"emspace", "\xE2\x80\x83"},   {"enspace", "\xE2\x80\x82"},
      {"qmspace", "\xE2\x80\x85"},   {"zwj", "\xE2\x80\x8D"},       {"zwnj", "\xE2\x80\x8C"}};
  const auto it = table.find(word);
  return it == table.end() ? std::string_view() : it->second;
}


struct GroupState {
  bool skip = false;      // a destination that is not text
  bool hidden = false;    // \v
  bool font_table = false;
  bool htmltag = false;   // \*\htmltag of an encapsulating document: HTML only
  bool htmlrtf = false;   // \htmlrtf: RTF only, not part of the HTML
  int uc = 1;             // fallback characters after \uN
  uint32_t code_page = 1252;
};

class RtfReader {
 public:
  explicit RtfReader(std::string_view rtf) : in_(rtf) {}

  RtfContent read() {
    while (pos_ < in_.size()) {
      const char c = in_[pos_];
      if (c == '{') {
        ++pos_;
        open_group();
      } else if (c == '}') {
        ++pos_;
        close_group();
      } else if (c == '\\') {
        control();
      } else if (c == '\r' || c == '\n') {
        ++pos_;
      } else if (static_cast<unsigned char>(c) >= 0x80) {
        // RTF is 7-bit; a writer that put a byte of its code page raw means what \'hh would.
        ++pos_;
        code_page_byte(c);
      } else {
        ++pos_;
        character(std::string_view(&in_[pos_ - 1], 1));
      }
      // Only "{" and "\*" leave the next token at the start of a group.
      if (!keep_group_start_) group_start_ = false;
      keep_group_start_ = false;
    }
    flush_bytes();
    RtfContent content;
    content.text = std::move(text_);
    if (from_html_) content.html = std::move(html_);
    return content;
  }

 private:
  GroupState& state() { return stack_.back(); }

  bool to_text() const { return !stack_.back().skip && !stack_.back().hidden && !stack_.back().htmltag; }
  bool to_html() const {
    const GroupState& s = stack_.back();
    return from_html_ && (s.htmltag || (!s.skip && !s.htmlrtf));
  }

  void emit(std::string_view utf8) {
    if (to_text()) text_ += utf8;
    if (to_html()) html_ += utf8;
  }

  void open_group() {
    flush_bytes();
    fallback_left_ = 0;
    stack_.push_back(stack_.back());
    group_start_ = true;
    keep_group_start_ = true;
    star_ = false;
  }

  void close_group() {
    flush_bytes();
    fallback_left_ = 0;
    if (stack_.size() > 1) stack_.pop_back();
  }

  // A text character (or one already decoded): counts against \uN fallbacks.
  void character(std::string_view utf8) {
    if (fallback_left_ > 0) {
      --fallback_left_;
      return;
    }
    flush_bytes();
    emit(utf8);
  }

  void flush_bytes() {
    if (pending_.empty()) return;
    std::string decoded;
    decoder_.decode(pending_, pending_code_page_, decoded);
    pending_.clear();
    emit(decoded);
  }

  void control() {
    ++pos_;  // the backslash
    if (pos_ >= in_.size()) return;
    const char c = in_[pos_];
    const bool first_in_group = group_start_;
    if (!is_letter(c)) {
      ++pos_;
      symbol(c, first_in_group);
      return;
    }
    const size_t start = pos_;
    while (pos_ < in_.size() && is_letter(in_[pos_]) && pos_ - start < 32) ++pos_;
    const std::string_view word = in_.substr(start, pos_ - start);
    std::optional<long> parameter;
    if (pos_ < in_.size() && (in_[pos_] == '-' || is_digit(in_[pos_]))) {
      const bool negative = in_[pos_] == '-';
      if (negative) ++pos_;
      long value = 0;
      size_t digits = 0;
      while (pos_ < in_.size() && is_digit(in_[pos_])) {
        if (digits++ < 10) value = value * 10 + (in_[pos_] - '0');
        ++pos_;
      }
      parameter = negative ? -value : value;
    }
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
    control_word(word, parameter, first_in_group);
  }

  void symbol(char c, bool first_in_group) {
    switch (c) {
      case '\'': {
        if (pos_ + 2 > in_.size() || !is_hex(in_[pos_]) || !is_hex(in_[pos_ + 1])) return;
        const auto byte = static_cast<char>(hex(in_[pos_]) << 4 | hex(in_[pos_ + 1]));
        pos_ += 2;
        code_page_byte(byte);
        return;
      }
      case '*':
        star_ = first_in_group;
        keep_group_start_ = first_in_group;  // the destination word follows
        return;
      case '\\': case '{': case '}':
        character(std::string_view(&in_[pos_ - 1], 1));
        return;
      case '~':
        character("\xC2\xA0");
        return;
      case '_':
        character("\xE2\x80\x91");
        return;
      case '-':  // optional hyphen: not shown
        if (fallback_left_ > 0) --fallback_left_;
        return;
      case '\r': case '\n':
        paragraph();
        return;
      case '\t':
        character("\t");
        return;
      default:
        if (fallback_left_ > 0) --fallback_left_;
        return;
    }
  }

  // A byte of the current code page, decoded together with its neighbours (a character of
  // a multi-byte code page comes as several).
  void code_page_byte(char byte) {
    if (fallback_left_ > 0) {
      --fallback_left_;
      return;
    }
    if (!pending_.empty() && pending_code_page_ != state().code_page) flush_bytes();
    pending_code_page_ = state().code_page;
    pending_.push_back(byte);
  }

  void paragraph() {
    flush_bytes();
    fallback_left_ = 0;
    emit("\r\n");
  }

  void control_word(std::string_view word, std::optional<long> parameter, bool first_in_group) {
    if (first_in_group) {
      if (star_ && word == "htmltag" && from_html_) {
        flush_bytes();
        state().htmltag = true;
        state().skip = false;
        star_ = false;
        return;
      }
      if (word == "fonttbl") {
        state().font_table = true;
        state().skip = true;
      } else if (star_ || is_skipped_destination(word)) {
        state().skip = true;
      }
      star_ = false;
    }
    if (word == "bin") {  // binary data: never text, and may hold any byte
      flush_bytes();
      const auto n = static_cast<size_t>(std::max(0L, parameter.value_or(0)));
      pos_ = n > in_.size() - pos_ ? in_.size() : pos_ + n;
      return;
    }
    if (word == "u") {
      if (!parameter) return;
      unicode(static_cast<char32_t>(static_cast<uint16_t>(static_cast<int16_t>(*parameter))));
      fallback_left_ = state().uc;
      return;
    }
    if (word == "par" || word == "line" || word == "row" || word == "sect" || word == "page") {
      paragraph();
      return;
    }
    if (word == "tab" || word == "cell") {
      flush_bytes();
      fallback_left_ = 0;
      emit("\t");
      return;
    }
    if (auto special = special_character(word); !special.empty()) {
      character(special);
      return;
    }
    flush_bytes();
    GroupState& s = state();
    if (word == "uc") s.uc = static_cast<int>(std::clamp(parameter.value_or(1), 0L, 16L));
    else if (word == "v") s.hidden = parameter.value_or(1) != 0;
    else if (word == "plain") s.hidden = false;
    else if (word == "htmlrtf") s.htmlrtf = parameter.value_or(1) != 0;
    else if (word == "fromhtml" && parameter.value_or(1) == 1) from_html_ = true;
    else if (word == "ansicpg" && parameter && *parameter > 0) {
      document_code_page_ = static_cast<uint32_t>(*parameter);
      for (auto& g : stack_) g.code_page = document_code_page_;
    } else if (word == "f" && parameter) {
      if (s.font_table) {
        defining_font_ = *parameter;
      } else {
        const auto it = font_code_pages_.find(*parameter);
        s.code_page = it != font_code_pages_.end() ? it->second : document_code_page_;
      }
    } else if (word == "fcharset" && parameter && s.font_table) {
      if (const uint32_t cp = code_page_of_charset(static_cast<int>(*parameter)); cp != 0)
        font_code_pages_[defining_font_] = cp;
    } else if (word == "cpg" && parameter && s.font_table && *parameter > 0) {
      font_code_pages_[defining_font_] = static_cast<uint32_t>(*parameter);
    }
  }

  void unicode(char32_t unit) {
    if (fallback_left_ > 0) fallback_left_ = 0;
    flush_bytes();
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      high_surrogate_ = unit;
      return;
    }
    std::string utf8;
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
      if (high_surrogate_ == 0) return;
      ese::append_utf8(utf8, 0x10000 + ((high_surrogate_ - 0xD800) << 10) + (unit - 0xDC00));
    } else {
      ese::append_utf8(utf8, unit);
    }
    high_surrogate_ = 0;
    emit(utf8);
  }

  static bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
  static bool is_digit(char c) { return c >= '0' && c <= '9'; }
  static bool is_hex(char c) { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
  static int hex(char c) { return is_digit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }

  std::string_view in_;
  size_t pos_ = 0;
  std::vector<GroupState> stack_{GroupState{}};
  bool group_start_ = false;
  bool keep_group_start_ = false;
  bool star_ = false;
  bool from_html_ = false;
  int fallback_left_ = 0;
  char32_t high_surrogate_ = 0;
  uint32_t document_code_page_ = 1252;
  long defining_font_ = 0;
  std::map<long, uint32_t> font_code_pages_;
  std::string pending_;
  uint32_t pending_code_page_ = 1252;
  CodePageDecoder decoder_;
  std::string text_;
  std::string html_;
};

}  // namespace

RtfContent read_rtf(std::string_view rtf) {
  if (rtf.empty()) return {};
  return RtfReader(rtf).read();
}

std::string rtf_plain_text(std::string_view rtf) { return read_rtf(rtf).text; }

}  // namespace quorvine::decode
