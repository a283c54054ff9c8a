// Feeds bytes to the record reader as one record. Input: 2 bytes of settings (large-page
// form, which columns), then the record.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "ese/error.hpp"
#include "ese/record_parser.hpp"

using namespace quorvine::ese;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  detail::RecordFormat format;
  format.flag_byte_always = data[0] & 1;
  format.tagged_offset_mask = format.flag_byte_always ? 0x7FFF : 0x3FFF;
  auto columns = std::make_shared<std::vector<ColumnInfo>>();
  std::vector<uint32_t> sizes;
  // Fixed 1-4, variable 128-131, tagged 256-259 and a far one; the second byte picks
  // which fixed sizes are odd, to move the fixed offsets around.
  const uint32_t ids[] = {1, 2, 3, 4, 128, 129, 130, 131, 256, 257, 258, 259, 4000};
  for (uint32_t id : ids) {
    ColumnInfo c;
    c.id = id;
    c.type = ColumnType::Binary;
    if (id == 258) {
      c.flags = column_flags::has_default;
      c.default_value = {1, 2, 3};
    }
    if (id == 2) c.flags = column_flags::not_null;
    columns->push_back(c);
    sizes.push_back(id < 128 ? ((data[1] >> (id - 1)) & 1 ? 255 : 4) : 0);
  }
  detail::RecordSchema schema(columns, sizes, format);
  std::vector<size_t> wanted(columns->size());
  for (size_t i = 0; i < wanted.size(); ++i) wanted[i] = i;
  std::vector<std::optional<StoredValue>> values(columns->size());
  try {
    schema.read(std::span<const uint8_t>(data + 2, size - 2), wanted, values);
  } catch (const EseError&) {
  }
  return 0;
}
