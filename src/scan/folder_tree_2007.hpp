#pragma once
// The 2003/2007 folder tree of one mailbox, from the FolderRecord2007 the "Folders" scan kept.
#include <string>
#include <string_view>

#include "scan/scan_observer.hpp"
#include "scan/scan_session.hpp"

namespace quorvine::scan {

inline constexpr int max_folder_depth_2007 = 26;

// The sort key as the tree orders it: "%" and "." become "_", "," "?" "(" ")" are removed.
std::string sortable_key(std::string_view sort_key);
// Case-insensitive order, letters compared as lower case (so "_" sorts before letters).
bool sort_key_less(std::string_view a, std::string_view b);

// Places the folders of `mailbox` under its item, siblings in sort-key order. Each folder
// hangs under the item of its own parent identifier; only when the parent was not placed
// does the depth of its path pick the latest item of the level above. Folders deeper than
// 26 levels are left out with a warning.
void build_folder_tree_2007(ScanSession& session, ScanObserver& observer,
                            const MailboxRecord& mailbox);

}  // namespace quorvine::scan
