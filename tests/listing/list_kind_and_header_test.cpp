// Kinds, hidden classes and the 2010/2013 header list: which records become rows, with
// which texts, in which order.
#include <gtest/gtest.h>

#include "listing/header_list_entry.hpp"
#include "listing/message_list_2010.hpp"
#include "listing/message_list_kind.hpp"

namespace quorvine::listing {
namespace {

TEST(MessageKind, GenerationsDifferWhereTheirTablesDiffer) {
  // Ink notes are notes only in contents tables; the header tables keep the class text.
  EXPECT_EQ(message_kind("IPM.InkNotes", KindTable::Contents2007), "notes");
  EXPECT_EQ(message_kind("IPM.InkNotes", KindTable::Header2010), "IPM.InkNotes");
  // "IPM.Configuration.ELC" is hidden in 2010/2013 only.
  EXPECT_EQ(message_kind("IPM.Configuration.ELC", KindTable::Header2010), std::nullopt);
  EXPECT_EQ(message_kind("IPM.Configuration.ELC", KindTable::Header2013), std::nullopt);
  EXPECT_EQ(message_kind("IPM.Configuration.ELC", KindTable::Contents2007), "IPM.Configuration.ELC");
  // Meeting requests are mail in 2007 and 2010, not in 2013.
  EXPECT_EQ(message_kind("IPM.Schedule.Meeting.Request", KindTable::Header2010), "mail");
  EXPECT_EQ(message_kind("IPM.Schedule.Meeting.Request", KindTable::Header2013), "IPM.Schedule.Meeting.Request");
  EXPECT_EQ(message_kind("REPORT.REPORT.IPF.Note.NDR.NDR", KindTable::Header2013), "mail");
  EXPECT_EQ(message_kind("REPORT.REPORT.IPF.Note.NDR.NDR", KindTable::Header2010),
            "REPORT.REPORT.IPF.Note.NDR.NDR");
  EXPECT_EQ(message_kind("srvinfo.expiry", KindTable::Header2010), "mail");
  EXPECT_EQ(message_kind("srvinfo.expiry", KindTable::Contents2007), "srvinfo.expiry");
}

TEST(MessageKind, CommonClassesEmptyClassAndCaseSensitivity) {
  for (KindTable t : {KindTable::Contents2007, KindTable::Header2010, KindTable::Header2013}) {
    EXPECT_EQ(message_kind("", t), "mail");
    EXPECT_EQ(message_kind("IPF.Contact", t), "contact");
    EXPECT_EQ(message_kind("IPM.DistList", t), "distlist");
    EXPECT_EQ(message_kind("IPM.Appointment", t), "appointment");
    EXPECT_EQ(message_kind("IPF.Journal", t), "activity");
    EXPECT_EQ(message_kind("IPM.TaskRequest", t), "task");
    EXPECT_EQ(message_kind("IPF.Post.Rss", t), "rss");
    EXPECT_EQ(message_kind("IPM.StickyNote", t), "notes");
    EXPECT_EQ(message_kind("IPM.Configuration.WorkHours", t), std::nullopt);
    EXPECT_EQ(message_kind("IPC.MS.Outlook.AgingProperties", t), std::nullopt);
    EXPECT_EQ(message_kind("REPORT.IPM.Note.NDR", t), std::nullopt);
    // Exact comparison: other case or a longer class is not hidden and not mapped.
    EXPECT_EQ(message_kind("ipm.note", t), "ipm.note");
    EXPECT_EQ(message_kind("IPM.Configuration.WorkHours.X", t), "IPM.Configuration.WorkHours.X");
    EXPECT_EQ(message_kind("IPM.Note.Custom", t), "IPM.Note.Custom");
  }
}

HeaderFields header(std::string id, std::string subject) {
  HeaderFields f;
  f.message_id = std::move(id);
  f.folder_id = "f1";
  f.message_class = "IPM.Note";
  f.subject = std::move(subject);
  return f;
}

TEST(HeaderEntry, RecordsThatAreNeverShown) {
  EXPECT_FALSE(make_header_entry("MsgHeader-1-2", header("2a2a2a2a2a2a2a2a", "s"), KindTable::Header2010));
  // Only that exact placeholder: a longer identifier containing it stays.
  EXPECT_TRUE(make_header_entry("MsgHeader-1-2", header("2a2a2a2a2a2a2a2a1", "s"), KindTable::Header2010));
  HeaderFields hidden = header("1", "s");
  hidden.message_class = "IPM.Configuration.ELC";
  EXPECT_FALSE(make_header_entry("t", hidden, KindTable::Header2010));
  // The empty-message rule: no sender, subject, prefix or topic.
  HeaderFields empty = header("1", "");
  empty.attachment_flag = "true";
  empty.dates[0] = "Mar,07 2011 14:05:09";
  EXPECT_FALSE(make_header_entry("t", empty, KindTable::Header2010));
  for (auto set : {&HeaderFields::from, &HeaderFields::prefix, &HeaderFields::topic}) {
    HeaderFields one = empty;
    one.*set = "x";
    EXPECT_TRUE(make_header_entry("t", one, KindTable::Header2010));
  }
}

TEST(HeaderEntry, SubjectPrefixTopicAndDateFallbacks) {
  HeaderFields f = header("1", "Hello");
  f.prefix = "RE: ";
  f.topic = "Topic";
  f.dates[0] = "(0x7fffffff 0xffffffff)";
  f.dates[1] = "";
  f.dates[2] = "1/2/2011 3:04:05 AM";
  auto e = make_header_entry("MsgHeader-1-2", f, KindTable::Header2010);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->subject, "RE: Hello");
  EXPECT_EQ(e->date, "1/2/2011 3:04:05 AM");
  EXPECT_EQ(e->tableName, "MsgHeader-1-2");
  EXPECT_EQ(e->kind, "mail");

