#include "decode/lzfu.hpp"

#include <algorithm>
#include <array>
#include <string_view>

namespace quorvine::decode {
namespace {

constexpr uint32_t type_lzfu = 0x75465A4C;  // "LZFu"
constexpr uint32_t type_mela = 0x414C454D;  // "MELA"
constexpr size_t header_size = 16;
constexpr size_t dictionary_size = 4096;

constexpr std::string_view preset_dictionary =
    "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}{\\f0\\fnil \\froman \\fswiss \\fmodern \\fscript "
    "\\fdecor MS Sans SerifSymbolArialTimes New RomanCourier{\\colortbl\\red0\\green0\\blue0\r\n\\par "
    "\\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";
static_assert(preset_dictionary.size() == 207);

uint32_t le32(std::span<const uint8_t> bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

constexpr std::array<uint32_t, 256> crc_table = [] {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}();

}  // namespace

uint32_t lzfu_crc(std::span<const uint8_t> bytes) {
  uint32_t crc = 0;
  for (uint8_t b : bytes) crc = crc_table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return crc;
}

std::optional<LzfuResult> lzfu_decompress(std::span<const uint8_t> input) {
  if (input.size() < header_size) return std::nullopt;
  const uint64_t compressed_size = le32(input, 0);  // counts the bytes after this field
  if (compressed_size + 4 > input.size() || compressed_size < 12) return std::nullopt;
  const uint32_t type = le32(input, 8);
  if (type != type_lzfu && type != type_mela) return std::nullopt;

  LzfuResult result;
  result.raw_size = le32(input, 4);
  const auto data = input.subspan(header_size, static_cast<size_t>(compressed_size) + 4 - header_size);

  if (type == type_mela) {
    result.compressed = false;
    result.complete = data.size() >= result.raw_size;
    const size_t take = result.complete ? result.raw_size : data.size();
    result.rtf.assign(reinterpret_cast<const char*>(data.data()), take);
    return result;
  }

  result.crc_ok = lzfu_crc(data) == le32(input, 12);
  // Each input byte yields at most 17/2 output bytes, so the input bounds the output; the
  // announced raw size only sizes the first allocation.
  result.rtf.reserve(std::min<uint64_t>(result.raw_size, data.size() * 9));

  std::array<char, dictionary_size> dictionary{};
  std::copy(preset_dictionary.begin(), preset_dictionary.end(), dictionary.begin());
  size_t write = preset_dictionary.size();
  auto put = [&](char c) {
    result.rtf.push_back(c);
    dictionary[write] = c;
    write = (write + 1) % dictionary_size;
  };

  size_t p = 0;
  result.complete = false;
  while (p < data.size()) {
    const uint8_t control = data[p++];
    for (int bit = 0; bit < 8; ++bit) {
      if (!(control & (1u << bit))) {
        if (p >= data.size()) return result;
        put(static_cast<char>(data[p++]));
        continue;
      }
      if (p + 2 > data.size()) return result;
      const uint32_t word = static_cast<uint32_t>(data[p]) << 8 | data[p + 1];
      p += 2;
      const size_t offset = word >> 4;
      const size_t length = (word & 0xF) + 2;
      if (offset == write) {  // the end marker
        result.complete = true;
        return result;
      }
      // Byte by byte: a reference may overlap the bytes it is writing.
      for (size_t i = 0; i < length; ++i) put(dictionary[(offset + i) % dictionary_size]);
    }
  }
  return result;
}

}  // namespace quorvine::decode
