#include "ese/record_parser.hpp"

#include <string>

#include "ese/byte_order.hpp"
#include "ese/error.hpp"

namespace quorvine::ese::detail {
namespace {

constexpr uint32_t kHeaderSize = 4;

[[noreturn]] void damaged(const std::string& what) { throw EseError("The record is damaged: " + what + "."); }

// The parts of a record every column lookup needs, checked once.
struct Layout {
  std::span<const uint8_t> r;
  uint32_t last_fixed = 0;
  uint32_t variable_count = 0;
  uint32_t variable_array = 0;  // offset of the variable end-offset array
  uint32_t variable_data = 0;   // first byte after that array
  uint32_t tagged = 0;          // start of the tagged area
  uint32_t tagged_entries = 0;  // number of (id, offset) entries
};

uint16_t word(std::span<const uint8_t> r, uint32_t at) { return load_le16(r.data() + at); }

// End of the last non-NULL variable value before entry `index` (NULL entries repeat it).
uint32_t variable_start(const Layout& l, uint32_t index) {
  for (uint32_t i = index; i-- > 0;) {
    const uint16_t end = word(l.r, l.variable_array + 2 * i);
    if (!(end & 0x8000)) return end & 0x7FFF;
  }
  return 0;
}

Layout read_layout(std::span<const uint8_t> r, const RecordFormat& format) {
  if (r.size() < kHeaderSize) damaged("it is shorter than its header");
  Layout l;
  l.r = r;
  l.last_fixed = r[0];
  l.variable_count = r[1] > 127 ? r[1] - 127u : 0u;
  l.variable_array = word(r, 2);
  if (l.variable_array < kHeaderSize || l.variable_array > r.size()) damaged("its variable data offset lies outside it");
  l.variable_data = l.variable_array + 2 * l.variable_count;
  if (l.variable_data > r.size()) damaged("its variable offset array runs outside it");
  const uint32_t variable_end = variable_start(l, l.variable_count);
  if (variable_end > r.size() - l.variable_data) damaged("its variable data runs outside it");
  l.tagged = l.variable_data + variable_end;
  const uint32_t tagged_size = static_cast<uint32_t>(r.size()) - l.tagged;
  if (tagged_size > 0) {
    if (tagged_size < 4) damaged("its tagged data is cut short");
    const uint32_t array_size = word(r, l.tagged + 2) & format.tagged_offset_mask;
    if (array_size < 4 || array_size > tagged_size) damaged("its tagged column array runs outside it");
    l.tagged_entries = array_size / 4;
  }
  return l;
}

std::optional<StoredValue> fixed_value(const Layout& l, const ColumnInfo& c, uint32_t offset, uint32_t size) {
  if (c.id > l.last_fixed || size == 0) return std::nullopt;
  if (offset > l.r.size() || size > l.r.size() - offset) damaged("fixed column " + std::to_string(c.id) + " runs outside it");
  // The null bitmap sits just before the variable offset array.
  const uint32_t bitmap_size = (l.last_fixed + 7) / 8;
  if (!(c.flags & column_flags::not_null) && l.variable_array >= kHeaderSize + bitmap_size) {
    const uint8_t* bitmap = l.r.data() + l.variable_array - bitmap_size;
    if ((bitmap[(c.id - 1) / 8] >> ((c.id - 1) % 8)) & 1) return std::nullopt;
  }
  StoredValue v;
  v.raw.assign(l.r.begin() + offset, l.r.begin() + offset + size);
  return v;
}

std::optional<StoredValue> variable_value(const Layout& l, const ColumnInfo& c) {
  const uint32_t index = c.id - 128;
  if (index >= l.variable_count) return std::nullopt;
  const uint16_t end_word = word(l.r, l.variable_array + 2 * index);
  if (end_word & 0x8000) return std::nullopt;
  const uint32_t start = variable_start(l, index);
  const uint32_t end = end_word & 0x7FFF;
  if (end < start) damaged("variable column " + std::to_string(c.id) + " ends before it starts");
  if (end > l.r.size() - l.variable_data) damaged("variable column " + std::to_string(c.id) + " runs outside it");
  if (end == start) return std::nullopt;
  StoredValue v;
  v.raw.assign(l.r.begin() + l.variable_data + start, l.r.begin() + l.variable_data + end);
  return v;
}

std::optional<StoredValue> tagged_value(const Layout& l, const ColumnInfo& c, const RecordFormat& format) {
  // Identifiers ascend through the array.
  uint32_t low = 0, high = l.tagged_entries;
  while (low < high) {
    const uint32_t mid = low + (high - low) / 2;
    const uint16_t id = word(l.r, l.tagged + 4 * mid);
    if (id == c.id) {
      low = mid;
      high = mid + 1;
      break;
    }
    if (id < c.id) low = mid + 1;
    else high = mid;
  }
  if (low >= high) return std::nullopt;
  const uint32_t tagged_size = static_cast<uint32_t>(l.r.size()) - l.tagged;
  const uint16_t offset_word = word(l.r, l.tagged + 4 * low + 2);
  const uint32_t start = offset_word & format.tagged_offset_mask;
  const uint32_t end = low + 1 < l.tagged_entries ? word(l.r, l.tagged + 4 * (low + 1) + 2) & format.tagged_offset_mask
                                                  : tagged_size;
  if (start > end || end > tagged_size) damaged("tagged column " + std::to_string(c.id) + " lies outside it");
  if (start == end) return std::nullopt;
  std::span<const uint8_t> data = l.r.subspan(l.tagged + start, end - start);
  StoredValue v;
  if (format.flag_byte_always || (offset_word & 0x4000)) {
    v.flags = data[0];
    data = data.subspan(1);
  }
  if (data.empty()) return std::nullopt;
  v.raw.assign(data.begin(), data.end());
  return v;
}

}  // namespace

RecordFormat RecordFormat::of(const PageLayout& layout) {
  RecordFormat f;
  f.flag_byte_always = layout.extended_header();
  f.tagged_offset_mask = f.flag_byte_always ? 0x7FFF : 0x3FFF;
  return f;
}

RecordSchema::RecordSchema(std::shared_ptr<const std::vector<ColumnInfo>> columns, std::vector<uint32_t> fixed_sizes,
                           RecordFormat format)
    : columns_(std::move(columns)), fixed_sizes_(std::move(fixed_sizes)), format_(format) {
  fixed_sizes_.resize(columns_->size());
  fixed_offsets_.resize(columns_->size());
  uint64_t offset = kHeaderSize;
  for (size_t i = 0; i < columns_->size(); ++i) {
    if ((*columns_)[i].id == 0 || (*columns_)[i].id > 127) continue;
    fixed_offsets_[i] = static_cast<uint32_t>(std::min<uint64_t>(offset, UINT32_MAX));
    offset += fixed_sizes_[i];
  }
}

void RecordSchema::read(std::span<const uint8_t> record, std::span<const size_t> wanted,
                        std::vector<std::optional<StoredValue>>& values) const {
  const Layout layout = read_layout(record, format_);
  const auto& columns = *columns_;
  for (size_t i : wanted) {
    if (i >= values.size() || i >= columns.size() || values[i]) continue;
    const ColumnInfo& c = columns[i];
    std::optional<StoredValue> v;
    if (c.id >= 1 && c.id <= 127) v = fixed_value(layout, c, fixed_offsets_[i], fixed_sizes_[i]);
    else if (c.id >= 128 && c.id <= 255) v = variable_value(layout, c);
    else if (c.id >= 256) v = tagged_value(layout, c, format_);
    // A tagged column absent from the record takes the catalog default.
    if (!v && c.id >= 256 && !c.default_value.empty()) {
      v.emplace();
      v->raw = c.default_value;
    }
    if (!v) continue;
    v->type = c.type;
    v->codepage = c.codepage;
    values[i] = std::move(v);
  }
}

}  // namespace quorvine::ese::detail
