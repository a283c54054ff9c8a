#pragma once
// The sender and address helpers of the list rows.
#include <string>

#include "scan/mail_address.hpp"

namespace quorvine::listing {

// The first address decode::extract_addresses finds in `text`, without its separator; empty when
// there is none.
std::string first_extracted_address(const std::string& text);

// The sender a contents record names: "S42" as its name and "S4031" as its address when
// that passes decode::email_looks_valid.
scan::MailAddress contents_sender(const std::string& name, const std::string& address);
// The list's text of a sender: the name, then the address in angle brackets when there is one.
std::string sender_display_text(const scan::MailAddress& sender);

}  // namespace quorvine::listing
