#pragma once
// Compressed-RTF bodies (PR_RTF_COMPRESSED) in the uncompressed "MELA" form.
#include <string>
#include <string_view>

#include "edbgen/exchange_text.hpp"

namespace edbgen {

// An RTF document whose plain text is `text`: lines become paragraphs, non-ASCII
// characters \u escapes.
std::string rtf_document(std::string_view text);

// The 16-byte header (compressed size, raw size, "MELA", CRC 0) followed by the RTF.
Bytes compressed_rtf_uncompressed_form(std::string_view rtf);

}  // namespace edbgen
