#pragma once
// Address texts read into (display name, address) pairs, and RFC 2047 encoding of header
// text, shared by the gathering, the MIME composer and the fallback builder.
#include <string>
#include <string_view>
#include <vector>

#include "scan/mail_address.hpp"

namespace quorvine::exporting {

using MailAddress = scan::MailAddress;

// GMime set up for this process (once, from any thread).
void initialise_gmime();

// An address as a header can carry it: "local@domain", no blanks, brackets or commas.
bool plausible_address(std::string_view text);

// A ","-separated list of the list's forms: every piece holding an address ("a@b",
// "Name<a@b>", "Name [a@b]"), the last piece included whether or not a separator follows it.
std::vector<MailAddress> parse_address_list(std::string_view text);
// An RFC 5322 address-list header value (encoded words and quoted names undone, group
// members taken one by one): names and addresses as written.
std::vector<MailAddress> parse_header_addresses(std::string_view value);

}  // namespace quorvine::exporting
