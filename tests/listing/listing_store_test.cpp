// Folder listings through the core on small stores written by edbgen: the 2010/2013 loads
// and their loaded marks, and the 2003/2007 rows with their dates and attachment keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <set>
#include <string>

#include <nlohmann/json.hpp>

#include "decode/date_text.hpp"
#include "listing/contents_rows.hpp"
#include "listing/message_listing.hpp"
#include "scan/scan_driver.hpp"
#include "scan/work_folders.hpp"
#include "support/test_support.hpp"

namespace quorvine::listing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using quorvine::testing::ScratchDir;

constexpr uint64_t kMarch2011 = 129440000000000000ULL;  // Mar,07 2011 14:13:20 UTC
constexpr uint64_t kUndecodable = 0xFFFFFFFFFFFFFFFFULL;  // beyond year 9999

// The recipient's name is the subject too: 2013 lists show the display-To column as the
// subject.
json message(const std::string& subject, const std::string& sender = "Ann Lee") {
  return {{"subject", subject},
          {"sender_name", sender},
          {"sender_address", "ann@example.com"},
          {"to", json::array({{{"name", subject}, {"address", "bob@example.com"}}})},
          {"date", kMarch2011}};
}

// Writes `scenario`, runs edbgen on it, scans the store into `session`. Returns false with a
// skip reason when edbgen is not built.
bool make_and_scan(const json& scenario, const std::string& exchange, const ScratchDir& dir,
                   scan::ScanSession& session, std::string& skip) {
  if (!fs::exists(quorvine::testing::edbgen_program())) {
    skip = "edbgen not built";
    return false;
  }
  const fs::path file = dir / "scenario.json";
  std::ofstream(file) << scenario.dump();
  const fs::path store = dir / "store.edb";
  auto made = quorvine::testing::run_command("'" + quorvine::testing::edbgen_program().string() + "' --exchange " +
                                             exchange + " --scenario '" + file.string() + "' --out '" +
                                             store.string() + "' 2>&1");
  EXPECT_EQ(made.status, 0) << made.out;
  if (made.status != 0) return false;
  session.settings.database_file = store;
  session.settings.generation = *decode::parse_generation(exchange);
  session.settings.work_folder = dir / "work";
  session.settings.temp_folder = dir / "temp";
  fs::create_directories(session.settings.work_folder);
  fs::create_directories(session.settings.temp_folder);
  scan::SilentScanObserver quiet;
  scan::scan_store(session, quiet);
  EXPECT_EQ(session.outcome, scan::ScanOutcome::Completed) << session.failure_reason;
  return session.outcome == scan::ScanOutcome::Completed;
}

std::vector<std::string> subjects(const FolderListing& folder_listing) {
  std::vector<std::string> out;
  for (const auto& row : folder_listing.rows) out.push_back(row.subject);
  return out;
}

// Two mailboxes with one display name; mailbox 101 has a hidden message and a message
// without sender and subject. With `attachments`, a1 has two files and b1 one (2013 lists
// then show the attachment blob in the subject, so the listing checks go without).
json two_shared_mailboxes(bool attachments) {
  json hidden = message("hidden");
  hidden["class"] = "IPM.Configuration.WorkHours";
  json empty = json::object({{"date", kMarch2011}});
  json attached = message("a1");
  json other = message("b1");
  if (attachments) {
    attached["attachments"] = json::array({{{"name", "notes.txt"}, {"content", "first file"}},
                                           {{"name", "plan.doc"}, {"content", "second file"}}});
    other["attachments"] = json::array({{{"name", "other.txt"}, {"content", "third file"}}});
  }
  return {{"mailboxes",
           json::array({{{"number", 101},
                         {"display_name", "Shared"},
                         {"folders", json::array({{{"name", "Inbox"},
                                                   {"class", "IPF.Note"},
                                                   {"messages", json::array({attached, hidden, empty,
                                                                             message("a2")})}},
                                                  {{"name", "Sent"},
                                                   {"class", "IPF.Note"},
                                                   {"messages", json::array({message("s1")})}}})}},
                        {{"number", 102},
                         {"display_name", "Shared"},
                         {"folders", json::array({{{"name", "Inbox"},
                                                   {"class", "IPF.Note"},
                                                   {"messages", json::array({other})}}})}}})}};
}

