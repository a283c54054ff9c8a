#include "export/gmime_streams.hpp"

#include <cstring>
#include <optional>
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

// The C++ state lives outside the GObject instance, which GLib allocates without
// constructors.
struct QvAttachmentState {
  const quorvine::exporting::AttachmentContent* attachment;
  std::exception_ptr* failure;
  std::optional<quorvine::ese::ValueReader> reader;
  std::span<const uint8_t> piece;
  size_t held_offset = 0;  // how much of the held bytes was read
  bool ended = false;
};
struct QvAttachmentStream {
  GMimeStream parent;
  QvAttachmentState* state;
};
struct QvAttachmentStreamClass {
  GMimeStreamClass parent_class;
};

}  // extern "C"

namespace {

G_DEFINE_TYPE(QvSinkStream, qv_sink_stream, GMIME_TYPE_STREAM)
G_DEFINE_TYPE(QvAttachmentStream, qv_attachment_stream, GMIME_TYPE_STREAM)

ssize_t no_read(GMimeStream*, char*, size_t) { return -1; }
ssize_t no_write(GMimeStream*, const char*, size_t) { return -1; }
int nothing_to_do(GMimeStream*) { return 0; }
gint64 no_seek(GMimeStream*, gint64, GMimeSeekWhence) { return -1; }
gint64 tell(GMimeStream* stream) { return stream->position; }
gint64 no_length(GMimeStream*) { return -1; }
GMimeStream* no_substream(GMimeStream*, gint64, gint64) { return nullptr; }

void set_common(GMimeStreamClass* klass) {
  klass->read = no_read;
  klass->write = no_write;
  klass->flush = nothing_to_do;
  klass->close = nothing_to_do;
  klass->reset = nothing_to_do;
  klass->seek = no_seek;
  klass->tell = tell;
  klass->length = no_length;
  klass->substream = no_substream;
}

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
  set_common(stream_class);
  stream_class->write = sink_write;
  stream_class->eos = sink_eos;
}

void qv_sink_stream_init(QvSinkStream*) {}

QvAttachmentState& state_of(GMimeStream* stream) { return *reinterpret_cast<QvAttachmentStream*>(stream)->state; }

ssize_t attachment_read(GMimeStream* stream, char* buffer, size_t length) {
  QvAttachmentState& s = state_of(stream);
  size_t done = 0;
  try {
    const quorvine::exporting::AttachmentContent& a = *s.attachment;
    if (!a.record) {
      done = std::min(length, a.bytes.size() - s.held_offset);
      std::memcpy(buffer, a.bytes.data() + s.held_offset, done);
      s.held_offset += done;
      s.ended = s.held_offset == a.bytes.size();
    } else {
      if (!s.reader && !s.ended) {
        s.reader = a.record->read_value(a.column);
        s.ended = !s.reader;
      }
      while (done < length && !s.ended) {
        if (s.piece.empty()) s.piece = s.reader->next();
        if (s.piece.empty()) {
          s.ended = true;
          break;
        }
        const size_t n = std::min(length - done, s.piece.size());
        std::memcpy(buffer + done, s.piece.data(), n);
        s.piece = s.piece.subspan(n);
        done += n;
      }
    }
  } catch (...) {
    *s.failure = std::current_exception();
    return -1;
  }
  stream->position += static_cast<gint64>(done);
  return static_cast<ssize_t>(done);
}

gboolean attachment_eos(GMimeStream* stream) { return state_of(stream).ended; }

int attachment_reset(GMimeStream* stream) {
  QvAttachmentState& s = state_of(stream);
  s.reader.reset();
  s.piece = {};
  s.held_offset = 0;
  s.ended = s.attachment->bytes.empty() && !s.attachment->record;
  return 0;
}

void attachment_finalize(GObject* object) {
  delete reinterpret_cast<QvAttachmentStream*>(object)->state;
  G_OBJECT_CLASS(qv_attachment_stream_parent_class)->finalize(object);
}

void qv_attachment_stream_class_init(QvAttachmentStreamClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = attachment_finalize;
  GMimeStreamClass* stream_class = GMIME_STREAM_CLASS(klass);
  set_common(stream_class);
  stream_class->read = attachment_read;
  stream_class->eos = attachment_eos;
  stream_class->reset = attachment_reset;
}

void qv_attachment_stream_init(QvAttachmentStream*) {}

}  // namespace

namespace quorvine::exporting {

GMimeStream* sink_stream_new(ese::ByteSink& sink, std::exception_ptr& failure) {
  auto* stream = static_cast<QvSinkStream*>(g_object_new(qv_sink_stream_get_type(), nullptr));
  g_mime_stream_construct(GMIME_STREAM(stream), 0, -1);
  stream->sink = &sink;
  stream->failure = &failure;
  return GMIME_STREAM(stream);
}

GMimeStream* attachment_stream_new(const AttachmentContent& attachment, std::exception_ptr& failure) {
  auto* stream = static_cast<QvAttachmentStream*>(g_object_new(qv_attachment_stream_get_type(), nullptr));
  g_mime_stream_construct(GMIME_STREAM(stream), 0, -1);
  stream->state = new QvAttachmentState{&attachment, &failure, std::nullopt, {}, 0, false};
  attachment_reset(GMIME_STREAM(stream));
  return GMIME_STREAM(stream);
}

}  // namespace quorvine::exporting
