// The 2003/2007 message and attachment index, the attachment table's recognition, the work
// files, and the scan driver's bookkeeping (revision, state, status texts).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "scan/message_index.hpp"
#include "scan/record_handlers.hpp"
#include "scan/scan_driver.hpp"
#include "scan_fixture.hpp"
#include "support/test_support.hpp"

using namespace scan_test;
using quorvine::decode::Generation;
using quorvine::scan::MessageIndex;

namespace {

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

Store2007 indexed_store() {
  Store2007 store;
  store.mailboxes = {{0x101, "Box", "Owner"}};
  store.folders = {{0x10, 0, 0x101, "Inbox", "/Inbox", "IPF.Note"}};
  store.messages = {
      {0xA1, concat({id_bytes(0x501), Bytes{0xff, 0xff, 0xff, 0xff}, id_bytes(0x502)})},
      {0xA2, {}},
      {0xA1, id_bytes(0x503)},  // a duplicate identifier: lookups keep the first
  };
  store.attachments = {{0x501, "a/b:c.txt", "ignored.txt"},
                       {0x502, "", "re?port*.pdf"},
                       {0x503, "third.txt", ""}};
  store.attachment_table = "UnusualAttachName";
  store.extra_tables = {"1-2D5E3"};
  return store;
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

TEST(ScanIndex, MessageAndAttachmentIndexFromAStore) {
  quorvine::testing::ScratchDir dir;
  write_store_2007(dir / "s.edb", indexed_store());
  ScanRun run;
  run_scan(run, dir / "s.edb", Generation::V2007, dir.path());
  const auto& session = run.session;
  EXPECT_EQ(session.attachment_table_name, "UnusualAttachName");
  ASSERT_TRUE(session.attachment_table.has_value());
  ASSERT_TRUE(session.message_table.has_value());

  const auto& messages = session.index.messages();
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[0].messageId, "a1");
  EXPECT_EQ(messages[0].recordNumber, 0);
  EXPECT_EQ(messages[0].attachmentIds, "00000000000005010000000000000502");
  EXPECT_EQ(messages[1].attachmentIds, "");
  EXPECT_EQ(messages[2].recordNumber, 2);

  const auto& attachments = session.index.attachments();
  ASSERT_EQ(attachments.size(), 3u);
  EXPECT_EQ(attachments[0].attachmentId, "501");
  EXPECT_EQ(attachments[0].fileName, "a_b_c.txt");
  EXPECT_EQ(attachments[1].fileName, "re_port_.pdf");  // S3704 when S3001 is empty
  EXPECT_EQ(attachments[2].recordNumber, 2);

  std::string current = "unchanged";
  EXPECT_EQ(session.index.message_record_number("a1", current), 0);  // record 0 of "Msg"
  EXPECT_EQ(current, "00000000000005010000000000000502");
  current = "unchanged";
  EXPECT_EQ(session.index.message_record_number("ffff", current), 0);
  EXPECT_EQ(current, "unchanged");
  ASSERT_NE(session.index.find_message("a2"), nullptr);
  EXPECT_EQ(session.index.find_message("a2")->recordNumber, 1);

  const auto all = session.index.find_attachments(messages[0].attachmentIds);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0]->fileName, "a_b_c.txt");
  EXPECT_EQ(all[1]->fileName, "re_port_.pdf");

  // The contents table's folder key, and the work files.
  const auto* contents = session.table_with_folder_key("10000000002D5E3");
  ASSERT_NE(contents, nullptr);
  EXPECT_EQ(contents->tableName, "1-2D5E3");
  EXPECT_EQ(read_file(dir / "Msg.txt"), "");
  EXPECT_EQ(read_file(dir / "Att.txt"), "");
  EXPECT_TRUE(std::filesystem::exists(dir / "Msg.txt"));
  EXPECT_TRUE(std::filesystem::exists(dir / "Att.txt"));
}

TEST(ScanIndex, FilesListGetsOneLinePerScanAndANewScanEmptiesTheIndex) {
  quorvine::testing::ScratchDir dir;
  write_store_2007(dir / "s.edb", indexed_store());
  ScanRun run;
  run_scan(run, dir / "s.edb", Generation::V2007, dir.path());
  run_scan(run, dir / "s.edb", Generation::V2007, dir.path());
  const std::string line = (dir / "s.edb").string() + "," + (dir / "Msg.txt").string() + "," +
                           (dir / "Att.txt").string() + ",\r\n";
  EXPECT_EQ(read_file(dir / "files.txt"), line + line);
  // A second scan of the same file does not double the index.
  EXPECT_EQ(run.session.index.messages().size(), 3u);
}

