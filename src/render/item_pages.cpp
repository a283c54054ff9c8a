#include "render/item_pages.hpp"

#include <system_error>

#include "render/file_sinks.hpp"
#include "textfile/utf16_text_file.hpp"

namespace quorvine::render {
namespace {

// A file name as a relative URL: everything but unreserved characters percent-encoded.
std::string url_of_name(const std::string& name) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : name) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~') {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 15]);
    }
  }
  return out;
}

}  // namespace

std::string header_page_html(const std::vector<HeaderRow>& rows, bool mail) {
  std::string page =
      "<!DOCTYPE html PUBLIC '-//W3C//DTD XHTML 1.0 Transitional//EN' "
      "'http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd'>"
      "<html xmlns='http://www.w3.org/1999/xhtml'><head>"
      "<meta http-equiv='Content-Type' content='text/html; charset=utf-8' />"
      "<style type='text/css'><!--"
      "body,td,th {\tfont-family: Verdana, Arial, Helvetica, sans-serif;\tfont-size: 11px;";
  page += mail ? "\tcolor: #666666; background:#ebebeb;" : "\tcolor: #666666;";
  page +=
      "}body {\tmargin-left: 0px;\tmargin-top: 0px;\tmargin-right: 0px;\tmargin-bottom: 0px;}"
      "a {\tfont-family: Verdana, Arial, Helvetica, sans-serif;\tfont-size: 10px;}"
      "--></style></head><body>";
  page += mail ? "<table width='100%' border='0' cellspacing='2' cellpadding='2'>"
               : "<table width='100%' border='0' cellspacing='0' cellpadding='0'>";
  for (const HeaderRow& row : rows) {
    page += row.plain_start ? "<tr>" : "  <tr>";
    for (const HeaderCell& cell : row.cells) {
      page += cell.start;
      page += html_escape(cell.value);
      if (cell.red) page += "</span>";
      page += "</td>";
    }
    page += " </tr>";
  }
  page += "</table></body></html>";
  return page;
}

std::string frame_page_html(std::string_view layout, const std::filesystem::path& body_file) {
  return "<html><head></head><frameset " + std::string(layout) +
         "><frame src='header.html'  scrolling='auto' frameborder='1'><frame src='" +
         url_of_name(body_file.filename().string()) + "'></frameset></html>";
}

void write_page(const std::filesystem::path& path, std::string_view html) {
  textfile::Utf16TextFile file;
  std::error_code error;
  if (!file.open(path, textfile::open_flags::modeCreate | textfile::open_flags::modeWrite, &error))
    throw std::system_error(error, "cannot create " + path.string());
  file.write(html);
  file.close();
}

}  // namespace quorvine::render
