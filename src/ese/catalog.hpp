#pragma once
// What we take from the catalog (MSysObjects) beyond libesedb's table and column lists:
// each table's object id, its long-value tree, its callbacks, and the stored column flags,
// code pages and default values.
#include <libesedb.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quorvine::ese::detail {

struct CatalogColumn {
  std::string name;
  uint32_t type = 0;
  uint32_t flags = 0;
  uint32_t codepage = 0;
  std::vector<uint8_t> default_value;
};

struct CatalogTable {
  uint32_t object_id = 0;
  uint32_t root_page = 0;
  std::string name;
  std::optional<std::pair<uint32_t, uint32_t>> long_value_tree;  // (object id, root page)
  std::vector<std::string> callbacks;
  std::map<uint32_t, CatalogColumn> columns;  // by column id
};

struct Catalog {
  std::map<uint32_t, CatalogTable> tables;  // by object id
  const CatalogTable* find(const std::string& name) const;
};

// Reads every row of the MSysObjects table. Throws EseError when it cannot be read.
Catalog read_catalog(libesedb_table_t* msys_objects);

}  // namespace quorvine::ese::detail
