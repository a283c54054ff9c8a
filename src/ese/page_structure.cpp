#include "ese/page_structure.hpp"

#include "ese/byte_order.hpp"

namespace quorvine::ese::detail {
namespace {

constexpr uint32_t kIndexPage = 0x0040;
constexpr uint32_t kNewRecordFormat = 0x0800;

// Record layout: last fixed column id, last variable column id, offset of the variable
// size array; then fixed data, the variable size array, variable data, tagged data.
const char* record_fault(const uint8_t* r, uint32_t size, const PageLayout& layout, bool new_format) {
  if (size < 4) return "a record is shorter than its header";
  const uint8_t last_variable = r[1];
  const uint32_t variable_sizes = load_le16(r + 2);
  if (variable_sizes < 4 || variable_sizes > size) return "a record's variable data offset lies outside it";
  const uint32_t variable_count = last_variable > 127 ? last_variable - 127u : 0u;
  const uint32_t variable_data = variable_sizes + 2 * variable_count;
  if (variable_data > size) return "a record's variable size array runs outside it";
  uint32_t previous_end = 0;
  for (uint32_t i = 0; i < variable_count; ++i) {
    const uint32_t end = load_le16(r + variable_sizes + 2 * i) & 0x7FFF;
    if (end < previous_end) return "a record's variable column sizes go backwards";
    previous_end = end;
  }
  if (previous_end > size - variable_data) return "a record's variable data runs outside it";
  // Tagged columns: an array of (identifier, offset) pairs whose first offset is the size
  // of the array. Old-format records (no flag) keep a linear list we leave to libesedb.
  if (!new_format) return nullptr;
  const uint32_t tagged = variable_data + previous_end;
  const uint32_t tagged_size = size - tagged;
  if (tagged_size == 0) return nullptr;
  if (tagged_size < 4) return "a record's tagged data is cut short";
  const uint16_t offset_mask = layout.large_tags() && layout.format_revision >= 0x11 ? 0x7FFF : 0x3FFF;
  const uint32_t array_size = load_le16(r + tagged + 2) & offset_mask;
  if (array_size < 4 || array_size > tagged_size) return "a record's tagged column array runs outside it";
  uint32_t previous_offset = 0;
  for (uint32_t at = 0; at + 4 <= array_size; at += 4) {
    const uint32_t offset = load_le16(r + tagged + at + 2) & offset_mask;
    if (offset < previous_offset || offset > tagged_size) return "a record's tagged column offsets are out of order";
    previous_offset = offset;
  }
  return nullptr;
}

// Catalog objects: the catalog and its shadow copy always have these ids.
constexpr uint32_t kCatalogObjid = 2;
constexpr uint32_t kShadowCatalogObjid = 3;

uint32_t natural_size(uint32_t column_type) {
  switch (column_type) {
    case 1: case 2: return 1;
    case 3: case 17: return 2;
    case 4: case 6: case 14: return 4;
    case 5: case 7: case 8: case 15: return 8;
    case 16: return 16;
    default: return 0;
  }
}

// libesedb copies a fixed column's catalog size out of every record of its table without
// comparing it with the record, so a fixed column definition must carry a size the engine
// could have written. Catalog record: ObjidTable, Type, Id, ColtypOrPgnoFDP, SpaceUsage.
const char* catalog_record_fault(const uint8_t* r, uint32_t size) {
  if (r[0] < 5 || size < 22) return nullptr;  // not a column definition with its size
  const uint16_t type = load_le16(r + 8);
  const uint32_t column_id = load_le32(r + 10);
  if (type != 2 || column_id == 0 || column_id > 127) return nullptr;
  const uint32_t column_type = load_le32(r + 14);
  const uint32_t space = load_le32(r + 18);
  const uint32_t natural = natural_size(column_type);
  if (natural ? space != natural : space > 255) return "a fixed column definition has an impossible size";
  return nullptr;
}

}  // namespace

const char* page_structure_fault(std::span<const uint8_t> page, const PageLayout& layout) {
  const uint32_t page_size = layout.page_size;
  if (page.size() != page_size) return "it is not one page long";
  const uint8_t* p = page.data();
  // No exemption for pages with a zero checksum: libesedb parses them all the same. A page
  // never written has no tags and passes.
  const uint32_t flags = load_le32(p + 36);
  const uint32_t header_size = layout.header_size();
  const uint32_t tag_count = load_le16(p + 34) & layout.tag_count_mask();
  if (static_cast<uint64_t>(tag_count) * 4 > page_size - header_size) return "its tags overlap its header";
  if (tag_count == 0) return nullptr;
  const uint32_t value_end = page_size - tag_count * 4;

  const bool leaf = flags & page_flags::leaf;
  const bool records =
      leaf && !(flags & (page_flags::space_tree | page_flags::long_value | kIndexPage));
  const bool new_format = flags & kNewRecordFormat;
  const uint32_t objid = load_le32(p + 24);
  const bool catalog = records && (objid == kCatalogObjid || objid == kShadowCatalogObjid);
  uint32_t common_key_size = 0;
  for (uint32_t i = 0; i < tag_count; ++i) {
    const uint8_t* t = p + page_size - 4 * (i + 1);
    const uint16_t size_word = load_le16(t);
    const uint16_t offset_word = load_le16(t + 2);
    const uint16_t field_mask = layout.large_tags() ? 0x7FFF : 0x1FFF;
    const uint32_t size = size_word & field_mask;
    const uint32_t start = header_size + (offset_word & field_mask);
    if (start > value_end || size > value_end - start) return "a tag runs outside the page's values";
    if (i == 0) {
      common_key_size = size;
      continue;
    }
    uint8_t tag_flags = 0;
    if (!layout.large_tags()) tag_flags = static_cast<uint8_t>(offset_word >> 13);
    else if (size >= 2) tag_flags = static_cast<uint8_t>(p[start + 1] >> 5);
    if (tag_flags & tag_flags::deleted) continue;
    // Large pages keep the tag flags in the top bits of the entry's first word.
    auto word = [&](uint32_t at, bool first) {
      uint16_t v = load_le16(p + at);
      return first && layout.large_tags() ? static_cast<uint16_t>(v & 0x1FFF) : v;
    };
    uint32_t pos = start;
    const uint32_t end = start + size;
    if (tag_flags & tag_flags::common_key) {
      if (end - pos < 2) return "an entry is shorter than its key sizes";
      if (word(pos, true) > common_key_size) return "an entry's common key is longer than the page's";
      pos += 2;
    }
    if (end - pos < 2) return "an entry is shorter than its key sizes";
    const uint32_t local = word(pos, pos == start);
    pos += 2;
    if (local > end - pos) return "an entry's key is longer than the entry";
    pos += local;
    if (!leaf) {
      if (end - pos < 4) return "a branch entry has no child page number";
    } else if (records) {
      if (const char* fault = record_fault(p + pos, end - pos, layout, new_format)) return fault;
      if (catalog)
        if (const char* fault = catalog_record_fault(p + pos, end - pos)) return fault;
    }
  }
  return nullptr;
}

}  // namespace quorvine::ese::detail
