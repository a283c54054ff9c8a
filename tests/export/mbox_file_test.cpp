// The MBOX record format (mboxrd quoting, LF line ends, asctime separator in UTC) and the
// write-then-rename rule.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "export/mail_dates.hpp"
#include "export/mbox_file.hpp"
#include "support/test_support.hpp"

namespace quorvine::exporting {
namespace {

namespace fs = std::filesystem;
using quorvine::testing::ScratchDir;
using quorvine::testing::read_file;
using quorvine::testing::write_file;


constexpr uint64_t kMarch7 = 129439803090000000ULL;  // 2011-03-07 14:05:09 UTC

TEST(MailDates, SeparatorAndHeaderDatesAreUtc) {
  EXPECT_EQ(asctime_date(kMarch7), "Mon Mar  7 14:05:09 2011");
  EXPECT_EQ(rfc5322_date(kMarch7), "Mon, 07 Mar 2011 14:05:09 +0000");
  // No date, or one past year 9999: the separator still carries a date readers accept.
  EXPECT_EQ(asctime_date(std::nullopt), "Thu Jan  1 00:00:00 1970");
  EXPECT_EQ(asctime_date(0xffffffffffffffffULL), "Thu Jan  1 00:00:00 1970");
  EXPECT_EQ(rfc5322_date(0xffffffffffffffffULL), "");
}

TEST(MboxFile, TwoRecordsWithQuotingAndLfLineEnds) {
  ScratchDir dir;
  write_file(dir / "1.eml", "Subject: a\r\n\r\nFrom here\r\n>From there\r\n>>From far\r\nFromage\r\n From x\r\nlast");
  write_file(dir / "2.eml", "Subject: b\r\n\r\nbody\r\n");
  MboxFile mbox(dir / "box");
  ASSERT_TRUE(mbox.append(dir / "1.eml", kMarch7));
  ASSERT_TRUE(mbox.append(dir / "2.eml", std::nullopt));
  EXPECT_FALSE(fs::exists(dir / "box"));  // not under its final name before the commit
  mbox.commit();
  EXPECT_EQ(read_file(dir / "box"),
            "From - Mon Mar  7 14:05:09 2011\nSubject: a\n\n>From here\n>>From there\n>>>From far\nFromage\n From x\nlast\n\n"
            "From - Thu Jan  1 00:00:00 1970\nSubject: b\n\nbody\n\n");
  EXPECT_EQ(mbox.records(), 2u);
  EXPECT_EQ(mbox.bytes(), fs::file_size(dir / "box"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
}

TEST(MboxFile, UncommittedFileLeavesNothingAndEarlierFileStays) {
  ScratchDir dir;
  write_file(dir / "box", "earlier\n");
  write_file(dir / "1.eml", "Subject: a\r\n\r\nx\r\n");
  {
    MboxFile mbox(dir / "box");
    ASSERT_TRUE(mbox.append(dir / "1.eml", kMarch7));
  }
  EXPECT_EQ(read_file(dir / "box"), "earlier\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
  MboxFile again(dir / "box");
  ASSERT_TRUE(again.append(dir / "1.eml", kMarch7));
  again.commit();
  EXPECT_EQ(read_file(dir / "box"), "From - Mon Mar  7 14:05:09 2011\nSubject: a\n\nx\n\n");
}

TEST(MboxFile, UnreadableMessageIsSkippedAndMissingFolderThrows) {
  ScratchDir dir;
  MboxFile mbox(dir / "box");
  EXPECT_FALSE(mbox.append(dir / "missing.eml", kMarch7));
  mbox.commit();
  EXPECT_EQ(fs::file_size(dir / "box"), 0u);
  EXPECT_THROW(MboxFile(dir / "no-such-folder" / "box"), MboxWriteError);
}

}  // namespace
}  // namespace quorvine::exporting
