// Feeds bytes to the page reader as database pages and walks a long-value tree over them.
// Input: 12 bytes of settings (page size, revision, compressed column, reference), then
// the pages from page 1 on; the two header blocks before them are supplied as zeros.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "ese/database_header.hpp"
#include "ese/error.hpp"
#include "ese/long_value_store.hpp"
#include "ese/page_reader.hpp"

using namespace quorvine::ese;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 12) return 0;
  static const uint32_t kPageSizes[4] = {4096, 8192, 16384, 32768};
  static const uint32_t kRevisions[4] = {0x0c, 0x14, 0x6e, 0x12c};
  const uint32_t page_size = kPageSizes[data[0] & 3];
  const uint32_t revision = kRevisions[data[1] & 3];
  const bool compressed = data[2] & 1;
  const size_t reference_size = (data[3] & 1) ? 8 : 4;
  std::vector<uint8_t> reference(data + 4, data + 4 + reference_size);

  std::vector<uint8_t> file(2 * page_size, 0);
  file.insert(file.end(), data + 12, data + size);
  try {
    parse_database_header(std::span<const uint8_t>(data + 12, size - 12));
  } catch (const EseError&) {
  }
  auto source = std::make_shared<detail::MemorySource>(std::move(file));
  auto reader = std::make_shared<const detail::PageReader>(source, detail::PageLayout{page_size, revision});
  uint32_t object_id = 0;
  for (uint32_t page = 1; page <= reader->page_count() && page <= 8; ++page) {
    try {
      detail::Page parsed = reader->read(page);
      if (page == 1) object_id = parsed.fdp_object_id;
    } catch (const EseError&) {
    }
  }
  try {
    LongValueStore store(reader, 1, object_id);
    store.segments(reference, compressed);
  } catch (const EseError&) {
  }
  return 0;
}
