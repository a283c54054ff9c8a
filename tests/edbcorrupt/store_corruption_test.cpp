// The campaign's damage tool: resealed damage passes the reader's checksum, raw damage does
// not, and every mode is deterministic for a seed.
#include <gtest/gtest.h>

#include <algorithm>

#include "edbcorrupt/store_corruption.hpp"
#include "edbgen/ese_bytes.hpp"
#include "edbgen/ese_checksum.hpp"
#include "ese/page_checksum.hpp"

namespace {

using edbcorrupt::Mode;
using edbgen::ese::store_le16;
using edbgen::ese::store_le32;

constexpr uint32_t kPageSize = 8192;
constexpr uint32_t kPages = 30;

// Two header blocks and 30 sealed leaf pages; pages 4 and 24 are the catalogs' roots.
std::vector<uint8_t> small_store() {
  std::vector<uint8_t> bytes(size_t(kPages + 2) * kPageSize, 0);
  store_le32(&bytes[4], 0x89ABCDEF);
  store_le32(&bytes[236], kPageSize);
  for (uint32_t n = 1; n <= kPages; ++n) {
    auto page = std::span(bytes).subspan(size_t(n + 1) * kPageSize, kPageSize);
    const uint32_t objid = n == 4 ? 2 : n == 24 ? 3 : 100 + n;
    store_le32(&page[24], objid);
    store_le16(&page[32], 200);
    store_le16(&page[34], 3);
    store_le32(&page[36], 0x2000 | 0x2);
    for (size_t i = 40; i < 240; ++i) page[i] = uint8_t(n * 7 + i);
    edbgen::ese::seal_page(page, n);
  }
  return bytes;
}

std::span<const uint8_t> page_of(const std::vector<uint8_t>& bytes, uint32_t n) {
  return std::span(bytes).subspan(size_t(n + 1) * kPageSize, kPageSize);
}

std::vector<uint32_t> changed_pages(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  std::vector<uint32_t> changed;
  for (uint32_t n = 1; n <= kPages; ++n)
    if (!std::ranges::equal(page_of(a, n), page_of(b, n))) changed.push_back(n);
  return changed;
}

TEST(StoreCorruption, FlipIsResealedAndFlipRawIsNot) {
  const auto base = small_store();
  for (uint64_t seed = 1; seed <= 20; ++seed) {
    const auto sealed = edbcorrupt::corrupt(base, Mode::Flip, seed).bytes;
    const auto changed = changed_pages(base, sealed);
    ASSERT_EQ(changed.size(), 1u) << "seed " << seed;
    EXPECT_TRUE(quorvine::ese::detail::page_checksum_matches(page_of(sealed, changed[0]), changed[0]));

    const auto raw = edbcorrupt::corrupt(base, Mode::FlipRaw, seed).bytes;
    ASSERT_EQ(changed_pages(base, raw).size(), 1u);
    const uint32_t n = changed_pages(base, raw)[0];
    // The stored ECC is stale whenever the body changed, whatever the XOR does.
    auto resealed = std::vector<uint8_t>(page_of(raw, n).begin(), page_of(raw, n).end());
    edbgen::ese::seal_page(resealed, n);
    EXPECT_FALSE(std::ranges::equal(resealed, page_of(raw, n))) << "seed " << seed;
  }
}

TEST(StoreCorruption, SwapAndCopyResealUnderTheNewPageNumber) {
  const auto base = small_store();
  const auto swapped = edbcorrupt::corrupt(base, Mode::SwapPages, 5).bytes;
  const auto changed = changed_pages(base, swapped);
  ASSERT_EQ(changed.size(), 2u);
  const uint32_t a = changed[0], b = changed[1];
  EXPECT_TRUE(std::equal(page_of(swapped, a).begin() + 8, page_of(swapped, a).end(), page_of(base, b).begin() + 8));
  for (uint32_t n : changed)
    EXPECT_TRUE(quorvine::ese::detail::page_checksum_matches(page_of(swapped, n), n));

  const auto copied = edbcorrupt::corrupt(base, Mode::CopyPage, 9).bytes;
  const auto target = changed_pages(base, copied);
  ASSERT_EQ(target.size(), 1u);
  EXPECT_TRUE(quorvine::ese::detail::page_checksum_matches(page_of(copied, target[0]), target[0]));
}

TEST(StoreCorruption, TruncateCutsShortAndRepeatsForASeed) {
  const auto base = small_store();
  for (uint64_t seed = 1; seed <= 10; ++seed) {
    const auto cut = edbcorrupt::corrupt(base, Mode::Truncate, seed);
    EXPECT_LT(cut.bytes.size(), base.size());
    EXPECT_EQ(cut.description, "truncated to " + std::to_string(cut.bytes.size()) + " bytes");
    EXPECT_EQ(edbcorrupt::corrupt(base, Mode::Truncate, seed).bytes, cut.bytes);
  }
}

TEST(StoreCorruption, CatalogDamageStaysOnCatalogPages) {
  const auto base = small_store();
  for (uint64_t seed = 1; seed <= 20; ++seed) {
    const auto damaged = edbcorrupt::corrupt(base, Mode::Catalog, seed).bytes;
    for (uint32_t n : changed_pages(base, damaged)) EXPECT_TRUE(n == 4 || n == 24) << "page " << n;
  }
}

TEST(StoreCorruption, HeaderDamageLeavesThePagesAlone) {
  const auto base = small_store();
  const auto damaged = edbcorrupt::corrupt(base, Mode::Header, 3).bytes;
  EXPECT_TRUE(changed_pages(base, damaged).empty());
  EXPECT_FALSE(std::equal(base.begin(), base.begin() + 2 * kPageSize, damaged.begin()));
}

TEST(StoreCorruption, RefusesAnImageWithoutAPageSize) {
  EXPECT_THROW(edbcorrupt::corrupt(std::vector<uint8_t>(3 * kPageSize, 0), Mode::Flip, 1), std::runtime_error);
  EXPECT_FALSE(edbcorrupt::parse_mode("shuffle").has_value());
  EXPECT_EQ(edbcorrupt::parse_mode("copy-page"), Mode::CopyPage);
}

}  // namespace
