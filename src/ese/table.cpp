#include <algorithm>
#include <mutex>

#include "ese/table_impl.hpp"
#include "ese/tree_walk.hpp"

namespace quorvine::ese {
namespace {

uint64_t position(uint32_t page, size_t entry) { return (static_cast<uint64_t>(page) << 32) | entry; }
uint32_t page_of(uint64_t position) { return static_cast<uint32_t>(position >> 32); }
size_t entry_of(uint64_t position) { return static_cast<size_t>(position & 0xFFFFFFFFu); }

}  // namespace

const Table::Impl::Positions& Table::Impl::positions() const {
  std::lock_guard lock(mutex);
  if (!positions_) {
    Positions p;
    detail::TreeWalk walk(pages, root_page, object_id);
    while (auto page = walk.next_leaf()) {
      for (size_t e = 0; e < page->entries.size(); ++e) p.records.push_back(position(page->number, e));
      p.damaged_entries += page->damaged_deleted_entries;
    }
    p.records.shrink_to_fit();
    p.damaged_pages = walk.damaged_pages();
    positions_ = std::move(p);
  }
  return *positions_;
}

Table::Table(std::shared_ptr<Impl> impl) : impl_(std::move(impl)) {}

const std::string& Table::name() const { return impl_->name; }
size_t Table::index() const { return impl_->index; }
const std::vector<ColumnInfo>& Table::columns() const { return *impl_->columns; }
uint64_t Table::record_count() const { return impl_->positions().records.size(); }
uint64_t Table::damaged_pages() const { return impl_->positions().damaged_pages; }

std::optional<size_t> Table::column_index(std::string_view name) const {
  const auto found = impl_->column_by_name.find(name);
  if (found == impl_->column_by_name.end()) return std::nullopt;
  return found->second;
}

Record Table::build_record(const detail::Page& page, size_t entry, std::span<const size_t> wanted) const {
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
  if (entry >= page.entries.size())
    throw EseError("A record of table " + impl_->name + " is missing from page " + std::to_string(page.number) + ".");
  impl_->schema->read(page.data(page.entries[entry]), wanted, record.values_);
  return record;
}

Record Table::read_record(uint64_t index, std::span<const size_t> wanted) const {
  const auto& records = impl_->positions().records;
  if (index >= records.size())
    throw EseError("Record " + std::to_string(index) + " of table " + impl_->name + " does not exist.");
  const uint64_t at = records[index];
  std::lock_guard lock(impl_->mutex);
  try {
    if (!impl_->cached_page || impl_->cached_page->number != page_of(at)) {
      impl_->cached_page.reset();
      impl_->cached_page = impl_->pages->read(page_of(at));
    }
    return build_record(*impl_->cached_page, entry_of(at), wanted);
  } catch (const EseError& e) {
    throw EseError("Record " + std::to_string(index) + " of table " + impl_->name + " cannot be read: " + e.what());
  }
}

Record Table::read_record(uint64_t index) const {
  std::vector<size_t> all(impl_->columns->size());
  for (size_t i = 0; i < all.size(); ++i) all[i] = i;
  return read_record(index, all);
}

PassResult Table::for_each_record(std::span<const size_t> wanted, const RecordVisitor& visit,
                                  const PassControl& control) const {
  PassResult result;
  ProgressThrottle progress(control.progress);
  const Impl::Positions& positions = impl_->positions();
  const uint64_t count = positions.records.size();
  result.skipped = positions.damaged_pages + positions.damaged_entries;
  // The pass keeps its own page, so that read_record on another thread is not held up.
  std::optional<detail::Page> page;
  uint32_t unreadable_page = 0;
  uint64_t index = 0;
  for (; index < count; ++index) {
    if (!control.checkpoint()) {
      result.stopped = true;
      break;
    }
    const uint64_t at = positions.records[index];
    Record record;
    try {
      if (page_of(at) == unreadable_page) {
        ++result.skipped;
        continue;
      }
      if (!page || page->number != page_of(at)) {
        page.reset();
        unreadable_page = page_of(at);
        page = impl_->pages->read(page_of(at));
        unreadable_page = 0;
      }
      record = build_record(*page, entry_of(at), wanted);
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
  progress.finish(index, count);
  return result;
}

}  // namespace quorvine::ese
