#include "export/transport_headers.hpp"

#include <algorithm>
#include <cctype>
#include <functional>

#include "decode/text_passes.hpp"

namespace quorvine::exporting {
namespace {

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// A field name: printable ASCII without blanks and colons (RFC 5322 ftext).
bool field_name(std::string_view name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) { return c > 32 && c < 127 && c != ':'; });
}

// Calls `take(name, value)` for every field of the header block, folded lines joined; stops
// when `take` returns false.
void for_each_field(std::string_view headers, const std::function<bool(std::string_view, std::string&&)>& take) {
  std::string name, value;
  bool open = false;
  const auto close = [&] {
    const bool go_on = !open || take(name, std::string(decode::trim(value, " \t")));
    open = false;
    return go_on;
  };
  size_t begin = 0;
  while (begin < headers.size()) {
    size_t end = headers.find('\n', begin);
    if (end == std::string_view::npos) end = headers.size();
    std::string_view line = headers.substr(begin, end - begin);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    begin = end + 1;
    if (line.empty()) break;
    if (line.front() == ' ' || line.front() == '\t') {
      if (open) value += " " + std::string(decode::trim(line, " \t"));
      continue;
    }
    if (!close()) return;
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos || !field_name(line.substr(0, colon))) continue;
    name = std::string(line.substr(0, colon));
    value = std::string(line.substr(colon + 1));
    open = true;
  }
  close();
}

bool written_by_composer(std::string_view name) {
  for (std::string_view own : {"From", "To", "Cc", "Bcc", "Subject", "Date", "Message-ID", "MIME-Version"})
    if (same_name(name, own)) return true;
  return name.size() >= 8 && same_name(name.substr(0, 8), "Content-");
}

}  // namespace

std::string header_field(std::string_view headers, std::string_view name) {
  std::string found;
  for_each_field(headers, [&](std::string_view field, std::string&& value) {
    if (!same_name(field, name)) return true;
    found = std::move(value);
    return false;
  });
  return found;
}

std::vector<MailAddress> header_addresses(std::string_view headers, std::string_view name) {
  return parse_header_addresses(header_field(headers, name));
}

std::vector<HeaderField> carried_header_fields(std::string_view headers) {
  std::vector<HeaderField> fields;
  for_each_field(headers, [&](std::string_view name, std::string&& value) {
    if (!written_by_composer(name)) fields.push_back({std::string(name), std::move(value)});
    return true;
  });
  return fields;
}

}  // namespace quorvine::exporting
