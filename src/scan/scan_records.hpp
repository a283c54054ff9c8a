#pragma once
// The records the scan keeps about tables, mailboxes and folders. Lists of them live in the
// ScanSession, in the order the scan made them.
#include <cstdint>
#include <optional>
#include <string>

#include "ese/database.hpp"
#include "scan/mailbox_tree.hpp"

namespace quorvine::scan {

// One table of the catalog.
struct TableFile {
  int32_t tableIndex = 0;  // catalog position, 0-based
  std::string tableName;
  std::optional<ese::Table> table;  // open for the kept tables only
  std::string folderKey;            // contents-table key ("1-2D5E3" -> "10000000002D5E3"), or ""
  uint32_t nameSize = 0;            // characters of tableName, terminator included
};

struct MailboxRecord {
  std::string mailboxId;      // mailbox number text; "public_folder" for the public store
  std::string mailboxId2010;  // 2010 identifier text (2010), value text (2013), "" (2003/2007)
  std::string displayName;    // every "," replaced by "_"
  std::string ownerName;
  TreeItem treeItem = root_tree_item;
};

// A 2003/2007 folder as read from "Folders"; only used while the tree is built.
struct FolderRecord2007 {
  std::string folderId;
  std::string parentId;
  std::string mailboxId;
  std::string urlPath;
  std::string displayName;
  std::string folderClass;
  std::string sortKey;  // cleaned path "+" class "+" record number "+" folder id
  uint64_t recordNumber = 0;
  std::optional<uint64_t> messageCount;  // "L3602", when stored
};

// A placed 2003/2007 folder.
struct Folder2007 {
  std::string mailboxId;
  std::string mailboxName;
  std::string ownerName;
  std::string folderId;  // leads to the folder's contents table (TableFile::folderKey)
  std::string folderName;
  std::string folderClass;
  TreeItem treeItem = root_tree_item;
  std::string folderPath;  // "\a\b" from the mailbox down
  uint64_t recordNumber = 0;
  int32_t depth = 0;  // 1 directly under the mailbox
  std::optional<uint64_t> messageCount;  // "L3602" of the folder record, when stored
};

// A 2010 folder table name ("Folders-<n>-<m>").
struct FolderTableName2010 {
  std::string tableName;
};

// A placed 2010/2013 folder.
struct Folder2010 {
  std::string folderId;
  std::string parentId;
  std::string mailboxId;
  std::string mailboxName;
  std::string folderTable;
  std::string folderName;
  std::string folderClass;
  TreeItem treeItem = root_tree_item;
  std::optional<uint64_t> messageCount;  // "L3602" of the folder record, when stored
};

}  // namespace quorvine::scan
