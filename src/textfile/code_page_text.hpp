#pragma once
// UTF-8 text converted to an 8-bit Windows code page.
#include <cstdint>
#include <string>
#include <string_view>

namespace quorvine::textfile {

// Each character the code page cannot hold becomes `replacement`. Windows-1252 is
// converted here; other code pages through iconv ("CP<n>"). Throws std::invalid_argument
// when iconv does not know the code page.
std::string to_code_page(std::string_view utf8, uint32_t code_page, char replacement);

}  // namespace quorvine::textfile
