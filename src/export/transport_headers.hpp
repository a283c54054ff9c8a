#pragma once
// Fields read out of a message's transport headers ("S7d"): header fields are matched by
// name at the start of a line (so "Cc" never matches inside "Bcc"), with folded lines joined.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "export/mail_addresses.hpp"

namespace quorvine::exporting {

// The unfolded value of the first header field `name` (case-insensitive), or empty. Only the
// header block (up to the first empty line) is searched.
std::string header_field(std::string_view headers, std::string_view name);
// The senders or recipients of the field, names and addresses as the headers write them.
std::vector<MailAddress> header_addresses(std::string_view headers, std::string_view name);

struct HeaderField {
  std::string name;
  std::string value;  // unfolded
  bool operator==(const HeaderField&) const = default;
};
// Every field of the header block in order, unfolded, except the ones a composed message
// writes itself: From, To, Cc, Bcc, Subject, Date, Message-ID, MIME-Version and Content-*.
// A line that is no field (no name before a colon) is left out.
std::vector<HeaderField> carried_header_fields(std::string_view headers);

}  // namespace quorvine::exporting
