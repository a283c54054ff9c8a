// Feeds bytes to the page reader as database pages and walks the tree rooted at page 1 in
// key order, reading every record of every leaf with a schema taken from the input.
// Input: 4 bytes of settings (page size, revision, checksums, root page), then the pages from
// page 1 on; the two header blocks before them are supplied as zeros.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "ese/error.hpp"
#include "ese/page_reader.hpp"
#include "ese/record_parser.hpp"
#include "ese/tree_walk.hpp"

using namespace quorvine::ese;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  static const uint32_t kPageSizes[4] = {4096, 8192, 16384, 32768};
  static const uint32_t kRevisions[4] = {0x0c, 0x14, 0x6e, 0x12c};
  const detail::PageLayout layout{kPageSizes[data[0] & 3], kRevisions[data[1] & 3], (data[2] & 1) != 0};
  std::vector<uint8_t> file(2 * layout.page_size, 0);
  file.insert(file.end(), data + 4, data + size);
  auto source = std::make_shared<detail::MemorySource>(std::move(file));
  auto reader = std::make_shared<const detail::PageReader>(source, layout);

  auto columns = std::make_shared<std::vector<ColumnInfo>>();
  std::vector<uint32_t> sizes;
  for (uint32_t id : {1u, 2u, 3u, 128u, 129u, 256u, 257u, 300u}) {
    ColumnInfo c;
    c.id = id;
    c.type = ColumnType::Binary;
    columns->push_back(c);
    sizes.push_back(id < 128 ? 4 : 0);
  }
  detail::RecordSchema schema(columns, sizes, detail::RecordFormat::of(layout));
  const std::vector<size_t> wanted{0, 1, 2, 3, 4, 5, 6, 7};

  const uint32_t root = data[3] ? data[3] : 1;
  uint32_t object_id = 0;
  if (reader->page_count() >= root) {
    try {
      object_id = reader->read(root).fdp_object_id;
    } catch (const EseError&) {
    }
  }
  detail::TreeWalk walk(reader, root, object_id);
  size_t leaves = 0;
  while (auto page = walk.next_leaf()) {
    if (++leaves > reader->page_count()) __builtin_trap();  // every page at most once
    for (const auto& entry : page->entries) {
      std::vector<std::optional<StoredValue>> values(columns->size());
      try {
        schema.read(page->data(entry), wanted, values);
      } catch (const EseError&) {
      }
    }
  }
  return 0;
}
