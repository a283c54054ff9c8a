#pragma once
// What the table scan does with one record of each kind of table it knows.
#include <cstdint>

#include "scan/column_maps.hpp"
#include "scan/scan_observer.hpp"
#include "scan/scan_session.hpp"

namespace quorvine::scan {

// "Mailbox": one MailboxRecord and its item under the root.
void read_mailbox_record(ScanSession& session, ScanObserver& observer,
                                    const MailboxColumns& columns, const ese::Record& record);
// "Folders" (2003/2007): one FolderRecord2007 per mailbox it belongs to.
void read_folder_record(ScanSession& session, const FolderColumns& columns,
                                    const ese::Record& record, uint64_t record_number);
// "Msg": one message index entry.
void index_message_record(ScanSession& session, const MsgColumns& columns,
                                const ese::Record& record, uint64_t record_number);
// The attachment table: one attachment index entry.
void index_attachment_record(ScanSession& session, const AttachmentColumns& columns,
                                       const ese::Record& record, uint64_t record_number);

// Appends unless the sort key holds "/Finder" (search folders are never shown).
void add_folder(ScanSession& session, FolderRecord2007 folder);

// The attachment's file name with \ / : ? * < > | and " replaced by "_".
std::string clean_attachment_name(std::string name);
// Every "ffffffff" removed.
std::string strip_ffffffff(std::string text);

}  // namespace quorvine::scan
