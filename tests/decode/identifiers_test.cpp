#include "decode/identifiers.hpp"

#include <gtest/gtest.h>

#include "environment_guard.hpp"
#include "fake_value.hpp"

namespace quorvine::decode {
namespace {

using ese::ColumnType;
using testing::FakeValue;

std::string replica(ese::Bytes bytes, uint32_t revision = 17) {
  return replica_identifier_text(revision, ColumnType::Binary, 0x00, bytes, 'b');
}

TEST(ReplicaCounterId, SplitsReplicaAndCounter) {
  EXPECT_EQ(replica({0x00, 0x01, 0x00, 0x00, 0x00, 0x2A, 0x3F, 0x0C}), "1-2A3F0C");
  EXPECT_EQ(replica({0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}), "1-1");
  EXPECT_EQ(replica({0x34, 0x12, 0x00, 0x00, 0x00, 0x00, 0xAB, 0xCD}), "1234-ABCD");
  EXPECT_EQ(replica({0x10, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), "1-FFFFFFFFFFFF");
  // The zero-dropping stops at the first digit that is not "0".
  EXPECT_EQ(replica({0x20, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05}), "102-5");
  EXPECT_EQ(replica({0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}), "0-0");
}

TEST(ReplicaCounterId, OtherRevisionsGivePlainHex) {
  EXPECT_EQ(replica({0x00, 0x01, 0x00, 0x00, 0x00, 0x2A, 0x3F, 0x0C}, 15), "10000002a3f0c");
  EXPECT_EQ(replica({0x00, 0x01, 0x00, 0x00, 0x00, 0x2A, 0x3F, 0x0C}, 20), "10000002a3f0c");
}

TEST(ReplicaCounterId, FollowsTheContextsRevision) {
  DecodeContext ctx;
  ctx.format_revision = 17;
  FakeValue id(ColumnType::Binary, 0x00, {0x00, 0x01, 0x00, 0x00, 0x00, 0x2A, 0x3F, 0x0C});
  EXPECT_EQ(replica_identifier_text(ctx, id, 'b'), "1-2A3F0C");
  FakeValue none(ColumnType::Binary);
  EXPECT_EQ(replica_identifier_text(ctx, none, 'b'), "");
}

TEST(PlainId, RejectsWhatIsNotAnEightByteId) {
  const ese::Bytes id{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x0A};
  EXPECT_EQ(identifier_text(ColumnType::Binary, 0, id, 'b'), "10a");
  EXPECT_EQ(identifier_text(ColumnType::Currency, 1, id, 'l'),
            "a01000000000000");
  EXPECT_EQ(identifier_text(ColumnType::Binary, 0, ese::Bytes(7, 1), 'b'), "");
  EXPECT_EQ(replica(ese::Bytes(7, 1)), "");
  EXPECT_EQ(replica(ese::Bytes(9, 1)), "");
  EXPECT_EQ(identifier_text(ColumnType::Binary, 0, id, 'x'), "");
  EXPECT_EQ(identifier_text(ColumnType::LongLong, 0, id, 'b'), "");
  EXPECT_EQ(identifier_text(ColumnType::Binary, 0, {}, 'b'), "");
  // A stored form other than plain shows its bytes through printable filter 2.
  EXPECT_EQ(identifier_text(ColumnType::Binary, 0x05, testing::bytes_of("a!b\\"),
                            'b'),
            "ab,");
  EXPECT_EQ(identifier_text(FakeValue(ColumnType::Binary), 'b'), "");
}

TEST(FiletimeInBinary, BothStagesLittleEndian) {
  testing::EnvironmentGuard env("UTC", "C");
  const ese::Bytes march{0x80, 0xd8, 0xf9, 0xaa, 0xd0, 0xdc, 0xcb, 0x01};
  EXPECT_EQ(stored_filetime_text(ColumnType::Binary, 0, march, 'l'),
            "03/07/11 14:05:09");
  EXPECT_EQ(stored_filetime_text(ColumnType::Currency, 0,
                                 ese::Bytes(8, 0), 'l'),
            "01/01/01 00:00:00");
  EXPECT_FALSE(stored_filetime_text(ColumnType::Text, 0, march, 'l'));
  EXPECT_FALSE(stored_filetime_text(ColumnType::Binary, 0, {}, 'l'));
  EXPECT_FALSE(
      stored_filetime_text(ColumnType::Binary, 0, ese::Bytes(7, 0), 'l'));
  EXPECT_FALSE(stored_filetime_text(ColumnType::Binary, 0, march, 'q'));
  EXPECT_FALSE(stored_filetime_text(FakeValue(ColumnType::Binary), 'l'));
}

}  // namespace
}  // namespace quorvine::decode