TEST(ScanIndex, WithoutTheCallbackThereIsNoAttachmentTable) {
  quorvine::testing::ScratchDir dir;
  Store2007 store = indexed_store();
  store.attachment_callback = false;
  write_store_2007(dir / "s.edb", store);
  ScanRun run;
  run_scan(run, dir / "s.edb", Generation::V2007);
  EXPECT_EQ(run.session.attachment_table_name, "");
  EXPECT_FALSE(run.session.attachment_table.has_value());
  EXPECT_TRUE(run.session.index.attachments().empty());
  EXPECT_EQ(run.session.index.messages().size(), 3u);
}

TEST(ScanIndex, DriverSettlesRevisionReportsStateAndShowsTheSevenSteps) {
  quorvine::testing::ScratchDir dir;
  Store2007 store = indexed_store();
  store.dirty = true;
  write_store_2007(dir / "s.edb", store);
  ScanRun run;
  run_scan(run, dir / "s.edb", Generation::V2007, dir.path());
  EXPECT_EQ(run.session.format_revision, 15u);  // "Msg" and a revision above 16
  EXPECT_EQ(run.session.decode_context.format_revision, 15u);
  EXPECT_EQ(run.session.page_size_version, 8192u);
  ASSERT_FALSE(run.warnings.empty());
  EXPECT_NE(run.warnings.front().find("dirty shutdown"), std::string::npos);
  EXPECT_EQ(run.session.outcome, quorvine::scan::ScanOutcome::Completed);
  EXPECT_FALSE(run.session.folders_2007.empty());

  const std::vector<std::string> expected = {
      "Status: (Step 1/7) initialize Exchange EDB File (please wait..) ",
      "Status: (Step 2/7) Scan MsysObject table (please wait..) ",
      "Status: (Step 3/7) Scan exchange store informations (please wait..) ",
      "Status: (Step 4/7) Rebuild mailbox folders informations (please wait..) ",
      "Status: (Step 4/7) Rebuild mailbox folders informations ( Inbox)",
      "Status : (Step 5/7) Extract mailbox email informations (please wait..) ",
      "Status: (Step 5/7) Extract mailbox email attachment informations (please wait..) ",
      "Status: Analysis Completed ",
      ""};
  EXPECT_EQ(run.statuses, expected);
  ASSERT_EQ(run.message_boxes.size(), 1u);
  EXPECT_EQ(run.message_boxes[0], "Analysis Completed successfully               ");
}

TEST(ScanIndex, ProgressOfSmallAndLargeTables) {
  quorvine::testing::ScratchDir dir;
  Store2007 store = indexed_store();
  store.messages.clear();
  for (uint64_t i = 0; i < 150; ++i) store.messages.push_back({0x9000 + i, {}});
  write_store_2007(dir / "s.edb", store);
  ScanRun run;
  RecordingObserver observer(run);
  run.session.settings.database_file = dir / "s.edb";
  run.session.settings.generation = Generation::V2007;
  quorvine::scan::scan_store(run.session, observer);
  // Only the 150-record "Msg" table sets a range; the others keep 0..100.
  EXPECT_EQ(observer.ranges, std::vector<uint64_t>{150});
  // Mailbox (1 record) shows 1 then 0; positions never pass the table's size.
  ASSERT_GE(observer.positions.size(), 2u);
  EXPECT_EQ(observer.positions[0], 1u);
  EXPECT_EQ(observer.positions[1], 0u);
  EXPECT_NE(std::find(observer.positions.begin(), observer.positions.end(), 150u),
            observer.positions.end());
  EXPECT_EQ(std::count(observer.texts.begin(), observer.texts.end(), "Completed"), 4);
}

