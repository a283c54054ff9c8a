#include "ese/catalog.hpp"

#include <array>

#include "ese/byte_order.hpp"
#include "ese/error.hpp"
#include "ese/libesedb_handles.hpp"
#include "ese/text.hpp"

namespace quorvine::ese::detail {
namespace {

enum CatalogColumnId : uint32_t {
  kObjidTable = 1,
  kType = 2,
  kId = 3,
  kColtypOrPgnoFdp = 4,
  kFlags = 6,
  kPagesOrLocale = 7,
  kName = 128,
  kTemplateTable = 130,
  kDefaultValue = 131,
};

enum EntryType : uint32_t { kTable = 1, kColumn = 2, kLongValue = 4, kCallback = 5 };

std::vector<uint8_t> value_bytes(libesedb_record_t* record, int index) {
  LibError error;
  size_t size = 0;
  if (index < 0 || libesedb_record_get_value_data_size(record, index, &size, error.out()) != 1 || size == 0)
    return {};
  std::vector<uint8_t> data(size);
  if (libesedb_record_get_value_data(record, index, data.data(), size, error.out()) != 1) return {};
  return data;
}

uint32_t value_u32(libesedb_record_t* record, int index) {
  auto b = value_bytes(record, index);
  if (b.size() >= 4) return load_le32(b.data());
  if (b.size() >= 2) return load_le16(b.data());
  if (b.size() == 1) return b[0];
  return 0;
}

}  // namespace

const CatalogTable* Catalog::find(const std::string& name) const {
  for (const auto& [id, table] : tables)
    if (table.name == name) return &table;
  return nullptr;
}

Catalog read_catalog(libesedb_table_t* msys_objects) {
  LibError error;
  int column_count = 0;
  if (libesedb_table_get_number_of_columns(msys_objects, &column_count, 0, error.out()) != 1)
    throw EseError("The catalog cannot be read: " + error.message() + ".");
  std::array<int, 256> index_of{};
  index_of.fill(-1);
  for (int i = 0; i < column_count; ++i) {
    libesedb_column_t* raw = nullptr;
    if (libesedb_table_get_column(msys_objects, i, &raw, 0, error.out()) != 1) continue;
    ColumnHandle column(raw);
    uint32_t id = 0;
    if (libesedb_column_get_identifier(column.get(), &id, error.out()) == 1 && id < index_of.size())
      index_of[id] = i;
  }
  if (index_of[kObjidTable] < 0 || index_of[kType] < 0 || index_of[kId] < 0 || index_of[kName] < 0)
    throw EseError("The catalog lacks its basic columns.");

  int record_count = 0;
  if (libesedb_table_get_number_of_records(msys_objects, &record_count, error.out()) != 1)
    throw EseError("The catalog cannot be read: " + error.message() + ".");
  Catalog catalog;
  for (int r = 0; r < record_count; ++r) {
    libesedb_record_t* raw = nullptr;
    if (libesedb_table_get_record(msys_objects, r, &raw, error.out()) != 1) continue;  // a damaged row
    RecordHandle record(raw);
    const uint32_t owner = value_u32(record.get(), index_of[kObjidTable]);
    const uint32_t type = value_u32(record.get(), index_of[kType]);
    const uint32_t id = value_u32(record.get(), index_of[kId]);
    CatalogTable& table = catalog.tables[owner];
    table.object_id = owner;
    switch (type) {
      case kTable:
        table.name = cp1252_to_utf8(value_bytes(record.get(), index_of[kName]));
        table.root_page = value_u32(record.get(), index_of[kColtypOrPgnoFdp]);
        break;
      case kColumn: {
        CatalogColumn column;
        column.name = cp1252_to_utf8(value_bytes(record.get(), index_of[kName]));
        column.type = value_u32(record.get(), index_of[kColtypOrPgnoFdp]);
        column.flags = value_u32(record.get(), index_of[kFlags]);
        column.codepage = value_u32(record.get(), index_of[kPagesOrLocale]);
        column.default_value = value_bytes(record.get(), index_of[kDefaultValue]);
        table.columns[id] = std::move(column);
        break;
      }
      case kLongValue:
        table.long_value_tree = std::make_pair(id, value_u32(record.get(), index_of[kColtypOrPgnoFdp]));
        break;
      case kCallback: {
        auto text = value_bytes(record.get(), index_of[kTemplateTable]);
        while (!text.empty() && text.back() == 0) text.pop_back();
        table.callbacks.push_back(cp1252_to_utf8(text));
        break;
      }
      default:
        break;
    }
  }
  return catalog;
}

}  // namespace quorvine::ese::detail
