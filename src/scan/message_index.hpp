#pragma once
// The 2003/2007 message and attachment index built by the scan from "Msg" and the attachment
// table. Lists keep table order and first-match semantics; hash indexes beside them make
// every lookup independent of the number of messages.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scan/first_position_index.hpp"

namespace quorvine::scan {

struct MsgTable {
  std::string messageId;      // identifier text of "N67b0"
  uint64_t recordNumber = 0;   // record index in "Msg"
  std::string attachmentIds;  // binary text of "N67b3", every "ffffffff" deleted
};

struct AttachmentTable {
  std::string attachmentId;  // identifier text of "Q3f88"
  std::string fileName;      // "S3001", else "S3704"; \ / : ? * < > | " replaced by "_"
  uint64_t recordNumber = 0;  // record index in the attachment table
};

class MessageIndex {
 public:
  // Copies share the entries, and a moved-from index keeps them too: no index is ever left
  // without entries.
  MessageIndex() = default;
  MessageIndex(const MessageIndex&) = default;
  MessageIndex& operator=(const MessageIndex&) = default;

  void add_message(std::string messageId, uint64_t recordNumber, std::string attachmentIds);
  void add_attachment(std::string attachmentId, uint64_t recordNumber, std::string fileName);

  // The first entry whose messageId equals `messageId`, or nullptr.
  const MsgTable* find_message(std::string_view messageId) const;
  // The first entry's record number, or 0 when there is none. A hit copies the entry's
  // attachment identifiers into `attachment_ids`; a miss leaves it unchanged.
  uint64_t message_record_number(std::string_view messageId, std::string& attachment_ids) const;
  // The first entry (in table order) whose attachmentId occurs anywhere inside `text`.
  const AttachmentTable* find_attachment(std::string_view text) const;
  // Every entry whose attachmentId occurs inside `text`, in table order.
  std::vector<const AttachmentTable*> find_attachments(std::string_view text) const;

  const std::vector<MsgTable>& messages() const { return entries_->messages; }
  const std::vector<AttachmentTable>& attachments() const { return entries_->attachments; }
  void clear();

 private:
  struct Entries {
    std::vector<MsgTable> messages;
    std::vector<AttachmentTable> attachments;
    FirstPositionIndex message_first;
    FirstPositionIndex attachment_first;
    // Distinct lengths of the attachment identifiers, so a substring search tries only those.
    std::vector<size_t> attachment_id_lengths;
  };
  // The entries, for a change: copied first when another index still shares them.
  Entries& writable();
  std::string_view message_id(size_t i) const { return entries_->messages[i].messageId; }
  std::string_view attachment_id(size_t i) const { return entries_->attachments[i].attachmentId; }

  // Shared by the copies of a session that export workers read, which only look entries up.
  std::shared_ptr<Entries> entries_ = std::make_shared<Entries>();
};

}  // namespace quorvine::scan
