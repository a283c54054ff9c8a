#include "scan/message_index.hpp"

#include <algorithm>

namespace quorvine::scan {

MessageIndex::Entries& MessageIndex::writable() {
  if (entries_.use_count() > 1) entries_ = std::make_shared<Entries>(*entries_);
  return *entries_;
}

void MessageIndex::add_message(std::string messageId, uint64_t recordNumber,
                               std::string attachmentIds) {
  Entries& e = writable();
  e.messages.push_back(MsgTable{std::move(messageId), recordNumber, std::move(attachmentIds)});
  e.message_first.insert_first(e.messages.back().messageId, e.messages.size() - 1,
                               [this](size_t i) { return message_id(i); });
}

void MessageIndex::add_attachment(std::string attachmentId, uint64_t recordNumber,
                                  std::string fileName) {
  // An empty identifier occurs in every text; it can never name an attachment.
  const size_t length = attachmentId.size();
  Entries& e = writable();
  e.attachments.push_back(AttachmentTable{std::move(attachmentId), std::move(fileName), recordNumber});
  if (length == 0) return;
  e.attachment_first.insert_first(e.attachments.back().attachmentId, e.attachments.size() - 1,
                                  [this](size_t i) { return attachment_id(i); });
  if (std::find(e.attachment_id_lengths.begin(), e.attachment_id_lengths.end(), length) ==
      e.attachment_id_lengths.end())
    e.attachment_id_lengths.push_back(length);
}

const MsgTable* MessageIndex::find_message(std::string_view messageId) const {
  const auto at = entries_->message_first.find(messageId, [this](size_t i) { return message_id(i); });
  return at ? &entries_->messages[*at] : nullptr;
}

uint64_t MessageIndex::message_record_number(std::string_view messageId,
                                             std::string& attachment_ids) const {
  const MsgTable* entry = find_message(messageId);
  if (!entry) return 0;
  attachment_ids = entry->attachmentIds;
  return entry->recordNumber;
}

std::vector<const AttachmentTable*> MessageIndex::find_attachments(std::string_view text) const {
  // Every substring of `text` whose length is that of some identifier is looked up: the cost
  // grows with the text, not with the index.
  std::vector<size_t> hits;
  for (size_t length : entries_->attachment_id_lengths) {
    if (length > text.size()) continue;
    for (size_t start = 0; start + length <= text.size(); ++start) {
      const auto at =
          entries_->attachment_first.find(text.substr(start, length), [this](size_t i) { return attachment_id(i); });
      if (at) hits.push_back(*at);
    }
  }
  std::sort(hits.begin(), hits.end());
  hits.erase(std::unique(hits.begin(), hits.end()), hits.end());
  std::vector<const AttachmentTable*> found;
  found.reserve(hits.size());
  for (size_t i : hits) found.push_back(&entries_->attachments[i]);
  return found;
}

const AttachmentTable* MessageIndex::find_attachment(std::string_view text) const {
  const auto all = find_attachments(text);
  return all.empty() ? nullptr : all.front();
}

void MessageIndex::clear() { entries_ = std::make_shared<Entries>(); }

}  // namespace quorvine::scan
