#pragma once
// The items of one folder that are not mail: contacts and distribution lists gathered into
// "<folder name>.vcf", appointments, tasks, notes and journal entries into
// "<folder name>.ics", both beside the folder's MBOX file. The files are written when the
// folder is done, each through a temporary name; a folder without such items gets none.
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "decode/decode_context.hpp"
#include "export/export_report.hpp"
#include "export/icalendar_writer.hpp"
#include "export/lists_2010.hpp"
#include "listing/contents_rows.hpp"
#include "listing/message_list_row.hpp"
#include "render/item_values.hpp"
#include "scan/scan_session.hpp"

namespace quorvine::exporting {

// Finds a listed message's record: 2003/2007 in "Msg" through the message index, 2010 in
// the folder's body table through the body list.
class ItemRecordReader {
 public:
  ItemRecordReader(const scan::ScanSession& session, const Lookups2010* lookups);
  // Every column of the record; an ItemRecord without record when it is not found.
  render::ItemRecord read(const listing::MessageListRow& row, const std::string& body_table);
  // The store marks the message read (flag 1 of the message flags "L0e07").
  bool read_flag(const listing::MessageListRow& row, const std::string& body_table);

 private:
  std::optional<std::pair<const ese::Table*, uint64_t>> locate(const listing::MessageListRow& row,
                                                               const std::string& body_table);

  const scan::ScanSession& session_;
  const Lookups2010* lookups_;
  std::map<size_t, ese::Table> tables_;
};

class FolderItems {
 public:
  // `mbox_path`: where the folder's MBOX file goes; `work`: a folder for spilled values.
  FolderItems(const scan::ScanSession& session, const Lookups2010* lookups, std::filesystem::path work,
              std::filesystem::path mbox_path);

  // Gathers one item (its kind a contact, distribution list, appointment, task, note or
  // journal entry) and counts it in `summary`. Throws ese::EseError for damaged data.
  void add(const listing::MessageListRow& row, const std::string& body_table, std::optional<uint64_t> stored_time,
           const std::string& cached_body, ExportSummary& summary);
  // Writes the files. Throws MboxWriteError.
  void commit();

  std::filesystem::path cards_path() const;
  std::filesystem::path calendar_path() const;

 private:
  const scan::ScanSession& session_;
  ItemRecordReader records_;
  std::filesystem::path work_, mbox_;
  decode::DecodeContext ctx_;
  // The listing's reading of the recipients it left unread.
  decode::DecodeContext listing_ctx_;
  std::optional<listing::MessageColumns> listed_columns_;
  std::string cards_;
  CalendarBuilder calendar_;
};

}  // namespace quorvine::exporting
