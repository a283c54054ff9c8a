// What the command line prints of a folder's rows, and the path it suggests for a typo.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "listing/folder_path_suggestion.hpp"
#include "listing/message_list_output.hpp"

namespace quorvine::render {
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
  scan::MessageListRow row;
  row.from = "Ann";
  row.subject = std::string("bad \xff byte");
  row.attachment = "true";
  const std::string json = rows_to_json({row}).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
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

}  // namespace
}  // namespace quorvine::render
