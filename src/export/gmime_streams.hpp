#pragma once
// GMime streams over our own sinks and stored values, so that a message is composed
// straight into its MBOX file and a large attachment is read from the store while it is
// encoded. GMime is C: an exception of the sink or the reader is kept in `failure` and GMime
// sees an I/O error.
#include <gmime/gmime.h>

#include <exception>

#include "export/attachment_content.hpp"

namespace quorvine::exporting {

// A write-only stream handing every write to `sink`. Both must outlive the stream.
GMimeStream* sink_stream_new(ese::ByteSink& sink, std::exception_ptr& failure);

// A read-only stream of an attachment's content (copy_attachment's pieces); resetting it
// starts the content again. Both must outlive the stream.
GMimeStream* attachment_stream_new(const AttachmentContent& attachment, std::exception_ptr& failure);

}  // namespace quorvine::exporting
