#pragma once
// The 2010 and 2013 folder tables: one per mailbox, folders placed under their parent
// identifier.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ese/pass_control.hpp"
#include "scan/scan_observer.hpp"
#include "scan/scan_session.hpp"

namespace quorvine::scan {

// A folder read from a 2010/2013 folder table, not yet placed.
struct PendingFolder {
  std::string folderId;     // first identifier form
  std::string secondId;     // second identifier form (kept in Folder2010)
  std::string parentId;
  std::string mailboxId;
  std::string folderName;
  std::string folderClass;
  std::optional<uint64_t> messageCount;  // "L3602", when stored
};

// Places, depth-first in list order, every pending folder whose parent chain leads to one of
// the top-level folders. Each pending folder is placed at most once, so identifiers that
// loop cannot make the walk go on for ever. Returns the number of folders left unplaced.
size_t child_tree_build_2010(ScanSession& session, ScanObserver& observer,
                             const std::vector<std::pair<std::string, TreeItem>>& top_level,
                             const std::vector<PendingFolder>& pending,
                             const std::string& mailbox_name, const std::string& folder_table);

// Scan the folder tables named exactly `table_name`. A missing table is skipped. Return 1,
// or -1 without an open database.
int scan_folder_table_2010(ScanSession& session, ScanObserver& observer,
                                          std::string_view table_name,
                                          const ese::PassControl& control = {});
int scan_folder_table_2013(ScanSession& session, ScanObserver& observer,
                                          std::string_view table_name,
                                          const ese::PassControl& control = {});

// "Public Folder" shown as "Public_Folder".
std::string folder_label_2010(std::string label);

}  // namespace quorvine::scan
