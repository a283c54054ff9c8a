#include <gtest/gtest.h>

#include <functional>

#include "ese/byte_reader.hpp"
#include "ese/error.hpp"

namespace quorvine::ese {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kData{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a};

TEST(ByteReader, ReadsLittleAndBigEndianInSequenceAndInPlace) {
  ByteReader in(kData, "A value");
  EXPECT_EQ(in.u8("a"), 0x01);
  EXPECT_EQ(in.u16("b"), 0x0302);
  EXPECT_EQ(in.be16("c"), 0x0405);
  EXPECT_EQ(in.position(), 5u);
  EXPECT_EQ(in.u32_at(1, "d"), 0x05040302u);
  EXPECT_EQ(in.be32_at(1, "e"), 0x02030405u);
  EXPECT_EQ(in.u64_at(2, "f"), 0x0a09080706050403ull);
  EXPECT_EQ(in.be64_at(2, "g"), 0x030405060708090aull);
  EXPECT_EQ(in.position(), 5u);  // reads in place leave the position alone
  ByteReader rest = in.sub(4, "h");
  EXPECT_EQ(rest.u32("i"), 0x09080706u);
  EXPECT_TRUE(rest.at_end());
  EXPECT_EQ(in.remaining(), 1u);
  EXPECT_EQ(in.xor_words(0, 2, 0, "j"), 0x04030201u ^ 0x08070605u);
  // Keys 1, 5 and 9 at a stride of 4 bytes.
  const Bytes sorted{1, 0, 0xff, 0xff, 5, 0, 0xff, 0xff, 9, 0, 0xff, 0xff};
  const ByteReader keys(sorted, "A record");
  EXPECT_EQ(keys.find_u16(0, 3, 4, 5, "k"), 1u);
  EXPECT_EQ(keys.find_u16(0, 3, 4, 9, "k"), 2u);
  EXPECT_EQ(keys.find_u16(0, 3, 4, 6, "k"), 3u);
  EXPECT_THROW(keys.find_u16(4, 3, 4, 5, "k"), EseError);  // the array runs past the end
}

// Every kind of read that runs past the end fails, naming the subject, the field and the byte
// it was sought at counted from the start of the outermost bytes, and leaves the position.
TEST(ByteReader, AReadPastTheEndNamesWhatAndWhere) {
  struct Case {
    const char* name;
    std::function<void(ByteReader&)> read;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"u64 at the end", [](ByteReader& r) { r.skip(3, "x"); r.u64("the counter"); },
       "Page 7 is damaged: the counter (8 bytes at byte 3) lies past its end at byte 10."},
      {"in place", [](ByteReader& r) { r.u16_at(9, "the key size"); },
       "Page 7 is damaged: the key size (2 bytes at byte 9) lies past its end at byte 10."},
      {"offset beyond", [](ByteReader& r) { r.bytes_at(11, 0, "the key"); },
       "Page 7 is damaged: the key at byte 11 lies past its end at byte 10."},
      {"huge count", [](ByteReader& r) { r.bytes(SIZE_MAX, "the data"); },
       "Page 7 is damaged: the data (" + std::to_string(SIZE_MAX) + " bytes at byte 0) lies past its end at byte 10."},
      {"inside a part", [](ByteReader& r) { r.sub_at(4, 3, "an entry").u32("the child page"); },
       "Page 7 is damaged: the child page (4 bytes at byte 4) lies past its end at byte 7."},
      {"seek", [](ByteReader& r) { r.seek(12, "the tagged data"); },
       "Page 7 is damaged: the tagged data at byte 12 lies past its end at byte 10."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ByteReader in(kData, "Page", 7);
    try {
      c.read(in);
      ADD_FAILURE() << "no error";
    } catch (const EseError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
  ByteReader unnumbered(std::span<const uint8_t>(kData).first(1), "A record");
  EXPECT_THROW(unnumbered.u16("the header"), EseError);
  EXPECT_EQ(unnumbered.position(), 0u);
}

}  // namespace
}  // namespace quorvine::ese
