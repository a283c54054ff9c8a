#include "listing/header_list_entry.hpp"

namespace quorvine::listing {

bool is_usable_date_text(const std::string& text) {
  return !text.empty() && text.rfind("(0x", 0) != 0;
}

std::string first_usable_date(std::span<const std::string> candidates) {
  for (const auto& text : candidates)
    if (is_usable_date_text(text)) return text;
  return {};
}

std::optional<scan::HeaderEntry2010> make_header_entry(const std::string& table_name,
                                                       const HeaderFields& fields, KindTable table) {
  if (fields.message_id == "2a2a2a2a2a2a2a2a") return std::nullopt;
  auto kind = message_kind(fields.message_class, table);
  if (!kind) return std::nullopt;
  if (fields.from.empty() && fields.subject.empty() && fields.prefix.empty() && fields.topic.empty())
    return std::nullopt;

  scan::HeaderEntry2010 entry;
  entry.tableName = table_name;
  entry.messageId = fields.message_id;
  entry.folderId = fields.folder_id;
  entry.subjectPrefix = fields.prefix;
  entry.topic = fields.topic;
  entry.kind = std::move(*kind);
  entry.attachmentFlag = fields.attachment_flag;
  entry.from = fields.from;
  entry.subject = fields.prefix.empty() ? fields.subject : fields.prefix + fields.subject;
  if (entry.subject.empty()) entry.subject = fields.topic;
  entry.date = first_usable_date(fields.dates);
  return entry;
}

std::optional<scan::BodyEntry2010> make_body_entry(const BodyFields& fields) {
  if (fields.l3705 != "0" || fields.key.empty()) return std::nullopt;
  scan::BodyEntry2010 entry;
  entry.messageKey = fields.key;
  entry.attachmentIds = fields.attachment_ids;
  return entry;
}

std::optional<scan::AttachmentEntry2010> make_attachment_entry(const BodyFields& fields) {
  if (fields.l3705 == "0") return std::nullopt;
  const std::string& name = fields.attachment_name.empty() ? fields.attachment_long_name : fields.attachment_name;
  if (name.empty() || fields.key.empty()) return std::nullopt;
  scan::AttachmentEntry2010 entry;
  entry.messageKey = fields.key;
  entry.fileName = name;
  return entry;
}

}  // namespace quorvine::listing
