#include "decode/text_passes.hpp"
#include "listing/message_list_2010.hpp"

#include "listing/message_list_text.hpp"

#include <unordered_map>

namespace quorvine::listing {

std::string header_table_name(const HeaderFolderRef& folder, decode::Generation generation, bool public_store) {
  if (generation == decode::Generation::V2013) return decode::replaced(folder.folderTable, "Folder", "Message");
  if (public_store) return "MsgHeader-" + folder.folderId;
  return decode::replaced(folder.folderTable, "Folders", "MsgHeader");
}

std::string body_table_name(const HeaderFolderRef& folder, decode::Generation generation, bool public_store) {
  if (generation == decode::Generation::V2013) return {};
  if (public_store) return "Body-" + folder.folderId;
  return decode::replaced(folder.folderTable, "Folders", "Body");
}

std::string folder_table_name(const HeaderFolderRef& folder, decode::Generation generation) {
  const char* bare = generation == decode::Generation::V2013 ? "Folder" : "Folders";
  if (folder.folderTable == bare) return std::string(bare) + "-" + folder.folderId;
  return folder.folderTable;
}

namespace {

// The folder table a header entry's records map back to. Entries come in runs of one table,
// so the mapping is worked out once per run, not for every entry.
class OwnFolderTable {
 public:
  explicit OwnFolderTable(decode::Generation generation) : generation_(generation) {}
  const std::string& of(const scan::HeaderEntry2010& h) {
    if (!mapped_ || *mapped_ != h.tableName) {
      mapped_ = &h.tableName;
      own_ = generation_ == decode::Generation::V2013 ? decode::replaced(h.tableName, "Message", "Folder")
                                                           : decode::replaced(h.tableName, "MsgHeader", "Folders");
    }
    return own_;
  }

 private:
  decode::Generation generation_;
  const std::string* mapped_ = nullptr;
  std::string own_;
};

}  // namespace

void fill_header_row(const scan::HeaderEntry2010& h, const HeaderFolderRef& folder, const std::string& table,
                     size_t number, MessageListRow& row) {
  row.message_id = h.messageId;
  row.kind = h.kind;
  row.mail_number = std::to_string(number);
  row.key = table;
  row.from = h.from;
  row.subject = h.subject;
  row.date = h.date;
  row.attachment = h.attachmentFlag;
  row.folder_id = h.folderId;
  row.mailbox_name = folder.mailboxName;
  row.folder_name = folder.folderName;
}

size_t for_each_header_row(const std::vector<scan::HeaderEntry2010>& headers, const HeaderFolderRef& folder,
                           decode::Generation generation, const std::function<void(const MessageListRow&)>& visit) {
  const std::string table = folder_table_name(folder, generation);
  const std::vector<size_t> entries = header_entries_by_folder(headers, std::span(&folder, 1), generation).front();
  MessageListRow row;  // reused: its texts keep their room from row to row
  size_t count = 0;
  for (size_t i : entries) {
    fill_header_row(headers[i], folder, table, ++count, row);
    visit(row);
  }
  return count;
}

std::vector<std::vector<size_t>> header_entries_by_folder(const std::vector<scan::HeaderEntry2010>& headers,
                                                          std::span<const HeaderFolderRef> folders,
                                                          decode::Generation generation) {
  // Folder identifier -> the folder tables and positions of the folders asked for.
  std::unordered_map<std::string, std::vector<std::pair<std::string, size_t>>> wanted;
  for (size_t f = 0; f < folders.size(); ++f)
    wanted[folders[f].folderId].emplace_back(folder_table_name(folders[f], generation), f);
  std::vector<std::vector<size_t>> entries(folders.size());
  OwnFolderTable own(generation);
  for (size_t i = headers.size(); i-- > 0;) {
    auto it = wanted.find(headers[i].folderId);
    if (it == wanted.end()) continue;
    const std::string& table = own.of(headers[i]);
    for (const auto& [folder_table, f] : it->second)
      if (folder_table == table) entries[f].push_back(i);
  }
  return entries;
}

std::vector<MessageListRow> header_rows_for_folder(const std::vector<scan::HeaderEntry2010>& headers,
                                                   const HeaderFolderRef& folder, decode::Generation generation) {
  std::vector<MessageListRow> rows;
  for_each_header_row(headers, folder, generation, [&](const MessageListRow& row) { rows.push_back(row); });
  return rows;
}

}  // namespace quorvine::listing
