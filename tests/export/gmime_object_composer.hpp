#pragma once
// The message composed through GMime's object model: GMimeMessage, its parts, header lists and
// address lists, written by GMime. The direct writer of the composer must read back the same.
#include "export/mime_composer.hpp"

namespace quorvine::exporting {

void compose_with_gmime_objects(const CompositionRecord& record, ese::ByteSink& out, LineEnds line_ends);

}  // namespace quorvine::exporting
