#include "listing/list_row_address.hpp"

#include "decode/address_extraction.hpp"

namespace quorvine::listing {

std::string first_extracted_address(const std::string& text) {
  if (text.empty()) return {};
  const std::string found = decode::extract_addresses(text);
  std::string first = found.substr(0, found.find(','));
  return first.find('@') == std::string::npos ? std::string() : first;
}

scan::MailAddress contents_sender(const std::string& name, const std::string& address) {
  return {name, !address.empty() && decode::email_looks_valid(address) ? address : std::string()};
}

std::string sender_display_text(const scan::MailAddress& sender) {
  return sender.address.empty() ? sender.name : sender.name + "<" + sender.address + ">";
}

}  // namespace quorvine::listing
