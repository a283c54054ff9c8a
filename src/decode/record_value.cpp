// The renderers over the reading layer's records: thin adapters, kept apart from the
// renderers' logic so that logic builds and is tested without a database.
#include "decode/identifiers.hpp"
#include "decode/value_renderers.hpp"
#include "decode/value_source.hpp"
#include "ese/text.hpp"

namespace quorvine::decode {

ese::ColumnType RecordValue::column_type() const { return record_.column_type(column_); }
const ese::StoredValue* RecordValue::stored() const { return record_.stored(column_); }
std::optional<ese::Bytes> RecordValue::bytes() const { return record_.bytes(column_); }
std::optional<std::string> RecordValue::text() const { return record_.text(column_); }
std::vector<ese::MultiValueElement> RecordValue::multi_values() const {
  return record_.multi_values(column_);
}
std::vector<ese::Bytes> RecordValue::long_value_segments() const {
  return record_.long_value_segments(column_);
}
std::string RecordValue::element_text(const ese::MultiValueElement& element) const {
  const ese::StoredValue* value = stored();
  return ese::decode_text(element.data, value ? value->codepage : 0);
}

std::string render_value(const DecodeContext& ctx, const ese::Record* record,
                                                  size_t column, std::filesystem::path* spilled) {
  if (!record) return {};
  return render_value(ctx, RecordValue(*record, column), column, spilled);
}

std::string render_value_2013(const ese::Record* record, size_t column) {
  if (!record) return {};
  return render_value_2013(RecordValue(*record, column));
}

std::string render_value_as_hex(const ese::Record* record, size_t column) {
  if (!record) return {};
  return render_value_as_hex(RecordValue(*record, column));
}

std::string identifier_text(const ese::Record* record, size_t column,
                            char byte_order) {
  if (!record) return {};
  return identifier_text(RecordValue(*record, column), byte_order);
}

std::string replica_identifier_text(const DecodeContext& ctx, const ese::Record* record,
                                    size_t column, char byte_order) {
  if (!record) return {};
  return replica_identifier_text(ctx, RecordValue(*record, column), byte_order);
}

std::optional<std::string> stored_filetime_text(const ese::Record* record,
                                                size_t column,
                                                char byte_order) {
  if (!record) return std::nullopt;
  return stored_filetime_text(RecordValue(*record, column), byte_order);
}

}  // namespace quorvine::decode
