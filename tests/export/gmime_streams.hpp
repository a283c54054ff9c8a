#pragma once
// A GMime stream over our own sink, so that the object-model composer writes into a sink as the
// direct one does. GMime is C: an exception of the sink is kept in `failure` and GMime sees an
// I/O error.
#include <gmime/gmime.h>

#include <exception>

#include "ese/database.hpp"

namespace quorvine::exporting {

// A write-only stream handing every write to `sink`. Both must outlive the stream.
GMimeStream* sink_stream_new(ese::ByteSink& sink, std::exception_ptr& failure);

}  // namespace quorvine::exporting
