#include "edbgen/ese_record.hpp"

#include <algorithm>
#include <stdexcept>

#include "edbgen/ese_bytes.hpp"

namespace edbgen::ese {

uint32_t fixed_type_size(ColumnType type) {
  switch (type) {
    case ColumnType::Boolean:
    case ColumnType::UnsignedByte: return 1;
    case ColumnType::Short:
    case ColumnType::UnsignedShort: return 2;
    case ColumnType::Long:
    case ColumnType::UnsignedLong:
    case ColumnType::Float32: return 4;
    case ColumnType::Currency:
    case ColumnType::Float64:
    case ColumnType::DateTime:
    case ColumnType::LongLong: return 8;
    case ColumnType::Guid: return 16;
    default: return 0;
  }
}

bool is_long_type(ColumnType type) {
  return type == ColumnType::LargeBinary || type == ColumnType::LargeText;
}

namespace {
std::invalid_argument column_error(const std::string& table, const ColumnDef& c,
                                   const std::string& why) {
  return std::invalid_argument("Column " + std::to_string(c.id) + " (" + c.name + ") of table " +
                               table + " " + why + ".");
}
}  // namespace

ColumnLayout ColumnLayout::build(const std::string& table, const std::vector<ColumnDef>& columns) {
  ColumnLayout l;
  for (const ColumnDef& c : columns) {
    if (c.id == 0 || c.id > 0xFFFF) throw column_error(table, c, "has an id outside 1-65535");
    if (uint32_t(c.type) < 1 || uint32_t(c.type) > 17)
      throw column_error(table, c, "has an unknown type");
    if (c.name.empty()) throw column_error(table, c, "has no name");
    if (!l.by_id.emplace(c.id, &c).second) throw column_error(table, c, "repeats an id");
  }
  for (const auto& [id, c] : l.by_id) {
    if (id < 128) {
      if (l.fixed.size() < id) l.fixed.resize(id, nullptr);
      l.fixed[id - 1] = c;
    } else if (id < 256) {
      if (l.variable.size() < id - 127) l.variable.resize(id - 127, nullptr);
      l.variable[id - 128] = c;
    }
  }
  uint32_t offset = 4;
  for (size_t i = 0; i < l.fixed.size(); ++i) {
    const ColumnDef* c = l.fixed[i];
    if (!c) throw std::invalid_argument("Table " + table + " has no fixed column " +
                                        std::to_string(i + 1) + "; fixed ids must run from 1 without gaps.");
    uint32_t size = fixed_type_size(c->type);
    if (c->type == ColumnType::Binary || c->type == ColumnType::Text) size = c->max_size;
    if (size == 0) throw column_error(table, *c, "cannot be a fixed column of its type or size");
    l.fixed_offsets.push_back(uint16_t(offset));
    l.fixed_sizes.push_back(size);
    offset += size;
  }
  for (size_t i = 0; i < l.variable.size(); ++i) {
    const ColumnDef* c = l.variable[i];
    if (!c) throw std::invalid_argument("Table " + table + " has no variable column " +
                                        std::to_string(i + 128) +
                                        "; variable ids must run from 128 without gaps.");
    if (is_long_type(c->type)) throw column_error(table, *c, "is long and must be tagged");
  }
  return l;
}

void RecordBuilder::clear() {
  arena_.clear();
  fixed_.assign(layout_->fixed.size(), Slot{});
  variable_.assign(layout_->variable.size(), Slot{});
  tagged_.clear();
}

size_t RecordBuilder::stash(std::span<const uint8_t> value) {
  size_t at = arena_.size();
  append(arena_, value);
  return at;
}

void RecordBuilder::set_fixed(uint32_t id, std::span<const uint8_t> value) {
  Slot& s = fixed_.at(id - 1);
  s = Slot{id, 0, stash(value), value.size(), true};
}

void RecordBuilder::set_variable(uint32_t id, std::span<const uint8_t> value) {
  Slot& s = variable_.at(id - 128);
  s = Slot{id, 0, stash(value), value.size(), true};
}

void RecordBuilder::add_tagged(uint32_t id, uint8_t flags, std::span<const uint8_t> value) {
  tagged_.push_back(Slot{id, flags, stash(value), value.size(), true});
}

const std::vector<uint8_t>& RecordBuilder::build() {
  out_.clear();
  size_t last_fixed = 0;
  for (size_t i = 0; i < fixed_.size(); ++i)
    if (fixed_[i].present) last_fixed = i + 1;
  size_t last_var = 0;
  for (size_t i = 0; i < variable_.size(); ++i)
    if (variable_[i].present) last_var = i + 1;

  out_.resize(4, 0);
  out_[0] = uint8_t(last_fixed);
  out_[1] = uint8_t(127 + last_var);
  for (size_t i = 0; i < last_fixed; ++i) {
    const size_t size = layout_->fixed_sizes[i];
    const size_t at = out_.size();
    out_.resize(at + size, 0);
    const Slot& s = fixed_[i];
    if (!s.present) continue;
    std::copy_n(&arena_[s.offset], std::min(s.size, size), &out_[at]);
    const ColumnDef* c = layout_->fixed[i];
    if (c->type == ColumnType::Text) {
      // Fixed text is space-padded, as the engine stores it.
      const size_t step = c->codepage == 1200 ? 2 : 1;
      for (size_t k = s.size; k + step <= size; k += step) out_[at + k] = ' ';
    }
  }
  if (last_fixed > 0) {
    const size_t bitmap = (last_fixed + 7) / 8;
    const size_t at = out_.size();
    out_.resize(at + bitmap, 0);
    for (size_t bit = 0; bit < bitmap * 8; ++bit)
      if (bit >= last_fixed || !fixed_[bit].present) out_[at + bit / 8] |= uint8_t(1u << (bit % 8));
  }
  store_le16(&out_[2], uint16_t(out_.size()));

  const size_t array_at = out_.size();
  out_.resize(array_at + 2 * last_var, 0);
  uint32_t end = 0;
  for (size_t i = 0; i < last_var; ++i) {
    const Slot& s = variable_[i];
    if (s.present) {
      append(out_, std::span<const uint8_t>(&arena_[s.offset], s.size));
      end += uint32_t(s.size);
      if (end > 0x7FFF) throw std::length_error("Variable columns exceed 32767 bytes in one record.");
      store_le16(&out_[array_at + 2 * i], uint16_t(end));
    } else {
      store_le16(&out_[array_at + 2 * i], uint16_t(end | 0x8000));
    }
  }

  if (!tagged_.empty()) {
    std::sort(tagged_.begin(), tagged_.end(),
              [](const Slot& a, const Slot& b) { return a.id < b.id; });
    for (size_t i = 1; i < tagged_.size(); ++i)
      if (tagged_[i].id == tagged_[i - 1].id)
        throw std::invalid_argument("Column " + std::to_string(tagged_[i].id) +
                                    " appears twice in one record.");
    const size_t area = out_.size();
    out_.resize(area + 4 * tagged_.size(), 0);
    size_t offset = 4 * tagged_.size();
    const uint32_t limit = large_pages_ ? 0x7FFF : 0x3FFF;
    for (size_t i = 0; i < tagged_.size(); ++i) {
      const Slot& s = tagged_[i];
      const bool flag_byte = large_pages_ || s.flags != 0;
      if (offset > limit)
        throw std::length_error("The tagged columns of one record exceed " +
                                std::to_string(limit) + " bytes.");
      uint16_t word = uint16_t(offset);
      if (flag_byte && !large_pages_) word |= 0x4000;
      store_le16(&out_[area + 4 * i], uint16_t(s.id));
      store_le16(&out_[area + 4 * i + 2], word);
      if (flag_byte) {
        out_.push_back(s.flags);
        ++offset;
      }
      append(out_, std::span<const uint8_t>(&arena_[s.offset], s.size));
      offset += s.size;
    }
  }
  return out_;
}

}  // namespace edbgen::ese
