#include "decode/text_passes.hpp"
#include "listing/list_row_transport.hpp"

#include "listing/message_list_text.hpp"

namespace quorvine::listing {

using decode::replaced;

std::string bracket_addresses(std::string text) {
  text = replaced(std::move(text), "<", "[");
  text = replaced(std::move(text), ">", "]");
  return replaced(std::move(text), "\"", "");
}

TransportFields parse_transport_headers(std::string_view headers) {
  TransportFields fields;
  size_t pos = 0;
  while (pos < headers.size()) {
    size_t end = headers.find('\n', pos);
    if (end == std::string_view::npos) end = headers.size();
    std::string_view raw = headers.substr(pos, end - pos);
    pos = end + 1;
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);

    // Renamed first so they can never be taken for the "To: " line.
    std::string line = replaced(std::string(raw), "Envelope-to:", "Envelope:");
    line = replaced(std::move(line), "Reply-To:", "Reply:");

    struct Prefix {
      std::string_view text;
      std::string* field;
      bool address;
    };
    const Prefix prefixes[] = {{"Subject: ", &fields.xSubject, false}, {"To: ", &fields.xTo, true},
                               {"From: ", &fields.xFrom, true},        {"Cc: ", &fields.xCC, true},
                               {"Bcc: ", &fields.xBcc, true}};
    for (const Prefix& p : prefixes) {
      if (!starts_with(line, p.text)) continue;
      std::string value = line.substr(p.text.size());
      *p.field = p.address ? bracket_addresses(std::move(value)) : std::move(value);
      break;
    }
  }
  return fields;
}

}  // namespace quorvine::listing
