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
#include <utility>
#include <vector>

namespace quorvine::scan {

struct HeaderEntry2010 {
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
  // The time the export dates the message by: delivery, else creation, else submit time.
  std::optional<uint64_t> storedTime;
};

struct BodyEntry2010 {
  std::string messageKey;     // identifier text of "N65f9"
  std::string attachmentIds;  // binary text of "N67b3"
  uint64_t recordNumber = 0;
  std::string tableName;
  size_t tableIndex = 0;
};

struct AttachmentEntry2010 {
  std::string messageKey;
  uint64_t recordNumber = 0;
  std::string fileName;  // "S3001", else "S3707"
  std::string tableName;
  size_t tableIndex = 0;
  std::optional<size_t> dataColumn;  // index of "N3701"; unset when the table lacks it
};

struct LoadedTable {
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
  MessageLists2010(const MessageLists2010& other) { assign(other); }
  // Moved, not copied, when a worker's copy of the session is made without them.
  MessageLists2010(MessageLists2010&& other) { assign(std::move(other)); }
  MessageLists2010& operator=(const MessageLists2010& other) { return assign(other); }
  MessageLists2010& operator=(MessageLists2010&& other) { return assign(std::move(other)); }

  std::vector<HeaderEntry2010> headers;
  std::vector<BodyEntry2010> cached_bodies;
  std::vector<AttachmentEntry2010> cached_attachments;
  std::vector<LoadedTable> header_tables_read;  // header tables read
  std::vector<LoadedTable> body_tables_read;    // body tables read
  // By table name, for every table read whose reading passed over damage: what the exports
  // report as lost, whoever read the table first.
  std::map<std::string, TableDamage> damage;

  template <typename Reader>
  decltype(auto) read(Reader&& reader) const {
    std::lock_guard lock(mutex);
    return reader(*this);
  }

  void clear() { assign(MessageLists2010()); }

 private:
  // Copies or moves every list, holding both locks.
  template <typename Other>
  MessageLists2010& assign(Other&& other) {
    if (this == &other) return *this;
    std::scoped_lock lock(mutex, other.mutex);
    headers = std::forward<Other>(other).headers;
    cached_bodies = std::forward<Other>(other).cached_bodies;
    cached_attachments = std::forward<Other>(other).cached_attachments;
    header_tables_read = std::forward<Other>(other).header_tables_read;
    body_tables_read = std::forward<Other>(other).body_tables_read;
    damage = std::forward<Other>(other).damage;
    return *this;
  }
};

}  // namespace quorvine::scan
