// A sealed page copied over another page of the same tree passes the checksum and names the
// right tree; only its place in the tree gives it away. The catalog is read as a whole again
// from its shadow copy, so every table of the undamaged store is still found.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "edbgen/ese_bytes.hpp"
#include "edbgen/ese_checksum.hpp"
#include "ese/database.hpp"
#include "ese/file_format.hpp"
#include "support/test_support.hpp"

namespace {

namespace fs = std::filesystem;
using edbgen::ese::load_le32;
namespace format = quorvine::ese::format;

struct PageHead {
  uint32_t previous, next, object_id, flags;
};

PageHead head_of(const std::vector<uint8_t>& bytes, uint32_t page_size, uint32_t n) {
  const uint8_t* p = &bytes[size_t(n + 1) * page_size];
  namespace at = format::page_header;
  return {load_le32(p + at::previous_page), load_le32(p + at::next_page), load_le32(p + at::object_id),
          load_le32(p + at::flags)};
}

std::vector<std::string> table_names(const fs::path& store, uint64_t* damaged = nullptr) {
  const auto db = quorvine::ese::Database::open(store);
  if (damaged) *damaged = db.damaged_catalog_entries();
  std::vector<std::string> names;
  for (const auto& table : db.tables()) names.push_back(table.name);
  std::sort(names.begin(), names.end());
  return names;
}

TEST(MisplacedPage, CatalogPagesCopiedWithinTheCatalogLoseNoTable) {
  quorvine::testing::ScratchDir dir;
  const fs::path clean = dir.path() / "clean.edb";
  const auto made = quorvine::testing::run_command(
      quorvine::testing::edbgen_program().string() + " --exchange 2007 --scenario '" +
      (quorvine::testing::source_dir() / "tests/data/basic2010.json").string() + "' --out '" + clean.string() + "' 2>&1");
  ASSERT_EQ(made.status, 0) << made.out;
  std::ifstream in(clean, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const uint32_t page_size = load_le32(&bytes[format::file_header::page_size]);
  const uint32_t pages = uint32_t(bytes.size() / page_size) - 2;
  constexpr uint32_t kCatalog = 2, kCatalogRoot = 4;
  // The catalog's leaves in their chain's order.
  std::vector<uint32_t> leaves;
  for (uint32_t n = 1; n <= pages; ++n) {
    const PageHead h = head_of(bytes, page_size, n);
    if (h.object_id == kCatalog && (h.flags & format::page_flags::leaf) && !(h.flags & format::page_flags::root) &&
        h.previous == 0)
      leaves.push_back(n);
  }
  ASSERT_EQ(leaves.size(), 1u) << "the catalog spans a single leaf chain";
  while (const uint32_t next = head_of(bytes, page_size, leaves.back()).next) leaves.push_back(next);
  ASSERT_GE(leaves.size(), 3u) << "the store's catalog is too small to damage this way";

  const std::vector<std::string> expected = table_names(clean);
  const struct {
    const char* what;
    uint32_t from, to;
  } cases[] = {
      {"a leaf over the root", leaves.back(), kCatalogRoot},
      {"a leaf over the one before it", leaves[1], leaves[0]},
      {"a leaf over the one after it", leaves[0], leaves[1]},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> damaged = bytes;
    std::copy_n(&bytes[size_t(c.from + 1) * page_size], page_size, &damaged[size_t(c.to + 1) * page_size]);
    edbgen::ese::seal_page(std::span(damaged).subspan(size_t(c.to + 1) * page_size, page_size), c.to);
    const fs::path store = dir.path() / "damaged.edb";
    quorvine::testing::write_file(store, std::string(damaged.begin(), damaged.end()));
    uint64_t skipped = 0;
    EXPECT_EQ(table_names(store, &skipped), expected);
    EXPECT_GT(skipped, 0u) << "the copy must be reported as damage";
  }
}

}  // namespace
