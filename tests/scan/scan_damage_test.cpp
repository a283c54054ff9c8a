// Files that are not stores, and stores damaged by truncation or flipped bytes: the scan
// reports them and never crashes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>

#include "edbgen/ese_checksum.hpp"
#include "scan/scan_driver.hpp"
#include "scan_fixture.hpp"
#include "support/test_support.hpp"

using namespace scan_test;
using quorvine::decode::Generation;
using quorvine::scan::ScanOutcome;

namespace {

Bytes read_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void write_bytes(const std::filesystem::path& path, const Bytes& bytes, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(size));
}

void expect_open_failure(const std::filesystem::path& file) {
  ScanRun run;
  run_scan(run, file, Generation::V2007);
  EXPECT_EQ(run.session.outcome, ScanOutcome::OpenFailed) << file;
  EXPECT_FALSE(run.session.failure_reason.empty());
  ASSERT_FALSE(run.statuses.empty());
  EXPECT_EQ(run.statuses.back(), "Unable to Recover Exchange Database ");
  ASSERT_EQ(run.message_boxes.size(), 1u);
  EXPECT_EQ(run.message_boxes[0], "Unable to Recover Exchange Database               ");
  EXPECT_TRUE(run.session.mailboxes.empty());
}

Store2007 busy_store() {
  Store2007 store;
  store.mailboxes = {{0x1, "One", "o"}, {0x2, "Two", "t"}};
  for (uint64_t i = 0; i < 40; ++i)
    store.folders.push_back({0x100 + i, i % 5 == 0 ? 0 : 0x100 + i - 1, 1 + i % 2,
                             "Folder " + std::to_string(i), "/F" + std::to_string(i % 5) +
                             (i % 5 ? "/G" + std::to_string(i) : ""), "IPF.Note"});
  for (uint64_t i = 0; i < 300; ++i) store.messages.push_back({0x5000 + i, id_bytes(0x9000 + i)});
  for (uint64_t i = 0; i < 100; ++i)
    store.attachments.push_back({0x9000 + i, "file" + std::to_string(i) + ".txt", ""});
  return store;
}

// Scans every variant; a variant either completes or is refused, and never throws.
// Returns whether the scan noticed anything (refused the file or warned).
bool scan_variant(const std::filesystem::path& file, Generation version,
                  const std::string& what) {
  // Under a sanitizer a fault aborts the run; this names the variant that caused it.
  if (std::getenv("QUORVINE_TRACE_VARIANTS")) std::fprintf(stderr, "scanning %s\n", what.c_str());
  ScanRun run;
  EXPECT_NO_THROW(run_scan(run, file, version)) << what;
  EXPECT_TRUE(run.session.outcome == ScanOutcome::Completed ||
              run.session.outcome == ScanOutcome::OpenFailed)
      << what;
  return run.session.outcome == ScanOutcome::OpenFailed || !run.warnings.empty() ||
         run.session.index.messages().size() != 300 ||
         run.session.index.attachments().size() != 100 ||
         run.session.folder_records.size() != 40;
}

}  // namespace

TEST(ScanOpenFailure, FilesThatAreNotStores) {
  quorvine::testing::ScratchDir dir;
  write_bytes(dir / "empty.edb", {}, 0);
  expect_open_failure(dir / "empty.edb");
  const std::string text = "This is a text file, not an ESE database.\n";
  write_bytes(dir / "text.edb", Bytes(text.begin(), text.end()), text.size());
  expect_open_failure(dir / "text.edb");
  expect_open_failure(dir / "missing.edb");
  expect_open_failure(dir.path());

  write_store_2007(dir / "good.edb", busy_store());
  const Bytes good = read_bytes(dir / "good.edb");
  write_bytes(dir / "short.edb", good, 3000);  // not even one header page
  expect_open_failure(dir / "short.edb");
  Bytes zeros(good.size(), 0);
  write_bytes(dir / "zeros.edb", zeros, zeros.size());
  expect_open_failure(dir / "zeros.edb");
}

TEST(ScanOpenFailure, UnreadableFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
  quorvine::testing::ScratchDir dir;
  write_store_2007(dir / "locked.edb", busy_store());
  std::filesystem::permissions(dir / "locked.edb", std::filesystem::perms::none);
  expect_open_failure(dir / "locked.edb");
}

