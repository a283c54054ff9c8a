#include "export/attachment_content.hpp"

#include "render/safe_file_name.hpp"

namespace quorvine::exporting {

std::optional<AttachmentContent> load_attachment(const ese::Record& record, size_t column, std::string name,
                                                 LargeValueCheck check, size_t held_in_memory) {
  std::optional<ese::ValueReader> reader = record.read_value(column);
  if (!reader) return std::nullopt;
  AttachmentContent out;
  out.name = std::move(name);
  for (std::span<const uint8_t> piece; !(piece = reader->next()).empty();) {
    if (out.record) continue;
    out.bytes.append(reinterpret_cast<const char*>(piece.data()), piece.size());
    if (out.bytes.size() > held_in_memory) {
      std::string().swap(out.bytes);
      out.record = record;
      out.column = column;
      if (check == LargeValueCheck::WhenWritten) break;
    }
  }
  return out;
}

void copy_attachment(const AttachmentContent& attachment, ese::ByteSink& sink) {
  if (!attachment.record) {
    sink.write(std::span(reinterpret_cast<const uint8_t*>(attachment.bytes.data()), attachment.bytes.size()));
    return;
  }
  std::optional<ese::ValueReader> reader = attachment.record->read_value(attachment.column);
  if (!reader) return;
  for (std::span<const uint8_t> piece; !(piece = reader->next()).empty();) sink.write(piece);
}

std::string claim_file_name(std::string_view name, std::set<std::string>& taken) {
  const std::string safe = render::safe_file_name(name);
  for (int n = 1;; ++n) {
    std::string candidate = render::numbered_file_name(safe, n);
    if (taken.insert(candidate).second) return candidate;
  }
}

}  // namespace quorvine::exporting
