#include "listing/message_list_output.hpp"

#include <nlohmann/json.hpp>

#include "listing/utf8_characters.hpp"

namespace quorvine::render {
namespace {

// `text` cut or padded to `width` characters; line breaks and tabs shown as blanks.
std::string cell(std::string_view text, size_t width) {
  auto chars = characters(text);
  std::string out;
  size_t shown = 0;
  for (size_t i = 0; i < chars.size() && shown < width; ++i, ++shown) {
    if (shown + 1 == width && i + 1 < chars.size()) {
      out += "~";
      ++shown;
      break;
    }
    std::string_view ch = chars[i];
    out += (ch == "\r" || ch == "\n" || ch == "\t") ? std::string_view(" ") : ch;
  }
  out.append(width > shown ? width - shown : 0, ' ');
  return out;
}

}  // namespace

nlohmann::ordered_json rows_to_json(const std::vector<scan::MessageListRow>& rows) {
  nlohmann::ordered_json out = nlohmann::ordered_json::array();
  for (const auto& row : rows) {
    out.push_back({{"from", row.from},
                   {"subject", row.subject},
                   {"date", row.date},
                   {"attachment", row.attachment},
                   {"message_id", row.message_id},
                   {"kind", row.kind},
                   {"mail_number", row.mail_number},
                   {"key", row.key},
                   {"to", row.to},
                   {"cc", row.cc},
                   {"bcc", row.bcc}});
  }
  return out;
}

void write_rows_table(const std::vector<scan::MessageListRow>& rows, const std::function<void(std::string_view)>& write) {
  constexpr size_t from_width = 32, subject_width = 48, date_width = 22;
  write(cell("From", from_width) + "  " + cell("Subject", subject_width) + "  " + cell("Date", date_width) +
        "  Att\n");
  for (const auto& row : rows) {
    write(cell(row.from, from_width) + "  " + cell(row.subject, subject_width) + "  " + cell(row.date, date_width) +
          "  " + (row.attachment == "true" ? "yes" : "") + "\n");
  }
  write(std::to_string(rows.size()) + (rows.size() == 1 ? " message\n" : " messages\n"));
}

std::string rows_to_table(const std::vector<scan::MessageListRow>& rows) {
  std::string out;
  write_rows_table(rows, [&](std::string_view line) { out += line; });
  return out;
}

}  // namespace quorvine::render
