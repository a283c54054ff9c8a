#pragma once
// Byte sinks that take a value chunk by chunk from the reading layer and write it to a file:
// as stored, as UTF-8 text, or as HTML with a content security policy put in front.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "decode/code_page_decoder.hpp"
#include "ese/database.hpp"
#include "ese/uninitialised_vector.hpp"
#include "textfile/output_file.hpp"

namespace quorvine::render {

// Creates `folder`/`name`, emptying an existing file; throws std::system_error naming the
// file when it cannot be created.
textfile::OutputFile create_file(const std::filesystem::path& path);

class FileSink : public ese::ByteSink {
 public:
  explicit FileSink(textfile::OutputFile& file) : file_(file) {}
  void write(std::span<const uint8_t> chunk) override;
  void write(std::string_view text) { write(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size())); }
  uint64_t bytes_written() const { return written_; }

 private:
  textfile::OutputFile& file_;
  uint64_t written_ = 0;
};

// Text stored in `code_page` (1200: UTF-16LE) written as UTF-8, NUL characters left out.
// A surrogate pair or a UTF-16 unit split across chunks is joined.
class Utf8TextSink : public ese::ByteSink {
 public:
  Utf8TextSink(ese::ByteSink& out, uint32_t code_page) : out_(out), code_page_(code_page) {}
  void write(std::span<const uint8_t> chunk) override;
  // Writes what a truncated value leaves pending (a lone byte or high surrogate: U+FFFD).
  void finish();

 private:
  ese::ByteSink& out_;
  uint32_t code_page_;
  int odd_byte_ = -1;
  char32_t high_surrogate_ = 0;
  decode::CodePageDecoder decoder_;
  ese::UninitialisedVector<char> utf8_;  // kept between writes: a body comes in many chunks
};

// The policy of every HTML body file the preview writes: no script, frame, form or remote
// load; inline styles and embedded or local images only.
inline constexpr std::string_view preview_csp_meta =
    "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; img-src data: cid: file:; "
    "style-src 'unsafe-inline'\">";

// HTML passed through with a head holding preview_csp_meta put before everything but a
// byte-order mark, leading white space and a doctype. Nothing of the document can come first:
// a script, a comment or an attribute that happens to contain "<head" would otherwise run
// before the policy or swallow it. The document's own html and head tags then merge into
// this head, as the HTML parser does with repeated ones.
// A refresh pragma is the one remote load the policy cannot forbid: the http-equiv attribute
// of a meta tag that may name it (the word "refresh", or a character reference) is renamed,
// so the page stays where it is. A charset pragma is kept.
class CspHtmlSink : public ese::ByteSink {
 public:
  explicit CspHtmlSink(ese::ByteSink& out) : out_(out) {}
  void write(std::span<const uint8_t> chunk) override;
  void finish();

 private:
  void release(size_t insert_at);
  void pass(std::string_view bytes);
  void emit(std::string_view bytes);
  ese::ByteSink& out_;
  std::string held_;
  bool released_ = false;
  std::string tag_;       // "<meta" and what follows it, up to the tag's end
  size_t matched_ = 0;    // characters of "<meta" matched at the end of tag_
  char quote_ = 0;        // the quote of an attribute value in the meta tag
};

// Text made safe for HTML element content and quoted attribute values.
std::string html_escape(std::string_view text);

}  // namespace quorvine::render
