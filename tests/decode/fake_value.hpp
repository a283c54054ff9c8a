#pragma once
// A column value built in memory, so the renderers can be driven without a database.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "decode/value_source.hpp"
#include "ese/error.hpp"

namespace quorvine::decode::testing {

inline ese::Bytes bytes_of(std::string_view text) { return ese::Bytes(text.begin(), text.end()); }

struct FakeValue final : ValueSource {
  ese::ColumnType type = ese::ColumnType::Nil;
  std::optional<ese::StoredValue> value;      // nothing: the column holds no data
  std::optional<ese::Bytes> resolved;         // what bytes() gives when it differs from raw
  std::optional<std::string> decoded_text;    // what text() gives
  std::vector<ese::MultiValueElement> elements;
  std::vector<ese::Bytes> segments;
  bool damaged = false;                       // every resolving call throws, as on a bad page

  FakeValue(ese::ColumnType t, uint8_t flags, ese::Bytes raw) : type(t) {
    value = ese::StoredValue{t, 1252, flags, std::move(raw)};
  }
  explicit FakeValue(ese::ColumnType t) : type(t) {}

  ese::ColumnType column_type() const override { return type; }
  const ese::StoredValue* stored() const override { return value ? &*value : nullptr; }
  std::optional<ese::Bytes> bytes() const override {
    check();
    if (resolved) return resolved;
    if (value) return value->raw;
    return std::nullopt;
  }
  std::optional<std::string> text() const override {
    check();
    return decoded_text;
  }
  std::vector<ese::MultiValueElement> multi_values() const override {
    check();
    return elements;
  }
  std::vector<ese::Bytes> long_value_segments() const override {
    check();
    return segments;
  }
  std::string element_text(const ese::MultiValueElement& element) const override {
    return std::string(element.data.begin(), element.data.end());
  }

 private:
  void check() const {
    if (damaged) throw ese::EseError("The value is damaged.");
  }
};

}  // namespace quorvine::decode::testing
