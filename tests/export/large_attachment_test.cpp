// An attachment too large to hold in memory is read from the store while its message is
// written: it reads back whole, and a write failure halfway through it leaves no MBOX file
// under its final name.
#include <fcntl.h>
#include <gmime/gmime.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <string>
#include <vector>

#include "edbgen/scenario_model.hpp"
#include "export/attachment_content.hpp"
#include "export/mailbox_export.hpp"
#include "export_test_support.hpp"

namespace quorvine::exporting {
namespace {

namespace fs = std::filesystem;
using quorvine::testing::ScratchDir;

constexpr size_t kLargeSize = 3 * kAttachmentHeldInMemory + 12345;

struct ReadBack {
  size_t messages = 0;
  std::vector<std::string> names;
  std::vector<std::string> contents;
};

// Every attachment of every message of the MBOX file, through GMime's mbox parser.
ReadBack read_mbox(const fs::path& file) {
  g_mime_init();
  ReadBack out;
  GMimeStream* stream = g_mime_stream_fs_open(file.c_str(), O_RDONLY, 0, nullptr);
  if (!stream) return out;
  GMimeParser* parser = g_mime_parser_new_with_stream(stream);
  g_mime_parser_set_format(parser, GMIME_FORMAT_MBOX);
  while (GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr)) {
    ++out.messages;
    GMimePartIter* iter = g_mime_part_iter_new(GMIME_OBJECT(message));
    do {
      GMimeObject* current = g_mime_part_iter_get_current(iter);
      if (!current || !GMIME_IS_PART(current) || !g_mime_part_is_attachment(GMIME_PART(current))) continue;
      out.contents.push_back(part_text(GMIME_PART(current)));
      const char* name = g_mime_part_get_filename(GMIME_PART(current));
      out.names.emplace_back(name ? name : "");
    } while (g_mime_part_iter_next(iter));
    g_mime_part_iter_free(iter);
    g_object_unref(message);
  }
  g_object_unref(parser);
  g_object_unref(stream);
  return out;
}

class LargeAttachment : public ::testing::TestWithParam<std::pair<const char*, decode::Generation>> {
 protected:
  void SetUp() override {
    if (!fs::exists(quorvine::testing::edbgen_program())) GTEST_SKIP() << "edbgen not built";
    const fs::path scenario = dir_ / "large.json";
    quorvine::testing::write_file(scenario, R"({ "mailboxes": [ { "number": 101, "display_name": "Big", "folders": [
      { "name": "Inbox", "class": "IPF.Note", "messages": [
        { "subject": "large", "sender_name": "A", "sender_address": "a@example.com", "body": "see attachments",
          "date": "2011-03-07T14:05:09Z",
          "attachments": [ { "name": "large.bin", "size": )" + std::to_string(kLargeSize) + R"( },
                           { "name": "small.txt", "content": "From the top\n" } ] } ] } ] } ] })");
    ASSERT_NO_FATAL_FAILURE(make_store(scenario, GetParam().first, dir_ / "store.edb"));
    ASSERT_NO_FATAL_FAILURE(scan_store(dir_ / "store.edb", dir_.path(), GetParam().second, session_));
    for (scan::TreeItem item = 1; item < session_.tree.size(); ++item) request_.checked.push_back(item);
    request_.destination = dir_ / "out";
  }
  fs::path mbox() const { return dir_ / "out" / "QuorvineRec" / "Big" / "Inbox" / "Inbox"; }

  ScratchDir dir_;
  scan::ScanSession session_;
  MailboxExportRequest request_;
  SilentExportObserver silent_;
};

TEST_P(LargeAttachment, ReadsBackWhole) {
  const ExportSummary summary = export_mailboxes(session_, request_, ese::PassControl{}, silent_);
  ASSERT_TRUE(summary.failures.empty()) << summary.failures.front();
  const ReadBack back = read_mbox(mbox());
  EXPECT_EQ(back.messages, 1u);
  ASSERT_EQ(back.names, (std::vector<std::string>{"large.bin", "small.txt"}));
  const edbgen::Bytes expected = edbgen::filler_content("large.bin", kLargeSize);
  ASSERT_EQ(back.contents[0].size(), expected.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), reinterpret_cast<const uint8_t*>(back.contents[0].data())));
  EXPECT_EQ(back.contents[1], "From the top\n");
}

// The file size limit stands for a full disk: the MBOX file cannot grow past the first part
// of the large attachment.
TEST_P(LargeAttachment, WriteFailureHalfwayLeavesNoFileUnderTheFinalName) {
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto saved_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = kLargeSize / 2;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const ExportSummary summary = export_mailboxes(session_, request_, ese::PassControl{}, silent_);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, saved_handler);

  ASSERT_EQ(summary.failures.size(), 1u);
  EXPECT_NE(summary.failures.front().find("was not exported"), std::string::npos) << summary.failures.front();
  EXPECT_EQ(summary.messages_written, 0u);
  EXPECT_FALSE(fs::exists(mbox()));
  for (const auto& entry : fs::recursive_directory_iterator(dir_ / "out"))
    EXPECT_FALSE(entry.is_regular_file()) << entry.path();
}

INSTANTIATE_TEST_SUITE_P(Generations, LargeAttachment,
                         ::testing::Values(std::make_pair("2007", decode::Generation::V2007),
                                           std::make_pair("2010", decode::Generation::V2010)));

}  // namespace
}  // namespace quorvine::exporting
