#pragma once
// A folder's rows as the command line prints them.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "listing/message_list_row.hpp"

namespace quorvine::listing {

using Write = std::function<void(std::string_view)>;

// A JSON array with all eleven list columns of every row, written row by row so a big
// folder's text is never held whole, laid out as nlohmann's dump with an indent of 2 at
// nesting `depth` would lay it out; text that is not valid UTF-8 is shown with replacement
// characters.
class JsonRowsWriter {
 public:
  explicit JsonRowsWriter(Write write, int depth = 0);
  void row(const MessageListRow& row);
  void finish();  // closes the array

 private:
  Write write_;
  int depth_;
  bool first_ = true;
};

// A table of From, Subject, Date and Att for people, written row by row, ending with the
// number of messages.
class TableRowsWriter {
 public:
  explicit TableRowsWriter(Write write);  // writes the heading
  void row(const MessageListRow& row);
  void finish();

 private:
  static constexpr size_t kFromWidth = 32, kSubjectWidth = 48, kDateWidth = 22;
  Write write_;
  size_t rows_ = 0;
};

// The whole JSON array (with a final line break), or the whole table, as one text.
std::string rows_to_json(const std::vector<MessageListRow>& rows);
std::string rows_to_table(const std::vector<MessageListRow>& rows);

}  // namespace quorvine::listing
