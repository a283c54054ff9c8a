#pragma once
// The 2003/2007 folder listing's reading side: a folder's contents table ("1-<hex>"), found
// by its folder key, read record by record for the row builder.
#include <cstdint>
#include <functional>
#include <optional>

#include "ese/database.hpp"
#include "scan/partial_record.hpp"
#include "scan/scan_observer.hpp"
#include "scan/scan_session.hpp"

namespace quorvine::listing {

struct ContentsColumns {
  std::optional<size_t> sender_name, S4031, N67bd, N67be, message_class, delivery_time, creation_time, submit_time,
      text_body, message_id, subject, subject_prefix, has_attachments, Le23, N67b9, N67ba;
  scan::WantedColumns wanted;  // every column found
};
ContentsColumns map_contents_columns(const ese::Table& table);

// The contents table of `folder`: the TableFile whose folder key is the folder identifier
// in upper case. nullopt when there is none (the folder then lists no rows).
std::optional<ese::Table> open_contents_table(const scan::ScanSession& session, const scan::Folder2007& folder);

// Hands every readable record of `table` to `visit` with its record number; returns the
// number of records that could not be read and were skipped.
uint64_t for_each_contents_record(const ese::Table& table, const ContentsColumns& columns, scan::ScanObserver& observer,
                                  const ese::PassControl& control,
                                  const std::function<void(const ese::Record&, uint64_t)>& visit);

}  // namespace quorvine::listing
