#include "edbgen/ese_catalog.hpp"

#include <algorithm>
#include <stdexcept>
#include <tuple>

#include "edbgen/ese_bytes.hpp"
#include "edbgen/ese_record.hpp"

namespace edbgen::ese {

std::vector<ColumnDef> catalog_columns(uint32_t format_revision) {
  using T = ColumnType;
  const bool newer = format_revision >= 0x14;
  std::vector<ColumnDef> c = {
      {1, "ObjidTable", T::Long, 1, 0, 4},      {2, "Type", T::Short, 1, 0, 2},
      {3, "Id", T::Long, 1, 0, 4},              {4, "ColtypOrPgnoFDP", T::Long, 1, 0, 4},
      {5, "SpaceUsage", T::Long, 1, 0, 4},      {6, "Flags", T::Long, 1, 0, 4},
      {7, "PagesOrLocale", T::Long, 1, 0, 4},   {8, "RootFlag", T::Boolean, 0, 0, 1},
      {9, "RecordOffset", T::Short, 0, 0, 2},   {10, "LCMapFlags", T::Long, 0, 0, 4},
      {11, "KeyMost", T::UnsignedShort, 0, 0, 2},
  };
  if (newer) c.push_back({12, "LVChunkMax", T::Long, 0, 0, 4});
  const char* variable[] = {"Name",      "Stats",      "TemplateTable",      "DefaultValue",
                            "KeyFldIDs", "VarSegMac",  "ConditionalColumns", "TupleLimits",
                            "Version",   "SortID"};
  for (uint32_t i = 0; i < (newer ? 10u : 9u); ++i) {
    const bool text = i == 0 || i == 2;
    c.push_back({128 + i, variable[i], text ? T::Text : T::Binary, i == 0 ? 1u : 0u,
                 text ? 1252u : 0u, 255});
  }
  const char* tagged[] = {"CallbackData", "CallbackDependencies", "SeparateLV",
                          "SpaceHints",   "SpaceDeferredLVHints", "LocaleName"};
  for (uint32_t i = 0; i < (newer ? 6u : 2u); ++i)
    c.push_back({256 + i, tagged[i], T::LargeBinary, 0, 0, 0});
  return c;
}

std::vector<uint8_t> catalog_key(const CatalogEntry& e) {
  std::vector<uint8_t> key;
  key.push_back(0x7F);
  append_be32(key, e.objid_table ^ 0x80000000u);
  key.push_back(0x7F);
  append_be16(key, uint16_t(e.type ^ 0x8000u));
  key.push_back(0x7F);
  append_be32(key, e.id ^ 0x80000000u);
  return key;
}

namespace {

std::vector<uint8_t> cp1252(const std::string& text) {
  for (unsigned char ch : text)
    if (ch >= 0x80)
      throw std::invalid_argument("The name \"" + text + "\" is not plain ASCII, as catalog names must be.");
  return {text.begin(), text.end()};
}

template <typename T>
std::span<const uint8_t> le(T v, uint8_t (&buf)[8]) {
  for (size_t i = 0; i < sizeof(T); ++i) buf[i] = uint8_t(uint64_t(v) >> (8 * i));
  return {buf, sizeof(T)};
}

}  // namespace

void write_catalog(std::vector<CatalogEntry> entries, TreeBuilder& tree, bool large_pages,
                   uint32_t format_revision) {
  std::sort(entries.begin(), entries.end(), [](const CatalogEntry& a, const CatalogEntry& b) {
    return std::tie(a.objid_table, a.type, a.id) < std::tie(b.objid_table, b.type, b.id);
  });
  for (size_t i = 1; i < entries.size(); ++i)
    if (catalog_key(entries[i]) == catalog_key(entries[i - 1]))
      throw std::logic_error("duplicate catalog entry");
  const std::vector<ColumnDef> columns = catalog_columns(format_revision);
  const ColumnLayout layout = ColumnLayout::build("MSysObjects", columns);
  RecordBuilder record(layout, large_pages);
  uint8_t buf[8];
  for (const CatalogEntry& e : entries) {
    record.clear();
    record.set_fixed(1, le(e.objid_table, buf));
    record.set_fixed(2, le(e.type, buf));
    record.set_fixed(3, le(e.id, buf));
    record.set_fixed(4, le(e.coltyp_or_pgno, buf));
    record.set_fixed(5, le(e.space_usage, buf));
    record.set_fixed(6, le(e.flags, buf));
    record.set_fixed(7, le(e.pages_or_locale, buf));
    if (e.root_flag) record.set_fixed(8, le(uint8_t(0xFF), buf));
    if (e.has_record_offset) record.set_fixed(9, le(e.record_offset, buf));
    record.set_variable(128, cp1252(e.name));
    if (!e.template_table.empty()) record.set_variable(130, cp1252(e.template_table));
    tree.add(catalog_key(e), record.build());
  }
}

}  // namespace edbgen::ese
