#pragma once
// The value of one labelled field of an item, read from the item's record the way its page
// shows it: a chain of columns tried in order, the first non-empty text winning. The preview
// and the item exports read through these, so both show the same values.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "decode/decode_context.hpp"
#include "ese/database.hpp"

namespace quorvine::render {

// An item's record with the table it came from (either may be missing).
struct ItemRecord {
  const ese::Table* table = nullptr;
  std::optional<ese::Record> record;

  std::optional<size_t> column(std::string_view name) const { return table ? table->column_index(name) : std::nullopt; }
};

// One column as the page shows it: "T" columns as the local date text, long texts whole,
// everything else through the general renderer. A damaged value gives "".
std::string column_text(decode::DecodeContext& ctx, const ItemRecord& item, std::string_view name);
// The first column of `chain` that gives a non-empty text.
std::string chain_text(decode::DecodeContext& ctx, const ItemRecord& item, const std::vector<std::string_view>& chain);

}  // namespace quorvine::render
