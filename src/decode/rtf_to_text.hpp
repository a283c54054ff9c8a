#pragma once
// RTF turned into the text a reader sees, and the HTML that an RTF body made from HTML
// (\fromhtml1) encapsulates.
#include <optional>
#include <string>
#include <string_view>

namespace quorvine::decode {

struct RtfContent {
  // The visible text as UTF-8: one line per paragraph (\par, \line and the end of a table
  // row end a line with CR LF), \tab as a tab; no control words, no ignorable or known
  // non-text destinations (font and colour tables, pictures, ...), no hidden (\v) text.
  std::string text;
  // The encapsulated HTML as UTF-8, when the document says \fromhtml1.
  std::optional<std::string> html;
};

// Never fails: damaged RTF gives whatever text could be read (unbalanced groups are closed
// at the end of the input). An empty input gives an empty text.
RtfContent read_rtf(std::string_view rtf);

// The visible text only.
std::string rtf_plain_text(std::string_view rtf);

}  // namespace quorvine::decode
