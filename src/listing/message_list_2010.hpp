#pragma once
// Which 2010/2013 tables hold a folder's messages, and the folder's rows filtered out of the
// header list.
#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "decode/generation.hpp"
#include "listing/header_list_entry.hpp"
#include "listing/message_list_row.hpp"

namespace quorvine::listing {

// The parts of a 2010/2013 folder-tree record that the listing needs.
struct HeaderFolderRef {
  std::string folderId;
  std::string mailboxName;
  std::string folderTable;
  std::string folderName;
};

std::string header_table_name(const HeaderFolderRef& folder, decode::Generation generation, bool public_store);
// The 2010 body table; 2013 stores have none (empty text).
std::string body_table_name(const HeaderFolderRef& folder, decode::Generation generation, bool public_store);
// The name a header record's table must map back to for the record to belong to the folder.
std::string folder_table_name(const HeaderFolderRef& folder, decode::Generation generation);

// The rows of `folder`: header entries in list order (`headers` holds them in the order
// they were read; the list runs newest first), numbered from 1.
std::vector<MessageListRow> header_rows_for_folder(const std::vector<scan::HeaderEntry2010>& headers,
                                                   const HeaderFolderRef& folder, decode::Generation generation);
// The same rows handed to `visit` one at a time, so they need not all be held; returns
// their number.
size_t for_each_header_row(const std::vector<scan::HeaderEntry2010>& headers, const HeaderFolderRef& folder,
                           decode::Generation generation, const std::function<void(const MessageListRow&)>& visit);
// The entries of each of `folders` at once, as positions in `headers` in list order: one walk
// over the list instead of one per folder.
std::vector<std::vector<size_t>> header_entries_by_folder(const std::vector<scan::HeaderEntry2010>& headers,
                                                          std::span<const HeaderFolderRef> folders,
                                                          decode::Generation generation);
// Makes `row` the row of the header entry `h` of `folder`, `number` in list order from 1;
// `table` is folder_table_name(folder, ...).
void fill_header_row(const scan::HeaderEntry2010& h, const HeaderFolderRef& folder, const std::string& table,
                     size_t number, MessageListRow& row);

}  // namespace quorvine::listing
