#include "gmime_streams.hpp"

#include <span>

extern "C" {

struct QvSinkStream {
  GMimeStream parent;
  quorvine::ese::ByteSink* sink;
  std::exception_ptr* failure;
};
struct QvSinkStreamClass {
  GMimeStreamClass parent_class;
};

}  // extern "C"

namespace {

G_DEFINE_TYPE(QvSinkStream, qv_sink_stream, GMIME_TYPE_STREAM)

ssize_t no_read(GMimeStream*, char*, size_t) { return -1; }
int nothing_to_do(GMimeStream*) { return 0; }
gint64 no_seek(GMimeStream*, gint64, GMimeSeekWhence) { return -1; }
gint64 tell(GMimeStream* stream) { return stream->position; }
gint64 no_length(GMimeStream*) { return -1; }
GMimeStream* no_substream(GMimeStream*, gint64, gint64) { return nullptr; }

ssize_t sink_write(GMimeStream* stream, const char* buffer, size_t length) {
  auto* self = reinterpret_cast<QvSinkStream*>(stream);
  try {
    self->sink->write(std::span(reinterpret_cast<const uint8_t*>(buffer), length));
  } catch (...) {
    *self->failure = std::current_exception();
    return -1;
  }
  stream->position += static_cast<gint64>(length);
  return static_cast<ssize_t>(length);
}

gboolean sink_eos(GMimeStream*) { return FALSE; }

void qv_sink_stream_class_init(QvSinkStreamClass* klass) {
  GMimeStreamClass* stream_class = GMIME_STREAM_CLASS(klass);
  stream_class->read = no_read;
  stream_class->write = sink_write;
  stream_class->flush = nothing_to_do;
  stream_class->close = nothing_to_do;
  stream_class->eos = sink_eos;
  stream_class->reset = nothing_to_do;
  stream_class->seek = no_seek;
  stream_class->tell = tell;
  stream_class->length = no_length;
  stream_class->substream = no_substream;
}

void qv_sink_stream_init(QvSinkStream*) {}

}  // namespace

namespace quorvine::exporting {

GMimeStream* sink_stream_new(ese::ByteSink& sink, std::exception_ptr& failure) {
  auto* stream = static_cast<QvSinkStream*>(g_object_new(qv_sink_stream_get_type(), nullptr));
  g_mime_stream_construct(GMIME_STREAM(stream), 0, -1);
  stream->sink = &sink;
  stream->failure = &failure;
  return GMIME_STREAM(stream);
}

}  // namespace quorvine::exporting
