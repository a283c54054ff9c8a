#pragma once
// Message-list rows held as one text each. Eleven separate strings cost a row some 600
// bytes; packed, a row costs little more than its characters, which keeps a folder of a few
// hundred thousand rows small while its display order is being worked out.
#include <cstddef>
#include <string>
#include <vector>

#include "listing/message_list_row.hpp"

namespace quorvine::listing {

class PackedRows {
 public:
  void reserve(size_t rows) { packed_.reserve(rows); }
  void push_back(const MessageListRow& row);
  size_t size() const { return packed_.size(); }
  MessageListRow at(size_t index) const;

 private:
  std::vector<std::string> packed_;  // each field as a LEB128 length and its bytes
};

}  // namespace quorvine::listing
