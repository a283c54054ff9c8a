#pragma once
// What a renderer needs from one column of one record. The renderers work on this
// interface so their logic does not depend on how a record was read; RecordValue adapts
// the reading layer's Record.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "ese/column_type.hpp"
#include "ese/database.hpp"

namespace quorvine::decode {

class ValueSource {
 public:
  virtual ~ValueSource() = default;
  virtual ese::ColumnType column_type() const = 0;
  // nullptr when the column holds no data.
  virtual const ese::StoredValue* stored() const = 0;
  // The following throw ese::EseError for damaged values, as the reading layer does.
  virtual std::optional<ese::Bytes> bytes() const = 0;
  virtual std::optional<std::string> text() const = 0;
  virtual std::vector<ese::MultiValueElement> multi_values() const = 0;
  virtual std::vector<ese::Bytes> long_value_segments() const = 0;
  // A text element of a multi-value, decoded with the column's code page to UTF-8.
  virtual std::string element_text(const ese::MultiValueElement& element) const = 0;
};

class RecordValue final : public ValueSource {
 public:
  RecordValue(const ese::Record& record, size_t column) : record_(record), column_(column) {}
  ese::ColumnType column_type() const override;
  const ese::StoredValue* stored() const override;
  std::optional<ese::Bytes> bytes() const override;
  std::optional<std::string> text() const override;
  std::vector<ese::MultiValueElement> multi_values() const override;
  std::vector<ese::Bytes> long_value_segments() const override;
  std::string element_text(const ese::MultiValueElement& element) const override;

 private:
  const ese::Record& record_;
  size_t column_;
};

}  // namespace quorvine::decode
