#include "render/body_readers.hpp"

#include <array>

#include "decode/lzfu.hpp"
#include "decode/rtf_to_text.hpp"
#include "render/file_sinks.hpp"
#include "scan/columns.hpp"

namespace quorvine::render {
namespace {

constexpr std::array<uint8_t, 3> utf8_mark{0xEF, 0xBB, 0xBF};

bool holds_data(const ese::Record& record, size_t column) {
  const ese::StoredValue* value = record.stored(column);
  return value && !value->raw.empty();
}

uint32_t code_page_of(const ese::Record& record, size_t column) {
  const ese::StoredValue* value = record.stored(column);
  if (value && value->codepage != 0) return value->codepage;
  const ese::ColumnType type = record.column_type(column);
  return type == ese::ColumnType::Text || type == ese::ColumnType::LargeText ? 1200 : 1252;
}

class StringSink : public ese::ByteSink {
 public:
  explicit StringSink(std::string& out) : out_(out) {}
  void write(std::span<const uint8_t> chunk) override { out_.append(reinterpret_cast<const char*>(chunk.data()), chunk.size()); }

 private:
  std::string& out_;
};

std::span<const uint8_t> as_bytes(std::string_view text) {
  return std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// Hands `write` the sink of the body: the file `path`, or the body's bytes in memory.
template <typename Write>
BodyFile produce(BodyFile body, const std::filesystem::path& path, const BodyOptions& options, Write&& write) {
  if (options.in_memory) {
    StringSink sink(body.bytes);
    write(static_cast<ese::ByteSink&>(sink));
    return body;
  }
  auto file = create_file(path);
  FileSink sink(file);
  write(static_cast<ese::ByteSink&>(sink));
  file.close();
  body.path = path;
  return body;
}

// A text column written as UTF-8; nothing when it turns out empty.
std::optional<BodyFile> write_text_column(const ese::Record& record, size_t column, const std::filesystem::path& path,
                                          const BodyOptions& options) {
  if (!holds_data(record, column)) return std::nullopt;
  return produce(BodyFile{BodyKind::Text, {}, false, {}}, path, options, [&](ese::ByteSink& sink) {
    if (options.preview) sink.write(utf8_mark);
    Utf8TextSink text(sink, code_page_of(record, column));
    record.copy_to(column, text);
    text.finish();
  });
}

std::optional<BodyFile> write_html_column(const ese::Record& record, size_t column, const std::filesystem::path& path,
                                          const BodyOptions& options) {
  return produce(BodyFile{BodyKind::Html, {}, true, {}}, path, options, [&](ese::ByteSink& sink) {
    if (options.preview) {
      CspHtmlSink html(sink);
      record.copy_to(column, html);
      html.finish();
    } else {
      record.copy_to(column, sink);
    }
  });
}

BodyFile write_string(BodyFile body, const std::string& text, const std::filesystem::path& path,
                      const BodyOptions& options) {
  return produce(std::move(body), path, options, [&](ese::ByteSink& sink) {
    if (options.preview) {
      CspHtmlSink html(sink);
      html.write(as_bytes(text));
      html.finish();
    } else {
      sink.write(as_bytes(text));
    }
  });
}

}  // namespace

std::string_view to_string(BodyKind kind) {
  switch (kind) {
    case BodyKind::Text: return "text";
    case BodyKind::Html: return "html";
    case BodyKind::Rtf: return "rtf";
    case BodyKind::None: break;
  }
  return "none";
}

BodyColumns body_columns(const ese::Table& table) {
  return {table.column_index(scan::columns::text_body), table.column_index(scan::columns::html_body), table.column_index(scan::columns::rtf_body)};
}

BodyFile write_text_body(std::string_view text, const std::filesystem::path& folder, std::string_view name,
                         const BodyOptions& options) {
  return produce(BodyFile{BodyKind::Text, {}, false, {}}, folder / std::string(name), options,
                 [&](ese::ByteSink& sink) {
                   if (options.preview) sink.write(utf8_mark);
                   sink.write(as_bytes(text));
                 });
}

std::optional<BodyFile> read_text_body(decode::Generation generation, const ese::Record& record, size_t column,
                                       const std::filesystem::path& folder, const BodyOptions& options) {
  const char* name = generation == decode::Generation::V2007 ? "textbody.txt" : "blank.txt";
  return write_text_column(record, column, folder / name, options);
}

std::optional<BodyFile> read_html_body(decode::Generation generation, const ese::Record& record, size_t column,
                                       const std::filesystem::path& folder, const BodyOptions& options) {
  if (generation == decode::Generation::V2007) {
    if (!holds_data(record, column)) return std::nullopt;
    return write_html_column(record, column, folder / "htmlbody.html", options);
  }
  const ese::StoredValue* value = record.stored(column);
  if (!value) return std::nullopt;
  const bool stored_inline = !(value->flags & ese::value_flags::long_value);
  // A short inline value is a stub, not a body.
  if (stored_inline && !(value->flags & ese::value_flags::compressed) && value->raw.size() <= 4) return std::nullopt;
  if (value->raw.empty()) return std::nullopt;
  return write_html_column(record, column, folder / "blank.html", options);
}

std::optional<BodyFile> read_rtf_body(const ese::Record& record, size_t column, const std::filesystem::path& folder,
                                      const BodyOptions& options, std::vector<std::string>* warnings) {
  if (!holds_data(record, column)) return std::nullopt;
  // The decompressor needs the stream whole; compressed RTF is a small fraction of a body.
  const auto stored = record.bytes(column);
  if (!stored || stored->empty()) return std::nullopt;
  const auto rtf = decode::lzfu_decompress(*stored);
  if (!rtf) throw ese::EseError("The compressed RTF body has a damaged header.");
  if (warnings && !rtf->crc_ok)
    warnings->push_back("The compressed RTF body fails its CRC check; its text is shown as decoded.");
  const decode::RtfContent content = decode::read_rtf(rtf->rtf);
  if (content.html) {
    return write_string(BodyFile{BodyKind::Rtf, {}, true, {}}, *content.html, folder / "rtfbody.html", options);
  }
  BodyFile file = write_text_body(content.text, folder, "rtfbody.txt", options);
  file.kind = BodyKind::Rtf;
  return file;
}

BodySelection select_body(decode::Generation generation, const ese::Record& record, const BodyColumns& columns,
                          const std::filesystem::path& folder, const BodyOptions& options) {
  BodySelection selection;
  const bool old = generation == decode::Generation::V2007;
  auto read = [&](BodyKind kind, size_t column) -> std::optional<BodyFile> {
    switch (kind) {
      case BodyKind::Text:
        return read_text_body(generation, record, column, folder, options);
      case BodyKind::Html:
        return read_html_body(generation, record, column, folder, options);
      case BodyKind::Rtf:
        return read_rtf_body(record, column, folder, options, &selection.warnings);
      case BodyKind::None:
        break;
    }
    return std::nullopt;
  };
  struct Step {
    BodyKind kind;
    std::optional<size_t> column;
  };
  const std::array<Step, 3> steps =
      old ? std::array<Step, 3>{Step{BodyKind::Text, columns.text}, Step{BodyKind::Html, columns.html},
                                Step{BodyKind::Rtf, columns.rtf}}
          : std::array<Step, 3>{Step{BodyKind::Rtf, columns.rtf}, Step{BodyKind::Html, columns.html},
                                Step{BodyKind::Text, columns.text}};
  for (const Step& step : steps) {
    if (!step.column) continue;
    try {
      auto body = read(step.kind, *step.column);
      if (!body) continue;
      selection.body = *body;
      // Converted RTF that turned out to hold HTML is numbered as an HTML body.
      const BodyKind shown = body->html ? BodyKind::Html : step.kind == BodyKind::Rtf && old ? BodyKind::Text : step.kind;
      selection.mail_body_type = old ? (shown == BodyKind::Html ? 2 : 1)
                                     : (shown == BodyKind::Html ? 1 : shown == BodyKind::Text ? 2 : 3);
      return selection;
    } catch (const ese::EseError& error) {
      selection.warnings.push_back("A damaged " + std::string(to_string(step.kind)) +
                                   " body was passed over: " + error.what());
    }
  }
  return selection;
}

}  // namespace quorvine::render
