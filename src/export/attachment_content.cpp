#include "export/attachment_content.hpp"

#include <gio/gio.h>

#include <algorithm>

#include "decode/text_passes.hpp"
#include "render/safe_file_name.hpp"

namespace quorvine::exporting {
namespace {

// "type/subtype" of RFC 2045 tokens, no parameters.
bool media_type(std::string_view text) {
  const size_t slash = text.find('/');
  if (slash == std::string_view::npos || slash == 0 || slash + 1 == text.size()) return false;
  return std::all_of(text.begin(), text.end(), [](char c) {
    return c == '/' || (c > 32 && c < 127 && std::string_view("()<>@,;:\\\"[]?=").find(c) == std::string_view::npos);
  }) && text.find('/', slash + 1) == std::string_view::npos;
}

std::string guessed_type(const std::string& name) {
  if (name.empty()) return {};
  gboolean uncertain = FALSE;
  gchar* type = g_content_type_guess(name.c_str(), nullptr, 0, &uncertain);
  gchar* mime = type ? g_content_type_get_mime_type(type) : nullptr;
  std::string out = mime ? mime : "";
  g_free(mime);
  g_free(type);
  return media_type(out) ? out : std::string();
}

}  // namespace

std::string attachment_content_type(const AttachmentContent& attachment) {
  std::string tag(decode::trim(attachment.mime_tag, " \t\r\n"));
  std::transform(tag.begin(), tag.end(), tag.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (media_type(tag)) return tag;
  const std::string guess = guessed_type(attachment.name);
  return guess.empty() ? "application/octet-stream" : guess;
}

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
