#pragma once
// The MIME composer: writes a composition record as a complete RFC 822 message, its header
// block and text parts written directly in GMime's layout, GMime encoding what needs it.
#include <stdexcept>

#include "export/composition_record.hpp"

namespace quorvine::exporting {

// The composer could not write a complete message file; none is left behind.
class ComposeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// How the lines of a composed message end: CR LF in a message file of its own, LF in an
// MBOX file.
enum class LineEnds { CrLf, Lf };

// Writes the message to `out`: the text body, the HTML body beside it as an alternative,
// every attachment in full (base64, RFC 2231 file names), the address and subject headers
// RFC 2047-encoded in UTF-8, Date from the stored time, and the kept message identifiers.
// Throws ComposeError when the message cannot be composed (a stored
// attachment turns out damaged, say); what `out` throws passes unchanged. Either way part of
// the message may have reached `out`.
void compose_message(const CompositionRecord& record, ese::ByteSink& out, LineEnds line_ends = LineEnds::CrLf);

}  // namespace quorvine::exporting
