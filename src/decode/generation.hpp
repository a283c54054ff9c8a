#pragma once
// Which Exchange generation a store comes from. It decides the table layout the scan and the
// listing read and how the renderers turn values into text; Unset until the user's choice or
// the scan's guess settles it.
#include <optional>
#include <string_view>

namespace quorvine::decode {

enum class Generation { Unset, V2007, V2010, V2013 };

// "2007" (2003 and 2007 stores), "2010", "2013"; "" for Unset.
std::string_view to_string(Generation generation);
// The inverse of to_string, and "2003" for 2007.
std::optional<Generation> parse_generation(std::string_view text);

}  // namespace quorvine::decode
