#include "decode/generation.hpp"

namespace quorvine::decode {

std::string_view to_string(Generation generation) {
  switch (generation) {
    case Generation::V2007: return "2007";
    case Generation::V2010: return "2010";
    case Generation::V2013: return "2013";
    case Generation::Unset: break;
  }
  return "";
}

std::optional<Generation> parse_generation(std::string_view text) {
  if (text == "2007" || text == "2003") return Generation::V2007;
  if (text == "2010") return Generation::V2010;
  if (text == "2013") return Generation::V2013;
  return std::nullopt;
}

}  // namespace quorvine::decode
