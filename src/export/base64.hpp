#pragma once
// Base64 (RFC 2045 alphabet, "=" padding) for encoded words and attachment parts.
#include <string>
#include <string_view>

namespace quorvine::exporting {

std::string base64_encode(std::string_view bytes);

}  // namespace quorvine::exporting
