#include "scan/folder_tables_2010.hpp"

#include <unordered_map>

#include "scan/column_maps.hpp"
#include "scan/folder_class.hpp"
#include "scan/partial_record.hpp"
#include "scan/table_scanner.hpp"
#include "scan/value_text.hpp"

namespace quorvine::scan {
namespace {

const std::string empty_identifier_2013(52, '0');

enum class Generation { G2010, G2013 };

// Position 0, 1, ..., 100, then 1 again.
class WrappingProgress {
 public:
  explicit WrappingProgress(ScanObserver& observer) : observer_(observer) {}
  ~WrappingProgress() { observer_.progress_position(0); }
  void step() {
    position_ = position_ >= 100 ? 1 : position_ + 1;
    observer_.progress_position(position_);
  }

 private:
  ScanObserver& observer_;
  uint64_t position_ = 0;
};

void warn(ScanSession& session, ScanObserver& observer, std::string text) {
  observer.warning(text);
  session.warnings.push_back(std::move(text));
}

void scan_folder_table(ScanSession& session, ScanObserver& observer, const ese::Table& table,
                       const std::string& table_name, Generation generation) {
  const bool is_public = session.is_public();
  const FolderColumns columns =
      generation == Generation::G2013 ? map_folder_columns_2013(table) : map_folder_columns(table);
  WantedColumns wanted;
  for (ColumnIndex c : {columns.Q6748, columns.Q6749, columns.Q6764, columns.S3001,
                        columns.S3613, columns.L3602, columns.Ne58})
    wanted.add(c);
  wanted.recompute();
  auto& context = session.decode_context;

  std::vector<std::pair<std::string, TreeItem>> top_level;
  std::vector<PendingFolder> pending;
  std::string mailbox_name;
  std::string mailbox_number_2013;
  std::string root_folder_2013;
  uint64_t skipped = 0;
  {
    WrappingProgress progress(observer);
    const uint64_t records = table.record_count();
    for (uint64_t r = 0; r < records; ++r) {
      progress.step();
      const auto record = read_partial_record(table, r, wanted);
      if (!record) {
        ++skipped;
        continue;
      }
      PendingFolder folder;
      std::string label;
      if (generation == Generation::G2010) {
        folder.folderId = identifier_text(*record, columns.Q6748);
        folder.secondId = is_public ? identifier_text_2010(context, *record, columns.Q6748)
                                    : folder.folderId;
        folder.parentId = identifier_text(*record, columns.Q6749);
        folder.mailboxId = is_public ? "public_folder" : identifier_text(*record, columns.Q6764);
        label = value_text(context, *record, columns.S3001);
        folder.folderClass = map_folder_class(value_text(context, *record, columns.S3613));
      } else {
        folder.folderId = value_text_2013(*record, columns.Q6748);
        folder.secondId = folder.folderId;
        folder.parentId = value_text_2013(*record, columns.Q6764);
        if (r == 0) {
          if (!is_public) mailbox_number_2013 = table_name.substr(std::string("Folder_").size());
          root_folder_2013 = folder.folderId;
        }
        folder.mailboxId = mailbox_number_2013;
        label = value_text_2013(*record, columns.S3001);
        folder.folderClass = map_folder_class(value_text_2013(*record, columns.S3613));
      }
      label = folder_label_2010(std::move(label));
      if (label == "Restriction") continue;
      folder.folderName = label;

      const MailBoxDetails* mailbox = session.mailbox(folder.mailboxId);
      if (!mailbox) continue;
      mailbox_name = mailbox->displayName;
      bool top;
      bool skip_empty_top;
      if (generation == Generation::G2010) {
        top = folder.parentId == folder.mailboxId || folder.parentId == "0";
        skip_empty_top = folder.parentId == "0" && label.empty();
      } else {
        top = folder.parentId == root_folder_2013;
        skip_empty_top = folder.parentId == empty_identifier_2013 && label.empty();
      }
      if (top) {
        if (skip_empty_top || label.empty()) continue;
        const TreeItem item = session.tree.add(mailbox->treeItem, label, folder.folderClass);
        observer.tree_item_added(session.tree, item);
        session.folderTree2010Dump.push_back(folderTree2010{
            folder.secondId, folder.parentId, folder.mailboxId, mailbox_name, table_name, label,
            folder.folderClass, item});
        top_level.emplace_back(folder.folderId, item);
      } else if (!label.empty()) {
        pending.push_back(std::move(folder));
      }
    }
  }
  warn_skipped_records(session, observer, table_name, skipped);
  const size_t unplaced =
      child_tree_build_2010(session, observer, top_level, pending, mailbox_name, table_name);
  if (unplaced > 0)
    warn(session, observer,
         std::to_string(unplaced) + " folder(s) of table \"" + table_name +
             "\" have no parent chain to the mailbox (missing or looping parents) and were "
             "skipped");
}

int scan_folder_tables(ScanSession& session, ScanObserver& observer, std::string_view name,
                       Generation generation) {
  if (!session.database) return -1;
  for (const TableFile& file : session.TableFileDump) {
    if (file.tableName != name) continue;
    try {
      const ese::Table table = session.database->open_table(static_cast<size_t>(file.tableIndex));
      scan_folder_table(session, observer, table, file.tableName, generation);
    } catch (const ese::EseError& error) {
      warn(session, observer,
           "folder table \"" + file.tableName + "\" could not be read: " + error.what());
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
      observer.tree_item_added(session.tree, item);
      session.folderTree2010Dump.push_back(folderTree2010{
          folder.secondId, folder.parentId, folder.mailboxId, mailbox_name, folder_table,
          folder.folderName, folder.folderClass, item});
      const auto kids = children.find(folder.folderId);
      if (kids != children.end()) stack.push_back({&kids->second, 0, item});
    }
  }
  return pending.size() - placed_count;
}

int export_handle_export_file_folder_2010(ScanSession& session, ScanObserver& observer,
                                          std::string_view table_name) {
  return scan_folder_tables(session, observer, table_name, Generation::G2010);
}

int export_handle_export_file_folder_2013(ScanSession& session, ScanObserver& observer,
                                          std::string_view table_name) {
  return scan_folder_tables(session, observer, table_name, Generation::G2013);
}

}  // namespace quorvine::scan
