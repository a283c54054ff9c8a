#include "scan/message_index.hpp"

#include <algorithm>

namespace quorvine::scan {

void MessageIndex::add_message(std::string messageId, uint64_t recordNumber,
                               std::string attachmentIds) {
  messages_.push_back(MsgTable{std::move(messageId), recordNumber, std::move(attachmentIds)});
  message_first_.insert_first(messages_.back().messageId, messages_.size() - 1,
                              [this](size_t i) { return message_id(i); });
}

void MessageIndex::add_attachment(std::string attachmentId, uint64_t recordNumber,
                                  std::string fileName) {
  // An empty identifier occurs in every text; it can never name an attachment.
  const size_t length = attachmentId.size();
  attachments_.push_back(
      AttachmentTable{std::move(attachmentId), std::move(fileName), recordNumber});
  if (length == 0) return;
  attachment_first_.insert_first(attachments_.back().attachmentId, attachments_.size() - 1,
                                 [this](size_t i) { return attachment_id(i); });
  if (std::find(attachment_id_lengths_.begin(), attachment_id_lengths_.end(), length) ==
      attachment_id_lengths_.end())
    attachment_id_lengths_.push_back(length);
}

const MsgTable* MessageIndex::find_message(std::string_view messageId) const {
  const auto at = message_first_.find(messageId, [this](size_t i) { return message_id(i); });
  return at ? &messages_[*at] : nullptr;
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
  for (size_t length : attachment_id_lengths_) {
    if (length > text.size()) continue;
    for (size_t start = 0; start + length <= text.size(); ++start) {
      const auto at = attachment_first_.find(text.substr(start, length), [this](size_t i) { return attachment_id(i); });
      if (at) hits.push_back(*at);
    }
  }
  std::sort(hits.begin(), hits.end());
  hits.erase(std::unique(hits.begin(), hits.end()), hits.end());
  std::vector<const AttachmentTable*> found;
  found.reserve(hits.size());
  for (size_t i : hits) found.push_back(&attachments_[i]);
  return found;
}

const AttachmentTable* MessageIndex::find_attachment(std::string_view text) const {
  const auto all = find_attachments(text);
  return all.empty() ? nullptr : all.front();
}

void MessageIndex::clear() {
  messages_.clear();
  attachments_.clear();
  message_first_.clear();
  attachment_first_.clear();
  attachment_id_lengths_.clear();
}

}  // namespace quorvine::scan
