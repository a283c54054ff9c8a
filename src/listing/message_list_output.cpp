#include "listing/message_list_output.hpp"

#include <nlohmann/json.hpp>

#include "listing/utf8_characters.hpp"

namespace quorvine::listing {
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

JsonRowsWriter::JsonRowsWriter(Write write, int depth) : write_(std::move(write)), depth_(depth) {}

void JsonRowsWriter::row(const MessageListRow& row) {
  const auto hidden = columns_8_to_10(row);
  const nlohmann::ordered_json object = {{"from", row.from},
                                         {"subject", row.subject},
                                         {"date", row.date},
                                         {"attachment", row.attachment},
                                         {"message_id", row.message_id},
                                         {"kind", row.kind},
                                         {"mail_number", row.mail_number},
                                         {"key", row.key},
                                         {"to", *hidden[0]},
                                         {"cc", *hidden[1]},
                                         {"bcc", *hidden[2]}};
  // Indented as an element of the array; dumped text has no raw line breaks inside
  // strings, so every line break starts a line of the object.
  const std::string text = object.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  const std::string indent(2 * (depth_ + 1), ' ');
  std::string indented = (first_ ? "[\n" : ",\n") + indent;
  for (const char c : text) {
    indented += c;
    if (c == '\n') indented += indent;
  }
  first_ = false;
  write_(indented);
}

void JsonRowsWriter::finish() { write_(first_ ? "[]" : "\n" + std::string(2 * depth_, ' ') + "]"); }

TableRowsWriter::TableRowsWriter(Write write) : write_(std::move(write)) {
  write_(cell("From", kFromWidth) + "  " + cell("Subject", kSubjectWidth) + "  " + cell("Date", kDateWidth) + "  Att\n");
}

void TableRowsWriter::row(const MessageListRow& row) {
  write_(cell(row.from, kFromWidth) + "  " + cell(row.subject, kSubjectWidth) + "  " + cell(row.date, kDateWidth) +
         "  " + (row.attachment == "true" ? "yes" : "") + "\n");
  ++rows_;
}

void TableRowsWriter::finish() { write_(std::to_string(rows_) + (rows_ == 1 ? " message\n" : " messages\n")); }

std::string rows_to_json(const std::vector<MessageListRow>& rows) {
  std::string out;
  JsonRowsWriter writer([&](std::string_view text) { out += text; });
  for (const auto& row : rows) writer.row(row);
  writer.finish();
  return out + "\n";
}

std::string rows_to_table(const std::vector<MessageListRow>& rows) {
  std::string out;
  TableRowsWriter writer([&](std::string_view text) { out += text; });
  for (const auto& row : rows) writer.row(row);
  writer.finish();
  return out;
}

}  // namespace quorvine::listing
