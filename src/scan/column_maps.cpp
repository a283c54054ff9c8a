#include "scan/column_maps.hpp"

namespace quorvine::scan {
namespace {

ColumnIndex find_first(const ese::Table& table, std::initializer_list<std::string_view> names) {
  for (std::string_view name : names)
    if (auto index = table.column_index(name)) return index;
  return std::nullopt;
}

}  // namespace

const std::array<std::string_view, 115> msg_renderer_column_names = {
    "S82f6", "S803b", "S802f", "S802c", "S1000", "MN81d8", "S81b3", "S81b1", "S81b2", "S82a0",
    "S829f", "S81c2", "S81b0", "S81b5", "S81af", "S3a28", "S3a27", "S3a26", "S3a17", "S3a1c",
    "S80a7", "S80a6", "S808d", "S3a2a", "S3a29", "S3a24", "S3a09", "S3a51", "S8241", "S3a16",
    "S3a15", "S3a44", "S3a11", "S3a06", "S3a08", "S80a5", "S809e", "S8097", "S3a0a", "S3a45",
    "S8095", "S3a5d", "S3a5c", "S3a59", "S3a5b", "S3a5a", "S3a1b", "S3001", "S8299", "N67b4",
    "S3a19", "S3a4f", "T3a42", "MN81a9", "S3a18", "S3a2f", "S3a46", "S3a05", "S3a1f", "S3a23",
    "N1013", "S8027", "S81ba", "S81b9", "N1009", "N67b5", "S8201", "S821b", "T81cb", "T81c9",
    "T81ef", "T810b", "T81bd", "T81bc", "S801b", "S7d", "S8214", "S81fd", "T8102", "T81c3",
    "T81c2", "S8149", "S810e", "S8076", "S810c", "S70", "T8100", "T818f", "T800d", "T814e",
    "S80fd", "T814d", "T818a", "S8122", "D8121", "T8199", "T8198", "T811f", "N826d", "MS80db",
    "S827c", "S827d", "Se29", "Se28", "S3003", "S8010", "S803a", "S802b", "S8204", "T60",
    "T61", "T812e", "T8156", "T8155", "S8120"};

const std::array<std::string_view, 16> contents_column_names = {
    "S42", "S4031", "N67bd", "N67be", "S1a", "Te06", "T3007", "T39", "S1000", "N67b0", "Se1d",
    "S3d", "Be1b", "Le23", "N67b9", "N67ba"};

const std::array<std::string_view, 11> columns_2010_run_names = {
    "N67b0", "S8232", "L3705", "S3707", "S3001", "N67b3", "N65f9", "N1013", "N1009", "N3701",
    "N67b4"};

const std::array<std::string_view, 111> columns_2010_other_names = {
    "N64f0", "S1000", "S82a0", "S829f", "S81c2", "S70", "S81b0", "S81b5", "S81af", "S3a28",
    "S3a27", "S3a26", "S3a17", "S3a1c", "S80a7", "S80a6", "S808d", "S3a2a", "S3a29", "S3a24",
    "S3a09", "S3a51", "S8241", "S3a16", "S3a15", "S3a44", "S3a11", "S3a06", "S3a08", "S80a5",
    "S809e", "S8097", "S3a0a", "S8095", "S3a5d", "S3a5c", "S3a59", "S3a5b", "S3a5a", "S3a1b",
    "MS80db", "S3a45", "S3a19", "S3a4f", "S3a18", "S3a05", "S3a46", "S3a1f", "S3a23", "S3a2f",
    "S8027", "S81ba", "S81b9", "T3a42", "S801a", "S801b", "S81b3", "S81b1", "S81b2", "S3003",
    "S8010", "S803a", "S802b", "MN81e9", "S802c", "S8023", "S801d", "S8020", "S8145", "S8143",
    "S8144", "S8146", "L813a", "T81bc", "T8102", "T81c9", "T81c2", "T8198", "T814d", "T81bd",
    "T81ef", "T810b", "T81cb", "T81c3", "T814e", "T800d", "T818f", "S80fd", "S81fd", "S810c",
    "S8214", "S821b", "S8201", "S8051", "S8049", "S8004", "T8041", "T8040", "T61", "T60",
    "S4025", "N2c", "S7d", "S800e", "S800b", "N8102", "S8122", "T8199", "S82f6", "S803b",
    "S802f"};

ColumnIndex NamedColumns::operator[](std::string_view name) const {
  for (const auto& [key, index] : entries_)
    if (key == name) return index;
  return std::nullopt;
}

void NamedColumns::set(std::string_view name, size_t index) {
  for (auto& [key, value] : entries_)
    if (key == name) {
      value = index;
      return;
    }
  entries_.emplace_back(std::string(name), index);
}

NamedColumns map_named_columns(const ese::Table& table, std::span<const std::string_view> names) {
  NamedColumns map;
  const auto& columns = table.columns();
  for (size_t c = 0; c < columns.size(); ++c)
    for (std::string_view name : names)
      if (columns[c].name == name) map.set(name, c);
  return map;
}

MailboxColumns map_mailbox_columns(const ese::Table& table) {
  MailboxColumns map;
  map.mailboxid = find_first(table, {"Q6764", "MailboxNumber"});
  map.mailboxshortname = find_first(table, {"S6773", "MailboxOwnerDisplayName"});
  map.mailboxname = find_first(table, {"S3001", "DisplayName"});
  return map;
}

FolderColumns map_folder_columns(const ese::Table& table) {
  FolderColumns map;
  map.Q6748 = table.column_index("Q6748");
  map.Q6749 = table.column_index("Q6749");
  map.Q6764 = table.column_index("Q6764");
  map.S3001 = table.column_index("S3001");
  map.S3613 = table.column_index("S3613");
  map.L3602 = table.column_index("L3602");
  map.Ne58 = table.column_index("S6707");
  return map;
}

FolderColumns map_folder_columns_2013(const ese::Table& table) {
  FolderColumns map;
  map.Q6748 = table.column_index("FolderId");
  map.Q6764 = table.column_index("ParentFolderId");
  map.S3001 = table.column_index("DisplayName");
  map.S3613 = table.column_index("ContainerClass");
  map.Q6749 = table.column_index("LcnCurrent");
  return map;
}

AttachmentColumns map_attachment_columns(const ese::Table& table) {
  AttachmentColumns map;
  map.att_Q3f88 = table.column_index("Q3f88");
  map.att_S3001 = table.column_index("S3001");
  map.att_N3701 = table.column_index("N3701");
  map.att_S3704 = table.column_index("S3704");
  map.Q6748_attchment = table.column_index("Q674b");
  return map;
}

MsgColumns map_msg_columns(const ese::Table& table) {
  MsgColumns map;
  map.N67b0 = table.column_index("N67b0");
  map.N67b3 = table.column_index("N67b3");
  map.m = map_named_columns(table, msg_renderer_column_names);
  if (map.N67b0) map.m.set("N67b0", *map.N67b0);
  if (map.N67b3) map.m.set("N67b3", *map.N67b3);
  return map;
}

}  // namespace quorvine::scan
