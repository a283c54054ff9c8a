#pragma once
// Maps a text to the first position of a list that holds it, without a copy of the text:
// the list keeps the texts and the index keeps only their hashes and positions, in one flat
// open-addressed array. Lookups and inserts touch one slot run and one list entry, so their
// cost stays the same however many texts there are (a node per text with its own copy of
// the text made every insert into a large index a string of cache misses).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace quorvine::scan {

class FirstPositionIndex {
 public:
  // `text_of(position)` gives the list's text at `position`.
  template <typename TextOf>
  std::optional<size_t> find(std::string_view text, const TextOf& text_of) const {
    if (slots_.empty()) return std::nullopt;
    const uint64_t hash = hash_of(text);
    for (size_t i = hash & mask(); slots_[i].used(); i = (i + 1) & mask())
      if (slots_[i].hash == hash && text_of(slots_[i].position) == text) return slots_[i].position;
    return std::nullopt;
  }

  // Records `position` for `text` unless the text is already there (the first one stays).
  template <typename TextOf>
  void insert_first(std::string_view text, size_t position, const TextOf& text_of) {
    if ((count_ + 1) * 4 > slots_.size() * 3) grow();
    const uint64_t hash = hash_of(text);
    size_t i = hash & mask();
    for (; slots_[i].used(); i = (i + 1) & mask())
      if (slots_[i].hash == hash && text_of(slots_[i].position) == text) return;
    slots_[i] = Slot{hash, position};
    ++count_;
  }

  size_t size() const { return count_; }
  void clear() {
    slots_.clear();
    slots_.shrink_to_fit();
    count_ = 0;
  }

 private:
  struct Slot {
    uint64_t hash = 0;  // never 0 in a used slot
    size_t position = SIZE_MAX;
    bool used() const { return hash != 0; }
  };
  static uint64_t hash_of(std::string_view text) {
    const uint64_t h = std::hash<std::string_view>{}(text);
    return h == 0 ? 1 : h;
  }
  size_t mask() const { return slots_.size() - 1; }
  // Doubles the array; the stored hashes place every slot again without reading a text.
  void grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 16 : old.size() * 2, Slot{});
    for (const Slot& s : old) {
      if (!s.used()) continue;
      size_t i = s.hash & mask();
      while (slots_[i].used()) i = (i + 1) & mask();
      slots_[i] = s;
    }
  }

  std::vector<Slot> slots_;  // a power of two long, at most three quarters used
  size_t count_ = 0;
};

}  // namespace quorvine::scan
