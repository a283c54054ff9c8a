#pragma once
// The 2010/2013 folder listing: the first time a folder of a mailbox is selected, that
// mailbox's message header table is read into the session's header list; every selection
// then filters the folder's rows out of it. The 2010 body table (bodies and attachments) is
// read separately, the first time a consumer asks for it.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "decode/decode_context.hpp"
#include "ese/pass_control.hpp"
#include "listing/message_list_2010.hpp"
#include "listing/message_list_row.hpp"
#include "scan/scan_observer.hpp"
#include "scan/partial_record.hpp"
#include "scan/scan_session.hpp"

namespace quorvine::listing {

class HeaderListLoader {
 public:
  HeaderListLoader(scan::ScanSession& session, const decode::DecodeContext& ctx, scan::ScanObserver& observer,
                   const ese::PassControl& control = {});

  // The rows of `folder`, reading its mailbox's tables when they have not been read in
  // this scan. A table that does not exist gives no rows.
  std::vector<MessageListRow> list_folder(const scan::Folder2010& folder);
  // The same rows handed to `visit` one at a time (under the header list's lock); returns
  // their number.
  size_t for_each_row(const scan::Folder2010& folder, const std::function<void(const MessageListRow&)>& visit);

  // Reads the body table of `folder`'s mailbox (a public store: of the folder) into the
  // session's body and attachment lists unless this scan has read it already. The preview
  // and the exports call this before looking a message's body or attachments up; 2013
  // stores have no body table, so it reads nothing there.
  void ensure_bodies_loaded(const scan::Folder2010& folder);

  // Reading several mailboxes at once: each table is read by a loader on its own session
  // (load_*), and the lists are then kept in the session in a fixed order (keep_*), so
  // that they come out as one loader reading them in that order would leave them.
  struct BodyLists {
    std::vector<scan::BodyEntry2010> bodies;
    std::vector<scan::AttachmentEntry2010> attachments;
  };
  bool headers_loaded(const std::string& header_table) const;
  bool bodies_loaded(const std::string& body_table) const;
  // Reads the named header (body) table; a table that does not exist gives empty lists.
  std::vector<scan::HeaderEntry2010> load_header_table(const std::string& table_name);
  BodyLists load_body_table(const std::string& table_name);
  // Adds the lists read from a table to the session's, unless they are there already.
  void keep_headers(const std::string& header_table, std::vector<scan::HeaderEntry2010> headers);
  void keep_bodies(const std::string& body_table, BodyLists loaded);

  // Records that could not be read and were skipped, over all loads.
  uint64_t records_skipped() const { return skipped_; }
  // Tables that exist but could not be opened, one sentence each.
  const std::vector<std::string>& warnings() const { return warnings_; }

 private:
  class DamageNote;
  // The table named `name`; nullopt when there is none or it cannot be opened (a warning).
  std::optional<ese::Table> open_named_table(const std::string& name);
  // Reads every record of `table` with the wanted columns, keeping the progress bar and
  // counting unreadable records as skipped; `handle(record, index)` gets the others.
  void for_each_record(const ese::Table& table, const scan::WantedColumns& wanted,
                       const std::function<void(const ese::Record&, uint64_t)>& handle);
  static bool marked(const std::vector<scan::LoadedTable>& marks, const std::string& key);

  scan::ScanSession& session_;
  const decode::DecodeContext& ctx_;
  scan::ScanObserver& observer_;
  ese::PassControl control_;
  uint64_t skipped_ = 0;
  std::vector<std::string> warnings_;
};

}  // namespace quorvine::listing
