#include "scan/record_handlers.hpp"

#include "decode/text_passes.hpp"
#include "scan/folder_class.hpp"
#include "scan/value_text.hpp"

namespace quorvine::scan {
using decode::replace_all;

void read_mailbox_record(ScanSession& session, ScanObserver& observer,
                                    const MailboxColumns& columns, const ese::Record& record) {
  MailboxRecord box;
  auto& context = session.decode_context;
  switch (session.settings.generation) {
    case decode::Generation::V2010:
      box.mailboxId = identifier_text(record, columns.mailboxid);
      box.mailboxId2010 = identifier_text_2010(context, record, columns.mailboxid);
      break;
    case decode::Generation::V2013:
      box.mailboxId = value_text_2013(record, columns.mailboxid);
      box.mailboxId2010 = box.mailboxId;
      break;
    default:
      box.mailboxId = identifier_text(record, columns.mailboxid);
      break;
  }
  if (session.settings.generation == decode::Generation::V2013) {
    box.ownerName = value_text_2013(record, columns.mailboxshortname);
    box.displayName = value_text_2013(record, columns.mailboxname);
  } else {
    box.ownerName = value_text(context, record, columns.mailboxshortname);
    box.displayName = value_text(context, record, columns.mailboxname);
  }
  replace_all(box.displayName, ",", "_");
  box.treeItem = session.tree.add(root_tree_item, box.displayName, "");
  observer.tree_item_added(session.tree.added(box.treeItem));
  session.mailboxes.push_back(std::move(box));
}

void add_folder(ScanSession& session, FolderRecord2007 folder) {
  if (folder.sortKey.find("/Finder") != std::string::npos) return;
  session.folder_records.push_back(std::move(folder));
}

void read_folder_record(ScanSession& session, const FolderColumns& columns,
                                    const ese::Record& record, uint64_t record_number) {
  auto& context = session.decode_context;
  const std::string number = std::to_string(record_number);
  FolderRecord2007 folder;
  folder.folderId = identifier_text(record, columns.Q6748);
  folder.mailboxId = identifier_text(record, columns.Q6764);
  folder.parentId = identifier_text(record, columns.Q6749);
  folder.displayName = value_text(context, record, columns.S3001);
  if (folder.displayName.empty()) folder.displayName = "Unknown" + number;
  std::string path = value_text(context, record, columns.Ne58);
  if (path.empty()) path = "/Unknown" + number;
  folder.folderClass = map_folder_class(value_text(context, record, columns.S3613));
  folder.recordNumber = record_number;
  folder.messageCount = stored_message_count(record, columns.L3602);

  replace_all(path, "/NON_IPM_SUBTREE", "");
  if (path == "/") {
    path.clear();
  } else {
    replace_all(path, "%23", "#");
    replace_all(path, "%2B", "-");
    folder.urlPath = path;
    replace_all(path, "+", " ");
    folder.sortKey = path + "+" + folder.folderClass + "+" + number + "+" + folder.folderId;
  }

  // Every mailbox with an identifier gets the folder; the old "more than 2 characters" rule
  // lost the folders of mailboxes numbered below 256.
  bool kept = false;
  for (const MailboxRecord& box : session.mailboxes) {
    if (box.mailboxId.empty()) continue;
    if (box.mailboxId == folder.mailboxId) {
      add_folder(session, folder);
      kept = true;
    } else if (box.mailboxId == "public_folder") {
      FolderRecord2007 public_folder = folder;
      public_folder.mailboxId = "public_folder";
      add_folder(session, std::move(public_folder));
      kept = true;
    }
  }
  if (!kept && !folder.folderId.empty()) session.orphan_folder_ids.push_back(folder.folderId);
}

std::string strip_ffffffff(std::string text) {
  replace_all(text, "ffffffff", "");
  return text;
}

std::string clean_attachment_name(std::string name) {
  for (char& c : name)
    switch (c) {
      case '\\': case '/': case ':': case '?': case '*': case '<': case '>': case '|': case '"':
        c = '_';
        break;
      default:
        break;
    }
  return name;
}

void index_message_record(ScanSession& session, const MsgColumns& columns,
                                const ese::Record& record, uint64_t record_number) {
  session.index.add_message(identifier_text(record, columns.N67b0), record_number,
                            strip_ffffffff(binary_text(record, columns.N67b3)));
}

void index_attachment_record(ScanSession& session, const AttachmentColumns& columns,
                                       const ese::Record& record, uint64_t record_number) {
  auto& context = session.decode_context;
  std::string name = value_text(context, record, columns.att_S3001);
  if (name.empty()) name = value_text(context, record, columns.att_S3704);
  session.index.add_attachment(identifier_text(record, columns.att_Q3f88), record_number,
                               clean_attachment_name(std::move(name)));
}

}  // namespace quorvine::scan
