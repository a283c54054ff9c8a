#pragma once
// The pieces of a composed message that do not depend on how its headers are written: the
// transfer encoding of a text part, the boundaries, an attachment's part headers (built by
// GMime) and its base64 content.
#include <gmime/gmime.h>

#include <memory>
#include <string>
#include <string_view>

#include "export/composition_record.hpp"

namespace quorvine::exporting {

struct ObjectUnref {
  void operator()(void* object) const {
    if (object) g_object_unref(object);
  }
};
template <typename T>
using GPtr = std::unique_ptr<T, ObjectUnref>;

// The transfer encoding of a text part for 7-bit transport, by the rule GMime's "best"
// filter applies: base64 for text with NUL bytes or many 8-bit ones, quoted-printable for a
// few 8-bit bytes or lines over 998 characters, else none. A text with a line beginning
// "From " is sent base64, so mailbox readers that do not undo ">From " quoting still give it
// back unchanged (GMime's quoted-printable encoder leaves "From " as it is).
GMimeContentEncoding text_encoding(std::string_view text);

// The headers of an attachment's part (RFC 2231 file name); its content is written by
// write_attachment.
GPtr<GMimeObject> attachment_part(const AttachmentContent& attachment);

// The boundary of the message's multipart `part` (0 mixed, 1 alternative). Boundaries depend
// only on the message, so an export gives the same bytes every time.
std::string boundary_for(const CompositionRecord& record, int part);

// A message identifier without its angle brackets.
std::string bare_id(std::string id);

// An attachment's content, base64 in lines, straight into the message's sink: GMime's own
// path would pass the bulk of an export's bytes through two filters a byte at a time. Throws
// ComposeError when the stored attachment cannot be read.
void write_attachment(const AttachmentContent& attachment, const std::string& newline, ese::ByteSink& out);

}  // namespace quorvine::exporting
