#include "edbgen/exchange_ids.hpp"

#include <cctype>
#include <cstdio>
#include <stdexcept>

namespace edbgen {
namespace {

std::string hex_no_leading_zeros(uint64_t v, bool upper) {
  char buf[20];
  std::snprintf(buf, sizeof buf, upper ? "%llX" : "%llx", static_cast<unsigned long long>(v));
  return buf;
}

std::string to_upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

Bytes identifier_bytes(uint64_t value) { return be64(value); }

std::string identifier_text(uint64_t value) { return hex_no_leading_zeros(value, false); }

std::string replica_counter_text(uint64_t value) {
  const Bytes b = be64(value);
  const uint64_t counter = value & 0xFFFFFFFFFFFFull;
  // Byte 1 then byte 0 as the top of a big-endian 64-bit number.
  const uint64_t replica_image = (uint64_t{b[1]} << 56) | (uint64_t{b[0]} << 48);
  std::string replica = hex_no_leading_zeros(replica_image, false).substr(0, 4);
  for (size_t pos : {size_t{3}, size_t{2}, size_t{1}})
    if (pos < replica.size() && replica[pos] == '0') replica.erase(pos, 1);
  return replica + "-" + hex_no_leading_zeros(counter, true);
}

std::string contents_table_name(uint64_t folder_id) {
  const std::string text = to_upper(identifier_text(folder_id));
  if (text.size() != 15)
    throw std::invalid_argument("folder identifier " + text + " has no contents-table name");
  const size_t digits = text.find_first_not_of('0', 1);
  return text.substr(0, 1) + "-" + (digits == std::string::npos ? "0" : text.substr(digits));
}

std::string folder_key(const std::string& table_name) {
  const size_t dash = table_name.find('-');
  if (dash == std::string::npos || table_name.find('-', dash + 1) != std::string::npos) return "";
  const std::string a = table_name.substr(0, dash), b = table_name.substr(dash + 1);
  if (a.empty() || a.size() > 3) return "";
  const size_t total = 14 + a.size();
  const size_t zeros = a.size() + b.size() >= total ? 0 : total - a.size() - b.size();
  return a + std::string(zeros, '0') + b;
}

Bytes folder_id_2013(uint64_t mailbox_number, uint64_t folder_id) {
  Bytes out = {0x4e, 0x2f, 0x5c, 0x1a, 0x7d, 0x3b, 0x41, 0x4c,
               0x9a, 0x11, 0x08, 0xe2, 0x00, 0x00, 0x00, 0x00};
  for (int i = 0; i < 4; ++i) out[12 + i] = static_cast<uint8_t>(mailbox_number >> (24 - 8 * i));
  const Bytes id = be64(folder_id);
  out.insert(out.end(), id.begin(), id.end());
  out.push_back(0x00);
  out.push_back(0x01);
  return out;
}

Bytes empty_folder_id_2013() { return Bytes(26, 0); }

}  // namespace edbgen
