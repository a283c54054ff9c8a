#pragma once
// libesedb 20181229 ignores the null bitmap of fixed columns and hands back their filler
// bytes as a value. This reads the bitmap from the record itself, found by its index among
// the live leaf entries of the table's tree.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "ese/page_reader.hpp"

namespace quorvine::ese::detail {

class NullFixedColumns {
 public:
  NullFixedColumns(std::shared_ptr<const PageReader> reader, uint32_t root_page, uint32_t object_id,
                   uint64_t record_count);

  // Whether fixed column `column_id` is NULL in record `record_index`; nothing when the
  // record cannot be located with certainty (the tree disagrees with libesedb's count, or
  // a page is damaged).
  std::optional<bool> is_null(uint64_t record_index, uint32_t column_id);

 private:
  bool build_index();
  std::shared_ptr<const PageReader> reader_;
  uint32_t root_page_;
  uint32_t object_id_;
  uint64_t record_count_;
  bool built_ = false;
  bool usable_ = false;
  std::vector<uint32_t> leaves_;     // leaf pages, left to right
  std::vector<uint64_t> first_row_;  // index of each leaf's first record
  std::optional<Page> cached_;
};

}  // namespace quorvine::ese::detail
