// Page and header checksums, checked against a plain bit-by-bit reading of the rule and
// against pages written by Microsoft's engine.
#include <gtest/gtest.h>

#include <random>

#include "edbgen/ese_checksum.hpp"
#include "edbgen/ese_page_walk.hpp"
#include "support/test_support.hpp"

namespace {

using edbgen::ese::ChecksumPair;

uint32_t le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The rule as written: every set bit i adds i to the low half and ~i to the high half.
ChecksumPair reference_block(const uint8_t* block, size_t size, uint32_t page, bool skip8) {
  uint32_t x = page, lo = 0, hi = 0;
  const uint32_t mask = size <= 4096 ? 0x7FFF : 0xFFFF;
  for (size_t w = skip8 ? 2 : 0; w < size / 4; ++w) x ^= le32(block + 4 * w);
  for (size_t b = skip8 ? 8 : 0; b < size; ++b)
    for (int bit = 0; bit < 8; ++bit)
      if (block[b] >> bit & 1) {
        const uint32_t i = uint32_t(8 * b + bit);
        lo ^= i;
        hi ^= ~i & mask;
      }
  return {x, hi << 16 | lo};
}

// Whether every stored pair of a page matches the reference.
bool page_checks(const uint8_t* page, size_t size, uint32_t number) {
  if (size <= 8192) {
    ChecksumPair p = reference_block(page, size, number, true);
    return p.xor_sum == le32(page) && p.ecc == le32(page + 4);
  }
  const size_t q = size / 4;
  for (size_t b = 1; b < 4; ++b) {
    ChecksumPair p = reference_block(page + b * q, q, number, false);
    if (p.xor_sum != le32(page + 32 + 8 * b) || p.ecc != le32(page + 36 + 8 * b)) return false;
  }
  ChecksumPair p = reference_block(page, q, number, true);
  return p.xor_sum == le32(page) && p.ecc == le32(page + 4);
}

TEST(EseChecksum, SealedPagesMatchTheBitwiseRuleForEveryPageSize) {
  std::mt19937 rng(7);
  for (uint32_t size : {4096u, 8192u, 16384u, 32768u}) {
    for (int fill : {0, 1, 2}) {
      std::vector<uint8_t> page(size, 0);
      for (auto& b : page) b = fill == 0 ? 0 : fill == 1 ? 0xFF : uint8_t(rng());
      const uint32_t number = 12345 + fill;
      edbgen::ese::seal_page(page, number);
      EXPECT_TRUE(page_checks(page.data(), size, number)) << size << " fill " << fill;
      // A single flipped bit anywhere after the checksum must be noticed.
      page[size - 3] ^= 0x10;
      EXPECT_FALSE(page_checks(page.data(), size, number)) << size;
    }
  }
}

TEST(EseChecksum, BitwiseRuleAndSealAgreeOnEngineWrittenPages) {
  QUORVINE_REQUIRE_SAMPLES();
  // One sample per page size: 4, 8 and 16 KiB.
  for (const char* name : {"museum_srum_server2022_SRUDB.dat", "stroz_decompress_7bit.edb",
                           "artemis_bits_win10_qmgr.db"}) {
    edbgen::testing::EseFile file(quorvine::testing::ese_sample(name));
    int checked = 0;
    for (uint32_t n = 1; n <= file.page_count() && checked < 40; ++n) {
      const uint8_t* raw = file.raw_page(n);
      if (le32(raw) == 0 || le32(raw + 36) == 0xFFFFFFFF) continue;
      ++checked;
      ASSERT_TRUE(page_checks(raw, file.page_size(), n)) << name << " page " << n;
      std::vector<uint8_t> copy(raw, raw + file.page_size());
      edbgen::ese::seal_page(copy, n);
      ASSERT_TRUE(std::equal(copy.begin(), copy.end(), raw)) << name << " page " << n;
    }
    EXPECT_GT(checked, 0) << name;
  }
}

TEST(EseChecksum, HeaderChecksumMatchesEngineHeaders) {
  QUORVINE_REQUIRE_SAMPLES();
  for (const char* name : {"stroz_test.edb", "artemis_bits_win10_qmgr.db"}) {
    edbgen::testing::EseFile file(quorvine::testing::ese_sample(name));
    std::span<const uint8_t> header(file.bytes().data(), file.page_size());
    EXPECT_EQ(edbgen::ese::header_checksum(header), le32(header.data())) << name;
  }
}

}  // namespace
