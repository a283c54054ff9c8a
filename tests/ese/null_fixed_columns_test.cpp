#include <gtest/gtest.h>

#include "ese/page_builder.hpp"
#include "ese/null_fixed_columns.hpp"

namespace quorvine::ese {
namespace {

using namespace quorvine::ese::testing;
using Bytes = std::vector<uint8_t>;

// A one-page table (objid 10) of two records over fixed columns 1 (4 bytes) and 2 (2 bytes):
// the first has column 2 NULL in its bitmap, the second stops after column 1.
std::shared_ptr<const detail::PageReader> table_pages() {
  CraftedPage page;
  page.entries = {{be32(1), {2, 127, 11, 0, 1, 0, 0, 0, 0x2A, 0x2A, 0xFE}},
                  {be32(2), {1, 127, 9, 0, 2, 0, 0, 0, 0xFE}}};
  auto source = std::make_shared<detail::MemorySource>(build_file({build_page(page)}));
  return std::make_shared<const detail::PageReader>(source, detail::PageLayout{4096, 0x14});
}

TEST(NullFixedColumns, BitmapAndDroppedTrailingColumnsMarkNull) {
  detail::NullFixedColumns nulls(table_pages(), 1, 10, 2);
  EXPECT_EQ(nulls.is_null(0, 1), false);
  EXPECT_EQ(nulls.is_null(0, 2), true);  // filler bytes present, bitmap says NULL
  EXPECT_EQ(nulls.is_null(1, 1), false);
  EXPECT_EQ(nulls.is_null(1, 2), true);  // beyond the record's last fixed column
  EXPECT_EQ(nulls.is_null(2, 1), std::nullopt);
  EXPECT_EQ(nulls.is_null(0, 200), std::nullopt);  // not a fixed column
}

TEST(NullFixedColumns, UncertainLocationsGiveNoAnswer) {
  // The tree holds two records where libesedb counts three: no guessing.
  EXPECT_EQ(detail::NullFixedColumns(table_pages(), 1, 10, 3).is_null(0, 2), std::nullopt);
  // Another tree's page, and a root outside the file.
  EXPECT_EQ(detail::NullFixedColumns(table_pages(), 1, 11, 2).is_null(0, 2), std::nullopt);
  EXPECT_EQ(detail::NullFixedColumns(table_pages(), 9, 10, 2).is_null(0, 2), std::nullopt);
}

}  // namespace
}  // namespace quorvine::ese
