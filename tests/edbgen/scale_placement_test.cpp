// Where --scale puts each message: round the mailboxes by default, mostly into one mailbox
// and one of its folders with --big-mailbox.
#include <gtest/gtest.h>

#include <map>

#include "edbgen/scale_generator.hpp"

namespace edbgen {
namespace {

TEST(ScalePlacement, DefaultGoesRoundMailboxesThenFolders) {
  for (uint64_t i = 0; i < 1000; ++i) {
    const ScalePlacement at = scale_placement(i, 6, 13, 0);
    EXPECT_EQ(at.mailbox, i % 6);
    EXPECT_EQ(at.folder, (i / 6) % 13);
  }
}

TEST(ScalePlacement, BigMailboxTakesItsShareAndOneFolderMostOfIt) {
  std::map<std::pair<size_t, size_t>, uint64_t> count;
  std::map<size_t, uint64_t> per_mailbox;
  for (uint64_t i = 0; i < 10000; ++i) {
    const ScalePlacement at = scale_placement(i, 6, 13, 90);
    ASSERT_LT(at.mailbox, 6u);
    ASSERT_LT(at.folder, 13u);
    ++count[{at.mailbox, at.folder}];
    ++per_mailbox[at.mailbox];
  }
  EXPECT_EQ(per_mailbox[0], 9000u);
  for (size_t m = 1; m < 6; ++m) EXPECT_EQ(per_mailbox[m], 200u) << m;
  EXPECT_GE((count[{0, 0}]), 6500u);
  // Every folder of the big mailbox and of the others still receives messages.
  for (size_t m = 0; m < 6; ++m)
    for (size_t f = 0; f < 13; ++f) EXPECT_GT((count[{m, f}]), 0u) << m << "/" << f;
}

}  // namespace
}  // namespace edbgen
