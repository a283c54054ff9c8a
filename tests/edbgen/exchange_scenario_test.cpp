// Scenario files: what a valid file turns into, and one-line errors that say where a bad
// file goes wrong.
#include <gtest/gtest.h>

#include <string>

#include "edbgen/ese_compress.hpp"
#include "edbgen/scenario_parse.hpp"

namespace edbgen {
namespace {

std::string error_of(const std::string& json) {
  try {
    parse_scenario_text(json, "case.json");
  } catch (const ScenarioError& e) {
    return e.what();
  }
  return "";
}

std::string in_message(const std::string& message_fields) {
  return R"({"mailboxes":[{"number":101,"display_name":"A","folders":[{"name":"Inbox","messages":[{)" +
         message_fields + "}]}]}]}";
}

TEST(ScenarioParse, DefaultsAndDatesOfAValidFile) {
  const Scenario s = parse_scenario_text(
      in_message(R"("subject":"Hi","date":"2011-03-07T14:05:09Z","submit_date":null,
                   "creation_date":129440000000000000,"to":["x@example.com",{"name":"Y","address":"y@e.com"}],
                   "attachments":[{"name":"a","size":5},{"name":"b","content":"xyz"}],
                   "fields":{"S3a06":"Bob","L8101":-3,"B8103":true,"MS80db":["a","b"],"T8198":"2011-01-01T00:00:00Z"})"),
      "case.json");
  ASSERT_EQ(s.mailboxes.size(), 1u);
  const Mailbox& m = s.mailboxes[0];
  EXPECT_EQ(m.owner_name, "A");  // defaults to the display name
  const Message& msg = m.folders.at(0).messages.at(0);
  EXPECT_EQ(msg.message_class, "IPM.Note");
  EXPECT_FALSE(msg.dates.submit.has_value());  // null removes the column
  EXPECT_EQ(msg.dates.delivery, filetime_from_iso("2011-03-07T14:05:09Z"));
  EXPECT_EQ(msg.dates.creation, 129440000000000000ull);
  ASSERT_EQ(msg.to.size(), 2u);
  EXPECT_EQ(msg.to[0].address, "x@example.com");
  EXPECT_EQ(msg.to[1].name, "Y");
  ASSERT_EQ(msg.attachments.size(), 2u);
  EXPECT_EQ(msg.attachments[0].content.size(), 5u);
  EXPECT_EQ(msg.attachments[1].content, bytes_of("xyz"));
  EXPECT_EQ(msg.fields.at("L8101").texts.front(), "-3");
  EXPECT_EQ(msg.fields.at("B8103").texts.front(), "true");
  EXPECT_EQ(msg.fields.at("MS80db").texts.size(), 2u);
  EXPECT_TRUE(msg.fields.at("T8198").filetime.has_value());
}

TEST(ScenarioParse, SizeFillerIsDeterministicAndExact) {
  const Bytes a = filler_content("x.bin", 100000), b = filler_content("x.bin", 100000);
  EXPECT_EQ(a.size(), 100000u);
  EXPECT_EQ(a, b);
  EXPECT_NE(filler_content("y.bin", 100), filler_content("x.bin", 100));
  EXPECT_TRUE(filler_content("z", 0).empty());
  // Random content is as deterministic, and does not shrink when compressed.
  const Bytes r = random_content("x.bin", 100000);
  EXPECT_EQ(r, random_content("x.bin", 100000));
  EXPECT_NE(r, random_content("y.bin", 100000));
  const std::optional<Bytes> packed = ese::compress_xpress(std::span(r).first(65536));
  EXPECT_TRUE(!packed || packed->size() > 60000u);
}

TEST(ScenarioParse, BrokenJsonNamesTheFile) {
  const std::string e = error_of("{\"mailboxes\": [");
  EXPECT_EQ(e.rfind("case.json: not valid JSON", 0), 0u) << e;
  EXPECT_EQ(e.find('\n'), std::string::npos);
}

TEST(ScenarioParse, ErrorsSayWhereInTheFile) {
  EXPECT_NE(error_of(in_message(R"("subjekt":"x")")).find(
                "mailboxes[0].folders[0].messages[0]: unknown key \"subjekt\""),
            std::string::npos);
  EXPECT_NE(error_of(in_message(R"("date":"07.03.2011")")).find("is not of the form"),
            std::string::npos);
  EXPECT_NE(error_of(in_message(R"("attachments":[{"name":"a","size":1,"content":"x"}])"))
                .find("attachments[0]: give exactly one"),
            std::string::npos);
  EXPECT_NE(error_of(in_message(R"("fields":{"X3a06":"a"})")).find("is not a type letter"),
            std::string::npos);
  EXPECT_NE(error_of(in_message(R"("fields":{"B8101":"maybe"})")).find("true or false"),
            std::string::npos);
  EXPECT_NE(error_of(in_message(R"("fields":{"L8101":4294967296})")).find("32-bit integer"),
            std::string::npos);
  EXPECT_NE(error_of(in_message(R"("headers":["X-A: 1\nX-B: 2"])")).find("one line"),
            std::string::npos);
  EXPECT_NE(error_of(in_message(R"("subject":"\u0000")")).find("NUL"), std::string::npos);
}

TEST(ScenarioParse, MailboxesAndFoldersAreChecked) {
  EXPECT_NE(error_of(R"({"mailboxes":[{"number":0,"display_name":"A"}]})").find("\"number\""),
            std::string::npos);
  EXPECT_NE(error_of(R"({"mailboxes":[{"number":5,"display_name":"A"},{"number":5,"display_name":"B"}]})")
                .find("used twice"),
            std::string::npos);
  EXPECT_NE(error_of(R"({"mailboxes":[{"number":5,"folders":[{"class":"IPF.Note"}]}]})")
                .find("needs a \"name\""),
            std::string::npos);
  EXPECT_NE(error_of(R"({"description":"nothing"})").find("neither"), std::string::npos);
  EXPECT_NE(error_of(R"([1,2])").find("expected an object"), std::string::npos);
  EXPECT_NE(error_of(R"({"public_folders":{"name":"x"}})").find("must be an array"),
            std::string::npos);
}

TEST(ScenarioParse, BadUtf8InTextIsRefused) {
  const std::string bad = in_message("\"subject\":\"\xC3\"");
  EXPECT_NE(error_of(bad), "");
}

TEST(ScenarioParse, MissingFileIsOneLine) {
  try {
    load_scenario("no/such/scenario.json");
    FAIL() << "no error";
  } catch (const ScenarioError& e) {
    EXPECT_EQ(std::string(e.what()), "no/such/scenario.json: cannot be read");
  }
}

}  // namespace
}  // namespace edbgen
