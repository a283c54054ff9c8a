#include "scan/value_text.hpp"

#include "decode/identifiers.hpp"
#include "decode/value_renderers.hpp"

namespace quorvine::scan {

std::string identifier_text(const ese::Record& record, ColumnIndex column) {
  if (!column) return {};
  return decode::identifier_text(&record, *column, 'b');
}

std::string identifier_text_2010(const decode::DecodeContext& context, const ese::Record& record,
                                 ColumnIndex column) {
  if (!column) return {};
  return decode::replica_identifier_text(context, &record, *column, 'b');
}

std::string value_text(const decode::DecodeContext& context, const ese::Record& record,
                       ColumnIndex column) {
  if (!column) return {};
  return decode::render_value(context, &record, *column);
}

std::string value_text_2013(const ese::Record& record, ColumnIndex column) {
  if (!column) return {};
  return decode::render_value_2013(&record, *column);
}

std::string binary_text(const ese::Record& record, ColumnIndex column) {
  if (!column) return {};
  return decode::render_value_as_hex(&record, *column);
}

std::optional<uint64_t> stored_message_count(const ese::Record& record, ColumnIndex column) {
  if (!column) return std::nullopt;
  try {
    const auto bytes = record.bytes(*column);
    if (!bytes || bytes->size() != 4) return std::nullopt;
    const int32_t count = static_cast<int32_t>(uint32_t((*bytes)[0]) | uint32_t((*bytes)[1]) << 8 |
                                               uint32_t((*bytes)[2]) << 16 | uint32_t((*bytes)[3]) << 24);
    if (count < 0) return std::nullopt;
    return static_cast<uint64_t>(count);
  } catch (const ese::EseError&) {
    return std::nullopt;  // a damaged count is no count to compare with
  }
}

}  // namespace quorvine::scan
