#pragma once
// Gathering: one listed message becomes a composition record, its bodies and small
// attachments read into memory. 2003/2007 messages are read from "Msg" and the attachment
// table through the scan's index; 2010 messages from the mailbox's (or public folder's)
// body table through the body and attachment lists.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "decode/decode_context.hpp"
#include "export/composition_record.hpp"
#include "export/lists_2010.hpp"
#include "listing/contents_rows.hpp"
#include "listing/message_list_row.hpp"
#include "scan/scan_session.hpp"

namespace quorvine::exporting {

class MessageGatherer {
 public:
  // `session` must be used by this gatherer's thread only. `work_folder` is where long texts
  // would be spilled.
  MessageGatherer(const scan::ScanSession& session, const Lookups2010* lookups, std::filesystem::path work_folder);

  // The stored time of a listed message: the one the row carries (2003/2007 from its contents
  // record, 2010 from its header record), else for 2003/2007 the message record's date chain.
  std::optional<uint64_t> stored_time(const listing::MessageListRow& row);

  // The composition record of a listed message. `cached_body` is the body text the listing
  // kept for it. Throws on unreadable data.
  CompositionRecord gather_2007(const listing::MessageListRow& row, const std::string& cached_body);
  CompositionRecord gather_2010(const listing::MessageListRow& row, const std::string& body_table);

 private:
  const ese::Table* table_at(size_t index);
  void select_bodies(const ese::Record& record, const std::optional<size_t>& text, const std::optional<size_t>& html,
                     const std::optional<size_t>& rtf, decode::Generation generation, CompositionRecord& out);
  void add_attachment(const ese::Record& record, size_t column, std::string name, std::optional<size_t> mime_tag,
                      LargeValueCheck check, std::set<std::string>& taken, CompositionRecord& out);

  const scan::ScanSession& session_;
  const Lookups2010* lookups_;
  std::filesystem::path work_;
  decode::DecodeContext ctx_;
  // The listing's reading of the recipients it left unread.
  decode::DecodeContext listing_ctx_;
  listing::MessageColumns listed_columns_;
  std::map<size_t, ese::Table> tables_;
};

}  // namespace quorvine::exporting