// The folders of two_shared_mailboxes(...) as the scan placed them.
struct SharedFolders {
  const scan::Folder2010* inbox101 = nullptr;
  const scan::Folder2010* inbox102 = nullptr;
  const scan::Folder2010* sent = nullptr;
};

SharedFolders find_shared_folders(const scan::ScanSession& session) {
  SharedFolders found;
  std::vector<const scan::Folder2010*> inboxes;
  for (const auto& f : session.folders_2010) {
    if (f.folderName == "Inbox") inboxes.push_back(&f);
    if (f.folderName == "Sent") found.sent = &f;
  }
  if (inboxes.size() != 2 || found.sent == nullptr) return {};
  // The inbox that shares the "Sent" folder's table is mailbox 101's.
  const bool first_is_101 = inboxes[0]->folderTable == found.sent->folderTable;
  found.inbox101 = first_is_101 ? inboxes[0] : inboxes[1];
  found.inbox102 = first_is_101 ? inboxes[1] : inboxes[0];
  return found;
}

class HeaderListing : public ::testing::TestWithParam<std::string> {};

TEST_P(HeaderListing, MailboxesAreReadOnceAndSharedDisplayNamesKeepTheirOwnMessages) {
  const json scenario = two_shared_mailboxes(false);
  ScratchDir dir;
  scan::ScanSession session;
  std::string skip;
  if (!make_and_scan(scenario, GetParam(), dir, session, skip)) {
    if (!skip.empty()) GTEST_SKIP() << skip;
    return;
  }
  const SharedFolders folders = find_shared_folders(session);
  ASSERT_NE(folders.inbox101, nullptr);
  const scan::Folder2010* inbox101 = folders.inbox101;
  const scan::Folder2010* inbox102 = folders.inbox102;
  const scan::Folder2010* sent = folders.sent;

  decode::DecodeContext ctx = decode_context_for(session);
  scan::SilentScanObserver quiet;

  auto first = list_folder(session, ctx, inbox101->treeItem, quiet);
  // Hidden classes and the message without sender and subject are left out; newest first.
  EXPECT_EQ(subjects(first), (std::vector<std::string>{"a2", "a1"}));
  const size_t headers_after_first = session.lists2010.headers.size();
  EXPECT_EQ(session.lists2010.header_tables_read.size(), 1u);
  // Listing reads no body table.
  EXPECT_TRUE(session.lists2010.cached_bodies.empty());
  EXPECT_TRUE(session.lists2010.cached_attachments.empty());
  EXPECT_TRUE(session.lists2010.body_tables_read.empty());

  auto other_folder = list_folder(session, ctx, sent->treeItem, quiet);
  EXPECT_EQ(subjects(other_folder), (std::vector<std::string>{"s1"}));
  EXPECT_EQ(session.lists2010.headers.size(), headers_after_first);  // not read again
  EXPECT_EQ(session.lists2010.header_tables_read.size(), 1u);

  auto again = list_folder(session, ctx, inbox101->treeItem, quiet);
  EXPECT_EQ(subjects(again), subjects(first));  // each message once

  // The second "Shared" mailbox is read too and lists its own message.
  auto second_box = list_folder(session, ctx, inbox102->treeItem, quiet);
  EXPECT_EQ(subjects(second_box), (std::vector<std::string>{"b1"}));
  EXPECT_EQ(session.lists2010.header_tables_read.size(), 2u);
  for (const auto& row : second_box.rows) {
    EXPECT_EQ(row.mail_number, "1");
    EXPECT_EQ(row.mailbox_name, "Shared");
    EXPECT_EQ(row.folder_name, "Inbox");
    EXPECT_EQ(row.folder_id, inbox102->folderId);
    EXPECT_EQ(row.to + row.cc + row.bcc, "");
    if (GetParam() == "2010") {
      EXPECT_EQ(row.from, "Ann Lee");  // 2013 shows the recipient list
    }
    EXPECT_EQ(row.kind, "mail");
  }

  // A new scan starts the lists afresh, so the tables are read again.
  scan::scan_store(session, quiet);
  EXPECT_TRUE(session.lists2010.headers.empty());
}

