#include "decode/printable_filters.hpp"

#include <gtest/gtest.h>

#include "fake_value.hpp"

namespace quorvine::decode {
namespace {

using testing::bytes_of;

ese::Bytes with_nuls(std::string_view middle) {
  ese::Bytes bytes{0, 0};
  auto text = bytes_of(middle);
  bytes.insert(bytes.end(), text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

TEST(PrintableFilter1, AddressInsideBinarySurvivesWhole) {
  EXPECT_EQ(printable_bytes(with_nuls("SMTP:jane.doe@example.com")), "SMTP,jane.doe@example.com");
  EXPECT_EQ(printable_bytes(bytes_of("a b")), "a,b");
  EXPECT_EQ(printable_bytes(bytes_of("<x_y-z.1>")), "<x_y-z.1>");
  EXPECT_EQ(printable_bytes({}), "");
}

TEST(PrintableFilter1, SeparatorsAndHighBytes) {
  // Every byte below 0x21, "!" to ",", the listed punctuation and 0x7F-0xFE become ",".
  const ese::Bytes separators{1, 3, 4, 6, '\t', '\n', '\r', ' ', '!', '"', '#', '$', '%', '&',
                              '\'', '(', ')', '*', '+', ',', '/', ':', ';', '=', '?', '\\',
                              0x7F, 0x80, 0xC3, 0xFE};
  EXPECT_EQ(printable_bytes(separators), std::string(separators.size(), ','));
  const std::string kept = "-.09<>@AZaz[]^_`{|}~";
  EXPECT_EQ(printable_bytes(bytes_of(kept)), kept);
  // 0xFF passes but is no UTF-8: it becomes the replacement character.
  EXPECT_EQ(printable_bytes(ese::Bytes{'a', 0xFF, 'b'}), "a\xEF\xBF\xBD" "b");
}

TEST(PrintableFilter2, KeepsANarrowerSet) {
  EXPECT_EQ(strict_printable_bytes(with_nuls("SMTP:jane.doe@example.com")), "SMTP:jane.doe@example.com");
  EXPECT_EQ(strict_printable_bytes(ese::Bytes{1, 3, 4, '\t', '\n', '\r', '\'', '\\'}), ",,,,,,,,");
  EXPECT_EQ(strict_printable_bytes(bytes_of("A b/#&.-_z09:;<=>?@Z")), "A b/#&.-_z09:;<=>?@Z");
  EXPECT_EQ(strict_printable_bytes(ese::Bytes{2, 5, 6, '!', '"', '$', '%', '(', '*', '+', ',', '[', ']',
                                          '^', '{', '|', '}', '~', 0x7F, 0x80, 0xFF}),
            "");
}

TEST(ByteFilters, HexAndTextForms) {
  EXPECT_EQ(hex_bytes(ese::Bytes{0x00, 0x0A, 0xFF, 0x5c}), "000aff5c");
  EXPECT_EQ(hex_bytes({}), "");
  using namespace std::string_view_literals;
  EXPECT_EQ(nuls_as_spaces("a\0b\0"sv), "a b ");
  EXPECT_EQ(without_nuls("a\0b\0"sv), "ab");
  EXPECT_EQ(text_before_nul("ab\0cd"sv), "ab");
  EXPECT_EQ(text_before_nul("abc"), "abc");
}

TEST(ByteFilters, PreviewText) {
  EXPECT_EQ(preview_text(ese::Bytes{0, 'H', 'i', '\r', '\n', 125, 126, 0xC3, 0xA9}), "Hi\r\n}");
}

}  // namespace
}  // namespace quorvine::decode
