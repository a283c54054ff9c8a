#pragma once
// The 2010/2013 message lists. The header list is read per mailbox when a folder is first
// selected; the body and attachment lists only when the preview or an export first needs
// them, since the folder rows use none of it. The scan only empties them, so they live in
// the session.
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quorvine::scan {

struct MessageHeaderList2010 {
  std::string tableName;
  std::string messageId;
  std::string folderId;
  std::string subject;
  std::string subjectPrefix;
  std::string topic;
  std::string kind;
  std::string attachmentFlag;
  std::string date;
  std::string from;
};

struct MessageBodyList2010 {
  std::string messageKey;     // identifier text of "N65f9"
  std::string attachmentIds;  // binary text of "N67b3"
  uint64_t recordNumber = 0;
  std::string tableName;
  size_t tableIndex = 0;
};

struct MessageAttachmentList2010 {
  std::string messageKey;
  uint64_t recordNumber = 0;
  std::string fileName;  // "S3001", else "S3707"
  std::string tableName;
  size_t tableIndex = 0;
  std::optional<size_t> dataColumn;  // index of "N3701"; unset when the table lacks it
};

struct tempMailboxLoad {
  std::string key;  // the header or body table that has been read
};

// Held by the session; emptied at the start of every scan. A listing may fill it on a worker
// thread while the preview or an export reads it on another: both hold `mutex` (read()
// takes it for a reader), and loads append whole tables at once.
// What reading one header or body table had to pass over.
struct TableDamage {
  uint64_t records_skipped = 0;         // damaged records, and damaged pages counted once each
  std::vector<std::string> unreadable;  // why the table could not be read at all
};

struct MessageLists2010 {
  mutable std::mutex mutex;

  MessageLists2010() = default;
  MessageLists2010(const MessageLists2010& other) { *this = other; }
  MessageLists2010& operator=(const MessageLists2010& other) {
    if (this == &other) return *this;
    std::scoped_lock lock(mutex, other.mutex);
    MessageHeaderList2010Dump = other.MessageHeaderList2010Dump;
    MessageBodyList2010Dump = other.MessageBodyList2010Dump;
    MessageAttachmentList2010Dump = other.MessageAttachmentList2010Dump;
    tempMailboxLoadDump = other.tempMailboxLoadDump;
    bodyTableLoadDump = other.bodyTableLoadDump;
    damage = other.damage;
    return *this;
  }

  std::vector<MessageHeaderList2010> MessageHeaderList2010Dump;
  std::vector<MessageBodyList2010> MessageBodyList2010Dump;
  std::vector<MessageAttachmentList2010> MessageAttachmentList2010Dump;
  std::vector<tempMailboxLoad> tempMailboxLoadDump;  // header tables read
  std::vector<tempMailboxLoad> bodyTableLoadDump;    // body tables read
  // By table name, for every table read whose reading passed over damage: what the exports
  // report as lost, whoever read the table first.
  std::map<std::string, TableDamage> damage;

  template <typename Reader>
  decltype(auto) read(Reader&& reader) const {
    std::lock_guard lock(mutex);
    return reader(*this);
  }

  void clear() {
    std::lock_guard lock(mutex);
    MessageHeaderList2010Dump.clear();
    MessageBodyList2010Dump.clear();
    MessageAttachmentList2010Dump.clear();
    tempMailboxLoadDump.clear();
    bodyTableLoadDump.clear();
    damage.clear();
  }
};

}  // namespace quorvine::scan
