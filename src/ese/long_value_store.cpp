#include "ese/long_value_store.hpp"

#include <algorithm>
#include <optional>
#include <set>
#include <string>

#include "ese/byte_reader.hpp"
#include "ese/compressed_value.hpp"
#include "ese/error.hpp"

namespace quorvine::ese {
namespace {

using detail::Page;
using detail::PageEntry;

constexpr int kMaxDepth = 16;

[[noreturn]] void damaged(const std::string& what) { throw EseError("A long value cannot be read: " + what + "."); }

int compare_keys(std::span<const uint8_t> a, std::span<const uint8_t> b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool starts_with(std::span<const uint8_t> key, std::span<const uint8_t> prefix) {
  return key.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), key.begin());
}

}  // namespace

LongValueStore::LongValueStore(std::shared_ptr<const detail::PageReader> reader, uint32_t root_page,
                               uint32_t object_id)
    : reader_(std::move(reader)), root_page_(root_page), object_id_(object_id) {}

std::shared_ptr<const Page> LongValueStore::page(uint32_t number) const {
  {
    std::lock_guard lock(mutex_);
    if (auto it = branches_.find(number); it != branches_.end()) return it->second;
    if (last_leaf_ && last_leaf_number_ == number) return last_leaf_;
  }
  auto read = std::make_shared<const Page>(reader_->read(number));
  if (read->fdp_object_id != object_id_)
    damaged("page " + std::to_string(number) + " belongs to object " + std::to_string(read->fdp_object_id) +
            ", not to the long-value tree " + std::to_string(object_id_));
  std::lock_guard lock(mutex_);
  if (read->is_leaf()) {
    last_leaf_ = read;
    last_leaf_number_ = number;
  } else {
    branches_.emplace(number, read);
  }
  return read;
}

LongValueCursor::LongValueCursor(const LongValueStore& store, std::span<const uint8_t> reference,
                                 bool compressed_column)
    : store_(store), key_(reference.rbegin(), reference.rend()), compressed_(compressed_column) {
  if (reference.size() != 4 && reference.size() != 8)
    damaged("the reference is " + std::to_string(reference.size()) + " bytes long");
}

// On a branch page follow the first entry whose key is greater than ours (an empty key
// stands for the upper end), down to the leaf that holds the value's root entry.
void LongValueCursor::descend() {
  uint32_t number = store_.root_page_;
  for (int depth = 0;; ++depth) {
    if (depth > kMaxDepth) damaged("the tree is deeper than " + std::to_string(kMaxDepth) + " levels");
    if (!visited_.insert(number).second) damaged("the tree loops back to page " + std::to_string(number));
    current_ = store_.page(number);
    const auto& entries = current_->entries;
    if (current_->is_leaf()) {
      // Start at the first entry not below our key: the entries before it belong to other values.
      entry_ = static_cast<size_t>(
          std::partition_point(entries.begin(), entries.end(),
                               [&](const PageEntry& e) { return compare_keys(current_->key(e), key_) < 0; }) -
          entries.begin());
      return;
    }
    if (entries.empty()) damaged("branch page " + std::to_string(number) + " has no entries");
    // Branch keys ascend, so the entry is found by halving rather than by a walk along them.
    const auto above = std::partition_point(entries.begin(), entries.end(), [&](const PageEntry& e) {
      return e.key_size != 0 && compare_keys(current_->key(e), key_) <= 0;
    });
    const PageEntry* chosen = above == entries.end() ? &entries.back() : &*above;
    if (chosen->data_size < 4) damaged("a branch entry on page " + std::to_string(number) + " has no child");
    number = ByteReader(current_->data(*chosen), "A branch entry").u32("the child page number");
  }
}

