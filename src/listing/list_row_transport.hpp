#pragma once
// The fields the message list takes from a message's transport headers.
#include <string>
#include <string_view>

namespace quorvine::listing {

struct TransportFields {
  std::string xFrom;
  std::string xSubject;
  std::string xTo;
  std::string xCC;
  std::string xBcc;
};

// Scans the header block line by line. "From: ", "To: ", "Cc: ", "Bcc: " and "Subject: "
// lines fill their field, a later line of a kind replacing an earlier one; continuation
// lines are not joined. Address lines show "<" ">" as "[" "]" and lose double quotes.
TransportFields parse_transport_headers(std::string_view headers);

// The address-line clean-up of the list: angle brackets as square brackets, double quotes
// removed.
std::string bracket_addresses(std::string text);

}  // namespace quorvine::listing
