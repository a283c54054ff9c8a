#pragma once
// Builds one B-tree from entries given in ascending key order, streaming: each level keeps
// only the page it is filling. A full page is written at once and its separator goes to
// the level above, so branch levels grow bottom-up. The top page lands on the root page
// number chosen when the tree was created.
#include <cstdint>
#include <span>
#include <vector>

#include "edbgen/ese_page.hpp"
#include "edbgen/ese_page_file.hpp"

namespace edbgen::ese {

class TreeBuilder {
 public:
  // `kind_flags`: extra page flags of every page (long_value for LV trees).
  TreeBuilder(PageFile& file, const PageLayout& layout, uint32_t objid, uint32_t root_page,
              uint32_t kind_flags, const RootHeader& root_header);

  uint32_t root_page() const { return root_page_; }
  uint32_t objid() const { return objid_; }
  // Largest key + data an entry may have.
  size_t max_entry_payload() const;
  void add(std::span<const uint8_t> key, std::span<const uint8_t> data);
  void finish();
  uint64_t entry_count() const { return entries_; }

 private:
  struct Level {
    explicit Level(const PageLayout& layout) : page(layout) {}
    PageBuilder page;
    uint32_t page_number = 0;  // 0 while the level's first page is being filled
    uint32_t prev = 0;
  };

  void add_at(size_t level, std::span<const uint8_t> key, std::span<const uint8_t> data);
  void close_page(size_t level, std::span<const uint8_t> separator);
  void write(Level& level, uint32_t page_number, uint32_t flags, uint32_t next,
             std::span<const uint8_t> tag0);
  const std::vector<uint8_t>& entry_bytes(std::span<const uint8_t> key,
                                          std::span<const uint8_t> data);

  PageFile& file_;
  PageLayout layout_;
  uint32_t objid_;
  uint32_t root_page_;
  uint32_t kind_flags_;
  RootHeader root_header_;
  std::vector<Level> levels_;
  std::vector<uint8_t> scratch_;
  std::vector<uint8_t> separator_;
  uint64_t entries_ = 0;
  bool finished_ = false;
};

}  // namespace edbgen::ese
