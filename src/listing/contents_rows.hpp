#pragma once
// The one pass over a 2003/2007 folder's contents table behind every listing of it. The
// rows are handed out in table order; where each goes in the list is known only once all
// have been read, so the pass ends with the display order and the keeper decides how to
// hold the rows meanwhile.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "decode/decode_context.hpp"
#include "ese/pass_control.hpp"
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

ContentsPass read_contents_rows(const scan::ScanSession& session, const decode::DecodeContext& ctx,
                                const scan::Folder2007& folder, scan::ScanObserver& observer,
                                const ese::PassControl& control, RowKeeper& keeper);

}  // namespace quorvine::listing
