#pragma once
// The address texts of a composition record as (display name, address) pairs, and RFC 2047
// encoding of header text, shared by the MIME composer and the fallback builder.
#include <string>
#include <string_view>
#include <vector>

namespace quorvine::exporting {

struct MailAddress {
  std::string name;     // may be empty
  std::string address;  // never empty
};

// The sender text "Name<a@b><a@b>": the display name and the first address. A text without
// an address in angle brackets gives its first word containing "@", if any.
std::vector<MailAddress> parse_sender(std::string_view text);
// A ","-separated list: every piece holding an address ("a@b", "Name<a@b>", "[a@b]"), the
// last piece included whether or not a separator follows it.
std::vector<MailAddress> parse_address_list(std::string_view text);

// The text as one header value: unchanged when it is printable ASCII, else RFC 2047
// encoded words (UTF-8, base64), each at most 75 characters and never splitting a character.
std::string encode_header_text(std::string_view text);
// "name <address>" with the name quoted or encoded as needed; the address alone without a name.
std::string format_address(const MailAddress& address);

}  // namespace quorvine::exporting
