// What the command line prints of a folder's rows, and the path it suggests for a typo.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "listing/folder_path_suggestion.hpp"
#include "listing/message_list_output.hpp"
#include "listing/packed_rows.hpp"

namespace quorvine::listing {
namespace {

TEST(ClosestPath, EditDistanceCountsCharactersNotBytes) {
  EXPECT_EQ(edit_distance("", ""), 0u);
  EXPECT_EQ(edit_distance("kitten", "sitting"), 3u);
  EXPECT_EQ(edit_distance("Böx", "Box"), 1u);  // one character, two bytes
  EXPECT_EQ(edit_distance("abc", ""), 3u);
  const std::vector<std::string> paths = {"Box/Inbox", "Box/Inbox/Sub", "Box/Sent Items"};
  EXPECT_EQ(closest_path("Box/inbox", paths), "Box/Inbox");
  EXPECT_EQ(closest_path("Box/Sent Item", paths), "Box/Sent Items");
  // Distance, not prefix: a short prefix is nearer to a short path.
  EXPECT_EQ(closest_path("Box/Sent", paths), "Box/Inbox");
  EXPECT_EQ(closest_path("anything", {}), "");
}

TEST(ListOutput, JsonHasElevenColumnsInOrderAndSurvivesBadUtf8) {
  MessageListRow row;
  row.from = "Ann";
  row.subject = std::string("bad \xff byte");
  row.attachment = "true";
  const std::string json = rows_to_json({row});
  const auto parsed = nlohmann::ordered_json::parse(json);
  ASSERT_EQ(parsed.size(), 1u);
  std::vector<std::string> keys;
  for (const auto& item : parsed[0].items()) keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"from", "subject", "date", "attachment", "message_id", "kind",
                                            "mail_number", "key", "to", "cc", "bcc"}));
  EXPECT_EQ(parsed[0]["subject"], "bad \xEF\xBF\xBD byte");
  const std::string table = rows_to_table({row, row});
  EXPECT_NE(table.find("yes"), std::string::npos);
  EXPECT_NE(table.find("2 messages"), std::string::npos);
}

// The row-by-row writer must give the very text of the whole array dumped at once, which is
// what scripts reading the list have always seen.
TEST(ListOutput, StreamedJsonIsTheArrayDumpedWhole) {
  MessageListRow quoted;
  quoted.subject = "line one\nline \"two\"\t\\";
  quoted.from = "Ann";
  MessageListRow plain;
  plain.message_id = "0123456789abcdef";
  for (const auto& rows : std::vector<std::vector<MessageListRow>>{{}, {quoted}, {quoted, plain, quoted}}) {
    nlohmann::ordered_json whole = nlohmann::ordered_json::array();
    for (const auto& row : rows)
      whole.push_back({{"from", row.from}, {"subject", row.subject}, {"date", row.date},
                       {"attachment", row.attachment}, {"message_id", row.message_id}, {"kind", row.kind},
                       {"mail_number", row.mail_number}, {"key", row.key}, {"to", row.to}, {"cc", row.cc},
                       {"bcc", row.bcc}});
    EXPECT_EQ(rows_to_json(rows), whole.dump(2) + "\n") << rows.size() << " rows";
    // Nested one level, as the value of a document's last key.
    std::string nested = "{\n  \"rows\": ";
    JsonRowsWriter writer([&](std::string_view text) { nested += text; }, 1);
    for (const auto& row : rows) writer.row(row);
    writer.finish();
    EXPECT_EQ(nested + "\n}", nlohmann::ordered_json({{"rows", whole}}).dump(2)) << rows.size() << " rows";
  }
  EXPECT_EQ(rows_to_table({}).substr(rows_to_table({}).rfind('\n', rows_to_table({}).size() - 2) + 1),
            "0 messages\n");
}

TEST(PackedRows, GiveBackEveryFieldWhateverItsLengthOrBytes) {
  MessageListRow row;
  row.message_id = "0123456789abcdef";
  row.subject = std::string(300, 's');  // a length of two LEB128 bytes
  row.from = std::string("nul\0inside", 11);
  row.bcc = std::string(128, 'b');  // the first length that needs a second byte
  MessageListRow empty;
  PackedRows rows;
  rows.push_back(row);
  rows.push_back(empty);
  rows.push_back(row);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows.at(0), row);
  EXPECT_EQ(rows.at(1), empty);
  EXPECT_EQ(rows.at(2), row);
  EXPECT_THROW(rows.at(3), std::out_of_range);
}

}  // namespace
}  // namespace quorvine::listing
