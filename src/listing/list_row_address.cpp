#include "listing/list_row_address.hpp"

#include "decode/address_extraction.hpp"

namespace quorvine::listing {

std::string first_extracted_address(const std::string& text) {
  if (text.empty()) return {};
  const std::string found = extract_addresses(text);
  std::string first = found.substr(0, found.find(','));
  return first.find('@') == std::string::npos ? std::string() : first;
}

scan::MailAddress contents_sender(const std::string& S42, const std::string& S4031) {
  return {S42, !S4031.empty() && email_looks_valid(S4031) ? S4031 : std::string()};
}

std::string sender_display_text(const scan::MailAddress& sender) {
  return sender.address.empty() ? sender.name : sender.name + "<" + sender.address + ">";
}

}  // namespace quorvine::listing
