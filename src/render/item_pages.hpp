#pragma once
// The header page and the frame page of the preview: fixed templates, labels letter for
// letter, every value HTML-escaped.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quorvine::render {

// One cell: the template's cell start with its label, and the value.
struct HeaderCell {
  std::string start;  // e.g. "   <td height='18'><b>From :</b>"
  std::string value;  // plain text; escaped when the page is built
  bool red = false;   // the value sits in <span color='red'>…</span>
};
struct HeaderRow {
  std::vector<HeaderCell> cells;
  bool plain_start = false;  // "<tr>" instead of "  <tr>" (the mail's full-width rows)
};

// The whole header page as one line; `mail` selects the mail style and table.
std::string header_page_html(const std::vector<HeaderRow>& rows, bool mail);
// The frame page showing "header.html" and the body file (a name in the same folder).
std::string frame_page_html(std::string_view layout, const std::filesystem::path& body_file);

// Writes `html` as a UTF-16 text file (created or emptied).
void write_page(const std::filesystem::path& path, std::string_view html);

}  // namespace quorvine::render
