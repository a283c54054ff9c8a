#include "edbgen/ese_long_value.hpp"

#include <algorithm>
#include <stdexcept>

#include "edbgen/ese_bytes.hpp"

namespace edbgen::ese {

uint32_t long_value_segment_size(uint32_t page_size) {
  switch (page_size) {
    case 4096: return 4014;
    case 8192: return 8110;
    case 16384: return 4050;
    default: return 8150;
  }
}

std::optional<Bytes> compress_value(std::span<const uint8_t> value, Compression compression,
                                    TextWidth width, Placement placement) {
  switch (compression) {
    case Compression::None: return std::nullopt;
    case Compression::SevenBit: return compress_7bit(value, width);
    case Compression::Xpress: return compress_xpress(value);
    case Compression::Auto: break;
  }
  if (value.size() < 8) return std::nullopt;
  std::optional<Bytes> best = compress_7bit(value, width);
  // A trial on the first kilobyte spares compressing data that will not shrink
  // (attachments that are already compressed).
  const auto probe = value.first(std::min<size_t>(value.size(), 1024));
  if (placement == Placement::Segment && value.size() >= 64 &&
      xpress_stream(probe).size() < probe.size() * 15 / 16) {
    std::optional<Bytes> x = compress_xpress(value);
    if (x && (!best || x->size() < best->size())) best = std::move(x);
  }
  if (best && best->size() >= value.size()) return std::nullopt;
  return best;
}

LongValueWriter::LongValueWriter(PageFile& file, const PageLayout& layout, uint32_t objid,
                                 uint32_t table_root)
    : tree_(file, layout, objid, file.allocate(), page_flags::long_value,
            RootHeader{1, table_root, 0, 0}),
      segment_size_(long_value_segment_size(layout.page_size)) {}

void LongValueWriter::store(uint32_t id, std::span<const uint8_t> value, Compression compression,
                            TextWidth width) {
  if (id <= last_id_) throw std::logic_error("long-value ids must ascend");
  last_id_ = id;
  key_.clear();
  append_be32(key_, id);
  data_.clear();
  append_le32(data_, 1);
  append_le32(data_, uint32_t(value.size()));
  tree_.add(key_, data_);
  for (size_t offset = 0; offset < value.size(); offset += segment_size_) {
    const auto segment = value.subspan(offset, std::min<size_t>(segment_size_, value.size() - offset));
    key_.resize(4);
    append_be32(key_, uint32_t(offset));
    std::optional<Bytes> packed = compress_value(segment, compression, width, Placement::Segment);
    // A segment that would grow stays raw: it must still fit a page.
    if (packed && packed->size() >= segment.size()) packed.reset();
    tree_.add(key_, packed ? std::span<const uint8_t>(*packed) : segment);
  }
}

}  // namespace edbgen::ese
