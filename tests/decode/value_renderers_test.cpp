#include "decode/value_renderers.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "environment_guard.hpp"
#include "fake_value.hpp"
#include "support/test_support.hpp"

namespace quorvine::decode {
namespace {

using ese::ColumnType;
using testing::bytes_of;
using testing::FakeValue;

std::string general(const FakeValue& value, size_t column = 3) {
  DecodeContext ctx;
  ctx.generation = decode::Generation::V2010;
  return render_value(ctx, value, column);
}

template <typename T>
ese::Bytes le(T value) {
  ese::Bytes bytes(sizeof(T));
  std::memcpy(bytes.data(), &value, sizeof(T));
  return bytes;
}

std::string slurp(const std::filesystem::path& path) { return quorvine::testing::read_file(path); }

TEST(PlainValues, NoValueIsEmptyNotFalseOrZero) {
  for (ColumnType type : {ColumnType::Boolean, ColumnType::Long, ColumnType::DateTime,
                          ColumnType::Text, ColumnType::Binary}) {
    FakeValue none(type);
    EXPECT_EQ(general(none), "") << static_cast<int>(type);
    EXPECT_EQ(render_value_2013(none), "");
    EXPECT_EQ(render_value_as_hex(none), "");
  }
  EXPECT_EQ(general(FakeValue(ColumnType::Boolean, 0, {})), "");
  EXPECT_EQ(render_value(*std::make_unique<DecodeContext>(),
                                                  static_cast<const ese::Record*>(nullptr), 0),
            "");
}

TEST(PlainValues, NumbersBySignednessAndWidth) {
  EXPECT_EQ(general(FakeValue(ColumnType::Boolean, 0, {0xFF})), "true");
  EXPECT_EQ(general(FakeValue(ColumnType::Boolean, 0, {0x00})), "false");
  EXPECT_EQ(general(FakeValue(ColumnType::UnsignedByte, 0, {200})), "200");
  EXPECT_EQ(general(FakeValue(ColumnType::Short, 0, le<int16_t>(-2))), "-2");
  EXPECT_EQ(general(FakeValue(ColumnType::UnsignedShort, 0, le<uint16_t>(65535))), "65535");
  EXPECT_EQ(general(FakeValue(ColumnType::Long, 0, le<int32_t>(-70000))), "-70000");
  EXPECT_EQ(general(FakeValue(ColumnType::UnsignedLong, 0, le<uint32_t>(0xFFFFFFFF))),
            "4294967295");
  EXPECT_EQ(general(FakeValue(ColumnType::LongLong, 0, le<int64_t>(-5))), "-5");
  // Currency is shown unsigned.
  EXPECT_EQ(general(FakeValue(ColumnType::Currency, 0, le<int64_t>(-1))), "18446744073709551615");
  EXPECT_EQ(general(FakeValue(ColumnType::Float32, 0, le<float>(1.0f))), "1.000000");
  EXPECT_EQ(render_value_2013(FakeValue(ColumnType::Float64, 0, le<double>(-2.5))),
            "-2.500000");
  // A value of the wrong width is a failed read.
  EXPECT_EQ(general(FakeValue(ColumnType::Long, 0, {1, 2})), "");
  EXPECT_EQ(general(FakeValue(ColumnType::Float64, 0, le<float>(1.0f))), "");
}

TEST(PlainValues, DatesInLocalTimeExceptIn2013) {
  testing::EnvironmentGuard env("UTC", "C");
  FakeValue march(ColumnType::DateTime, 0, le<uint64_t>(129439803090000000));
  EXPECT_EQ(general(march), "03/07/11 14:05:09");
  EXPECT_EQ(render_value_as_hex(march), "03/07/11 14:05:09");
  EXPECT_EQ(render_value_2013(march), "Mar,07 2011 14:05:09");
  EXPECT_EQ(render_value_2013(FakeValue(ColumnType::DateTime, 0, le<uint64_t>(0))),
            "Jan,01 1601 00:00:00");
}

TEST(PlainValues, TextAndBinaryPerRenderer) {
  using namespace std::string_view_literals;
  FakeValue text(ColumnType::LargeText, 0x01, {});
  text.decoded_text = std::string("Hello\0World"sv);
  EXPECT_EQ(general(text), "HelloWorld");
  EXPECT_EQ(render_value_2013(text), "HelloWorld");
  EXPECT_EQ(render_value_as_hex(text), "Hello");

  FakeValue binary(ColumnType::Binary, 0, ese::Bytes{0, 0, 'S', 'M', 'T', 'P', ':', 'a', '@', 'b', '.', 'c', 0});
  EXPECT_EQ(general(binary), "SMTP,a@b.c");
  EXPECT_EQ(render_value_2013(binary), "0000534d54503a6140622e6300");
  EXPECT_EQ(render_value_as_hex(binary), "0000534d54503a6140622e6300");
  FakeValue guid(ColumnType::Guid, 0, ese::Bytes{0xAB, '!', 'x'});
  EXPECT_EQ(general(guid), ",,x");
  EXPECT_EQ(render_value_as_hex(guid), "ab2178");
}

TEST(CompressedValues, ResolvedByTheReadingLayer) {
  FakeValue large(ColumnType::LargeBinary, 0x03, bytes_of("\x18zz"));
  large.resolved = bytes_of("x@y.z:ok'");
  EXPECT_EQ(general(large), "x@y.z,ok,");
  EXPECT_EQ(render_value_2013(large), "x@y.z:ok,");

  using namespace std::string_view_literals;
  FakeValue text(ColumnType::LargeText, 0x03, bytes_of("\x10??"));
  text.decoded_text = std::string("ab\0cd"sv);
  EXPECT_EQ(general(text), "ab");
  EXPECT_EQ(render_value_2013(text), "abcd");

  // Short binary and text values are decompressed too, not shown as compressed bytes.
  FakeValue short_binary(ColumnType::Binary, 0x02, bytes_of("\x18zz"));
  short_binary.resolved = bytes_of("id:7");
  EXPECT_EQ(general(short_binary), "id,7");
  FakeValue short_text(ColumnType::Text, 0x03, bytes_of("\x10??"));
  short_text.decoded_text = "Subject";
  EXPECT_EQ(general(short_text), "Subject");
  EXPECT_EQ(render_value_2013(short_text), "Subject");

  // Other types show their stored bytes.
  FakeValue other(ColumnType::Guid, 0x02, ese::Bytes{'q', ' ', 0x01});
  EXPECT_EQ(general(other), "q,,");
  EXPECT_EQ(render_value_2013(other), "712001");
}

TEST(MultiValues, TextJoinsDifferPerRenderer) {
  using namespace std::string_view_literals;
  FakeValue names(ColumnType::Text, 0x09, {0x06, 0x00});
  names.elements = {{ColumnType::Text, bytes_of("Ann")},
                    {ColumnType::Text, {}},  // empty values are skipped
                    {ColumnType::Text, bytes_of("B\0b"sv)},
                    {ColumnType::Text, bytes_of("Cy")}};
  EXPECT_EQ(general(names), "AnnB bCy");
  EXPECT_EQ(render_value_as_hex(names), "AnnB bCy");
  EXPECT_EQ(render_value_2013(names), "Ann; Bb; Cy");
}

TEST(MultiValues, NonTextElements) {
  FakeValue ids(ColumnType::Binary, 0x08, {0x04, 0x00, 0x05, 0x00, 'A', '!'});
  ids.elements = {{ColumnType::Binary, bytes_of("A!")}, {ColumnType::Binary, bytes_of("b\\")}};
  EXPECT_EQ(general(ids), "A,b,,");
  EXPECT_EQ(render_value_as_hex(ids), "Ab,");
  // A non-text element turns the 2013 text into the hex of the whole stored value.
  EXPECT_EQ(render_value_2013(ids), "040005004121");
}

TEST(MultiValues, TwoValueFormStaysOffTheMultiValuePath) {
  FakeValue pair(ColumnType::UnsignedLong, 0x18, {0x04, 0x00, 0x00, 0x00, 0x00, 'a'});
  pair.elements = {{ColumnType::UnsignedLong, le<uint32_t>(0)}};
  EXPECT_EQ(general(pair), ",a");
  EXPECT_EQ(render_value_2013(pair), "040000000061");
}

class LongValueSpill : public ::testing::Test {
 protected:
  quorvine::testing::ScratchDir scratch;
  DecodeContext ctx;
  void SetUp() override { ctx.temp_folder = scratch.path(); }
  FakeValue headers() {
    FakeValue value(ColumnType::LargeBinary, 0x05, {0x01, 0x00, 0x00, 0x00});
    value.segments = {bytes_of("Received: a\r\n"), ese::Bytes{'T', 'o', 0, ':', 126, 0xE9, '\r', '\n'}};
    return value;
  }
};

TEST_F(LongValueSpill, Schema2007SpillsOnlyTheHeaderColumn) {
  ctx.generation = decode::Generation::V2007;
  ctx.spilled_column = 7;
  std::filesystem::path spilled;
  EXPECT_EQ(render_value(ctx, headers(), 6, &spilled), "");
  EXPECT_TRUE(spilled.empty());
  EXPECT_TRUE(std::filesystem::is_empty(scratch.path()));

  EXPECT_EQ(render_value(ctx, headers(), 7, &spilled), "true");
  EXPECT_EQ(spilled.parent_path(), scratch.path());
  EXPECT_TRUE(spilled.filename().string().starts_with(std::string(decode::transport_headers_spill) + "-"));
  EXPECT_EQ(slurp(spilled), "Received: a\r\nTo:\r\n");
}

TEST_F(LongValueSpill, WithoutATargetNothingIsWritten) {
  ctx.generation = decode::Generation::V2007;
  ctx.spilled_column = 7;
  EXPECT_EQ(render_value(ctx, headers(), 7), "true");
  ctx.generation = decode::Generation::V2010;
  EXPECT_EQ(render_value(ctx, headers(), 3), "");
  EXPECT_TRUE(std::filesystem::is_empty(scratch.path()));
}

TEST_F(LongValueSpill, Schema2010WritesRawBytes) {
  ctx.generation = decode::Generation::V2010;
  std::filesystem::path spilled;
  EXPECT_EQ(render_value(ctx, headers(), 3, &spilled), "");
  EXPECT_TRUE(spilled.filename().string().starts_with("ccc-"));
  using namespace std::string_literals;
  EXPECT_EQ(slurp(spilled), "Received: a\r\nTo\0:\x7E\xE9\r\n"s);
}

TEST_F(LongValueSpill, EverySpillGetsAFileOfItsOwn) {
  ctx.generation = decode::Generation::V2010;
  std::filesystem::path first, second;
  render_value(ctx, headers(), 3, &first);
  FakeValue other = headers();
  other.segments = {bytes_of("other")};
  render_value(ctx, other, 3, &second);
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  EXPECT_NE(first, second);
  EXPECT_EQ(slurp(second), "other");
  EXPECT_EQ(slurp(first).substr(0, 11), "Received: a");
}

TEST_F(LongValueSpill, DamagedValueLeavesNoFileAndIsCounted) {
  DamageTally damage;
  ctx.damage = &damage;
  FakeValue broken = headers();
  broken.damaged = true;
  std::filesystem::path spilled = "stale";
  ctx.generation = decode::Generation::V2007;
  ctx.spilled_column = 7;
  EXPECT_EQ(render_value(ctx, broken, 7, &spilled), "");
  EXPECT_TRUE(spilled.empty());
  EXPECT_EQ(render_value(ctx, broken, 7), "");
  ctx.generation = decode::Generation::V2010;
  EXPECT_EQ(render_value(ctx, broken, 3, &spilled), "");
  EXPECT_TRUE(std::filesystem::is_empty(scratch.path()));
  EXPECT_EQ(damage.values.load(), 3u);
}

TEST_F(LongValueSpill, UnwritableFolderGivesNoTrue) {
  ctx.generation = decode::Generation::V2007;
  ctx.spilled_column = 7;
  ctx.temp_folder = scratch / "missing" / "folder";
  std::filesystem::path spilled;
  EXPECT_EQ(render_value(ctx, headers(), 7, &spilled), "");
  EXPECT_TRUE(spilled.empty());
}

TEST(LongValuesInline, Exchange2013AndBinaryRenderers) {
  FakeValue value(ColumnType::LargeBinary, 0x05, {0x01, 0x00, 0x00, 0x00});
  value.segments = {bytes_of("a@b"), ese::Bytes{0x01, 'c', 0xFF}};
  EXPECT_EQ(render_value_2013(value), "a@b,c");
  EXPECT_EQ(render_value_as_hex(value), "614062" "0163ff");
  value.damaged = true;
  EXPECT_EQ(render_value_2013(value), "");
  EXPECT_EQ(render_value_as_hex(value), "");
}

TEST(DamagedValues, RenderAsEmptyAndAreCounted) {
  FakeValue text(ColumnType::Text, 0x01, bytes_of("abc"));
  text.damaged = true;
  EXPECT_EQ(general(text), "");
  DamageTally damage;
  DecodeContext ctx;
  ctx.damage = &damage;
  EXPECT_EQ(render_value(ctx, text, 0), "");
  EXPECT_EQ(damage.values.load(), 1u);
  FakeValue multi(ColumnType::Text, 0x08, {0x02, 0x00});
  multi.damaged = true;
  EXPECT_EQ(render_value_2013(multi), "");
  EXPECT_EQ(general(multi), "");
}

}  // namespace
}  // namespace quorvine::decode
