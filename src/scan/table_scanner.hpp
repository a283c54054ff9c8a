#pragma once
// Scans a whole kept table ("Mailbox", "Folders", "Msg", the attachment table): maps its
// columns once, reads every record with only the wanted columns, and hands each record to
// the handler of its kind.
#include <string_view>

#include "scan/scan_observer.hpp"
#include "scan/scan_session.hpp"

namespace quorvine::scan {

// Scans `table`. Records that cannot be read are skipped and counted in a warning. Returns
// 1 (also for tables without a handler).
int scan_table(ScanSession& session, ScanObserver& observer,
                               const ese::Table& table, std::string_view table_name,
                               const ese::PassControl& control = {});

// Scans every kept table named exactly `name`; a table that is not there is skipped
// silently. Returns 1, or -1 without an open database.
int scan_tables_named(ScanSession& session, ScanObserver& observer,
                                          std::string_view name,
                                          const ese::PassControl& control = {});

// One warning for the records of a table that could not be read.
void warn_skipped_records(ScanSession& session, ScanObserver& observer,
                          std::string_view table_name, uint64_t skipped);

// Warns of the 2003/2007 folder records that name no mailbox of the store whose contents
// tables hold messages: those messages are in no folder of the tree.
void warn_orphan_folders(ScanSession& session, ScanObserver& observer);

// Walks the trees of the tables that hold the messages (2003/2007 contents tables, 2010/2013
// header tables) and warns of each that has pages a listing would leave out or that cannot
// be read at all, as the listing of its folders would.
void warn_damaged_message_tables(ScanSession& session, ScanObserver& observer, const ese::PassControl& control);

}  // namespace quorvine::scan
