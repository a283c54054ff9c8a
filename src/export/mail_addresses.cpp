#include "export/mail_addresses.hpp"

#include <gmime/gmime.h>

#include <algorithm>
#include <mutex>
#include <optional>

#include "decode/text_passes.hpp"

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

}  // namespace quorvine::exporting
