#pragma once
// The one pass over a 2003/2007 folder's contents table behind every listing of it. The
// rows are handed out in table order; where each goes in the list is known only once all
// have been read, so the pass ends with the display order and the keeper decides how to
// hold the rows meanwhile.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "decode/decode_context.hpp"
#include "ese/pass_control.hpp"
#include "listing/list_row_builder.hpp"
#include "listing/message_list_row.hpp"
#include "scan/scan_observer.hpp"
#include "scan/scan_session.hpp"

namespace quorvine::listing {

class RowKeeper {
 public:
  virtual ~RowKeeper() = default;
  // The contents table's record count, before the first row.
  virtual void expect(size_t records) = 0;
  // One row and the message's plain-text body (empty when it has none).
  virtual void keep(MessageListRow&& row, std::string&& body) = 0;
};

struct ContentsPass {
  std::vector<size_t> display_order;  // for each display position, the row number there
  uint64_t records_skipped = 0;       // damaged records, and damaged pages counted once each
  uint64_t records_held = 0;          // records on the table's readable pages
  uint64_t damaged_pages = 0;         // pages left out, with their records uncounted
  std::vector<std::string> warnings;  // the table could not be read
};

// The "Msg" columns a row reads.
struct MessageColumns {
  std::optional<size_t> transport_headers, display_to, sender_fallback;
};
MessageColumns message_columns(const ese::Table& message_table);

// What a row takes from its message's record (read with at least `columns`), as the list
// reads it; `ctx` spills nothing. A damaged transport-header value counts as damage and
// reads as empty. When the headers are a long value that reads whole, `whole_headers` (if
// given) receives them decoded as Record::text gives them, so that they are read once.
MessageTexts message_texts(const decode::DecodeContext& ctx, const ese::Record& record, const MessageColumns& columns,
                           std::optional<std::string>* whole_headers = nullptr);

// Fills To, Cc and Bcc of a row listed with recipients_unread from its message's record (read
// with at least `columns`), as the listing would have; `ctx` and `whole_headers` as for
// message_texts.
void fill_recipients(const decode::DecodeContext& ctx, const ese::Record& record, const MessageColumns& columns,
                     MessageListRow& row, std::optional<std::string>* whole_headers = nullptr);

// `recipients_later`: rows whose existence and sender do not depend on the message's record
// are built without reading it (recipients_unread set), for an export that reads the record
// anyway.
ContentsPass read_contents_rows(const scan::ScanSession& session, const decode::DecodeContext& ctx,
                                const scan::Folder2007& folder, scan::ScanObserver& observer,
                                const ese::PassControl& control, RowKeeper& keeper, bool recipients_later = false);

}  // namespace quorvine::listing