TEST(MessageIndexLookups, FirstMatchSubstringAndEmptyIdentifiers) {
  MessageIndex index;
  index.add_attachment("", 0, "empty id never matches");
  index.add_attachment("2b", 1, "second");
  index.add_attachment("1a", 2, "first by text");
  index.add_attachment("2b", 3, "duplicate");
  // "1a" occurs first in the text, but "2b" comes first in the index.
  const auto* hit = index.find_attachment("001a002b");
  ASSERT_NE(hit, nullptr);
  EXPECT_EQ(hit->fileName, "second");
  EXPECT_EQ(index.find_attachments("001a002b").size(), 2u);
  EXPECT_EQ(index.find_attachment("zzzz"), nullptr);
  EXPECT_EQ(index.find_attachment(""), nullptr);

  index.add_message("m1", 7, "x");
  index.add_message("m1", 9, "y");
  ASSERT_NE(index.find_message("m1"), nullptr);
  EXPECT_EQ(index.find_message("m1")->recordNumber, 7);
  EXPECT_EQ(index.find_message("M1"), nullptr);  // identifiers compare exactly
  index.clear();
  EXPECT_EQ(index.find_message("m1"), nullptr);
  EXPECT_EQ(index.find_attachment("2b"), nullptr);
}

// Export workers read copies of the scan's index while a new scan may refill the original.
TEST(MessageIndexLookups, CopiesAreUntouchedByChangesToTheOriginal) {
  MessageIndex index;
  index.add_message("m1", 7, "a1");
  index.add_attachment("a1", 3, "one");
  const MessageIndex copy = index;
  const MessageIndex moved_from_copy = copy;
  MessageIndex moved = std::move(index);
  moved.add_message("m2", 8, "");
  moved.add_attachment("a2", 4, "two");
  index.add_message("m3", 9, "");  // the moved-from index is still usable
  for (const MessageIndex* untouched : {&copy, &moved_from_copy}) {
    EXPECT_EQ(untouched->messages().size(), 1u);
    EXPECT_EQ(untouched->find_message("m2"), nullptr);
    EXPECT_EQ(untouched->find_message("m3"), nullptr);
    EXPECT_EQ(untouched->find_attachment("a2"), nullptr);
    ASSERT_NE(untouched->find_attachment("xa1x"), nullptr);
  }
  ASSERT_NE(moved.find_message("m2"), nullptr);
  EXPECT_EQ(moved.find_message("m1")->recordNumber, 7u);
  ASSERT_NE(index.find_message("m3"), nullptr);
  moved.clear();
  EXPECT_EQ(copy.find_message("m1")->recordNumber, 7u);
}

TEST(MessageIndexLookups, EachAttachmentIsFoundOnceHoweverOftenItsIdentifierOccurs) {
  MessageIndex index;
  index.add_attachment("1a2b", 0, "report.pdf");
  index.add_attachment("2b3c", 1, "photo.jpg");
  index.add_attachment("0101", 2, "notes.txt");
  auto names = [&](std::string_view text) {
    std::vector<std::string> out;
    for (const auto* entry : index.find_attachments(text)) out.push_back(entry->fileName);
    return out;
  };
  using Names = std::vector<std::string>;
  // Listed twice in the message's identifier text.
  EXPECT_EQ(names("1a2b99991a2b"), Names{"report.pdf"});
  // "1a2b" and "2b3c" share "2b"; "010101" holds "0101" twice, overlapping itself.
  EXPECT_EQ(names("1a2b3c"), (Names{"report.pdf", "photo.jpg"}));
  EXPECT_EQ(names("010101"), Names{"notes.txt"});
  EXPECT_EQ(names("2b3c1a2b3c0101011a2b"), (Names{"report.pdf", "photo.jpg", "notes.txt"}));
}

TEST(MessageIndexLookups, TextHelpers) {
  using quorvine::scan::clean_attachment_name;
  using quorvine::scan::strip_ffffffff;
  EXPECT_EQ(clean_attachment_name("a\\b/c:d?e*f<g>h|i\"j"), "a_b_c_d_e_f_g_h_i_j");
  EXPECT_EQ(strip_ffffffff("01ffffffff02ffffffff"), "0102");
  EXPECT_EQ(strip_ffffffff("fffffff"), "fffffff");
}

TEST(MessageIndexLookups, RecordNumbersBeyond32BitsSurvive) {
  MessageIndex index;
  const uint64_t far = (uint64_t{1} << 32) + 7;
  index.add_message("m", far, "ids");
  index.add_attachment("a", far + 1, "file");
  std::string ids;
  EXPECT_EQ(index.message_record_number("m", ids), far);
  EXPECT_EQ(ids, "ids");
  ASSERT_NE(index.find_attachment("a"), nullptr);
  EXPECT_EQ(index.find_attachment("a")->recordNumber, far + 1);
}
