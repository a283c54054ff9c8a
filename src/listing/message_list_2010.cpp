#include "decode/text_passes.hpp"
#include "listing/message_list_2010.hpp"

#include "listing/message_list_text.hpp"

namespace quorvine::scan {

std::string header_table_name(const HeaderFolderRef& folder, HeaderGeneration generation, bool public_store) {
  if (generation == HeaderGeneration::Exchange2013) return decode::replaced(folder.folderTable, "Folder", "Message");
  if (public_store) return "MsgHeader-" + folder.folderId;
  return decode::replaced(folder.folderTable, "Folders", "MsgHeader");
}

std::string body_table_name(const HeaderFolderRef& folder, HeaderGeneration generation, bool public_store) {
  if (generation == HeaderGeneration::Exchange2013) return {};
  if (public_store) return "Body-" + folder.folderId;
  return decode::replaced(folder.folderTable, "Folders", "Body");
}

std::string folder_table_name(const HeaderFolderRef& folder, HeaderGeneration generation) {
  const char* bare = generation == HeaderGeneration::Exchange2013 ? "Folder" : "Folders";
  if (folder.folderTable == bare) return std::string(bare) + "-" + folder.folderId;
  return folder.folderTable;
}

size_t for_each_header_row(const std::vector<MessageHeaderList2010>& headers, const HeaderFolderRef& folder,
                           HeaderGeneration generation, const std::function<void(const MessageListRow&)>& visit) {
  const std::string table = folder_table_name(folder, generation);
  const bool is2013 = generation == HeaderGeneration::Exchange2013;
  size_t count = 0;
  MessageListRow row;
  // Entries come in runs of one table: its name is mapped back once per run, not per entry.
  const std::string* mapped_name = nullptr;
  bool own_table = false;
  for (auto it = headers.rbegin(); it != headers.rend(); ++it) {
    const MessageHeaderList2010& h = *it;
    if (h.folderId != folder.folderId) continue;
    if (!mapped_name || *mapped_name != h.tableName) {
      own_table = (is2013 ? decode::replaced(h.tableName, "Message", "Folder")
                          : decode::replaced(h.tableName, "MsgHeader", "Folders")) == table;
      mapped_name = &h.tableName;
    }
    if (!own_table) continue;
    row.message_id = h.messageId;
    row.kind = h.kind;
    row.mail_number = std::to_string(++count);
    row.key = table;
    row.from = h.from;
    row.subject = h.subject;
    row.date = h.date;
    row.attachment = h.attachmentFlag;
    row.to = h.folderId;
    row.cc = folder.mailboxName;
    row.bcc = folder.folderName;
    visit(row);
  }
  return count;
}

std::vector<MessageListRow> header_rows_for_folder(const std::vector<MessageHeaderList2010>& headers,
                                                   const HeaderFolderRef& folder, HeaderGeneration generation) {
  std::vector<MessageListRow> rows;
  for_each_header_row(headers, folder, generation, [&](const MessageListRow& row) { rows.push_back(row); });
  return rows;
}

}  // namespace quorvine::scan
