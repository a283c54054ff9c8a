#pragma once
// The body readers of both store generations: each writes one body column of a message
// record into a file of a target folder and says what it wrote. They hold no state between
// calls, so the preview and the exports can use them side by side.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "decode/generation.hpp"
#include "ese/database.hpp"

namespace quorvine::render {

enum class BodyKind { None, Text, Html, Rtf };
std::string_view to_string(BodyKind kind);  // "none", "text", "html", "rtf"

struct BodyFile {
  BodyKind kind = BodyKind::None;  // the column the body came from
  std::filesystem::path path;      // the file written; empty for BodyKind::None and in memory
  bool html = false;               // the file holds HTML (an HTML body, or HTML recovered from RTF)
  std::string bytes;               // the body itself, when read into memory
};

struct BodyOptions {
  // Preview files: text files start with a UTF-8 byte-order mark so a browser reads them
  // right, and HTML files carry the preview's content security policy. The exports leave
  // both out and get the body as stored.
  bool preview = false;
  // The body is kept in BodyFile::bytes and no file is written: the exports compose
  // messages in memory.
  bool in_memory = false;
};

// The three body columns of a message or body table (absent columns stay unset).
struct BodyColumns {
  std::optional<size_t> text;  // "S1000"
  std::optional<size_t> html;  // "N1013"
  std::optional<size_t> rtf;   // "N1009"
};
BodyColumns body_columns(const ese::Table& table);

// The readers. Each returns nothing when the column holds no value or an empty one, and
// throws ese::EseError for a damaged value or std::system_error when the file cannot be
// written. Text is written as UTF-8, long values chunk by chunk.
//
// Text: "textbody.txt" (2003/2007) or "blank.txt" (2010).
std::optional<BodyFile> read_text_body(decode::Generation generation, const ese::Record& record, size_t column,
                                       const std::filesystem::path& folder, const BodyOptions& options);
// HTML, the bytes as stored: "htmlbody.html" (2003/2007) or "blank.html" (2010, where a
// stored value of 4 bytes or fewer is no body).
std::optional<BodyFile> read_html_body(decode::Generation generation, const ese::Record& record, size_t column,
                                       const std::filesystem::path& folder, const BodyOptions& options);
// Compressed RTF, either generation: "rtfbody.txt" (the RTF converted to text) or
// "rtfbody.html" (the HTML that the RTF encapsulates).
std::optional<BodyFile> read_rtf_body(const ese::Record& record, size_t column, const std::filesystem::path& folder,
                                      const BodyOptions& options, std::vector<std::string>* warnings = nullptr);

struct BodySelection {
  BodyFile body;
  // The renderers' numbering: 2003/2007 1 text or converted RTF, 2 HTML; 2010 1 HTML,
  // 2 text, 3 RTF. 0: no body.
  int mail_body_type = 0;
  std::vector<std::string> warnings;  // damaged body values that were passed over
};

// Tries the body kinds in the generation's order (2003/2007 text, HTML, RTF; 2010 RTF,
// HTML, text) and writes the first that holds a body. A damaged value is reported in the
// warnings and the next kind tried.
BodySelection select_body(decode::Generation generation, const ese::Record& record, const BodyColumns& columns,
                          const std::filesystem::path& folder, const BodyOptions& options);

// Writes `text` (UTF-8) as a text body file `name` in `folder`.
BodyFile write_text_body(std::string_view text, const std::filesystem::path& folder, std::string_view name,
                         const BodyOptions& options);

}  // namespace quorvine::render
