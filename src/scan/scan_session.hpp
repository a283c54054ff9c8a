#pragma once
// Everything one scan leaves behind for the folder listing, the preview and the exports: the
// open database, the kept tables, the table, mailbox and folder lists, the tree, and the
// 2003/2007 message index. A new scan resets it; nothing else does.
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "decode/decode_context.hpp"
#include "ese/database.hpp"
#include "decode/generation.hpp"
#include "scan/index_lists_2010.hpp"
#include "scan/mailbox_tree.hpp"
#include "scan/message_index.hpp"
#include "scan/scan_records.hpp"

namespace quorvine::scan {

// What the user chose before the scan.
struct ScanSettings {
  std::filesystem::path database_file;  // the database file
  decode::Generation generation = decode::Generation::Unset;
  std::filesystem::path work_folder;  // per-database work folder ("Msg.txt", "files.txt")
  std::filesystem::path temp_folder;     // temporary folder (attachments, previews)
};

// How the last scan ended.
enum class ScanOutcome { NotRun, Completed, OpenFailed, Stopped };

class ScanSession {
 public:
  ScanSession() { decode_context.damage = damaged_values.get(); }

  ScanSettings settings;

  std::optional<ese::Database> database;
  std::string store_kind;  // "", "private" or "public"
  uint32_t format_version = 0;
  uint32_t format_revision = 0;  // as settled by the scan (15 for a "Msg" store above 16)
  uint32_t page_size_version = 0;

  std::vector<TableFile> tables;  // catalog order
  std::string attachment_table_name;                    // the attachment table's name, or ""
  std::optional<ese::Table> message_table;
  std::optional<ese::Table> attachment_table;
  int catalog_result = 0;  // 1 tables listed, 0 none, -1 the walk failed

  MailboxTree tree;
  std::vector<MailboxRecord> mailboxes;
  std::vector<FolderRecord2007> folder_records;
  std::vector<Folder2007> folders_2007;
  std::vector<FolderTableName2010> folder_tables_2010;  // reverse catalog order
  std::vector<Folder2010> folders_2010;
  // By private 2010 folder table, the folders whose messages are exported, left out on purpose
  // or already reported lost: a header entry naming none of them belongs to no folder.
  std::map<std::string, std::unordered_set<std::string>> accounted_folder_ids_2010;

  // What the value renderers read (generation, settled revision, spill folder). Its damage
  // tally is damaged_values.
  decode::DecodeContext decode_context;
  // Values that could not be read, by the scan and by every listing of this session; copies
  // made for worker threads count into the same tally.
  std::shared_ptr<decode::DamageTally> damaged_values = std::make_shared<decode::DamageTally>();

  MessageIndex index;            // 2003/2007 "Msg" and attachment index
  MessageLists2010 lists2010;    // filled by the folder listing
  std::filesystem::path message_index_file;
  std::filesystem::path attachment_index_file;
  std::filesystem::path store_list_file;

  ScanOutcome outcome = ScanOutcome::NotRun;
  std::string failure_reason;          // why the store could not be opened
  std::vector<std::string> warnings;   // damaged data skipped, dirty state, ...
  // The warnings that say mailboxes, folders or index entries were passed over as damaged:
  // what an export of this scan cannot write, whatever it is asked for.
  std::vector<std::string> losses;
  // 2003/2007 folder records whose mailbox the store does not list, by folder identifier.
  std::vector<std::string> orphan_folder_ids;
  uint64_t scan_generation = 0;        // incremented by every scan

  // Releases the previous scan's state (the settings stay).
  void reset();

  // Kept table by exact name ("Mailbox", "Folders", "Msg", the attachment table).
  const ese::Table* kept_table(std::string_view name) const;
  // The TableFile records named exactly `name`, in catalog order.
  std::vector<const TableFile*> tables_named(std::string_view name) const;
  // The TableFile whose folder key equals `key` (already upper case), or nullptr.
  const TableFile* table_with_folder_key(std::string_view key) const;
  // Mailbox record by mailboxId, or nullptr.
  const MailboxRecord* mailbox(std::string_view mailboxId) const;
  bool is_public() const { return store_kind == "public"; }
};

}  // namespace quorvine::scan
