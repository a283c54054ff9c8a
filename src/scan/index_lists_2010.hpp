#pragma once
// The 2010/2013 message lists. They are read per mailbox when a folder is first selected
// (the folder listing fills them); the scan only empties them, so they live in the session.
#include <cstdint>
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
  int32_t recordNumber = 0;
  std::string tableName;
  size_t tableIndex = 0;
};

struct MessageAttachmentList2010 {
  std::string messageKey;
  int32_t recordNumber = 0;
  std::string fileName;  // "S3001", else "S3707"
  std::string tableName;
  size_t tableIndex = 0;
  size_t dataColumn = 0;  // index of "N3701"
};

struct tempMailboxLoad {
  std::string key;  // mailbox name, or a public folder's identifier
};

// Held by the session; emptied at the start of every scan.
struct MessageLists2010 {
  std::vector<MessageHeaderList2010> MessageHeaderList2010Dump;
  std::vector<MessageBodyList2010> MessageBodyList2010Dump;
  std::vector<MessageAttachmentList2010> MessageAttachmentList2010Dump;
  std::vector<tempMailboxLoad> tempMailboxLoadDump;

  void clear() {
    MessageHeaderList2010Dump.clear();
    MessageBodyList2010Dump.clear();
    MessageAttachmentList2010Dump.clear();
    tempMailboxLoadDump.clear();
  }
};

}  // namespace quorvine::scan
