#include <gtest/gtest.h>

#include "ese/error.hpp"
#include "ese/multi_value.hpp"

namespace quorvine::ese {
namespace {

using Bytes = std::vector<uint8_t>;

std::string str(std::span<const uint8_t> s) { return {s.begin(), s.end()}; }

TEST(MultiValue, OffsetArrayFormWithLongValueReferences) {
  // Three elements: "ab", a 4-byte long-value reference (offset bit 0x8000), "c".
  Bytes data{0x06, 0x00, 0x08, 0x80, 0x0c, 0x00, 'a', 'b', 0x07, 0x00, 0x00, 0x00, 'c'};
  auto elements = split_multi_value(data, 0x08);
  ASSERT_EQ(elements.size(), 3u);
  EXPECT_EQ(str(elements[0].data), "ab");
  EXPECT_FALSE(elements[0].long_value_reference);
  EXPECT_EQ(elements[1].data.size(), 4u);
  EXPECT_TRUE(elements[1].long_value_reference);
  EXPECT_EQ(str(elements[2].data), "c");
  // The first offset also carries the reference bit; the count comes from its low bits.
  Bytes referenced{0x02, 0x80, 0x01, 0x00, 0x00, 0x00};
  auto one = split_multi_value(referenced, 0x09);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_TRUE(one[0].long_value_reference);
}

TEST(MultiValue, TwoValueFormSplitsOnTheFirstLength) {
  // UnsignedLong {0, 0xFFFFFFFF} as the engine stores it.
  Bytes data{0x04, 0x00, 0x00, 0x00, 0x00, 0xff, 0xff, 0xff, 0xff};
  auto elements = split_multi_value(data, 0x18);
  ASSERT_EQ(elements.size(), 2u);
  EXPECT_EQ(elements[0].data.size(), 4u);
  EXPECT_EQ(elements[1].data.size(), 4u);
  EXPECT_EQ(elements[1].data[0], 0xff);
  // An empty second value is allowed, a first length past the end is not.
  EXPECT_EQ(split_multi_value(Bytes{0x01, 'x'}, 0x18)[1].data.size(), 0u);
  EXPECT_THROW(split_multi_value(Bytes{0x05, 'x'}, 0x18), EseError);
  EXPECT_THROW(split_multi_value(Bytes{}, 0x18), EseError);
}

TEST(MultiValue, OffsetsOutsideTheValueAreErrors) {
  EXPECT_THROW(split_multi_value(Bytes{0x04}, 0x08), EseError);                          // no room for one offset
  EXPECT_THROW(split_multi_value(Bytes{0x00, 0x00, 'a'}, 0x08), EseError);               // zero elements
  EXPECT_THROW(split_multi_value(Bytes{0x08, 0x00, 'a', 'b'}, 0x08), EseError);          // array longer than the value
  EXPECT_THROW(split_multi_value(Bytes{0x04, 0x00, 0x09, 0x00, 'a'}, 0x08), EseError);   // element past the end
  EXPECT_THROW(split_multi_value(Bytes{0x04, 0x00, 0x01, 0x00, 'a'}, 0x08), EseError);   // element inside the array
  EXPECT_THROW(split_multi_value(Bytes{0x04, 0x00, 0x03, 0x00, 'a', 'b'}, 0x08), EseError);  // offsets going back
}

}  // namespace
}  // namespace quorvine::ese
