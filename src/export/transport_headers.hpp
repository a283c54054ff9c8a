#pragma once
// Fields read out of a message's transport headers ("S7d"): header fields are matched by
// name at the start of a line (so "Cc" never matches inside "Bcc"), with folded lines joined.
#include <string>
#include <string_view>

namespace quorvine::exporting {

// The unfolded value of the first header field `name` (case-insensitive), or empty. Only the
// header block (up to the first empty line) is searched.
std::string header_field(std::string_view headers, std::string_view name);
// Every address of the field, each followed by "," (as extractemailid gives them), or empty.
std::string header_addresses(std::string_view headers, std::string_view name);

}  // namespace quorvine::exporting
