#include "scan/folder_tables_2010.hpp"

#include <unordered_map>
#include <unordered_set>

#include "scan/column_maps.hpp"
#include "scan/folder_class.hpp"
#include "scan/partial_record.hpp"
#include "scan/record_pass.hpp"
#include "scan/table_scanner.hpp"
#include "scan/value_text.hpp"

namespace quorvine::scan {
namespace {

const std::string empty_identifier_2013(52, '0');

void warn(ScanSession& session, ScanObserver& observer, std::string text) {
  observer.warning(text);
  session.warnings.push_back(std::move(text));
}

// A folder record as read, before it is placed.
struct FolderRow {
  PendingFolder folder;
  std::string label;
};

// The 2013 root folder: the first record of the table. When that record is damaged, the
// folder most records name as parent without being in the table stands in for it, so the
// mailbox's folders are not all lost with one record.
std::string root_folder_2013(const std::vector<std::pair<uint64_t, FolderRow>>& rows) {
  if (rows.empty()) return {};
  if (rows.front().first == 0) return rows.front().second.folder.folderId;
  std::unordered_set<std::string> present;
  for (const auto& [number, row] : rows) present.insert(row.folder.folderId);
  std::unordered_map<std::string, size_t> missing_parents;
  std::string best;
  for (const auto& [number, row] : rows) {
    const std::string& parent = row.folder.parentId;
    if (parent == empty_identifier_2013 || present.count(parent)) continue;
    const size_t count = ++missing_parents[parent];
    if (best.empty() || count > missing_parents[best]) best = parent;
  }
  return best;
}

void scan_folder_table(ScanSession& session, ScanObserver& observer, const ese::Table& table,
                       const std::string& table_name, decode::Generation generation,
                       const ese::PassControl& control) {
  const bool is_public = session.is_public();
  const FolderColumns columns =
      generation == decode::Generation::V2013 ? map_folder_columns_2013(table) : map_folder_columns(table);
  WantedColumns wanted;
  for (ColumnIndex c : {columns.Q6748, columns.Q6749, columns.Q6764, columns.S3001,
                        columns.S3613, columns.L3602, columns.Ne58})
    wanted.add(c);
  wanted.recompute();
  auto& context = session.decode_context;
  const std::string mailbox_number_2013 =
      generation == decode::Generation::V2013 && !is_public ? table_name.substr(std::string("Folder_").size())
                                                    : std::string();

  std::vector<std::pair<uint64_t, FolderRow>> rows;
  const ese::PassResult pass = run_record_pass(
      table, wanted, observer, ProgressRule::Wrapping, control,
      [&](const ese::Record& record, uint64_t number) {
        FolderRow row;
        PendingFolder& folder = row.folder;
        if (generation == decode::Generation::V2010) {
          folder.folderId = identifier_text(record, columns.Q6748);
          folder.secondId = is_public ? identifier_text_2010(context, record, columns.Q6748)
                                      : folder.folderId;
          folder.parentId = identifier_text(record, columns.Q6749);
          folder.mailboxId = is_public ? "public_folder" : identifier_text(record, columns.Q6764);
          row.label = value_text(context, record, columns.S3001);
          folder.folderClass = map_folder_class(value_text(context, record, columns.S3613));
          folder.messageCount = stored_message_count(record, columns.L3602);
        } else {
          folder.folderId = value_text_2013(record, columns.Q6748);
          folder.secondId = folder.folderId;
          folder.parentId = value_text_2013(record, columns.Q6764);
          folder.mailboxId = mailbox_number_2013;
          row.label = value_text_2013(record, columns.S3001);
          folder.folderClass = map_folder_class(value_text_2013(record, columns.S3613));
        }
        rows.emplace_back(number, std::move(row));
      });
  warn_skipped_records(session, observer, table_name, pass.skipped);
  const std::string root_2013 = generation == decode::Generation::V2013 ? root_folder_2013(rows) : std::string();

  std::vector<std::pair<std::string, TreeItem>> top_level;
  std::vector<PendingFolder> pending;
  std::string mailbox_name;
  size_t orphans = 0;  // rows naming a mailbox the store does not list: damaged in a mailbox's own table
  // The folders whose messages are exported, or left out on purpose, or reported lost here: a
  // header entry naming any other folder (one that lost its name, say) is lost with it.
  std::unordered_set<std::string>* accounted =
      generation == decode::Generation::V2010 && !is_public ? &session.accounted_folder_ids_2010[table_name] : nullptr;
  const auto account = [&](const std::string& id) {
    if (accounted) accounted->insert(id);
  };
  for (auto& [number, row] : rows) {
    PendingFolder& folder = row.folder;
    const std::string label = folder_label_2010(std::move(row.label));
    if (label == "Restriction") {
      account(folder.folderId);
      continue;
    }
    folder.folderName = label;

    const MailboxRecord* mailbox = session.mailbox(folder.mailboxId);
    if (!mailbox) {
      account(folder.folderId);
      ++orphans;
      continue;
    }
    mailbox_name = mailbox->displayName;
    bool top;
    bool skip_empty_top;
    if (generation == decode::Generation::V2010) {
      top = folder.parentId == folder.mailboxId || folder.parentId == "0";
      skip_empty_top = folder.parentId == "0" && label.empty();
    } else {
      top = folder.parentId == root_2013;
      skip_empty_top = folder.parentId == empty_identifier_2013 && label.empty();
    }
    if (top) {
      if (skip_empty_top) account(folder.folderId);  // the mailbox's root
      if (skip_empty_top || label.empty()) continue;
      account(folder.folderId);
      const TreeItem item = session.tree.add(mailbox->treeItem, label, folder.folderClass);
      observer.tree_item_added(session.tree.added(item));
      session.folders_2010.push_back(Folder2010{
          folder.secondId, folder.parentId, folder.mailboxId, mailbox_name, table_name, label,
          folder.folderClass, item, folder.messageCount});
      top_level.emplace_back(folder.folderId, item);
    } else if (!label.empty()) {
      account(folder.folderId);  // placed below, or reported as unplaced
      pending.push_back(std::move(folder));
    }
  }
  if (orphans > 0) {
    warn(session, observer,
         std::to_string(orphans) + " folder record(s) of table \"" + table_name +
             "\" name a mailbox the store does not list and were skipped");
    session.losses.push_back(session.warnings.back());
  }
  const size_t unplaced =
      child_tree_build_2010(session, observer, top_level, pending, mailbox_name, table_name);
  if (unplaced > 0) {
    warn(session, observer,
         std::to_string(unplaced) + " folder(s) of table \"" + table_name +
             "\" have no parent chain to the mailbox (missing or looping parents) and were "
             "skipped");
    session.losses.push_back(session.warnings.back());
  }
}

int scan_folder_tables(ScanSession& session, ScanObserver& observer, std::string_view name,
                       decode::Generation generation, const ese::PassControl& control) {
  if (!session.database) return -1;
  for (const TableFile& file : session.tables) {
    if (file.tableName != name) continue;
    try {
      const ese::Table table = session.database->open_table(static_cast<size_t>(file.tableIndex));
      scan_folder_table(session, observer, table, file.tableName, generation, control);
    } catch (const ese::EseError& error) {
      // Its mailbox shows no folders, so no folder's export can report what it held.
      warn(session, observer,
           "folder table \"" + file.tableName + "\" could not be read: " + error.what());
      session.losses.push_back(session.warnings.back());
    }
  }
  return 1;
}

}  // namespace

std::string folder_label_2010(std::string label) {
  size_t at = 0;
  while ((at = label.find("Public Folder", at)) != std::string::npos) {
    label.replace(at, 13, "Public_Folder");
    at += 13;
  }
  return label;
}

size_t child_tree_build_2010(ScanSession& session, ScanObserver& observer,
                             const std::vector<std::pair<std::string, TreeItem>>& top_level,
                             const std::vector<PendingFolder>& pending,
                             const std::string& mailbox_name, const std::string& folder_table) {
  std::unordered_map<std::string, std::vector<size_t>> children;  // parent -> pending, in order
  for (size_t i = 0; i < pending.size(); ++i) children[pending[i].parentId].push_back(i);
  std::vector<bool> placed(pending.size(), false);
  size_t placed_count = 0;

  // Depth-first with an explicit stack: a frame is a parent and the next child to try.
  struct Frame {
    const std::vector<size_t>* kids;
    size_t next;
    TreeItem item;
  };
  for (const auto& [top_id, top_item] : top_level) {
    std::vector<Frame> stack;
    const auto first = children.find(top_id);
    if (first == children.end()) continue;
    stack.push_back({&first->second, 0, top_item});
    while (!stack.empty()) {
      Frame& frame = stack.back();
      if (frame.next >= frame.kids->size()) {
        stack.pop_back();
        continue;
      }
      const size_t index = (*frame.kids)[frame.next++];
      if (placed[index]) continue;
      placed[index] = true;
      ++placed_count;
      const PendingFolder& folder = pending[index];
      const TreeItem item = session.tree.add(frame.item, folder.folderName, folder.folderClass);
      observer.tree_item_added(session.tree.added(item));
      session.folders_2010.push_back(Folder2010{
          folder.secondId, folder.parentId, folder.mailboxId, mailbox_name, folder_table,
          folder.folderName, folder.folderClass, item, folder.messageCount});
      const auto kids = children.find(folder.folderId);
      if (kids != children.end()) stack.push_back({&kids->second, 0, item});
    }
  }
  return pending.size() - placed_count;
}

int scan_folder_table_2010(ScanSession& session, ScanObserver& observer,
                                          std::string_view table_name,
                                          const ese::PassControl& control) {
  return scan_folder_tables(session, observer, table_name, decode::Generation::V2010, control);
}

int scan_folder_table_2013(ScanSession& session, ScanObserver& observer,
                                          std::string_view table_name,
                                          const ese::PassControl& control) {
  return scan_folder_tables(session, observer, table_name, decode::Generation::V2013, control);
}

}  // namespace quorvine::scan
