#pragma once
// Our own reader of a table's records: fixed columns with the null bitmap, variable
// columns (offset array, high-bit NULL flag), tagged columns (identifier/offset array; the
// flag byte in front of a value when the offset's 0x4000 bit says so on small pages, always
// on 16/32 KiB pages), and catalog defaults of tagged columns. Values stay as stored
// (compressed, long-value references, multi-value arrays); Record resolves them.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "ese/database.hpp"
#include "ese/page_reader.hpp"

namespace quorvine::ese::detail {

struct RecordFormat {
  bool flag_byte_always = false;      // 16/32 KiB pages from revision 0x11
  uint16_t tagged_offset_mask = 0x3FFF;
  static RecordFormat of(const PageLayout& layout);
};

class RecordSchema {
 public:
  // `fixed_sizes[i]` is the stored size of column i when it is a fixed column (catalog
  // SpaceUsage). Columns are in record order: ids ascending, template columns first.
  RecordSchema(std::shared_ptr<const std::vector<ColumnInfo>> columns, std::vector<uint32_t> fixed_sizes,
               RecordFormat format);

  const std::vector<ColumnInfo>& columns() const { return *columns_; }
  const std::shared_ptr<const std::vector<ColumnInfo>>& shared_columns() const { return columns_; }

  // Fills values[i] for every wanted column i < values.size(): the stored value, or nothing
  // when the column holds no data. Throws EseError when a part of the record it reads does
  // not fit inside the record.
  void read(std::span<const uint8_t> record, std::span<const size_t> wanted,
            std::vector<std::optional<StoredValue>>& values) const;

 private:
  std::shared_ptr<const std::vector<ColumnInfo>> columns_;
  std::vector<uint32_t> fixed_sizes_;
  std::vector<uint32_t> fixed_offsets_;  // from the record start
  RecordFormat format_;
};

}  // namespace quorvine::ese::detail
