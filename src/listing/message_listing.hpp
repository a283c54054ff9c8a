#pragma once
// Lists the messages of the folder selected in the tree: 2003/2007 folders through their
// contents table and the row builder, 2010/2013 folders through the header lists.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "decode/decode_context.hpp"
#include "ese/pass_control.hpp"
#include "listing/message_list_row.hpp"
#include "scan/scan_observer.hpp"
#include "scan/scan_session.hpp"

namespace quorvine::listing {

struct FolderListing {
  std::vector<MessageListRow> rows;  // display order
  // Plain-text bodies of the listed 2003/2007 messages, (message identifier, body), in the
  // order the rows were built; the preview looks here first.
  std::vector<std::pair<std::string, std::string>> body_texts;
  uint64_t records_skipped = 0;  // damaged records left out (a damaged page counts once)
  uint64_t records_held = 0;     // 2003/2007: records on the contents table's readable pages
  uint64_t damaged_pages = 0;    // 2003/2007: contents pages left out, their records uncounted
  std::vector<std::string> warnings;  // tables that could not be read
};

// The decoding settings a listing of `session`'s store needs.
decode::DecodeContext decode_context_for(const scan::ScanSession& session);

// Lists the folder(s) whose tree item is `item`. Selecting the root or a mailbox lists
// nothing. 2010/2013 listings read a mailbox's header list into session.lists2010 once per
// scan; the body and attachment lists are left to ensure_bodies_loaded.
FolderListing list_folder(scan::ScanSession& session, const decode::DecodeContext& ctx,
                                       scan::TreeItem item, scan::ScanObserver& observer,
                                       const ese::PassControl& control = {});

// What a listing reports besides its rows.
struct ListingTally {
  uint64_t rows = 0;
  uint64_t records_skipped = 0;
  std::vector<std::string> warnings;
};

// Hands the rows that list_folder would list to `visit`, in the same order,
// without holding them all as rows and without keeping bodies: 2003/2007 rows are held
// packed until their order is known, 2010/2013 rows are made one at a time from the header
// list. For printing a folder of several hundred thousand messages.
ListingTally for_each_listed_row(scan::ScanSession& session, const decode::DecodeContext& ctx, scan::TreeItem item,
                                 scan::ScanObserver& observer, const ese::PassControl& control,
                                 const std::function<void(const MessageListRow&)>& visit);

// Reads the 2010 body and attachment lists of the mailbox whose folder is the tree item
// `item` unless this scan has read them already (listing does not). Returns the number of
// damaged body records left out. Nothing to read for other generations.
uint64_t ensure_bodies_loaded(scan::ScanSession& session, const decode::DecodeContext& ctx, scan::TreeItem item,
                              scan::ScanObserver& observer, const ese::PassControl& control = {});

// The 2003/2007 listing of one folder; `recipients_later` as for read_contents_rows.
FolderListing list_contents_folder(const scan::ScanSession& session, const decode::DecodeContext& ctx,
                                   const scan::Folder2007& folder, scan::ScanObserver& observer,
                                   const ese::PassControl& control = {}, bool recipients_later = false);

}  // namespace quorvine::listing
