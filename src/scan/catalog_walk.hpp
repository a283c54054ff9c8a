#pragma once
// Lists the tables of the open database and keeps the ones the scan reads open.
#include "scan/scan_session.hpp"

namespace quorvine::scan {

// The attachment table: the last table in catalog order owning the
// "JCB.DLL!EcJcbAttachCallback" callback, or "".
std::string find_attachment_table_name(const std::vector<ese::TableInfo>& tables);

// Fills tables, message_table and attachment_table from session.database. Returns 1 when
// tables were listed, 0 when there are none, -1 when a table could not be opened or named
// (every table is still listed; the failures are in session.warnings).
int list_catalog_tables(ScanSession& session);

}  // namespace quorvine::scan
