#include <set>

#include "edbgen/exchange_rtf.hpp"
#include "edbgen/exchange_store_parts.hpp"

namespace edbgen {

bool generator_owned_column(const std::string& name) {
  static const std::set<std::string> owned = {
      "N67b0", "N67b3", "N65f9", "S7d",  "S1000", "N1013", "N1009", "S70",  "S1a",
      "Se1d",  "S3d",   "S42",   "S4031", "Te06", "T39",   "T3007", "Be1b", "N67b4",
      "N67b5", "S4025", "L3705", "S3707", "N3701", "Q6748", "Le23", "Se04", "S370e"};
  return owned.count(name) != 0;
}

void put_fields(RecordCells& cells, const ColumnSet& columns, const Message& m) {
  for (const auto& [name, value] : m.fields) {
    if (generator_owned_column(name))
      throw LayoutError("field " + name + " is written from the message itself; set it there");
    if (!columns.has(name))
      throw LayoutError("field " + name + " has no column in table " + columns.def().name);
    if (value.filetime) {
      cells.filetime(name, *value.filetime);
      continue;
    }
    const char letter = name[0] == 'M' ? name[1] : name[0];
    std::vector<Bytes> elements;
    for (const std::string& t : value.texts)
      elements.push_back(letter == 'S' ? utf16le(t) : bytes_of(t));
    if (name[0] == 'M') {
      cells.multi(name, std::move(elements));
    } else if (letter == 'L') {
      cells.int32(name, static_cast<int32_t>(std::stol(value.texts.front())));
    } else if (letter == 'B') {
      cells.boolean(name, value.texts.front() == "true");
    } else if (letter == 'S') {
      cells.text(name, value.texts.front());
    } else {
      cells.binary(name, std::move(elements.front()));
    }
  }
}

void put_message_content(RecordCells& cells, const Message& m, Storage headers_storage, bool sender_columns) {
  cells.text("S7d", transport_headers(m), headers_storage);
  cells.text_if("S1000", m.body_text);
  if (!m.body_html.empty()) cells.binary("N1013", bytes_of(m.body_html));
  if (!m.body_rtf_text.empty())
    cells.binary("N1009", compressed_rtf_uncompressed_form(rtf_document(m.body_rtf_text)));
  cells.text_if("S1a", m.message_class, Storage::Inline);
  cells.text_if("S70", m.subject, Storage::Inline);
  cells.text_if("Se1d", m.subject, Storage::Inline);
  cells.text_if("S3d", m.subject_prefix, Storage::Inline);
  const std::string to = display_to(m);
  if (!to.empty()) cells.binary("N67b4", bytes_of(to));
  if (sender_columns && !m.sender_address.empty()) {
    cells.binary("N67b5", bytes_of("SMTP:" + m.sender_address));
    cells.text("S4025", m.sender_address, Storage::Inline);
  }
}

}  // namespace edbgen
