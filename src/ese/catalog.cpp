#include "ese/catalog.hpp"

#include "ese/byte_reader.hpp"
#include "ese/error.hpp"
#include "ese/record_parser.hpp"
#include "ese/text.hpp"
#include "ese/tree_walk.hpp"

namespace quorvine::ese::detail {
namespace {

enum CatalogColumnIndex : size_t {
  kObjidTable,
  kType,
  kId,
  kColtypOrPgnoFdp,
  kSpaceUsage,
  kFlags,
  kPagesOrLocale,
  kName,
  kTemplateTable,
  kDefaultValue,
  kCatalogColumnCount
};

enum EntryType : uint32_t { kTable = 1, kColumn = 2, kLongValue = 4, kCallback = 5 };

// The catalog's own fixed columns 1-12 (their sizes place the ones we read) and the
// variable columns we read.
RecordSchema catalog_schema(const PageLayout& layout) {
  struct Fixed {
    uint32_t id;
    uint32_t size;
    ColumnType type;
  };
  const Fixed fixed[] = {{1, 4, ColumnType::Long},  {2, 2, ColumnType::Short},       {3, 4, ColumnType::Long},
                         {4, 4, ColumnType::Long},  {5, 4, ColumnType::Long},        {6, 4, ColumnType::Long},
                         {7, 4, ColumnType::Long},  {8, 1, ColumnType::Boolean},     {9, 2, ColumnType::Short},
                         {10, 4, ColumnType::Long}, {11, 2, ColumnType::UnsignedShort}, {12, 4, ColumnType::Long}};
  auto columns = std::make_shared<std::vector<ColumnInfo>>();
  std::vector<uint32_t> sizes;
  for (const Fixed& f : fixed) {
    ColumnInfo c;
    c.id = f.id;
    c.type = f.type;
    columns->push_back(c);
    sizes.push_back(f.size);
  }
  for (uint32_t id : {128u, 129u, 130u, 131u}) {
    ColumnInfo c;
    c.id = id;
    c.type = ColumnType::Binary;
    columns->push_back(c);
    sizes.push_back(0);
  }
  return RecordSchema(std::move(columns), std::move(sizes), RecordFormat::of(layout));
}

// Positions of the columns we read in catalog_schema's list.
constexpr size_t kSchemaIndex[kCatalogColumnCount] = {0, 1, 2, 3, 4, 5, 6, 12, 14, 15};

uint32_t number(const std::optional<StoredValue>& v) {
  if (!v) return 0;
  const ByteReader in(v->raw, "A catalog value");
  if (in.size() >= 4) return in.u32_at(0, "a number");
  if (in.size() >= 2) return in.u16_at(0, "a number");
  return in.size() == 0 ? 0 : in.u8_at(0, "a number");
}

std::vector<uint8_t> bytes(const std::optional<StoredValue>& v) { return v ? v->raw : std::vector<uint8_t>{}; }

std::string text(const std::optional<StoredValue>& v) {
  auto b = bytes(v);
  while (!b.empty() && b.back() == 0) b.pop_back();
  return cp1252_to_utf8(b);
}

void add_entry(Catalog& catalog, const std::vector<std::optional<StoredValue>>& values) {
  auto value = [&](CatalogColumnIndex c) -> const std::optional<StoredValue>& { return values[kSchemaIndex[c]]; };
  const uint32_t owner = number(value(kObjidTable));
  const uint32_t type = number(value(kType));
  const uint32_t id = number(value(kId));
  auto [it, added] = catalog.tables.try_emplace(owner);
  CatalogTable& table = it->second;
  table.object_id = owner;
  switch (type) {
    case kTable:
      if (!table.name.empty()) return;  // a second entry for the same object
      table.name = text(value(kName));
      table.root_page = number(value(kColtypOrPgnoFdp));
      table.template_name = text(value(kTemplateTable));
      catalog.order.push_back(owner);
      break;
    case kColumn: {
      CatalogColumn column;
      column.name = text(value(kName));
      column.type = number(value(kColtypOrPgnoFdp));
      column.space_usage = number(value(kSpaceUsage));
      column.flags = number(value(kFlags));
      column.codepage = number(value(kPagesOrLocale));
      column.default_value = bytes(value(kDefaultValue));
      table.columns[id] = std::move(column);
      break;
    }
    case kLongValue:
      table.long_value_tree = std::make_pair(id, number(value(kColtypOrPgnoFdp)));
      break;
    case kCallback:
      table.callbacks.push_back(text(value(kTemplateTable)));
      break;
    default:
      break;
  }
}

}  // namespace

const CatalogTable* Catalog::find(const std::string& name) const {
  for (uint32_t id : order)
    if (auto it = tables.find(id); it != tables.end() && it->second.name == name) return &it->second;
  return nullptr;
}

Catalog read_catalog(const std::shared_ptr<const PageReader>& reader, uint32_t root_page, uint32_t object_id) {
  const RecordSchema schema = catalog_schema(reader->layout());
  std::vector<size_t> wanted;
  for (size_t index : kSchemaIndex) wanted.push_back(index);
  Catalog catalog;
  TreeWalk walk(reader, root_page, object_id);
  while (auto page = walk.next_leaf()) {
    for (const PageEntry& entry : page->entries) {
      std::vector<std::optional<StoredValue>> values(schema.columns().size());
      try {
        schema.read(page->data(entry), wanted, values);
      } catch (const EseError&) {
        ++catalog.damaged;
        continue;
      }
      add_entry(catalog, values);
    }
  }
  catalog.damaged += walk.damaged_pages();
  // Entries of objects with no table entry (damage) name no table.
  for (auto it = catalog.tables.begin(); it != catalog.tables.end();) {
    if (it->second.name.empty() && it->second.root_page == 0) it = catalog.tables.erase(it);
    else ++it;
  }
  return catalog;
}

}  // namespace quorvine::ese::detail
