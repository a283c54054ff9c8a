// Values that the sample files' publishers state (fox-it/dissect.esedb tests and
// strozfriedberg/ese_parser tests), read through our layer. Where libesedb 20181229 alone
// gets a value wrong, the test names that defect.
#include <gtest/gtest.h>

#include <cstdio>

#include "ese/sample_values.hpp"

namespace quorvine::ese {
namespace {

using namespace quorvine::ese::testing;

TEST(PublishedValues, BasicFixedTypes) {
  QUORVINE_REQUIRE_SAMPLES();
  SampleTable t = open_sample_table("dissect_basic.edb", "basic");
  ASSERT_EQ(t.table.record_count(), 2u);
  EXPECT_EQ(as<int32_t>(*t.bytes(0, "Id")), 1);
  EXPECT_EQ(as<uint8_t>(*t.bytes(0, "Bit")), 0x00);
  EXPECT_EQ(as<uint8_t>(*t.bytes(0, "UnsignedByte")), 213);
  EXPECT_EQ(as<int16_t>(*t.bytes(0, "Short")), -1337);
  EXPECT_EQ(as<int32_t>(*t.bytes(0, "Long")), -13371337);
  EXPECT_EQ(as<int64_t>(*t.bytes(0, "Currency")), 1337133713371337);
  // libesedb 20181229's exporter prints IEEESingle 1.0 as 0.000000.
  EXPECT_EQ(as<float>(*t.bytes(0, "IEEESingle")), 1.0f);
  EXPECT_EQ(as<double>(*t.bytes(0, "IEEEDouble")), 13371337.13371337);
  EXPECT_EQ(ole_value_seconds(as<double>(*t.bytes(0, "DateTime"))), ole_seconds(1999, 3, 1));
  EXPECT_EQ(as<uint32_t>(*t.bytes(0, "UnsignedLong")), 13371337u);
  EXPECT_EQ(as<int64_t>(*t.bytes(0, "LongLong")), -13371337);
  EXPECT_EQ(guid_text(*t.bytes(0, "GUID")), "3f360af1-6766-46dc-9af2-0dacf295c2a1");
  EXPECT_EQ(as<uint16_t>(*t.bytes(0, "UnsignedShort")), 1337);

  EXPECT_EQ(as<int32_t>(*t.bytes(1, "Id")), 2);
  EXPECT_EQ(as<uint8_t>(*t.bytes(1, "Bit")), 0xFF);
  EXPECT_EQ(as<uint8_t>(*t.bytes(1, "UnsignedByte")), 255);
  EXPECT_EQ(as<int16_t>(*t.bytes(1, "Short")), 1339);
  EXPECT_EQ(as<int32_t>(*t.bytes(1, "Long")), 13391339);
  EXPECT_EQ(as<int64_t>(*t.bytes(1, "Currency")), -1339133913391339);
  EXPECT_EQ(as<float>(*t.bytes(1, "IEEESingle")), -2.0f);
  EXPECT_EQ(as<double>(*t.bytes(1, "IEEEDouble")), -13391339.13391339);
  EXPECT_EQ(ole_value_seconds(as<double>(*t.bytes(1, "DateTime"))), ole_seconds(1337, 6, 9));
  // Columns the second row leaves out hold nothing.
  EXPECT_FALSE(t.bytes(1, "GUID"));
  EXPECT_FALSE(t.bytes(1, "UnsignedShort"));
}

TEST(PublishedValues, BinaryIncludingCompressedLongValues) {
  QUORVINE_REQUIRE_SAMPLES();
  SampleTable t = open_sample_table("dissect_binary.edb", "binary");
  ASSERT_EQ(t.table.record_count(), 1u);
  EXPECT_EQ(str(*t.bytes(0, "FixedBinary")), "test fixed binary data" + std::string(233, '\0'));
  EXPECT_FALSE(t.bytes(0, "NullableFixedBinary"));
  EXPECT_EQ(str(*t.bytes(0, "Binary")), "test binary data");
  EXPECT_FALSE(t.bytes(0, "NullableBinary"));
  EXPECT_EQ(str(*t.bytes(0, "MaxBinary")), "test max binary data " + std::string(70, 'a'));
  EXPECT_EQ(str(*t.bytes(0, "TaggedBinary")), "test tagged binary data");
  EXPECT_FALSE(t.bytes(0, "NullableTaggedBinary"));
  EXPECT_EQ(str(*t.bytes(0, "LongBinary")), "test long binary data " + std::string(1000, 'a'));
  // libesedb 20181229 exports this compressed separated value empty.
  EXPECT_EQ(str(*t.bytes(0, "LongCompressedBinary")), "test long compressed binary data " + std::string(1000, 'a'));
  EXPECT_EQ(str(*t.bytes(0, "MaxLongBinary")), "test max long binary data " + std::string(900, 'a'));
  EXPECT_EQ(str(*t.bytes(0, "MaxLongCompressedBinary")),
            "test max long compressed binary data " + std::string(900, 'a'));
}

TEST(PublishedValues, TextWithSevenBitXpressAndNonBmpCharacters) {
  QUORVINE_REQUIRE_SAMPLES();
  SampleTable t = open_sample_table("dissect_text.edb", "text");
  ASSERT_EQ(t.table.record_count(), 1u);
  const std::string a1024(1024, 'a'), a900(900, 'a');
  EXPECT_EQ(*t.text(0, "FixedASCII"), "Fixed ASCII text" + std::string(239, ' '));
  // libesedb 20181229 decodes U+1F98A as U+1F58B (surrogate pairs).
  std::string fixed_unicode = *t.text(0, "FixedUnicode");
  EXPECT_EQ(fixed_unicode.substr(0, fixed_unicode.find_last_not_of(' ') + 1), "Fixed Unicode text " + fox());
  // libesedb 20181229 ignores the null bitmap and returns the '*' filler of these.
  EXPECT_FALSE(t.text(0, "NullableFixedASCII"));
  EXPECT_FALSE(t.text(0, "NullableFixedUnicode"));
  EXPECT_EQ(*t.text(0, "ASCII"), "Simple ASCII text");
  EXPECT_EQ(*t.text(0, "Unicode"), "Simple Unicode text " + fox());
  EXPECT_FALSE(t.text(0, "NullableASCII"));
  EXPECT_FALSE(t.text(0, "NullableUnicode"));
  EXPECT_EQ(*t.text(0, "MaxASCII"), "Max ASCII text that can't be that long");
  EXPECT_EQ(*t.text(0, "MaxUnicode"), "Max Unicode text that can't be that long " + fox());
  EXPECT_EQ(*t.text(0, "TaggedASCII"), "Tagged ASCII text");
  EXPECT_EQ(*t.text(0, "TaggedUnicode"), "Tagged Unicode text " + fox());
  EXPECT_FALSE(t.text(0, "NullableTaggedASCII"));
  EXPECT_EQ(*t.text(0, "LongASCII"), "Long ASCII text " + a1024);
  EXPECT_EQ(*t.text(0, "LongUnicode"), "Long Unicode text " + fox() + " " + a1024);
  // libesedb 20181229 exports compressed long text empty (Xpress segments in the LV tree).
  EXPECT_EQ(*t.text(0, "LongCompressedASCII"), "Long compressed ASCII text " + a1024);
  EXPECT_EQ(*t.text(0, "LongCompressedUnicode"), "Long compressed Unicode text " + fox() + " " + a1024);
  EXPECT_EQ(*t.text(0, "LongTinyASCII"), "Tiny ASCII");
  EXPECT_EQ(*t.text(0, "LongTinyUnicode"), "Tiny " + fox());
  EXPECT_EQ(*t.text(0, "LongTinyCompressedASCII"), "Tiny c ASCII");
  EXPECT_EQ(*t.text(0, "LongTinyCompressedUnicode"), "Tiny c " + fox());
  EXPECT_EQ(*t.text(0, "MaxLongASCII"), "Max long ASCII text that can be a bit longer " + a900);
  EXPECT_EQ(*t.text(0, "MaxLongUnicode"), "Max long Unicode text that can be a bit longer " + fox() + " " + a900);
  // An in-record 7-bit value (flag 0x02) of 956 characters; libesedb 20181229 takes such a
  // value for UTF-16 when its length is even.
  EXPECT_EQ(*t.text(0, "MaxLongCompressedASCII"), "Max long compressed ASCII text that can be a bit longer " + a900);
  EXPECT_EQ(*t.text(0, "MaxLongCompressedUnicode"),
            "Max long compressed Unicode text that can be a bit longer " + fox() + " " + a900);
}

TEST(PublishedValues, MultiValuesOfEveryForm) {
  QUORVINE_REQUIRE_SAMPLES();
  SampleTable t = open_sample_table("dissect_multi.edb", "multi");
  ASSERT_EQ(t.table.record_count(), 2u);
  auto numbers = [&](std::string_view column, auto zero) {
    std::vector<decltype(zero)> out;
    for (const auto& e : t.multi(0, column)) out.push_back(as<decltype(zero)>(e.data));
    return out;
  };
  auto texts = [&](uint64_t row, std::string_view column) {
    std::vector<std::string> out;
    auto index = *t.table.column_index(column);
    for (const auto& e : t.multi(row, column)) out.push_back(decode_text(e.data, t.table.columns()[index].codepage));
    return out;
  };
  // The two-value form (flags 0x18) and fixed-size offset arrays; libesedb 20181229 exports
  // fixed-size multi-values empty.
  EXPECT_EQ(numbers("Bit", uint8_t{}), (std::vector<uint8_t>{0x00, 0xFF}));
  EXPECT_EQ(numbers("UnsignedByte", uint8_t{}), (std::vector<uint8_t>{0, 127, 255}));
  EXPECT_EQ(numbers("Short", int16_t{}), (std::vector<int16_t>{0, -32767, 32767}));
  EXPECT_EQ(numbers("Long", int32_t{}), (std::vector<int32_t>{0, -2147483647, 2147483647}));
  EXPECT_EQ(numbers("Currency", int64_t{}), (std::vector<int64_t>{0, -9223372036854775807, 9223372036854775807}));
  EXPECT_EQ(numbers("IEEESingle", float{}), (std::vector<float>{0.0f, -1.0f, 1.0f}));
  EXPECT_EQ(numbers("IEEEDouble", double{}), (std::vector<double>{0.0, -1.0, 1.0}));
  auto dates = numbers("DateTime", double{});
  ASSERT_EQ(dates.size(), 3u);
  EXPECT_NEAR(ole_value_seconds(dates[0]), ole_seconds(1661, 4, 17, 11, 30), 0.001);
  EXPECT_NEAR(ole_value_seconds(dates[1]), ole_seconds(2077, 4, 1), 0.001);
  EXPECT_NEAR(ole_value_seconds(dates[2]), ole_seconds(2517, 9, 24, 5, 30), 0.001);
  EXPECT_EQ(numbers("UnsignedLong", uint32_t{}), (std::vector<uint32_t>{0, 4294967295u}));
  EXPECT_EQ(numbers("LongLong", int64_t{}), (std::vector<int64_t>{0, -9223372036854775807, 9223372036854775807}));
  EXPECT_EQ(numbers("UnsignedShort", uint16_t{}), (std::vector<uint16_t>{0, 65535}));
  std::vector<std::string> guids;
  for (const auto& e : t.multi(0, "GUID")) guids.push_back(guid_text(e.data));
  EXPECT_EQ(guids, (std::vector<std::string>{"03402861-fad3-4ce5-986e-d31df852f2a7",
                                             "09b589e3-a92b-4936-bbc4-bb9dff334bf3",
                                             "2212ff6a-6712-4fe4-bb4a-21e6d0e043d1"}));

  std::vector<std::string> binary, long_binary, long_compressed_binary, ascii, unicode, long_ascii, long_unicode,
      long_compressed_ascii, long_compressed_unicode;
  for (int i = 1; i <= 3; ++i) {
    const std::string n = std::to_string(i);
    const std::string foxes = repeat(fox(), i);
    const std::string a = " " + std::string(1024, 'a');
    binary.push_back("Some binary data that has multiple values, this is value " + n);
    long_binary.push_back("Some very long binary data that has multiple values, this is value " + n + a);
    long_compressed_binary.push_back("Some very long compressed binary data that has multiple values, this is value " +
                                     n + a);
    ascii.push_back("Some ASCII text that has multiple values, this is value " + n);
    unicode.push_back("Some Unicode text that has multiple values, this is value " + n + " " + foxes);
    long_ascii.push_back("Some very long ASCII text that has multiple values, this is value " + n + a);
    long_unicode.push_back("Some very long Unicode text that has multiple values, this is value " + n + " " + foxes +
                           a);
    long_compressed_ascii.push_back("Some very long compressed ASCII text that has multiple values, this is value " +
                                    n + a);
    long_compressed_unicode.push_back(
        "Some very long compressed Unicode text that has multiple values, this is value " + n + " " + foxes + a);
  }
  auto raw_texts = [&](uint64_t row, std::string_view column) {
    std::vector<std::string> out;
    for (const auto& e : t.multi(row, column)) out.push_back(str(e.data));
    return out;
  };
  EXPECT_EQ(raw_texts(0, "Binary"), binary);
  // Elements that are long-value references (offset bit 0x8000); libesedb 20181229 garbles
  // long multi-values.
  EXPECT_EQ(raw_texts(0, "LongBinary"), long_binary);
  EXPECT_EQ(raw_texts(0, "LongCompressedBinary"), long_compressed_binary);
  EXPECT_EQ(texts(0, "ASCII"), ascii);
  EXPECT_EQ(texts(0, "Unicode"), unicode);
  EXPECT_EQ(texts(0, "LongASCII"), long_ascii);
  EXPECT_EQ(texts(0, "LongUnicode"), long_unicode);
  EXPECT_EQ(texts(0, "LongCompressedASCII"), long_compressed_ascii);
  EXPECT_EQ(texts(0, "LongCompressedUnicode"), long_compressed_unicode);

  // Row 2: small "long" multi-values kept in the record; the first element of a 0x0B value
  // is compressed, the others are not.
  EXPECT_TRUE(t.multi(1, "Bit").empty());
  EXPECT_TRUE(t.multi(1, "GUID").empty());
  EXPECT_EQ(raw_texts(1, "LongBinary"), (std::vector<std::string>{"Tiny binary 1", "Tiny binary 2", "Tiny binary 3"}));
  EXPECT_EQ(raw_texts(1, "LongCompressedBinary"),
            (std::vector<std::string>{"Tiny c binary 1", "Tiny c binary 2", "Tiny c binary 3"}));
  EXPECT_EQ(texts(1, "LongASCII"), (std::vector<std::string>{"Tiny ASCII 1", "Tiny ASCII 2"}));
  EXPECT_EQ(texts(1, "LongUnicode"), (std::vector<std::string>{"Tiny " + fox() + " 1", "Tiny " + repeat(fox(), 2),
                                                                "Tiny " + repeat(fox(), 3)}));
  EXPECT_EQ(texts(1, "LongCompressedASCII"),
            (std::vector<std::string>{std::string(41, 'a'), std::string(40, 'b'), std::string(35, 'c')}));
  EXPECT_EQ(texts(1, "LongCompressedUnicode"),
            (std::vector<std::string>{std::string(43, 'a') + " " + fox(), std::string(41, 'b') + " " + repeat(fox(), 2)}));
}

TEST(PublishedValues, CatalogDefaultsIncludingLongOnes) {
  QUORVINE_REQUIRE_SAMPLES();
  SampleTable t = open_sample_table("dissect_default.edb", "default");
  ASSERT_EQ(t.table.record_count(), 1u);
  EXPECT_EQ(as<uint8_t>(*t.bytes(0, "Bit")), 0xFF);
  EXPECT_EQ(as<uint8_t>(*t.bytes(0, "UnsignedByte")), 69);
  EXPECT_EQ(as<int16_t>(*t.bytes(0, "Short")), 0x1234);
  EXPECT_EQ(as<int32_t>(*t.bytes(0, "Long")), 0x12345678);
  EXPECT_EQ(as<int64_t>(*t.bytes(0, "Currency")), 0x123456789ABCDEF0);
  EXPECT_EQ(as<float>(*t.bytes(0, "IEEESingle")), 1.0f);
  EXPECT_EQ(as<double>(*t.bytes(0, "IEEEDouble")), 2.0);
  EXPECT_EQ(ole_value_seconds(as<double>(*t.bytes(0, "DateTime"))), ole_seconds(2022, 10, 4));
  EXPECT_EQ(as<uint32_t>(*t.bytes(0, "UnsignedLong")), 12345678u);
  EXPECT_EQ(as<int64_t>(*t.bytes(0, "LongLong")), 0xC001DEADD00D);
  EXPECT_EQ(guid_text(*t.bytes(0, "GUID")), "c001d00d-dead-beef-face-feeddeadbeef");
  EXPECT_EQ(as<uint16_t>(*t.bytes(0, "UnsignedShort")), 0xF00D);
  EXPECT_EQ(str(*t.bytes(0, "Binary")), "Short default binary");
  EXPECT_EQ(*t.text(0, "ASCII"), "Short default ASCII");
  EXPECT_EQ(*t.text(0, "Unicode"), "Short default Unicode " + fox());
  // Tagged defaults: libesedb 20181229 drops them.
  EXPECT_EQ(str(*t.bytes(0, "LongBinary")), "Long default binary " + std::string(200, 'a'));
  EXPECT_EQ(*t.text(0, "LongASCII"), "Long default ASCII " + std::string(200, 'a'));
  EXPECT_EQ(*t.text(0, "LongUnicode"), "Long default Unicode " + fox() + " " + std::string(64, 'a'));
}

// Every value is "Record" and the row number right-aligned in the given width, in an
// ASCII, a Unicode, a binary and a plain text column.
void expect_record_numbers(const std::string& file, size_t width) {
  SampleTable t = open_sample_table(file, "test_table");
  ASSERT_EQ(t.table.record_count(), 10u);
  ASSERT_EQ(t.table.columns().size(), 4u);
  for (uint64_t row = 0; row < 10; ++row) {
    std::string number = std::to_string(row);
    std::string expected = "Record " + std::string(width - number.size(), ' ') + number;
    Record record = t.table.read_record(row);
    for (size_t c = 0; c < 4; ++c) {
      const ColumnInfo& column = t.table.columns()[c];
      SCOPED_TRACE(column.name + " row " + number);
      if (column.type == ColumnType::LargeBinary || column.type == ColumnType::Binary)
        EXPECT_EQ(str(*record.bytes(c)), expected);
      else
        EXPECT_EQ(*record.text(c), expected);
    }
  }
}

TEST(PublishedValues, SevenBitCompressedColumns) {
  QUORVINE_REQUIRE_SAMPLES();
  expect_record_numbers("stroz_decompress_7bit.edb", 10);
}

TEST(PublishedValues, XpressCompressedLongValues) {
  QUORVINE_REQUIRE_SAMPLES();
  // libesedb 20181229 returns these garbled or empty: it never decompresses segments.
  expect_record_numbers("stroz_decompress_xpress.edb", 2048);
}

}  // namespace
}  // namespace quorvine::ese
