// The renderers over records read from real ESE files by the reading layer.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "decode/identifiers.hpp"
#include "decode/value_renderers.hpp"
#include "ese/database.hpp"
#include "support/test_support.hpp"

namespace quorvine::decode {
namespace {

struct SampleRecords {
  ese::Table table;
  ese::Record row(uint64_t index) const { return table.read_record(index); }
  size_t column(std::string_view name) const {
    auto index = table.column_index(name);
    if (!index) throw std::runtime_error("no column " + std::string(name));
    return *index;
  }
};

SampleRecords open_sample(const std::string& file, const std::string& table) {
  ese::Database db = ese::Database::open(quorvine::testing::ese_sample(file));
  return SampleRecords{db.open_table(*db.find_table(table))};
}

std::string slurp(const std::filesystem::path& path) { return quorvine::testing::read_file(path); }

TEST(SampleRecords, FixedTypesThroughTheGeneralRenderer) {
  QUORVINE_REQUIRE_SAMPLES();
  SampleRecords s = open_sample("dissect_basic.edb", "basic");
  DecodeContext ctx;
  ese::Record first = s.row(0);
  auto general = [&](const ese::Record& r, std::string_view name) {
    return render_value(ctx, &r, s.column(name));
  };
  EXPECT_EQ(general(first, "Bit"), "false");
  EXPECT_EQ(general(first, "UnsignedByte"), "213");
  EXPECT_EQ(general(first, "Short"), "-1337");
  EXPECT_EQ(general(first, "Long"), "-13371337");
  EXPECT_EQ(general(first, "Currency"), "1337133713371337");
  EXPECT_EQ(general(first, "IEEESingle"), "1.000000");
  EXPECT_EQ(general(first, "IEEEDouble"), "13371337.133713");
  EXPECT_EQ(general(first, "UnsignedLong"), "13371337");
  EXPECT_EQ(general(first, "LongLong"), "-13371337");
  EXPECT_EQ(general(first, "UnsignedShort"), "1337");
  EXPECT_EQ(render_value_as_hex(&first, s.column("GUID")),
            "f10a363f6667dc469af20dacf295c2a1");
  ese::Record second = s.row(1);
  EXPECT_EQ(general(second, "Bit"), "true");
  EXPECT_EQ(general(second, "GUID"), "");  // the row leaves it out
  EXPECT_EQ(render_value(ctx, nullptr, s.column("Bit")), "");
}

TEST(SampleRecords, MultiValueTextJoins) {
  QUORVINE_REQUIRE_SAMPLES();
  SampleRecords s = open_sample("dissect_multi.edb", "multi");
  DecodeContext ctx;
  ese::Record row = s.row(0);
  const std::string v = "Some ASCII text that has multiple values, this is value ";
  EXPECT_EQ(render_value(ctx, &row, s.column("ASCII")),
            v + "1" + v + "2" + v + "3");
  EXPECT_EQ(render_value_2013(&row, s.column("ASCII")),
            v + "1; " + v + "2; " + v + "3");
  ese::Record tiny = s.row(1);
  EXPECT_EQ(render_value_2013(&tiny, s.column("LongASCII")),
            "Tiny ASCII 1; Tiny ASCII 2");
}

TEST(SampleRecords, LongValuesSpilledOrInline) {
  QUORVINE_REQUIRE_SAMPLES();
  SampleRecords s = open_sample("dissect_text.edb", "text");
  quorvine::testing::ScratchDir scratch;
  ese::Record row = s.row(0);
  const size_t long_ascii = s.column("LongASCII");
  const std::string expected = "Long ASCII text " + std::string(1024, 'a');

  DecodeContext ctx;
  ctx.temp_folder = scratch.path();
  ctx.generation = decode::Generation::V2007;
  ctx.spilled_column = static_cast<int64_t>(long_ascii);
  std::filesystem::path spilled;
  EXPECT_EQ(render_value(ctx, &row, long_ascii, &spilled), "true");
  EXPECT_EQ(slurp(spilled), expected);
  EXPECT_EQ(render_value(ctx, &row, s.column("LongCompressedASCII")), "");

  ctx.generation = decode::Generation::V2010;
  EXPECT_EQ(render_value(ctx, &row, s.column("LongCompressedASCII"), &spilled), "");
  EXPECT_EQ(slurp(spilled), "Long compressed ASCII text " + std::string(1024, 'a'));

  EXPECT_EQ(render_value_2013(&row, long_ascii), expected);
  EXPECT_EQ(render_value(ctx, &row, s.column("ASCII")),
            "Simple ASCII text");
}

}  // namespace
}  // namespace quorvine::decode
