#pragma once
// The catalog (MSysObjects), read with our own tree walk and record reader. Its own
// columns are fixed by the format, so its records are read with a built-in schema.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ese/page_reader.hpp"

namespace quorvine::ese::detail {

struct CatalogColumn {
  std::string name;
  uint32_t type = 0;
  uint32_t flags = 0;
  uint32_t codepage = 0;
  uint32_t space_usage = 0;  // the stored size of a fixed column
  std::vector<uint8_t> default_value;
};

struct CatalogTable {
  uint32_t object_id = 0;
  uint32_t root_page = 0;
  std::string name;
  std::string template_name;  // the table whose columns this one inherits, if any
  std::optional<std::pair<uint32_t, uint32_t>> long_value_tree;  // (object id, root page)
  std::vector<std::string> callbacks;
  std::map<uint32_t, CatalogColumn> columns;  // by column id
};

struct Catalog {
  std::vector<uint32_t> order;               // table object ids in catalog order
  std::map<uint32_t, CatalogTable> tables;   // by object id
  uint64_t damaged = 0;                      // catalog pages and rows left out as damaged
  const CatalogTable* find(const std::string& name) const;
};

inline constexpr uint32_t kCatalogRootPage = format::catalog::root_page;
inline constexpr uint32_t kCatalogObjectId = format::catalog::object_id;
inline constexpr uint32_t kShadowCatalogRootPage = format::catalog::shadow_root_page;
inline constexpr uint32_t kShadowCatalogObjectId = format::catalog::shadow_object_id;

// Reads every row of the catalog tree rooted at `root_page`. Damaged pages and rows are
// left out and counted; a catalog with no table entry at all comes back empty.
Catalog read_catalog(const std::shared_ptr<const PageReader>& reader, uint32_t root_page, uint32_t object_id);

}  // namespace quorvine::ese::detail
