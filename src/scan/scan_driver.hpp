#pragma once
// The scan of one database: opens it, lists its tables, reads mailboxes and folders into the
// tree and, for 2003/2007 stores, builds the message and attachment index.
#include <optional>

#include "ese/database.hpp"
#include "ese/pass_control.hpp"
#include "scan/scan_observer.hpp"
#include "scan/scan_session.hpp"

namespace quorvine::scan {

// Scans session.settings.database_file as session.settings.generation says.
// Resets the session first. Bad input never throws: a store that cannot be opened ends with
// outcome OpenFailed and failure_reason set; damaged tables and records are skipped and
// listed in session.warnings. A stop request ends the scan after the current record with
// outcome Stopped. `already_open` saves opening the file again when the caller has opened it
// (to pick the generation, say). Returns 1, as the window's scan thread expects.
int scan_store(ScanSession& session, ScanObserver& observer, const ese::PassControl& control = {},
               std::optional<ese::Database> already_open = std::nullopt);

}  // namespace quorvine::scan
