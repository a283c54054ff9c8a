#include <algorithm>
#include <mutex>

#include "ese/table_impl.hpp"

namespace quorvine::ese {

Table::Table(std::shared_ptr<Impl> impl) : impl_(std::move(impl)) {}

const std::string& Table::name() const { return impl_->name; }
size_t Table::index() const { return impl_->index; }
const std::vector<ColumnInfo>& Table::columns() const { return *impl_->columns; }
uint64_t Table::record_count() const { return impl_->record_count; }

std::optional<size_t> Table::column_index(std::string_view name) const {
  const auto& columns = *impl_->columns;
  for (size_t i = 0; i < columns.size(); ++i)
    if (columns[i].name == name) return i;
  return std::nullopt;
}

Record Table::read_record(uint64_t index, std::span<const size_t> wanted) const {
  const auto& columns = *impl_->columns;
  Record record;
  if (columns.empty()) return record;
  size_t highest = 0;
  for (size_t w : wanted) highest = std::max(highest, w);
  const size_t count = std::min(highest + 1, columns.size());
  record.values_.resize(count);
  record.types_.resize(count);
  for (size_t i = 0; i < count; ++i) record.types_[i] = columns[i].type;
  record.long_values_ = impl_->long_values;
  record.columns_ = impl_->columns;

  if (index > static_cast<uint64_t>(INT32_MAX))
    throw EseError("Record " + std::to_string(index) + " of table " + impl_->name + " does not exist.");
  std::lock_guard lock(impl_->file->mutex());
  detail::LibError error;
  libesedb_record_t* raw = nullptr;
  if (libesedb_table_get_record(impl_->handle.get(), static_cast<int>(index), &raw, error.out()) != 1)
    throw EseError("Record " + std::to_string(index) + " of table " + impl_->name + " cannot be read: " +
                   error.message() + ".");
  detail::RecordHandle handle(raw);
  int value_count = 0;
  if (libesedb_record_get_number_of_values(handle.get(), &value_count, error.out()) != 1) value_count = 0;

  for (size_t column : wanted) {
    if (column >= count || record.values_[column]) continue;
    const ColumnInfo& info = columns[column];
    StoredValue value;
    value.type = info.type;
    value.codepage = info.codepage;
    size_t size = 0;
    if (static_cast<int>(column) < value_count &&
        libesedb_record_get_value_data_size(handle.get(), static_cast<int>(column), &size, error.out()) == 1 &&
        size > 0) {
      value.raw.resize(size);
      if (libesedb_record_get_value_data(handle.get(), static_cast<int>(column), value.raw.data(), size,
                                         error.out()) != 1)
        throw EseError("Column " + info.name + " of record " + std::to_string(index) + " in table " + impl_->name +
                       " cannot be read: " + error.message() + ".");
      libesedb_record_get_value_data_flags(handle.get(), static_cast<int>(column), &value.flags, error.out());
      // libesedb hands back the filler of a NULL fixed column as its value.
      if (info.id < 128 && !(info.flags & column_flags::not_null) && impl_->null_fixed_columns &&
          impl_->null_fixed_columns->is_null(index, info.id).value_or(false))
        continue;
      record.values_[column] = std::move(value);
    } else if (info.id >= 256 && !info.default_value.empty()) {
      // libesedb does not apply defaults of tagged columns.
      value.raw = info.default_value;
      record.values_[column] = std::move(value);
    }
  }
  return record;
}

Record Table::read_record(uint64_t index) const {
  std::vector<size_t> all(impl_->columns->size());
  for (size_t i = 0; i < all.size(); ++i) all[i] = i;
  return read_record(index, all);
}

}  // namespace quorvine::ese

namespace quorvine::ese {

PassResult Table::for_each_record(std::span<const size_t> wanted, const RecordVisitor& visit,
                                  const PassControl& control) const {
  PassResult result;
  ProgressThrottle progress(control.progress);
  const uint64_t count = record_count();
  for (uint64_t index = 0; index < count; ++index) {
    if (!control.checkpoint()) {
      result.stopped = true;
      break;
    }
    Record record;
    try {
      record = read_record(index, wanted);
    } catch (const EseError&) {
      ++result.skipped;
      continue;
    }
    ++result.visited;
    if (!visit(index, record)) {
      result.stopped = true;
      break;
    }
    progress.update(index + 1, count);
  }
  progress.finish(result.visited + result.skipped, count);
  return result;
}

}  // namespace quorvine::ese