TEST_P(HeaderListing, BodiesAndAttachmentsAreReadOnlyWhenAskedForOncePerMailbox) {
  ScratchDir dir;
  scan::ScanSession session;
  std::string skip;
  if (!make_and_scan(two_shared_mailboxes(true), GetParam(), dir, session, skip)) {
    if (!skip.empty()) GTEST_SKIP() << skip;
    return;
  }
  const SharedFolders folders = find_shared_folders(session);
  ASSERT_NE(folders.inbox101, nullptr);
  decode::DecodeContext ctx = decode_context_for(session);
  scan::SilentScanObserver quiet;
  const auto& lists = session.lists2010;

  list_folder(session, ctx, folders.inbox101->treeItem, quiet);
  ASSERT_TRUE(lists.cached_bodies.empty());
  EXPECT_EQ(ensure_bodies_loaded(session, ctx, folders.inbox101->treeItem, quiet), 0u);
  if (GetParam() == "2013") {  // no body table to read
    EXPECT_TRUE(lists.cached_bodies.empty());
    EXPECT_TRUE(lists.cached_attachments.empty());
    return;
  }
  ASSERT_EQ(lists.body_tables_read.size(), 1u);

  // Every message record of mailbox 101 (hidden and empty ones too), in table order: the
  // listed messages come in the header list's order.
  std::vector<std::string> header_ids;
  for (const auto& h : lists.headers) header_ids.push_back(h.messageId);
  std::vector<std::string> listed_body_ids;
  for (const auto& b : lists.cached_bodies)
    if (std::find(header_ids.begin(), header_ids.end(), b.messageKey) != header_ids.end())
      listed_body_ids.push_back(b.messageKey);
  EXPECT_EQ(listed_body_ids, header_ids);
  EXPECT_EQ(lists.cached_bodies.size(), 5u);  // a1, hidden, empty, a2, s1
  std::string a1_id;
  for (const auto& h : lists.headers)
    if (h.subject == "a1") a1_id = h.messageId;
  ASSERT_FALSE(a1_id.empty());
  for (const auto& b : lists.cached_bodies) {
    EXPECT_EQ(b.tableName, lists.body_tables_read[0].key);
    EXPECT_EQ(b.attachmentIds.empty(), b.messageKey != a1_id) << b.messageKey;  // only a1 has files
  }

  // Attachment entries in table order, each leading to the record that holds its data.
  auto attachment_names = [&] {
    std::vector<std::string> names;
    for (const auto& a : lists.cached_attachments) names.push_back(a.fileName);
    return names;
  };
  ASSERT_EQ(attachment_names(), (std::vector<std::string>{"notes.txt", "plan.doc"}));
  const std::vector<std::string> contents{"first file", "second file"};
  for (size_t i = 0; i < contents.size(); ++i) {
    const auto& a = lists.cached_attachments[i];
    const ese::Table table = session.database->open_table(a.tableIndex);
    EXPECT_EQ(table.name(), a.tableName);
    const ese::Record record = table.read_record(static_cast<uint64_t>(a.recordNumber));
    ASSERT_TRUE(a.dataColumn.has_value());
    const auto data = record.bytes(*a.dataColumn);
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(std::string(data->begin(), data->end()), contents[i]);
  }

  // Asked again, or for another folder of the same mailbox: nothing is read again.
  ensure_bodies_loaded(session, ctx, folders.inbox101->treeItem, quiet);
  ensure_bodies_loaded(session, ctx, folders.sent->treeItem, quiet);
  EXPECT_EQ(lists.cached_bodies.size(), 5u);
  EXPECT_EQ(lists.cached_attachments.size(), 2u);
  EXPECT_EQ(lists.body_tables_read.size(), 1u);

  // The other "Shared" mailbox has a body table of its own, read without listing it first.
  ensure_bodies_loaded(session, ctx, folders.inbox102->treeItem, quiet);
  EXPECT_EQ(lists.body_tables_read.size(), 2u);
  EXPECT_EQ(lists.cached_bodies.size(), 6u);
  EXPECT_EQ(attachment_names(), (std::vector<std::string>{"notes.txt", "plan.doc", "other.txt"}));

  scan::scan_store(session, quiet);
  EXPECT_TRUE(lists.cached_bodies.empty());
  EXPECT_TRUE(lists.cached_attachments.empty());
  EXPECT_TRUE(lists.body_tables_read.empty());
}

