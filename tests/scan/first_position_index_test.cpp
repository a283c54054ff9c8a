#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan/first_position_index.hpp"
#include "scan/message_index.hpp"

namespace {

using quorvine::scan::FirstPositionIndex;
using quorvine::scan::MessageIndex;


TEST(FirstPositionIndex, KeepsTheFirstPositionThroughManyGrowths) {
  std::vector<std::string> texts;
  for (int i = 0; i < 50000; ++i) texts.push_back("id" + std::to_string(i % 20000));  // each text 2-3 times
  FirstPositionIndex index;
  auto text_of = [&](size_t i) { return std::string_view(texts[i]); };
  for (size_t i = 0; i < texts.size(); ++i) index.insert_first(texts[i], i, text_of);
  EXPECT_EQ(index.size(), 20000u);
  for (int i = 0; i < 20000; i += 997) {
    auto at = index.find("id" + std::to_string(i), text_of);
    ASSERT_TRUE(at.has_value()) << i;
    EXPECT_EQ(*at, static_cast<size_t>(i));
  }
  EXPECT_FALSE(index.find("id20000", text_of).has_value());
  EXPECT_FALSE(index.find("", text_of).has_value());
  index.clear();
  EXPECT_EQ(index.size(), 0u);
  EXPECT_FALSE(index.find("id1", text_of).has_value());
}

TEST(FirstPositionIndex, EmptyTextIsAnOrdinaryKey) {
  std::vector<std::string> texts{"", "a", ""};
  auto text_of = [&](size_t i) { return std::string_view(texts[i]); };
  FirstPositionIndex index;
  EXPECT_FALSE(index.find("", text_of).has_value());  // nothing inserted yet
  for (size_t i = 0; i < texts.size(); ++i) index.insert_first(texts[i], i, text_of);
  EXPECT_EQ(index.find("", text_of), 0u);
  EXPECT_EQ(index.find("a", text_of), 1u);
}

TEST(MessageIndexLookups, LargeIndexFindsFirstEntriesAfterTheListsGrew) {
  // Short identifiers live inside the entries; the index must survive the list moving them.
  MessageIndex index;
  for (int i = 0; i < 30000; ++i) {
    index.add_message(std::to_string(i), static_cast<uint64_t>(i), "att" + std::to_string(i));
    index.add_attachment(i % 2 ? "a" + std::to_string(i) : "", static_cast<uint64_t>(i), "f" + std::to_string(i));
  }
  index.add_message("29999", 1, "later duplicate");
  std::string ids;
  EXPECT_EQ(index.message_record_number("29999", ids), 29999u);
  EXPECT_EQ(ids, "att29999");
  ASSERT_NE(index.find_message("0"), nullptr);
  EXPECT_EQ(index.find_message("0")->recordNumber, 0u);
  EXPECT_EQ(index.find_message("30000"), nullptr);
  std::vector<std::string> names;
  for (const auto* entry : index.find_attachments("xx a12345 yy")) names.push_back(entry->fileName);
  EXPECT_EQ(names, (std::vector<std::string>{"f1", "f123", "f12345"}));  // table order
  EXPECT_EQ(index.find_attachment("a2"), nullptr);  // even numbers carry no identifier
}

}  // namespace
