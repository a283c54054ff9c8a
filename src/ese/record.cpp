#include <string>

#include "ese/compressed_value.hpp"
#include "ese/database.hpp"
#include "ese/long_value_store.hpp"
#include "ese/multi_value.hpp"
#include "ese/text.hpp"

namespace quorvine::ese {

ColumnType Record::column_type(size_t column) const {
  return column < types_.size() ? types_[column] : ColumnType::Nil;
}

const StoredValue* Record::stored(size_t column) const {
  if (column >= values_.size() || !values_[column]) return nullptr;
  return &*values_[column];
}


Bytes Record::long_value(size_t column, std::span<const uint8_t> reference) const {
  if (!long_values_)
    throw EseError("Column " + (*columns_)[column].name + " refers to a long value, but its table has no long-value tree.");
  return long_values_->value(reference, (*columns_)[column].compressed());
}

std::optional<Bytes> Record::bytes(size_t column) const {
  const StoredValue* value = stored(column);
  if (!value) return std::nullopt;
  if (value->flags & value_flags::multi_value) {
    auto elements = multi_values(column);
    if (elements.empty()) return std::nullopt;
    return std::move(elements.front().data);
  }
  if (value->flags & value_flags::long_value) return long_value(column, value->raw);
  if (value->flags & value_flags::compressed) return decompress_value(value->raw);
  return value->raw;
}

std::optional<std::string> Record::text(size_t column) const {
  auto data = bytes(column);
  if (!data) return std::nullopt;
  return decode_text(*data, stored(column)->codepage);
}

std::vector<MultiValueElement> Record::multi_values(size_t column) const {
  const StoredValue* value = stored(column);
  if (!value) return {};
  std::vector<MultiValueElement> out;
  if (!(value->flags & value_flags::multi_value)) {
    if (auto single = bytes(column)) out.push_back({value->type, std::move(*single)});
    return out;
  }
  // The whole array may itself sit in the long-value tree.
  Bytes fetched;
  std::span<const uint8_t> data = value->raw;
  if (value->flags & value_flags::long_value) {
    fetched = long_value(column, value->raw);
    data = fetched;
  }
  auto elements = split_multi_value(data, value->flags);
  out.reserve(elements.size());
  for (size_t i = 0; i < elements.size(); ++i) {
    const RawElement& e = elements[i];
    MultiValueElement element{value->type, {}};
    if (e.long_value_reference)
      element.data = long_value(column, e.data);
    else if (i == 0 && (value->flags & value_flags::compressed))  // only the first element is compressed
      element.data = decompress_value(e.data);
    else
      element.data.assign(e.data.begin(), e.data.end());
    out.push_back(std::move(element));
  }
  return out;
}

std::vector<Bytes> Record::long_value_segments(size_t column) const {
  const StoredValue* value = stored(column);
  if (!value) return {};
  if ((value->flags & value_flags::long_value) && !(value->flags & value_flags::multi_value)) {
    if (!long_values_)
      throw EseError("Column " + (*columns_)[column].name +
                     " refers to a long value, but its table has no long-value tree.");
    return long_values_->segments(value->raw, (*columns_)[column].compressed());
  }
  std::vector<Bytes> out;
  if (auto whole = bytes(column)) out.push_back(std::move(*whole));
  return out;
}

}  // namespace quorvine::ese

namespace quorvine::ese {

bool Record::copy_to(size_t column, ByteSink& sink) const {
  const StoredValue* value = stored(column);
  if (!value) return false;
  if ((value->flags & value_flags::long_value) && !(value->flags & value_flags::multi_value)) {
    if (!long_values_)
      throw EseError("Column " + (*columns_)[column].name +
                     " refers to a long value, but its table has no long-value tree.");
    long_values_->for_each_segment(value->raw, (*columns_)[column].compressed(),
                                   [&](std::span<const uint8_t> segment) { sink.write(segment); });
    return true;
  }
  if (auto whole = bytes(column)) sink.write(*whole);
  return true;
}

std::optional<ValueReader> Record::read_value(size_t column) const {
  const StoredValue* value = stored(column);
  if (!value) return std::nullopt;
  ValueReader reader;
  if ((value->flags & value_flags::long_value) && !(value->flags & value_flags::multi_value)) {
    if (!long_values_)
      throw EseError("Column " + (*columns_)[column].name +
                     " refers to a long value, but its table has no long-value tree.");
    reader.store_ = long_values_;
    reader.cursor_ = std::make_shared<LongValueCursor>(*long_values_, value->raw, (*columns_)[column].compressed());
  } else if (auto whole = bytes(column)) {
    reader.whole_ = std::move(*whole);
  }
  return reader;
}

std::span<const uint8_t> ValueReader::next() {
  if (cursor_) return cursor_->next();
  if (given_) return {};
  given_ = true;
  return whole_;
}

}  // namespace quorvine::ese