INSTANTIATE_TEST_SUITE_P(Generations, HeaderListing, ::testing::Values("2010", "2013"));

// The command line's row-at-a-time listing hands out exactly the rows, in the order, that
// the listing the window and the exports use keeps.
class StreamedListing : public ::testing::TestWithParam<std::string> {};

TEST_P(StreamedListing, GivesTheKeptListingsRowsInItsOrder) {
  ScratchDir dir;
  scan::ScanSession session;
  std::string skip;
  if (!make_and_scan(two_shared_mailboxes(GetParam() != "2013"), GetParam(), dir, session, skip)) {
    if (!skip.empty()) GTEST_SKIP() << skip;
    return;
  }
  decode::DecodeContext ctx = decode_context_for(session);
  scan::SilentScanObserver quiet;
  // Both "Shared" mailboxes have an "Inbox", so the folders are visited by tree item.
  std::set<scan::TreeItem> items;
  for (const auto& folder : session.folders_2007) items.insert(folder.treeItem);
  for (const auto& folder : session.folders_2010) items.insert(folder.treeItem);
  size_t listed = 0;
  for (const scan::TreeItem item : items) {
    std::vector<MessageListRow> streamed;
    const ListingTally tally = for_each_listed_row(session, ctx, item, quiet, {},
                                                   [&](const MessageListRow& row) { streamed.push_back(row); });
    const FolderListing kept = list_folder(session, ctx, item, quiet);
    EXPECT_EQ(streamed, kept.rows);
    EXPECT_EQ(tally.rows, kept.rows.size());
    listed += streamed.size();
  }
  EXPECT_EQ(listed, 4u);  // a1, a2, s1 and b1
}

INSTANTIATE_TEST_SUITE_P(Generations, StreamedListing, ::testing::Values("2007", "2010", "2013"));

TEST(ContentsListing, DatesFallBackAndAttachmentKeysLeadToSanitisedNames) {
  setenv("TZ", "UTC", 1);
  tzset();
  json dated = message("dated");
  dated["submit_date"] = kUndecodable;  // "T39" cannot be shown: "Te06" is used
  dated["delivery_date"] = kMarch2011 + 36000000000ULL;
  json undated = message("undated");
  undated["submit_date"] = kUndecodable;
  undated["delivery_date"] = kUndecodable;
  undated["creation_date"] = kUndecodable;
  json attached = message("attached");
  attached["attachments"] = json::array({{{"name", "a/b:c.txt"}, {"content", "1"}},
                                         {{"name", "q\\u?*<>|\"x\".doc"}, {"content", "2"}}});
  json hidden = message("hidden");
  hidden["class"] = "IPM.Configuration.WorkHours";
  json contact = message("contact");
  contact["class"] = "IPM.Contact";
  const json scenario = {
      {"mailboxes",
       json::array({{{"number", 7},
                     {"display_name", "Box"},
                     {"owner_name", "Ann Lee"},
                     {"folders", json::array({{{"name", "Inbox"},
                                               {"class", "IPF.Note"},
                                               {"messages", json::array({dated, undated, attached, hidden,
                                                                         contact})}}})}}})}};
  ScratchDir dir;
  scan::ScanSession session;
  std::string skip;
  if (!make_and_scan(scenario, "2007", dir, session, skip)) {
    if (!skip.empty()) GTEST_SKIP() << skip;
    return;
  }
  ASSERT_EQ(session.folders_2007.size(), 1u);
  decode::DecodeContext ctx = decode_context_for(session);
  scan::SilentScanObserver quiet;
  auto folder_listing = list_folder(session, ctx, session.folders_2007[0].treeItem, quiet);
  ASSERT_EQ(subjects(folder_listing), (std::vector<std::string>{"dated", "undated", "attached", "contact"}));
  EXPECT_EQ(folder_listing.rows[0].date, decode::convert_date(decode::filetime_utc_text(kMarch2011 + 36000000000ULL)));
  EXPECT_EQ(folder_listing.rows[1].date, "");
  EXPECT_EQ(folder_listing.rows[3].kind, "contact");
  // The sender holds the mailbox owner's name, so the owner name is shown.
  EXPECT_EQ(folder_listing.rows[0].from, "Ann Lee");
  EXPECT_EQ(folder_listing.rows[0].to, "dated [bob@example.com]");
  EXPECT_EQ(folder_listing.rows[2].attachment, "true");
  EXPECT_EQ(folder_listing.rows[0].attachment, "false");
  // Every message is in the index: the rows carry distinct "Msg" record numbers.
  std::set<std::string> numbers;
  for (const auto& row : folder_listing.rows) numbers.insert(row.mail_number);
  EXPECT_EQ(numbers.size(), folder_listing.rows.size());

  // Every attachment of the row is found through its key, with its name made safe.
  const auto found = session.index.find_attachments(folder_listing.rows[2].key);
  std::vector<std::string> names;
  for (const auto* entry : found) names.push_back(entry->fileName);
  EXPECT_EQ(names, (std::vector<std::string>{"a_b_c.txt", "q_u______x_.doc"}));
  EXPECT_TRUE(session.index.find_attachments(folder_listing.rows[0].key).empty());
}

