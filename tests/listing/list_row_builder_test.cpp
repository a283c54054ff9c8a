// The 2003/2007 row builder over plain column texts: sender passes, transport headers,
// recipients, owner names, dates, the empty-message rule and the insertion position.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "listing/list_row_builder.hpp"
#include "listing/list_row_order.hpp"
#include "listing/list_row_transport.hpp"

namespace quorvine::listing {
namespace {

ContentsTexts contents(std::string subject = "Subject") {
  ContentsTexts c;
  c.message_id = "1000000000a";
  c.message_class = "IPM.Note";
  c.subject = std::move(subject);
  c.has_attachments = "false";
  return c;
}

TEST(TransportHeaders, FieldsPrefixesAndReplacement) {
  auto f = parse_transport_headers(
      "Received: from x\r\n"
      "From: \"Ann Lee\" <ann@example.com>\r\n"
      "To: bob@example.com\r\n"
      "To: <carol@example.com>\r\n"  // a later line of the same kind wins
      "\tdave@example.com\r\n"        // continuation lines are not joined
      "Reply-To: eve@example.com\r\n"
      "Envelope-to: frank@example.com\r\n"
      "Cc: <cc@example.com>\r\n"
      "Bcc: \"Hidden\" <bcc@example.com>\r\n"
      "Subject: <Re>: \"hi\"\r\n");
  EXPECT_EQ(f.xFrom, "Ann Lee [ann@example.com]");
  EXPECT_EQ(f.xTo, "[carol@example.com]");
  EXPECT_EQ(f.xCC, "[cc@example.com]");
  EXPECT_EQ(f.xBcc, "Hidden [bcc@example.com]");
  EXPECT_EQ(f.xSubject, "<Re>: \"hi\"");  // the subject keeps its brackets and quotes
}

TEST(TransportHeaders, PrefixesMustStartTheLineWithTheirBlank) {
  auto f = parse_transport_headers("X-To: a@b.com\nTo:b@c.com\nto: c@d.com\nBcc: only\n");
  EXPECT_EQ(f.xTo, "");
  EXPECT_EQ(f.xBcc, "only");
  EXPECT_EQ(parse_transport_headers("").xFrom, "");
  // The last line needs no line end.
  EXPECT_EQ(parse_transport_headers("Cc: x@y.org").xCC, "x@y.org");
}

TEST(ListDate, FallsBackPastEmptyAndUndecodableDates) {
  ContentsTexts c = contents();
  c.submit_time = "3/7/2011 2:05:09 PM";
  c.delivery_time = "other";
  EXPECT_EQ(list_date(c), "3/7/2011 2:05:09 PM");
  c.submit_time = "(0x7fffffff 0xfffff";  // stage 2 cuts the undecodable form; still "(0x"
  EXPECT_EQ(list_date(c), "other");
  c.submit_time.clear();
  c.delivery_time = "(0x00000000 0x00000000)";
  c.creation_time = "third";
  EXPECT_EQ(list_date(c), "third");
  c.creation_time = "(0x1";
  EXPECT_EQ(list_date(c), "");
}

TEST(SenderFirstPass, NameAddressAndFallbackColumns) {
  ContentsTexts c = contents();
  c.sender_name = "Ann Lee";
  c.S4031 = "ann@example.com";
  EXPECT_EQ(sender_first_pass(c), "Ann Lee<ann@example.com>");
  c.S4031 = "ann@localhost";  // one "@" and no "." is not plausible
  EXPECT_EQ(sender_first_pass(c), "Ann Lee");
  c.sender_name.clear();
  c.S4031 = "a@b.c";
  EXPECT_EQ(sender_first_pass(c), "<a@b.c>");
  ContentsTexts d = contents();
  d.N67b9 = ",,,SMTP,Bob@Example.com,,,";
  EXPECT_EQ(sender_first_pass(d), "bob@example.com,");
  ContentsTexts e = contents();
  e.N67bd = "";
  e.N67ba = "raw";
  // No address anywhere: the extractor's leftover text of the first non-empty column.
  EXPECT_EQ(sender_first_pass(e), "raw ");
}

TEST(SenderFirstPass, N67bdWinsOverN67b9WhenBothHoldAnAddress) {
  ContentsTexts c = contents();
  c.N67bd = ",,,SMTP,ann@example.com,,,";
  c.N67b9 = ",,,SMTP,bob@example.org,,,";
  c.N67ba = ",,,SMTP,carol@example.net,,,";
  EXPECT_EQ(sender_first_pass(c), "ann@example.com,");
  c.N67bd.clear();
  EXPECT_EQ(sender_first_pass(c), "bob@example.org,");
}

TEST(SenderSecondPass, TransportFromMessageColumnAndContentsFallback) {
  ContentsTexts c = contents();
  TransportFields t;
  t.xFrom = "\"Ann\" [ann@example.com]";
  MessageTexts m;
  m.sender_fallback = "Bob <bob@example.com>";
  EXPECT_EQ(sender_second_pass("", c, t, &m), "Ann [ann@example.com]");
  t.xFrom.clear();
  EXPECT_EQ(sender_second_pass("", c, t, &m), "bob@example.com,");
  m.sender_fallback = "Bob>x";  // no address: the leftover text is cut before its first ">"
  EXPECT_EQ(sender_second_pass("", c, t, &m), "Bob");
  m.sender_fallback = ">x";  // a cut that would leave nothing is not made
  EXPECT_EQ(sender_second_pass("", c, t, &m), "]x ");
  c.N67bd = "<raw>";
  m.sender_fallback.clear();
  EXPECT_EQ(sender_second_pass("", c, t, &m), "[raw]");
  // Without a message record only the contents columns are left.
  EXPECT_EQ(sender_second_pass("", c, t, nullptr), "[raw]");
  EXPECT_EQ(sender_second_pass("kept<x>", c, t, &m), "kept[x]");
}

TEST(OwnerNames, LastMatchingOwnerWinsAndEmptyNamesNeverMatch) {
  EXPECT_EQ(apply_owner_names("Ann Lee [ann@x.com]", {"Bob", "Ann", "Ann Lee"}), "Ann Lee");
  EXPECT_EQ(apply_owner_names("Ann Lee [ann@x.com]", {"Ann Lee", "Ann"}), "Ann");
  EXPECT_EQ(apply_owner_names("someone", {"", "Bob"}), "someone");
  EXPECT_EQ(apply_owner_names("", {"", "Bob"}), "");
  // Two mailboxes with one display name and one owner name give that name once.
  EXPECT_EQ(apply_owner_names("Admin <a@b.com>", {"Admin", "Admin"}), "Admin");
}

TEST(Recipients, DisplayToBecomesCleanedAddressList) {
  EXPECT_EQ(recipients_from_display_to("Bob <Bob@Example.com>; Carol <carol@example.net>"),
            "bob@example.com,carol@example.net,");
  EXPECT_EQ(recipients_from_display_to(""), "");
  EXPECT_EQ(clean_recipients("<a@b.com><c@d.org>"), "[a@b.com][c@d.org]");
  EXPECT_EQ(clean_recipients("a@b.com,,c@d.net,"), "a@b.com,,c@d.net,");
  EXPECT_EQ(clean_recipients("x,@y.org"), "x@y.org,");
}

TEST(BuildRow, EmptyMessagesHiddenClassesAndKinds) {
  ContentsTexts c = contents("");
  EXPECT_FALSE(build_contents_row(c, {}, nullptr, {}));  // neither sender nor subject
  c.subject_prefix = "RE: ";  // a prefix alone does not make a row
  EXPECT_FALSE(build_contents_row(c, {}, nullptr, {}));
  ContentsTexts hidden = contents();
  hidden.message_class = "IPM.Configuration.WorkHours";
  EXPECT_FALSE(build_contents_row(hidden, {}, nullptr, {}));
  ContentsTexts custom = contents();
  custom.message_class = "IPM.Custom.Thing";
  auto row = build_contents_row(custom, {}, nullptr, {});
  ASSERT_TRUE(row);
  EXPECT_EQ(row->row.kind, "IPM.Custom.Thing");
}

TEST(BuildRow, MessageMissingFromIndexKeepsItsRowWithoutMessageFields) {
  ContentsTexts c = contents("Hi");
  c.subject_prefix = "RE: ";
  c.sender_name = "Ann";
  c.Le23 = "3";
  c.submit_time = "date";
  auto row = build_contents_row(c, MessageLookup{}, nullptr, {});
  ASSERT_TRUE(row);
  EXPECT_EQ(row->row.mail_number, "0");
  EXPECT_EQ(row->row.key, "");
  EXPECT_EQ(row->row.subject, "RE: Hi");
  EXPECT_EQ(row->row.from, "Ann");
  EXPECT_EQ(row->row.to, "");
  EXPECT_EQ(row->row.date, "date");
  EXPECT_EQ(row->position, 3);
}

TEST(BuildRow, MessageRecordSuppliesRecipientsAndSender) {
  ContentsTexts c = contents("Hi");
  MessageLookup lookup{42, "0000000a"};
  MessageTexts m;
  m.transport_headers = "From: \"Zed\" <zed@example.com>\nSubject: ignored\nCc: <c@example.com>\nBcc: b@example.com\n";
  m.display_to = "Ann <ann@example.com>";
  auto row = build_contents_row(c, lookup, &m, {});
  ASSERT_TRUE(row);
  EXPECT_EQ(row->row.mail_number, "42");
  EXPECT_EQ(row->row.key, "0000000a");
  EXPECT_EQ(row->row.from, "Zed [zed@example.com]");
  EXPECT_EQ(row->row.subject, "Hi");  // the contents subject, never the header's
  EXPECT_EQ(row->row.to, "ann@example.com,");
  EXPECT_EQ(row->row.cc, "[c@example.com]");
  EXPECT_EQ(row->row.bcc, "b@example.com");
  // An owner name in the sender replaces it, and the result is trimmed and unquoted.
  auto owned = build_contents_row(c, lookup, &m, {"Zed"});
  EXPECT_EQ(owned->row.from, "Zed");
  c.sender_name = "  \"Quoted\"  ";
  EXPECT_EQ(build_contents_row(c, lookup, &m, {})->row.from, "Quoted");
}

TEST(BuildRow, HostileTextInSenderAndRecipientColumnsStaysBounded) {
  ContentsTexts c = contents("");
  std::string hostile;
  for (int i = 0; i < 4000; ++i) hostile += "a.b@c-d ((( SMTP ____ ";
  c.N67bd = hostile;
  MessageTexts m;
  m.display_to = std::string(100000, '(') + "x@y.com";
  auto row = build_contents_row(c, MessageLookup{1, ""}, &m, {});
  ASSERT_TRUE(row);
  EXPECT_FALSE(row->row.from.empty());
  EXPECT_NE(row->row.to.find("x@y.com"), std::string::npos);
}

// The reference: inserting into a vector one row at a time.
std::vector<size_t> naive_order(const std::vector<long long>& positions) {
  std::vector<size_t> rows;
  for (size_t i = 0; i < positions.size(); ++i) {
    long long p = positions[i];
    if (p < 0 || static_cast<size_t>(p) > rows.size()) p = static_cast<long long>(rows.size());
    rows.insert(rows.begin() + p, i);
  }
  return rows;
}

TEST(RowOrder, MatchesOneByOneInsertion) {
  RowOrder zeros;
  for (int i = 0; i < 4; ++i) zeros.insert_at(0);
  EXPECT_EQ(zeros.display_order(), (std::vector<size_t>{3, 2, 1, 0}));
  RowOrder beyond;
  for (long long p : {5LL, -1LL, 99LL, 1LL}) beyond.insert_at(p);
  EXPECT_EQ(beyond.display_order(), (std::vector<size_t>{0, 3, 1, 2}));
  EXPECT_TRUE(RowOrder().display_order().empty());

  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    std::vector<long long> positions(1 + rng() % 60);
    for (auto& p : positions) p = static_cast<long long>(rng() % 70) - 5;
    RowOrder order;
    for (long long p : positions) order.insert_at(p);
    ASSERT_EQ(order.display_order(), naive_order(positions)) << "round " << round;
  }
}

}  // namespace
}  // namespace quorvine::listing
