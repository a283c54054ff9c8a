#pragma once
// The fallback RFC 822 builder, used when the MIME composer fails in the whole-mailbox
// export: the fixed header block and line order of the original writer, completed so that the
// result is a valid message (full attachment parts, a closing boundary, UTF-8 text, RFC 2047
// headers, a Date from the stored time, every To address kept).
#include "export/composition_record.hpp"

namespace quorvine::exporting {

inline constexpr const char* kFallbackBoundary = "----=_NextPart_000_000D_01C2A06C.7F8E75B0";

// Writes `record.message_file`. Returns false (and leaves no file) when it cannot be written
// completely.
bool createEMLFile(const CompositionRecord& record);

}  // namespace quorvine::exporting