// An export lists a 2003/2007 folder without the messages' records and fills the recipients
// from the record it reads anyway: the rows come out as the listing gives them.
TEST(ContentsListing, RecipientsLeftForTheExportAreTheListedOnes) {
  json plain = message("plain");
  json copied = message("copied");
  copied["cc"] = json::array({{{"name", "Cy \"C\" Dee"}, {"address", "cy@example.net"}}});
  copied["bcc"] = json::array({{{"name", "Bea"}, {"address", "bea@example.org"}}});
  json long_headers = message("long headers");
  for (int i = 0; i < 60; ++i) long_headers["headers"].push_back("X-Filler-" + std::to_string(i) + ": " + std::string(40, 'x'));
  json sparse = message("sparse");
  sparse["sparse_msg_record"] = true;
  const json scenario = {
      {"mailboxes", json::array({{{"number", 7}, {"display_name", "Box"}, {"owner_name", "Owner"},
                                  {"folders", json::array({{{"name", "Inbox"}, {"class", "IPF.Note"},
                                                            {"messages", json::array({plain, copied, long_headers,
                                                                                      sparse})}}})}}})}};
  ScratchDir dir;
  scan::ScanSession session;
  std::string skip;
  if (!make_and_scan(scenario, "2007", dir, session, skip)) {
    if (!skip.empty()) GTEST_SKIP() << skip;
    return;
  }
  ASSERT_EQ(session.folders_2007.size(), 1u);
  ASSERT_TRUE(session.message_table);
  decode::DecodeContext ctx = decode_context_for(session);
  ctx.spilled_column = -1;
  scan::SilentScanObserver quiet;
  const FolderListing listed = list_contents_folder(session, ctx, session.folders_2007[0], quiet);
  FolderListing later = list_contents_folder(session, ctx, session.folders_2007[0], quiet, {}, true);
  ASSERT_EQ(later.rows.size(), listed.rows.size());
  const MessageColumns columns = message_columns(*session.message_table);
  size_t filled = 0, long_headers_read = 0;
  for (MessageListRow& row : later.rows) {
    if (!row.recipients_unread) continue;
    EXPECT_TRUE(row.to.empty() && row.cc.empty() && row.bcc.empty());
    const ese::Record record = session.message_table->read_record(std::stoull(row.mail_number));
    std::optional<std::string> whole_headers;
    fill_recipients(ctx, record, columns, row, &whole_headers);
    ++filled;
    // Headers kept in the record are left to Record::text; a long value is read once, for both.
    if (!whole_headers) continue;
    EXPECT_EQ(whole_headers, record.text(*columns.transport_headers));
    ++long_headers_read;
  }
  EXPECT_EQ(filled, listed.rows.size());
  EXPECT_GT(long_headers_read, 0u);
  EXPECT_EQ(later.rows, listed.rows);
}

}  // namespace
}  // namespace quorvine::listing
