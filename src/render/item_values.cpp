#include "render/item_values.hpp"

#include "decode/identifiers.hpp"
#include "decode/value_renderers.hpp"

namespace quorvine::render {

std::string column_text(decode::DecodeContext& ctx, const ItemRecord& item, std::string_view name) {
  const auto column = item.column(name);
  if (!column || !item.record) return {};
  try {
    if (name.front() == 'T')
      return decode::stored_filetime_text(&*item.record, *column, 'l').value_or("");
    if (name.front() == 'S' && item.record->stored(*column) &&
        (item.record->stored(*column)->flags & ese::value_flags::long_value))
      return item.record->text(*column).value_or("");  // long text: read, not spilled
    return decode::render_value(ctx, &*item.record, *column);
  } catch (const ese::EseError&) {
    return {};  // a damaged field shows empty, as a failed read does
  }
}

std::string chain_text(decode::DecodeContext& ctx, const ItemRecord& item, const std::vector<std::string_view>& chain) {
  for (auto name : chain)
    if (std::string text = column_text(ctx, item, name); !text.empty()) return text;
  return {};
}

}  // namespace quorvine::render
