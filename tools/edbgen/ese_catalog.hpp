#pragma once
// The catalog (MSysObjects) and its shadow: one record per table, column, long-value tree
// and callback, keyed by (ObjidTable, Type, Id).
#include <cstdint>
#include <string>
#include <vector>

#include "edbgen/ese_tree.hpp"
#include "edbgen/ese_writer.hpp"

namespace edbgen::ese {

namespace catalog_type {
inline constexpr uint16_t table = 1;
inline constexpr uint16_t column = 2;
inline constexpr uint16_t long_value = 4;
inline constexpr uint16_t callback = 5;
}  // namespace catalog_type

inline constexpr uint32_t kCatalogObjid = quorvine::ese::format::catalog::object_id;
inline constexpr uint32_t kShadowCatalogObjid = quorvine::ese::format::catalog::shadow_object_id;
inline constexpr uint32_t kCatalogRootPage = quorvine::ese::format::catalog::root_page;
inline constexpr uint32_t kShadowCatalogRootPage = quorvine::ese::format::catalog::shadow_root_page;

struct CatalogEntry {
  uint32_t objid_table = 0;
  uint16_t type = 0;
  uint32_t id = 0;
  uint32_t coltyp_or_pgno = 0;
  uint32_t space_usage = 0;
  uint32_t flags = 0;
  uint32_t pages_or_locale = 0;
  bool root_flag = false;
  bool has_record_offset = false;
  uint16_t record_offset = 0;
  std::string name;
  std::string template_table;  // a callback's "DLL!function"
};

// The catalog's own columns, as the engine of `format_revision` describes them.
std::vector<ColumnDef> catalog_columns(uint32_t format_revision);

// The 13-byte key of an entry.
std::vector<uint8_t> catalog_key(const CatalogEntry& e);

// Sorts the entries by key and writes them into `tree` (a catalog of either copy).
void write_catalog(std::vector<CatalogEntry> entries, TreeBuilder& tree, bool large_pages,
                   uint32_t format_revision);

}  // namespace edbgen::ese
