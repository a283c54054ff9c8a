#pragma once
// A message's header block written directly, laid out as GMime lays out the headers of a
// message it writes (same fields, same folding at 78 columns). A field that is plain ASCII
// and needs no encoding is written here; any other (non-ASCII text, names that need quoting
// or encoding, international domains, fields GMime formats by their own grammar) is handed
// to GMime's own formatting, so the encoding rules stay GMime's.
#include <string>
#include <string_view>
#include <vector>

#include "export/mail_addresses.hpp"

namespace quorvine::exporting {

class HeaderBlock {
 public:
  // "Name: a, b" from the entries that have a name or an address; nothing when none has. A
  // sender known by name alone becomes an empty group (RFC 6854).
  void addresses(std::string_view name, const std::vector<MailAddress>& addresses);
  // An unstructured field (Subject, Date): RFC 2047 encoded when it needs it, folded.
  void text(std::string_view name, std::string_view value);
  // "Message-Id: <id>" for an identifier given without its angle brackets.
  void message_id(std::string_view id);
  // A field kept from the original transport headers, formatted by the rules its name has.
  void carried(std::string_view name, std::string_view value);
  // A line written as it stands ("MIME-Version: 1.0").
  void line(std::string_view text);

  // The block so far, every line ended by LF.
  const std::string& lines() const { return text_; }

 private:
  void formatted_by_gmime(std::string_view name, std::string_view value);

  std::string text_;
};

}  // namespace quorvine::exporting