  f.subject.clear();
  f.prefix.clear();
  f.dates[2] = "(0x00000000 0x00000001)";
  e = make_header_entry("t", f, KindTable::Header2010);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->subject, "Topic");
  EXPECT_EQ(e->date, "");  // every date undecodable
  // A prefix alone is the subject; the topic is not used then.
  f.prefix = "FW: ";
  EXPECT_EQ(make_header_entry("t", f, KindTable::Header2010)->subject, "FW: ");
}

scan::HeaderEntry2010 stored(std::string table, std::string id, std::string folder) {
  scan::HeaderEntry2010 h;
  h.tableName = std::move(table);
  h.messageId = std::move(id);
  h.folderId = std::move(folder);
  h.kind = "mail";
  return h;
}

TEST(HeaderRows, NewestFirstNumberedAndFilteredByFolderAndTable) {
  std::vector<scan::HeaderEntry2010> headers = {
      stored("MsgHeader-1-5", "a", "f1"), stored("MsgHeader-1-5", "b", "f2"),
      stored("MsgHeader-1-6", "c", "f1"),  // same folder id in another mailbox's table
      stored("MsgHeader-1-5", "d", "f1")};
  HeaderFolderRef folder{"f1", "Box", "Folders-1-5", "Inbox"};
  auto rows = header_rows_for_folder(headers, folder, decode::Generation::V2010);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].message_id, "d");  // read last, shown first
  EXPECT_EQ(rows[1].message_id, "a");
  EXPECT_EQ(rows[0].mail_number, "1");
  EXPECT_EQ(rows[1].mail_number, "2");
  EXPECT_EQ(rows[0].key, "Folders-1-5");
  EXPECT_EQ(rows[0].folder_id, "f1");
  EXPECT_EQ(rows[0].mailbox_name, "Box");
  EXPECT_EQ(rows[0].folder_name, "Inbox");
}

TEST(HeaderRows, TableNamesOfBothGenerationsAndPublicStores) {
  HeaderFolderRef f{"7", "Box", "Folders-3-9", "Inbox"};
  EXPECT_EQ(header_table_name(f, decode::Generation::V2010, false), "MsgHeader-3-9");
  EXPECT_EQ(body_table_name(f, decode::Generation::V2010, false), "Body-3-9");
  EXPECT_EQ(header_table_name(f, decode::Generation::V2010, true), "MsgHeader-7");
  EXPECT_EQ(body_table_name(f, decode::Generation::V2010, true), "Body-7");
  HeaderFolderRef g{"ab", "Box", "Folder_101", "Inbox"};
  EXPECT_EQ(header_table_name(g, decode::Generation::V2013, false), "Message_101");
  EXPECT_EQ(body_table_name(g, decode::Generation::V2013, false), "");
  // A bare "Folders" table name stands for "Folders-<folder id>".
  HeaderFolderRef bare{"7", "Box", "Folders", "X"};
  EXPECT_EQ(folder_table_name(bare, decode::Generation::V2010), "Folders-7");
  std::vector<scan::HeaderEntry2010> headers = {stored("MsgHeader-7", "m", "7"), stored("MsgHeader", "n", "7")};
  auto rows = header_rows_for_folder(headers, bare, decode::Generation::V2010);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].message_id, "m");
  // 2013 maps "Message" back to "Folder".
  std::vector<scan::HeaderEntry2010> h13 = {stored("Message_101", "x", "ab"), stored("Message_102", "y", "ab")};
  rows = header_rows_for_folder(h13, g, decode::Generation::V2013);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].message_id, "x");
}

TEST(BodyEntries, MessagesAndAttachmentsOfTheBodyTable) {
  BodyFields message{"k1", "0a0b", "0", "", ""};
  EXPECT_TRUE(make_body_entry(message));
  EXPECT_FALSE(make_attachment_entry(message));
  EXPECT_EQ(make_body_entry(message)->attachmentIds, "0a0b");
  BodyFields keyless{"", "", "0", "", ""};
  EXPECT_FALSE(make_body_entry(keyless));
  BodyFields attachment{"k1", "", "1", "", "file.txt"};
  ASSERT_TRUE(make_attachment_entry(attachment));
  EXPECT_EQ(make_attachment_entry(attachment)->fileName, "file.txt");
  attachment.attachment_name = "shown.txt";
  EXPECT_EQ(make_attachment_entry(attachment)->fileName, "shown.txt");
  BodyFields nameless{"k1", "", "1", "", ""};
  EXPECT_FALSE(make_attachment_entry(nameless));
  EXPECT_FALSE(make_body_entry(attachment));
}

}  // namespace
}  // namespace quorvine::listing
