// The structural page check that stands between the file and libesedb: crafted pages with
// one fault each are refused, and no page of a real file is.
#include <gtest/gtest.h>

#include <fstream>

#include "ese/page_builder.hpp"
#include "ese/database_header.hpp"
#include "ese/page_checksum.hpp"
#include "ese/page_structure.hpp"
#include "support/test_support.hpp"

namespace quorvine::ese {
namespace {

using namespace quorvine::ese::testing;
using Bytes = std::vector<uint8_t>;

detail::PageLayout small_layout() {
  detail::PageLayout layout;
  layout.page_size = 4096;
  layout.format_revision = 0x14;
  return layout;
}

// A record: last fixed id 1 (4 bytes) + null bitmap, two variable columns (128, 129) with
// 3 and 5 bytes, then a tagged array of two columns.
Bytes record() {
  Bytes r = {0x01, 0x81, 0x09, 0x00, 0x2A, 0x00, 0x00, 0x00, 0x00};
  r = join(r, {0x03, 0x00, 0x08, 0x00});               // variable ends: 3, 8
  r = join(r, {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'});  // variable data
  r = join(r, {0x00, 0x01, 0x08, 0x00, 0x01, 0x01, 0x0A, 0x00});  // tagged 256 @8, 257 @10
  r = join(r, {'x', 'y', 'z', 'w'});
  return r;
}

CraftedPage record_page() {
  CraftedPage page;
  page.tag0 = {0x7F, 0x80, 0x00};  // common key
  page.entries = {{{0x01}, record(), 2, 0x4}, {{0x7F, 0x80, 0x02}, record()}};
  return page;
}

const char* fault(const Bytes& page) { return detail::page_structure_fault(page, small_layout()); }

TEST(PageStructure, WellFormedPagesPass) {
  EXPECT_EQ(fault(build_page(record_page())), nullptr);
  EXPECT_EQ(fault(Bytes(4096, 0)), nullptr);  // never written: no tags
  CraftedPage branch;
  branch.flags = 0x2801;  // root, not leaf
  branch.entries = {{{0x10}, le32(7)}, {{0x20}, le32(8)}};
  EXPECT_EQ(fault(build_page(branch)), nullptr);
  // Long-value and index leaves hold no records; their data is not read as one.
  CraftedPage lv;
  lv.flags = 0x2883;
  lv.entries = {{be32(1), {0xFF, 0xFF}}};
  EXPECT_EQ(fault(build_page(lv)), nullptr);
}

TEST(PageStructure, TagsAndKeysOutsideTheirBoundsAreRefused) {
  Bytes tag_past_values = build_page(record_page());
  put16(tag_past_values, 4096 - 8, 4060);  // entry 1 claims 4060 bytes from offset 43
  EXPECT_NE(fault(tag_past_values), nullptr);

  Bytes tag_count_too_big = build_page(record_page());
  put16(tag_count_too_big, 34, 1020);  // tag array would cover the header
  EXPECT_NE(fault(tag_count_too_big), nullptr);

  CraftedPage long_common = record_page();
  long_common.entries[0].common = 4;  // tag 0 has 3 bytes
  EXPECT_NE(fault(build_page(long_common)), nullptr);

  Bytes long_local = build_page(record_page());
  put16(long_local, 40 + 3 + 2, 0x200);  // entry 1's local key size
  EXPECT_NE(fault(long_local), nullptr);

  CraftedPage short_branch;
  short_branch.flags = 0x2801;
  short_branch.entries = {{{0x10}, {0x07, 0x00}}};  // half a child page number
  EXPECT_NE(fault(build_page(short_branch)), nullptr);

  // A deleted entry is not parsed, whatever it holds.
  CraftedPage deleted = record_page();
  deleted.entries[1].data = {0x01};
  deleted.entries[1].flags = 0x2;
  EXPECT_EQ(fault(build_page(deleted)), nullptr);
}

TEST(PageStructure, RecordsWhoseAreasLeaveTheRecordAreRefused) {
  auto with_record = [](Bytes r) {
    CraftedPage page = record_page();
    page.entries[1].data = std::move(r);
    return build_page(page);
  };
  auto damaged = [&](size_t at, uint8_t value) {
    Bytes r = record();
    r[at] = value;
    return fault(with_record(r));
  };
  EXPECT_EQ(fault(with_record(record())), nullptr);
  EXPECT_NE(damaged(3, 0xDE), nullptr);   // variable data offset far past the record (seen in flipped stores)
  EXPECT_NE(damaged(2, 0x02), nullptr);   // variable data offset inside the record header
  EXPECT_NE(damaged(1, 0xFF), nullptr);   // 128 variable columns: the size array leaves the record
  EXPECT_NE(damaged(12, 0x01), nullptr);  // second variable column ends past the record
  EXPECT_NE(damaged(9, 0x09), nullptr);   // variable column ends 9 then 8: backwards
  EXPECT_NE(damaged(23, 0x20), nullptr);  // tagged array claims more than the tagged area
  EXPECT_NE(damaged(27, 0x04), nullptr);  // second tagged column starts before the first
  EXPECT_NE(damaged(27, 0x40), nullptr);  // second tagged column starts past the record
  EXPECT_NE(fault(with_record({0x01, 0x7F})), nullptr);  // shorter than a record header
  // The empty flag (0x8000) of a variable column is not part of its end offset.
  EXPECT_EQ(damaged(10, 0x80), nullptr);
}

// A catalog column definition: fixed columns ObjidTable, Type, Id, ColtypOrPgnoFDP,
// SpaceUsage, then the null bitmap.
Bytes column_definition(uint32_t id, uint32_t column_type, uint32_t space) {
  Bytes r = {0x05, 0x7F, 23, 0x00};
  r = join(r, le32(6));
  r = join(r, {0x02, 0x00});
  r = join(r, le32(id));
  r = join(r, le32(column_type));
  r = join(r, le32(space));
  r.push_back(0x00);
  return r;
}

TEST(PageStructure, CatalogColumnSizesMustFitTheirType) {
  auto catalog_fault = [](Bytes definition, uint32_t fdp = 2) {
    CraftedPage page;
    page.fdp = fdp;
    page.entries = {{{0x7F, 0x80, 0x00, 0x00, 0x06}, std::move(definition)}};
    return fault(build_page(page));
  };
  EXPECT_EQ(catalog_fault(column_definition(9, 3, 2)), nullptr);
  EXPECT_EQ(catalog_fault(column_definition(4, 9, 200)), nullptr);   // fixed binary up to 255
  EXPECT_EQ(catalog_fault(column_definition(300, 12, 0x50002)), nullptr);  // tagged: size not copied
  EXPECT_NE(catalog_fault(column_definition(9, 3, 0x50002)), nullptr);  // seen in a flipped catalog
  EXPECT_NE(catalog_fault(column_definition(9, 3, 4)), nullptr);
  EXPECT_NE(catalog_fault(column_definition(4, 9, 300)), nullptr);
  EXPECT_NE(catalog_fault(column_definition(9, 3, 0x50002), 3), nullptr);  // the shadow catalog
  EXPECT_EQ(catalog_fault(column_definition(9, 3, 0x50002), 10), nullptr);  // not a catalog page
}

// Every page of every sample that passes the checksum passes: the check must never refuse what the
// engine wrote.
class SamplePages : public ::testing::TestWithParam<std::string> {};

TEST_P(SamplePages, EveryPagePasses) {
  QUORVINE_REQUIRE_SAMPLES();
  const auto path = quorvine::testing::ese_sample(GetParam());
  const DatabaseHeader header = read_database_header(path);
  detail::PageLayout layout;
  layout.page_size = header.page_size;
  layout.format_revision = header.format_revision;
  std::ifstream in(path, std::ios::binary);
  Bytes page(header.page_size);
  size_t pages = 0, with_tags = 0;
  in.seekg(2 * static_cast<std::streamoff>(header.page_size));
  while (in.read(reinterpret_cast<char*>(page.data()), static_cast<std::streamsize>(page.size()))) {
    ++pages;
    // Space never written by the engine (garbage in a just-created file) fails the checksum,
    // which refuses it before this check.
    if (!detail::page_checksum_matches(page, static_cast<uint32_t>(pages))) continue;
    if (page[34] | page[35]) ++with_tags;
    const char* why = detail::page_structure_fault(page, layout);
    EXPECT_EQ(why, nullptr) << GetParam() << " page " << pages << ": " << (why ? why : "");
  }
  EXPECT_GT(with_tags, 0u) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(
    Samples, SamplePages,
    ::testing::Values("artemis_bits_win10_qmgr.db", "dissect_basic.edb", "dissect_binary.edb", "dissect_default.edb",
                      "dissect_index.edb", "dissect_multi.edb", "dissect_text.edb", "dissect_ual_Current.mdb",
                      "dsinternals_2012r2_template_ntds.dit", "dsinternals_adlds_template_adamntds.dit",
                      "museum_srum_server2022_SRUDB.dat", "museum_srum_win10_SRUDB.dat",
                      "museum_srum_win11_clean_SRUDB.dat", "museum_winsearch_win10_clean_Windows.edb",
                      "plaso_SystemIdentity.mdb", "plaso_filehistory_Catalog1.edb", "stroz_decompress_7bit.edb",
                      "stroz_decompress_xpress.edb", "stroz_test.edb", "velo_ual_hyperv_Current_dirty.mdb",
                      "museum_srum_win11_dirty_SRUDB.dat", "dissect_large_32k.edb",
                      "museum_ntds_2012r2_temp_justcreated.edb", "museum_winsearch_win10_dirty_Windows.edb",
                      "velo_bits_qmgr_rev300.db"),
    [](const ::testing::TestParamInfo<std::string>& info) {
      std::string name = info.param;
      for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

}  // namespace
}  // namespace quorvine::ese
