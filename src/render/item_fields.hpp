#pragma once
// The labelled rows of the contact, appointment, task, note, activity and distribution-list
// pages: labels letter for letter, and the columns each row tries in order.
#include <string_view>
#include <vector>

namespace quorvine::render {

enum class FieldSource { Column, From, Subject, To, Attachment };
enum class Shown { Always, WhenSet, WithAttachments };

struct ItemField {
  std::string_view label;
  FieldSource source = FieldSource::Column;
  Shown shown = Shown::WhenSet;
  std::vector<std::string_view> columns_2007;  // tried in order; From/Subject: when the row has none
  std::vector<std::string_view> columns_2010;
  bool only_2010 = false;
};

// The rows of renderer `kind` ("contact", "appointment", "task", "notes", "activity",
// "distlist"), in page order; empty for "mail", whose page has its own layout.
const std::vector<ItemField>& item_fields(std::string_view kind);

}  // namespace quorvine::render
