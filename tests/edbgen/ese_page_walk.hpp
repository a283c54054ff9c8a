#pragma once
// A small, independent page reader for the writer's tests: reads pages as the format
// describes them and walks a B-tree checking its structure, without the product's reader.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace edbgen::testing {

using Bytes = std::vector<uint8_t>;

struct PageView {
  uint32_t number = 0;
  uint32_t prev = 0, next = 0, objid = 0, flags = 0;
  uint16_t free_bytes = 0;
  std::vector<Bytes> values;  // tag order, tag 0 first; tag flags stripped
  std::vector<uint8_t> tag_flags;
};

struct TreeEntry {
  Bytes key;
  Bytes data;
};

struct TreeShape {
  int depth = 0;                       // 1 = the root is a leaf
  std::vector<size_t> pages_per_level; // from the root down
  std::vector<TreeEntry> leaves;       // in key order
};

class EseFile {
 public:
  explicit EseFile(const std::filesystem::path& path);
  uint32_t page_size() const { return page_size_; }
  uint32_t revision() const;
  uint32_t page_count() const { return uint32_t(bytes_.size() / page_size_) - 2; }
  const Bytes& bytes() const { return bytes_; }
  const uint8_t* raw_page(uint32_t number) const { return &bytes_[(size_t(number) + 1) * page_size_]; }
  PageView page(uint32_t number) const;

  // Walks the tree from `root`, checking FDP objids, the leaf chain, key order and
  // separators. Adds a description of each fault to `faults`.
  TreeShape walk(uint32_t root, std::vector<std::string>& faults) const;

  // Catalog entries (type, id, root page or column type) of the table called `name`.
  struct CatalogRow {
    uint32_t objid = 0;
    uint16_t type = 0;
    uint32_t id = 0;
    uint32_t coltyp_or_pgno = 0;
    uint32_t flags = 0;
    std::string name;
    std::string template_table;
  };
  std::vector<CatalogRow> catalog(uint32_t root, std::vector<std::string>& faults) const;

 private:
  Bytes bytes_;
  uint32_t page_size_ = 0;
};

// An entry's full key (tag 0's first common-key-size bytes, then the local key) and data.
TreeEntry split_entry(const PageView& page, size_t tag);

}  // namespace edbgen::testing