TEST(ScanDamage, TruncatedCopiesNeverCrash) {
  quorvine::testing::ScratchDir dir;
  write_store_2007(dir / "good.edb", busy_store());
  const Bytes good = read_bytes(dir / "good.edb");
  const size_t page = 8192;
  int noticed = 0, variants = 0;
  for (size_t size = page; size < good.size(); size += page / 2, ++variants) {
    write_bytes(dir / "cut.edb", good, size);
    const bool seen =
        scan_variant(dir / "cut.edb", Generation::V2007, "cut at " + std::to_string(size));
    if (!seen) std::printf("unnoticed cut at %zu of %zu\n", size, good.size());
    noticed += seen;
  }
  EXPECT_EQ(noticed, variants);  // every cut loses something the scan must notice
}

TEST(ScanDamage, FlippedBytesInSealedPagesNeverCrash) {
  // Pages are resealed after the flip, so the damage reaches the page and record parsers
  // instead of stopping at the checksum.
  quorvine::testing::ScratchDir dir;
  write_store_2007(dir / "good.edb", busy_store());
  const Bytes good = read_bytes(dir / "good.edb");
  const size_t page = 8192;
  const size_t pages = good.size() / page;
  ASSERT_GT(pages, 3u);
  std::mt19937 random(20261207);
  int noticed = 0;
  for (int variant = 0; variant < 250; ++variant) {
    Bytes damaged = good;
    const size_t page_index = 2 + random() % (pages - 2);
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int f = 0; f < flips; ++f) {
      const size_t offset = page_index * page + 8 + random() % (page - 8);
      damaged[offset] ^= static_cast<uint8_t>(1 + random() % 255);
    }
    edbgen::ese::seal_page(std::span<uint8_t>(damaged.data() + page_index * page, page),
                           static_cast<uint32_t>(page_index - 1));
    write_bytes(dir / "flip.edb", damaged, damaged.size());
    noticed += scan_variant(
        dir / "flip.edb", variant % 3 == 0 ? Generation::V2010 : Generation::V2007,
        "variant " + std::to_string(variant) + " page " + std::to_string(page_index));
  }
  EXPECT_GT(noticed, 0);  // the damage did reach the scan
}

TEST(ScanDamage, FlippedBytesWithoutResealingAreSkippedAsDamage) {
  quorvine::testing::ScratchDir dir;
  write_store_2007(dir / "good.edb", busy_store());
  Bytes damaged = read_bytes(dir / "good.edb");
  std::mt19937 random(7);
  for (int f = 0; f < 64; ++f) damaged[2 * 8192 + random() % (damaged.size() - 2 * 8192)] ^= 0x5A;
  write_bytes(dir / "flip.edb", damaged, damaged.size());
  EXPECT_TRUE(scan_variant(dir / "flip.edb", Generation::V2007, "unsealed flips"));
}

TEST(ScanDamage, LostCatalogRootIsReportedWhileTheShadowServes) {
  quorvine::testing::ScratchDir dir;
  write_store_2007(dir / "good.edb", busy_store());
  Bytes damaged = read_bytes(dir / "good.edb");
  const size_t page = 8192;
  std::fill_n(damaged.begin() + (4 + 1) * page, page, uint8_t(0));  // the catalog root, page 4
  write_bytes(dir / "nocatalog.edb", damaged, damaged.size());
  ScanRun run;
  run_scan(run, dir / "nocatalog.edb", Generation::V2007);
  EXPECT_EQ(run.session.outcome, ScanOutcome::Completed);
  EXPECT_EQ(run.session.folder_records.size(), 40u);
  EXPECT_TRUE(std::any_of(run.warnings.begin(), run.warnings.end(), [](const std::string& w) {
    return w.find("damaged catalog") != std::string::npos;
  })) << "the shadow catalog served silently";
}

TEST(ScanDamage, DamagedHeaderIsReportedWhileTheShadowCopyServes) {
  quorvine::testing::ScratchDir dir;
  write_store_2007(dir / "good.edb", busy_store());
  Bytes damaged = read_bytes(dir / "good.edb");
  damaged[300] ^= 0x40;  // the primary header's checksum no longer matches; the copy is intact
  write_bytes(dir / "header.edb", damaged, damaged.size());
  ScanRun run;
  run_scan(run, dir / "header.edb", Generation::V2007);
  EXPECT_EQ(run.session.outcome, ScanOutcome::Completed);
  EXPECT_EQ(run.session.folder_records.size(), 40u);
  EXPECT_TRUE(std::any_of(run.warnings.begin(), run.warnings.end(), [](const std::string& w) {
    return w.find("header is damaged") != std::string::npos;
  })) << "the shadow header served silently";
}