// A segment's decoded length is known only from the next segment's offset (or the total),
// so one segment waits for the next key.
std::span<const uint8_t> LongValueCursor::emit(uint64_t next_offset) {
  const Pending s = std::move(*pending_);
  pending_.reset();
  if (s.offset != position_)
    damaged("a segment starts at offset " + std::to_string(s.offset) + " where " + std::to_string(position_) +
            " was expected");
  if (next_offset < position_) damaged("its segments overlap");
  const uint64_t expected = next_offset - position_;
  if (compressed_) {
    if (auto d = try_decompress_value(s.data); d && d->size() == expected) {
      decoded_ = std::move(*d);
      position_ += decoded_.size();
      return decoded_;
    }
  }
  if (s.data.size() != expected) damaged("a segment at offset " + std::to_string(s.offset) + " has the wrong size");
  emitted_page_ = s.page;
  position_ += s.data.size();
  return s.data;
}

std::span<const uint8_t> LongValueCursor::next() {
  if (finished_) return {};
  if (!started_) {
    descend();
    started_ = true;
  }
  // The root entry sorts first, then the segments.
  while (!walked_) {
    if (entry_ == current_->entries.size()) {
      if (current_->next == 0) {
        walked_ = true;
        break;
      }
      if (++leaves_ > store_.reader_->page_count()) damaged("the leaf chain does not end");
      const uint32_t next = current_->next;
      if (!visited_.insert(next).second) damaged("the leaf chain loops back to page " + std::to_string(next));
      current_ = store_.page(next);
      if (!current_->is_leaf()) damaged("page " + std::to_string(next) + " in the leaf chain is not a leaf");
      entry_ = 0;
      continue;
    }
    const PageEntry& e = current_->entries[entry_++];
    const std::span<const uint8_t> key = current_->key(e);
    const int order = compare_keys(key, key_);
    if (order < 0) continue;
    if (order == 0) {
      if (e.data_size < 8) damaged("its root entry is too short");
      total_ = ByteReader(current_->data(e), "A long value's root entry").u32_at(4, "the total size");
      continue;
    }
    if (!starts_with(key, key_)) {
      walked_ = true;
      break;
    }
    if (key.size() != key_.size() + 4) continue;  // a longer reference sharing our prefix
    if (!total_) damaged("a segment comes before the value's root entry");
    const uint32_t offset = ByteReader(key, "A segment key").be32_at(key_.size(), "the segment offset");
    std::span<const uint8_t> out;
    if (pending_) out = emit(offset);
    pending_ = Pending{offset, current_, current_->data(e)};
    if (!out.empty()) return out;
  }
  if (!total_) damaged("the value with key " + std::to_string(key_.size()) + "-byte id was not found");
  while (pending_) {
    const std::span<const uint8_t> out = emit(*total_);
    if (!out.empty()) return out;
  }
  if (position_ != *total_)
    damaged("its segments hold " + std::to_string(position_) + " of " + std::to_string(*total_) + " bytes");
  finished_ = true;
  return {};
}

void LongValueStore::for_each_segment(std::span<const uint8_t> reference, bool compressed_column,
                                      const std::function<void(std::span<const uint8_t>)>& sink) const {
  LongValueCursor cursor(*this, reference, compressed_column);
  for (std::span<const uint8_t> segment; !(segment = cursor.next()).empty();) sink(segment);
}

std::vector<std::vector<uint8_t>> LongValueStore::segments(std::span<const uint8_t> reference,
                                                          bool compressed_column) const {
  std::vector<std::vector<uint8_t>> out;
  for_each_segment(reference, compressed_column,
                   [&](std::span<const uint8_t> s) { out.emplace_back(s.begin(), s.end()); });
  return out;
}

std::vector<uint8_t> LongValueStore::value(std::span<const uint8_t> reference, bool compressed_column) const {
  std::vector<uint8_t> joined;
  for_each_segment(reference, compressed_column,
                   [&](std::span<const uint8_t> s) { joined.insert(joined.end(), s.begin(), s.end()); });
  return joined;
}

}  // namespace quorvine::ese
