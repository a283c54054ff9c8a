#pragma once
// Digging e-mail addresses out of sender and recipient texts, and small text helpers
// used beside it.
#include <string>
#include <string_view>

namespace quorvine::decode {

// The pattern extract_addresses matches with.
inline constexpr std::string_view kEmailPattern =
    R"(\w+([-+.']\w+)*@\w+([-.]\w+)*\.\w+([-.]\w+)*)";

// The addresses found, lower-case, each followed by ","; the input when it is empty; the
// leftover pieces (each followed by a space) when no address is found.
std::string extract_addresses(std::string_view text);
// Distinct matches of `pattern` (case-insensitive) in the ","-separated pieces of `text`,
// each followed by ","; the leftover pieces when nothing matches; empty for an empty
// pattern or text. Throws std::invalid_argument for a pattern that does not compile.
std::string distinct_matches(std::string_view pattern, std::string_view text);
// Whether "." and "@" occur more than once together.
bool email_looks_valid(std::string_view text);
// Closes up spaces in front of letters, digits and "@._-<>", and spaces out "SMTP".
std::string close_up_spaces(std::string_view text);

}  // namespace quorvine::decode
