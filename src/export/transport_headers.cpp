#include "export/transport_headers.hpp"

#include <cctype>

#include "decode/address_extraction.hpp"
#include "decode/text_passes.hpp"

namespace quorvine::exporting {
namespace {

bool starts_with_name(std::string_view line, std::string_view name) {
  if (line.size() <= name.size() || line[name.size()] != ':') return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(line[i])) != std::tolower(static_cast<unsigned char>(name[i])))
      return false;
  return true;
}

}  // namespace

std::string header_field(std::string_view headers, std::string_view name) {
  std::string value;
  bool in_field = false;
  size_t begin = 0;
  while (begin < headers.size()) {
    size_t end = headers.find('\n', begin);
    if (end == std::string_view::npos) end = headers.size();
    std::string_view line = headers.substr(begin, end - begin);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    begin = end + 1;
    if (line.empty()) break;
    const bool continuation = line.front() == ' ' || line.front() == '\t';
    if (in_field) {
      if (!continuation) break;
      value += ' ';
      value += decode::trim(line, " \t\r");
    } else if (starts_with_name(line, name)) {
      in_field = true;
      value = std::string(decode::trim(line.substr(name.size() + 1), " \t\r"));
    }
  }
  return value;
}

std::string header_addresses(std::string_view headers, std::string_view name) {
  const std::string value = header_field(headers, name);
  if (value.empty()) return {};
  const std::string addresses = decode::extractemailid(value);
  // extractemailid gives the leftover words when it finds no address.
  return addresses.find('@') == std::string::npos ? std::string() : addresses;
}

}  // namespace quorvine::exporting
