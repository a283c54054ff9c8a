#pragma once
// One row of a folder's message list: the eleven list columns, of which From, Subject,
// Date and the attachment flag are shown and the others carry the keys with which the
// preview and the exports find the message again.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "scan/mail_address.hpp"

namespace quorvine::listing {

struct MessageListRow {
  std::string message_id;   // column 0
  std::string kind;         // column 1 "Type"
  std::string mail_number;  // column 2 "S.No": record number in "Msg", or the running number
  std::string key;          // column 3: attachment-identifier list, or the folder table name
  std::string from;         // column 4
  std::string subject;      // column 5
  std::string date;         // column 6
  std::string attachment;   // column 7: the has-attachments text
  std::string to;           // column 8 (2003/2007 rows)
  std::string cc;           // column 9 (2003/2007 rows)
  std::string bcc;          // column 10 (2003/2007 rows)
  // 2010/2013 rows show where the message is listed in columns 8 to 10 instead.
  std::string folder_id;
  std::string mailbox_name;
  std::string folder_name;

  // Not shown, kept for the export: the stored time the message is dated by (FILETIME; of a
  // 2003/2007 row the one the date column shows), and the sender as a 2003/2007 contents
  // record names it, whose address survives when the owner rule shows the sender by an
  // owner's name.
  std::optional<uint64_t> stored_time;
  scan::MailAddress sender;
  // A 2003/2007 row listed for an export without its message record: To, Cc and Bcc are
  // left empty for the export to fill from the record it reads anyway.
  bool recipients_unread = false;

  bool operator==(const MessageListRow&) const = default;
};

// Columns 8 to 10 as the list shows them: where a 2010/2013 row's message is listed, the
// recipients of any other row.
inline bool lists_place(const MessageListRow& row) {
  return !row.folder_id.empty() || !row.mailbox_name.empty() || !row.folder_name.empty();
}
inline std::array<const std::string*, 3> columns_8_to_10(const MessageListRow& row) {
  if (lists_place(row)) return {&row.folder_id, &row.mailbox_name, &row.folder_name};
  return {&row.to, &row.cc, &row.bcc};
}

}  // namespace quorvine::listing
