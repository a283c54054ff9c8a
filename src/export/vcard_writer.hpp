#pragma once
// vCard 4.0 (RFC 6350) cards of contacts and distribution lists: UTF-8, CR LF, values
// escaped and lines folded at 75 octets.
#include <string>
#include <string_view>

#include "export/item_readers.hpp"

namespace quorvine::exporting {

std::string vcard(const ContactItem& contact);
// A KIND:group card with one MEMBER per address.
std::string vcard(const DistributionList& list);

// A text value with backslash, comma, semicolon and line breaks escaped.
std::string vcard_escape(std::string_view text);
// One content line folded into lines of at most 75 octets, never inside a UTF-8 character,
// each ended with CR LF.
std::string fold_content_line(std::string_view line);

}  // namespace quorvine::exporting
