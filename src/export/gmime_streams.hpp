#pragma once
// A GMime stream over our own sink, so that a message is composed straight into its MBOX
// file. GMime is C: an exception of the sink is kept in `failure` and GMime sees an I/O
// error.
#include <gmime/gmime.h>

#include <exception>

#include "ese/database.hpp"

namespace quorvine::exporting {

// A write-only stream handing every write to `sink`. Both must outlive the stream.
GMimeStream* sink_stream_new(ese::ByteSink& sink, std::exception_ptr& failure);

}  // namespace quorvine::exporting
