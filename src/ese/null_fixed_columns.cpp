#include "ese/null_fixed_columns.hpp"

#include <algorithm>
#include <set>

#include "ese/byte_order.hpp"
#include "ese/error.hpp"

namespace quorvine::ese::detail {

NullFixedColumns::NullFixedColumns(std::shared_ptr<const PageReader> reader, uint32_t root_page, uint32_t object_id,
                                   uint64_t record_count)
    : reader_(std::move(reader)), root_page_(root_page), object_id_(object_id), record_count_(record_count) {}

bool NullFixedColumns::build_index() {
  std::set<uint32_t> visited;
  uint32_t number = root_page_;
  // Down the leftmost edge, then along the leaf level.
  for (int depth = 0;; ++depth) {
    if (depth > 16 || !visited.insert(number).second) return false;
    Page page = reader_->read(number);
    if (page.fdp_object_id != object_id_) return false;
    if (page.is_leaf()) break;
    if (page.entries.empty() || page.entries.front().data_size < 4) return false;
    number = load_le32(page.data(page.entries.front()).data());
  }
  uint64_t rows = 0;
  while (number != 0) {
    Page page = reader_->read(number);
    if (page.fdp_object_id != object_id_ || !page.is_leaf()) return false;
    leaves_.push_back(number);
    first_row_.push_back(rows);
    rows += page.entries.size();
    if (rows > record_count_) return false;
    number = page.next;
    if (number != 0 && !visited.insert(number).second) return false;
  }
  return rows == record_count_;
}

std::optional<bool> NullFixedColumns::is_null(uint64_t record_index, uint32_t column_id) {
  try {
    if (!built_) {
      built_ = true;
      usable_ = build_index();
    }
    if (!usable_ || record_index >= record_count_ || column_id == 0 || column_id > 127) return std::nullopt;
    size_t leaf = static_cast<size_t>(std::upper_bound(first_row_.begin(), first_row_.end(), record_index) -
                                      first_row_.begin()) - 1;
    if (!cached_ || cached_->number != leaves_[leaf]) cached_ = reader_->read(leaves_[leaf]);
    const uint64_t entry = record_index - first_row_[leaf];
    if (entry >= cached_->entries.size()) return std::nullopt;
    auto record = cached_->data(cached_->entries[entry]);
    if (record.size() < 4) return std::nullopt;
    const uint32_t last_fixed = record[0];
    if (column_id > last_fixed) return true;
    const size_t variable_start = load_le16(record.data() + 2);
    const size_t bitmap_size = (last_fixed + 7) / 8;
    if (variable_start > record.size() || variable_start < 4 + bitmap_size) return std::nullopt;
    const uint8_t* bitmap = record.data() + variable_start - bitmap_size;
    return (bitmap[(column_id - 1) / 8] >> ((column_id - 1) % 8)) & 1;
  } catch (const EseError&) {
    return std::nullopt;  // a damaged page: keep what libesedb read
  }
}

}  // namespace quorvine::ese::detail
