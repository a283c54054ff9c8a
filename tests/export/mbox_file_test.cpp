// The MBOX record format (mboxrd quoting, LF line ends, asctime separator in UTC) and the
// write-then-rename rule.
#include <gtest/gtest.h>

#include <fstream>
#include <span>
#include <sstream>
#include <string_view>

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

std::span<const uint8_t> bytes_of(std::string_view text) {
  return std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

void add_record(MboxFile& mbox, std::string_view message, std::optional<uint64_t> filetime) {
  mbox.begin_record(filetime);
  mbox.write(bytes_of(message));
  mbox.end_record();
}

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
  MboxFile mbox(dir / "box");
  add_record(mbox, "Subject: a\r\n\r\nFrom here\r\n>From there\r\n>>From far\r\nFromage\r\n From x\r\nlast", kMarch7);
  add_record(mbox, "Subject: b\r\n\r\nbody\r\n", std::nullopt);
  EXPECT_FALSE(fs::exists(dir / "box"));  // not under its final name before the commit
  mbox.commit();
  EXPECT_EQ(read_file(dir / "box"),
            "From - Mon Mar  7 14:05:09 2011\nSubject: a\n\n>From here\n>>From there\n>>>From far\nFromage\n From x\nlast\n\n"
            "From - Thu Jan  1 00:00:00 1970\nSubject: b\n\nbody\n\n");
  EXPECT_EQ(mbox.records(), 2u);
  EXPECT_EQ(mbox.bytes(), fs::file_size(dir / "box"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(MboxFile, UncommittedFileLeavesNothingAndEarlierFileStays) {
  ScratchDir dir;
  write_file(dir / "box", "earlier\n");
  {
    MboxFile mbox(dir / "box");
    add_record(mbox, "Subject: a\r\n\r\nx\r\n", kMarch7);
  }
  EXPECT_EQ(read_file(dir / "box"), "earlier\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
  MboxFile again(dir / "box");
  add_record(again, "Subject: a\r\n\r\nx\r\n", kMarch7);
  again.commit();
  EXPECT_EQ(read_file(dir / "box"), "From - Mon Mar  7 14:05:09 2011\nSubject: a\n\nx\n\n");
}

// A message written in pieces gives the same record whatever the cut: a "From " line start,
// a ">" run or a CR LF split across two writes is still quoted and ended as one.
TEST(MboxFile, RecordWrittenInPiecesIsTheSameForEveryCut) {
  ScratchDir dir;
  // With CR LF line ends, and with LF ones (as the composer writes into MBOX files).
  const std::string crlf = "Subject: a\r\n\r\nFrom here\r\n>>From far\r\nFrom\r\nlone\rcr\r\n From x\r\nFromage";
  const std::string lf = "Subject: a\n\nFrom here\n>>From far\nFrom\nlone\rcr\n From x\nab\nFromage";
  const std::string expected_crlf =
      "From - Mon Mar  7 14:05:09 2011\nSubject: a\n\n>From here\n>>>From far\nFrom\nlone\rcr\n From x\nFromage\n\n";
  const std::string expected_lf =
      "From - Mon Mar  7 14:05:09 2011\nSubject: a\n\n>From here\n>>>From far\nFrom\nlone\rcr\n From x\nab\nFromage\n\n";
  MboxFile mbox(dir / "box");
  std::string all;
  for (const auto& [message, expected] : {std::pair(crlf, expected_crlf), std::pair(lf, expected_lf)})
  for (size_t first = 0; first <= message.size(); ++first) {
    for (size_t second = first; second <= message.size(); second += 3) {
      mbox.begin_record(kMarch7);
      mbox.write(bytes_of(std::string_view(message).substr(0, first)));
      mbox.write(bytes_of(std::string_view(message).substr(first, second - first)));
      mbox.write(bytes_of(std::string_view(message).substr(second)));
      mbox.end_record();
      all += expected;
    }
  }
  mbox.commit();
  EXPECT_EQ(read_file(dir / "box"), all);
}

// A record given up after part of it reached the disk leaves the file as it was before it.
TEST(MboxFile, AbandonedRecordIsTakenBackEvenWhenPartlyWritten) {
  ScratchDir dir;
  MboxFile mbox(dir / "box");
  mbox.begin_record(kMarch7);
  mbox.write(bytes_of("Subject: kept\r\n\r\nbody\r\n"));
  mbox.end_record();
  mbox.begin_record(kMarch7);
  const std::string line(1000, 'x');
  for (int i = 0; i < 2000; ++i) mbox.write(bytes_of(line + "\r\n"));  // well past the write-out size
  mbox.abandon_record();
  mbox.begin_record(std::nullopt);
  mbox.write(bytes_of("Subject: last\r\n"));
  mbox.end_record();
  mbox.commit();
  EXPECT_EQ(read_file(dir / "box"), "From - Mon Mar  7 14:05:09 2011\nSubject: kept\n\nbody\n\n"
                                    "From - Thu Jan  1 00:00:00 1970\nSubject: last\n\n");
  EXPECT_EQ(mbox.records(), 2u);
  EXPECT_EQ(mbox.bytes(), fs::file_size(dir / "box"));
}

TEST(MboxFile, EmptyFileIsWrittenAndMissingFolderThrows) {
  ScratchDir dir;
  MboxFile mbox(dir / "box");
  mbox.commit();
  EXPECT_EQ(fs::file_size(dir / "box"), 0u);
  EXPECT_THROW(MboxFile(dir / "no-such-folder" / "box"), MboxWriteError);
}

}  // namespace
}  // namespace quorvine::exporting
