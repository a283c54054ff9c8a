#include "export/mail_addresses.hpp"

#include <gmime/gmime.h>

#include <algorithm>
#include <mutex>
#include <optional>

#include "decode/text_passes.hpp"
#include "export/base64.hpp"

namespace quorvine::exporting {
namespace {

std::string_view trim(std::string_view text) { return decode::trim(text, " \t\r\n\""); }

std::optional<MailAddress> parse_piece(std::string_view piece) {
  piece = trim(piece);
  for (char open : {'<', '['}) {
    const char close = open == '<' ? '>' : ']';
    const auto start = piece.find(open);
    if (start == std::string_view::npos) continue;
    const auto end = piece.find(close, start + 1);
    std::string_view address = trim(piece.substr(start + 1, end == std::string_view::npos ? std::string_view::npos
                                                                                          : end - start - 1));
    if (!plausible_address(address)) continue;
    return MailAddress{std::string(trim(piece.substr(0, start))), std::string(address)};
  }
  // A bare address, possibly after words of a name.
  size_t begin = 0;
  while (begin < piece.size()) {
    size_t end = piece.find(' ', begin);
    if (end == std::string_view::npos) end = piece.size();
    std::string_view word = trim(piece.substr(begin, end - begin));
    if (plausible_address(word)) return MailAddress{std::string(trim(piece.substr(0, begin))), std::string(word)};
    begin = end + 1;
  }
  return std::nullopt;
}

bool printable_ascii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x20 && u < 0x7f;
  });
}

size_t utf8_length(unsigned char lead) {
  if (lead >= 0xf0) return 4;
  if (lead >= 0xe0) return 3;
  if (lead >= 0xc0) return 2;
  return 1;
}

}  // namespace

bool plausible_address(std::string_view text) {
  const auto at = text.find('@');
  return at != std::string_view::npos && at > 0 && at + 1 < text.size() &&
         std::none_of(text.begin(), text.end(), [](char c) {
           return c == ' ' || c == '<' || c == '>' || c == ',' || c == '"' || static_cast<unsigned char>(c) < 0x20;
         });
}

void initialise_gmime() {
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
}

std::vector<MailAddress> parse_header_addresses(std::string_view value) {
  std::vector<MailAddress> out;
  if (value.empty()) return out;
  initialise_gmime();
  InternetAddressList* list = internet_address_list_parse(nullptr, std::string(value).c_str());
  if (!list) return out;
  const auto take = [&out](InternetAddressList* addresses, const auto& self) -> void {
    for (int i = 0; i < internet_address_list_length(addresses); ++i) {
      InternetAddress* address = internet_address_list_get_address(addresses, i);
      if (INTERNET_ADDRESS_IS_GROUP(address)) {
        self(internet_address_group_get_members(INTERNET_ADDRESS_GROUP(address)), self);
        continue;
      }
      const char* name = internet_address_get_name(address);
      const char* addr = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address));
      if (addr && plausible_address(addr)) out.push_back({name ? name : "", addr});
    }
  };
  take(list, take);
  g_object_unref(list);
  return out;
}

std::vector<MailAddress> parse_address_list(std::string_view text) {
  std::vector<MailAddress> addresses;
  size_t begin = 0;
  while (begin <= text.size()) {
    size_t end = text.find(',', begin);
    if (end == std::string_view::npos) end = text.size();
    if (auto address = parse_piece(text.substr(begin, end - begin))) addresses.push_back(std::move(*address));
    begin = end + 1;
  }
  return addresses;
}

std::string encode_header_text(std::string_view text) {
  if (printable_ascii(text)) return std::string(text);
  // 75 characters per word: "=?UTF-8?B?" and "?=" leave 63 for base64, 45 bytes of text.
  constexpr size_t kBytesPerWord = 45;
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    size_t end = i;
    while (end < text.size()) {
      const size_t length = utf8_length(static_cast<unsigned char>(text[end]));
      if (end + length - i > kBytesPerWord) break;
      end += length;
    }
    if (end == i) end = std::min(text.size(), i + utf8_length(static_cast<unsigned char>(text[i])));
    if (!out.empty()) out += ' ';
    out += "=?UTF-8?B?" + base64_encode(text.substr(i, end - i)) + "?=";
    i = end;
  }
  return out;
}

std::string format_address(const MailAddress& address) {
  if (address.name.empty()) return address.address;
  std::string name;
  if (!printable_ascii(address.name)) {
    name = encode_header_text(address.name);
  } else if (address.name.find_first_of("()<>[]:;@\\,.\"") != std::string::npos) {
    name = "\"";
    for (char c : address.name) {
      if (c == '"' || c == '\\') name += '\\';
      name += c;
    }
    name += '"';
  } else {
    name = address.name;
  }
  return address.address.empty() ? name + ":;" : name + " <" + address.address + ">";
}

}  // namespace quorvine::exporting
