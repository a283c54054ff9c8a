#include <gtest/gtest.h>

#include "ese/page_builder.hpp"
#include "ese/error.hpp"
#include "ese/page_checksum.hpp"
#include "ese/page_reader.hpp"

namespace quorvine::ese {
namespace {

using namespace quorvine::ese::testing;
using Bytes = std::vector<uint8_t>;

uint32_t xor_words(const Bytes& b, size_t from, size_t to, uint32_t seed) {
  for (size_t at = from; at < to; at += 4) seed ^= b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
  return seed;
}

TEST(PageChecksum, SmallPagesAreSeededWithThePageNumber) {
  CraftedPage page;
  page.entries = {{be32(1), {'a', 'b', 'c'}}};
  Bytes bytes = build_page(page, 8192);
  put32(bytes, 0, xor_words(bytes, 8, bytes.size(), 77));
  EXPECT_TRUE(detail::page_checksum_matches(bytes, 77));
  EXPECT_FALSE(detail::page_checksum_matches(bytes, 78));  // the same bytes at another page number
  bytes[5000] ^= 0x10;
  EXPECT_FALSE(detail::page_checksum_matches(bytes, 77));
  // An unwritten page passes (the tree reader rejects it if a tree points there).
  EXPECT_TRUE(detail::page_checksum_matches(Bytes(4096, 0), 5));
}

TEST(PageChecksum, LargePagesAreCheckedInFourBlocks) {
  Bytes bytes(16384, 0);
  put32(bytes, 36, 0x2803);
  for (size_t i = 100; i < bytes.size(); i += 97) bytes[i] = static_cast<uint8_t>(i);
  const size_t block = 4096;
  for (size_t k = 1; k < 4; ++k) put32(bytes, 40 + 8 * (k - 1), xor_words(bytes, k * block, (k + 1) * block, 9));
  put32(bytes, 0, xor_words(bytes, 8, block, 9));
  EXPECT_TRUE(detail::page_checksum_matches(bytes, 9));
  Bytes late = bytes;
  late[3 * block + 10] ^= 1;  // a flip in the last block
  EXPECT_FALSE(detail::page_checksum_matches(late, 9));
}

TEST(PageChecksum, OldFormatPagesSumFromOffsetFour) {
  Bytes bytes(4096, 0);
  put32(bytes, 36, 0x0003);  // no new-checksum flag
  put32(bytes, 4, 12);       // the page number, as old pages store it
  bytes[300] = 0x42;
  put32(bytes, 0, xor_words(bytes, 4, bytes.size(), 0x89ABCDEF));
  EXPECT_TRUE(detail::page_checksum_matches(bytes, 12));
  bytes[301] = 1;
  EXPECT_FALSE(detail::page_checksum_matches(bytes, 12));
}

// The reader sums a page once; a page that failed is refused again on every later read.
TEST(PageChecksum, TheReaderRefusesADamagedPageEveryTime) {
  CraftedPage crafted;
  crafted.entries = {{be32(1), {'a'}}};
  Bytes good = build_page(crafted, 4096);
  put32(good, 0, xor_words(good, 8, good.size(), 1));
  Bytes bad = build_page(crafted, 4096);
  put32(bad, 0, xor_words(bad, 8, bad.size(), 2) ^ 1);
  detail::PageReader reader(std::make_shared<detail::MemorySource>(build_file({good, bad})),
                            detail::PageLayout{4096, 0x14, true});
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    EXPECT_EQ(reader.read(1).entries.size(), 1u);
    EXPECT_THROW(reader.read(2), EseError);
  }
}

}  // namespace
}  // namespace quorvine::ese
