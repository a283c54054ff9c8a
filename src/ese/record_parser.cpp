#include "ese/record_parser.hpp"

#include <string>

#include "ese/byte_reader.hpp"
#include "ese/error.hpp"

namespace quorvine::ese::detail {
namespace {

constexpr uint32_t kHeaderSize = 4;

[[noreturn]] void damaged(const std::string& what) { throw EseError("The record is damaged: " + what + "."); }

// The parts of a record every column lookup needs, checked once.
struct Layout {
  ByteReader r;
  uint32_t last_fixed = 0;
  uint32_t variable_count = 0;
  uint32_t variable_array = 0;  // offset of the variable end-offset array
  uint32_t variable_data = 0;   // first byte after that array
  uint32_t tagged = 0;          // start of the tagged area
  uint32_t tagged_entries = 0;  // number of (id, offset) entries
};

// End of the last non-NULL variable value before entry `index` (NULL entries repeat it).
uint32_t variable_start(const Layout& l, uint32_t index) {
  for (uint32_t i = index; i-- > 0;) {
    const uint16_t end = l.r.u16_at(l.variable_array + 2 * i, "a variable column's end offset");
    if (!(end & 0x8000)) return end & 0x7FFF;
  }
  return 0;
}

Layout read_layout(std::span<const uint8_t> record, const RecordFormat& format) {
  if (record.size() < kHeaderSize) damaged("it is shorter than its header");
  Layout l{ByteReader(record, "The record")};
  const ByteReader& r = l.r;
  const uint8_t variable_byte = r.u8_at(1, "the last variable column");
  l.last_fixed = r.u8_at(0, "the last fixed column");
  l.variable_count = variable_byte > 127 ? variable_byte - 127u : 0u;
  l.variable_array = r.u16_at(2, "the variable data offset");
  if (l.variable_array < kHeaderSize || l.variable_array > r.size()) damaged("its variable data offset lies outside it");
  l.variable_data = l.variable_array + 2 * l.variable_count;
  if (l.variable_data > r.size()) damaged("its variable offset array runs outside it");
  const uint32_t variable_end = variable_start(l, l.variable_count);
  if (variable_end > r.size() - l.variable_data) damaged("its variable data runs outside it");
  l.tagged = l.variable_data + variable_end;
  const uint32_t tagged_size = static_cast<uint32_t>(r.size()) - l.tagged;
  if (tagged_size > 0) {
    if (tagged_size < 4) damaged("its tagged data is cut short");
    const uint32_t array_size = r.u16_at(l.tagged + 2, "the tagged column array size") & format.tagged_offset_mask;
    if (array_size < 4 || array_size > tagged_size) damaged("its tagged column array runs outside it");
    l.tagged_entries = array_size / 4;
  }
  return l;
}

StoredValue stored(std::span<const uint8_t> data) {
  StoredValue v;
  v.raw.assign(data.begin(), data.end());
  return v;
}

std::optional<StoredValue> fixed_value(const Layout& l, const ColumnInfo& c, uint32_t offset, uint32_t size) {
  if (c.id > l.last_fixed || size == 0) return std::nullopt;
  const std::span<const uint8_t> data = l.r.bytes_at(offset, size, "a fixed column");
  // The null bitmap sits just before the variable offset array.
  const uint32_t bitmap_size = (l.last_fixed + 7) / 8;
  if (!(c.flags & column_flags::not_null) && l.variable_array >= kHeaderSize + bitmap_size) {
    const uint8_t bits = l.r.u8_at(l.variable_array - bitmap_size + (c.id - 1) / 8, "the null bitmap");
    if ((bits >> ((c.id - 1) % 8)) & 1) return std::nullopt;
  }
  return stored(data);
}

std::optional<StoredValue> variable_value(const Layout& l, const ColumnInfo& c) {
  const uint32_t index = c.id - 128;
  if (index >= l.variable_count) return std::nullopt;
  const uint16_t end_word = l.r.u16_at(l.variable_array + 2 * index, "a variable column's end offset");
  if (end_word & 0x8000) return std::nullopt;
  const uint32_t start = variable_start(l, index);
  const uint32_t end = end_word & 0x7FFF;
  if (end < start) damaged("variable column " + std::to_string(c.id) + " ends before it starts");
  const std::span<const uint8_t> data = l.r.bytes_at(l.variable_data + start, end - start, "a variable column");
  if (data.empty()) return std::nullopt;
  return stored(data);
}

std::optional<StoredValue> tagged_value(const Layout& l, const ColumnInfo& c, const RecordFormat& format) {
  const ByteReader& r = l.r;
  auto offset_at = [&](uint32_t entry) { return r.u16_at(l.tagged + 4 * entry + 2, "a tagged column offset"); };
  if (c.id > 0xFFFF) return std::nullopt;  // no 16-bit identifier names it
  // Identifiers ascend through the array.
  const uint32_t low = static_cast<uint32_t>(
      r.find_u16(l.tagged, l.tagged_entries, 4, static_cast<uint16_t>(c.id), "the tagged column array"));
  if (low == l.tagged_entries) return std::nullopt;
  const uint32_t tagged_size = static_cast<uint32_t>(r.size()) - l.tagged;
  const uint16_t offset_word = offset_at(low);
  const uint32_t start = offset_word & format.tagged_offset_mask;
  const uint32_t end = low + 1 < l.tagged_entries ? offset_at(low + 1) & format.tagged_offset_mask : tagged_size;
  if (start > end) damaged("tagged column " + std::to_string(c.id) + " ends before it starts");
  ByteReader data = r.sub_at(l.tagged + start, end - start, "a tagged column");
  if (data.at_end()) return std::nullopt;
  uint8_t flags = 0;
  if (format.flag_byte_always || (offset_word & 0x4000)) flags = data.u8("a tagged column's flags");
  if (data.at_end()) return std::nullopt;
  StoredValue v = stored(data.bytes(data.remaining(), "a tagged column"));
  v.flags = flags;
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
