#include "ese/long_value_store.hpp"

#include <algorithm>
#include <optional>
#include <set>
#include <string>

#include "ese/byte_order.hpp"
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
  }
  auto read = std::make_shared<const Page>(reader_->read(number));
  if (read->fdp_object_id != object_id_)
    damaged("page " + std::to_string(number) + " belongs to object " + std::to_string(read->fdp_object_id) +
            ", not to the long-value tree " + std::to_string(object_id_));
  if (!read->is_leaf()) {
    std::lock_guard lock(mutex_);
    branches_.emplace(number, read);
  }
  return read;
}

void LongValueStore::for_each_segment(std::span<const uint8_t> reference, bool compressed_column,
                                      const std::function<void(std::span<const uint8_t>)>& sink) const {
  if (reference.size() != 4 && reference.size() != 8)
    damaged("the reference is " + std::to_string(reference.size()) + " bytes long");
  std::vector<uint8_t> key(reference.rbegin(), reference.rend());

  // Descend: on a branch page follow the first entry whose key is greater than ours (an
  // empty key stands for the upper end).
  std::set<uint32_t> visited;
  uint32_t number = root_page_;
  std::shared_ptr<const Page> current;
  for (int depth = 0;; ++depth) {
    if (depth > kMaxDepth) damaged("the tree is deeper than " + std::to_string(kMaxDepth) + " levels");
    if (!visited.insert(number).second) damaged("the tree loops back to page " + std::to_string(number));
    current = page(number);
    if (current->is_leaf()) break;
    if (current->entries.empty()) damaged("branch page " + std::to_string(number) + " has no entries");
    const PageEntry* chosen = &current->entries.back();
    for (const PageEntry& e : current->entries) {
      if (e.key.empty() || compare_keys(e.key, key) > 0) {
        chosen = &e;
        break;
      }
    }
    if (chosen->data_size < 4) damaged("a branch entry on page " + std::to_string(number) + " has no child");
    number = detail::load_le32(current->data(*chosen).data());
  }

  // The root entry sorts first, then the segments. A segment's decoded length is known only
  // from the next segment's offset (or the total), so one segment waits for the next key.
  std::optional<uint32_t> total;
  struct Pending {
    uint32_t offset;
    std::shared_ptr<const Page> page;  // keeps `data` alive
    std::span<const uint8_t> data;
  };
  std::optional<Pending> pending;
  uint64_t position = 0;
  auto emit = [&](uint64_t next_offset) {
    const Pending& s = *pending;
    if (s.offset != position)
      damaged("a segment starts at offset " + std::to_string(s.offset) + " where " + std::to_string(position) +
              " was expected");
    if (next_offset < position) damaged("its segments overlap");
    const uint64_t expected = next_offset - position;
    if (compressed_column) {
      if (auto d = try_decompress_value(s.data); d && d->size() == expected) {
        sink(*d);
        position += d->size();
        return;
      }
    }
    if (s.data.size() != expected) damaged("a segment at offset " + std::to_string(s.offset) + " has the wrong size");
    sink(s.data);
    position += s.data.size();
  };
  bool done = false;
  size_t leaves = 0;
  while (!done) {
    for (const PageEntry& e : current->entries) {
      int order = compare_keys(e.key, key);
      if (order < 0) continue;
      if (order == 0) {
        if (e.data_size < 8) damaged("its root entry is too short");
        total = detail::load_le32(current->data(e).data() + 4);
        continue;
      }
      if (!starts_with(e.key, key)) {
        done = true;
        break;
      }
      if (e.key.size() != key.size() + 4) continue;  // a longer reference sharing our prefix
      if (!total) damaged("a segment comes before the value's root entry");
      const uint32_t offset = detail::load_be32(e.key.data() + key.size());
      if (pending) emit(offset);
      pending = Pending{offset, current, current->data(e)};
    }
    if (done || current->next == 0) break;
    if (++leaves > reader_->page_count()) damaged("the leaf chain does not end");
    uint32_t next = current->next;
    if (!visited.insert(next).second) damaged("the leaf chain loops back to page " + std::to_string(next));
    current = page(next);
    if (!current->is_leaf()) damaged("page " + std::to_string(next) + " in the leaf chain is not a leaf");
  }
  if (!total) damaged("the value with key " + std::to_string(key.size()) + "-byte id was not found");
  if (pending) emit(*total);
  if (position != *total)
    damaged("its segments hold " + std::to_string(position) + " of " + std::to_string(*total) + " bytes");
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
