#include "decode/lzfu.hpp"

#include <algorithm>
#include <array>
#include <string_view>

#include "ese/byte_reader.hpp"

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
  ese::ByteReader header(input, "A compressed RTF body");
  const uint64_t compressed_size = header.u32("the compressed size");  // counts the bytes after this field
  if (compressed_size + 4 > input.size() || compressed_size < 12) return std::nullopt;
  const uint32_t raw_size = header.u32("the raw size");
  const uint32_t type = header.u32("the compression type");
  const uint32_t crc = header.u32("the CRC");
  if (type != type_lzfu && type != type_mela) return std::nullopt;

  LzfuResult result;
  result.raw_size = raw_size;
  const auto data = header.bytes(static_cast<size_t>(compressed_size) + 4 - header_size, "the compressed data");

  if (type == type_mela) {
    result.compressed = false;
    result.complete = data.size() >= result.raw_size;
    const size_t take = result.complete ? result.raw_size : data.size();
    result.rtf.assign(reinterpret_cast<const char*>(data.data()), take);
    return result;
  }

  result.crc_ok = lzfu_crc(data) == crc;
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

  // A stream cut short gives what it held so far, marked incomplete.
  ese::ByteReader in(data, "A compressed RTF body");
  result.complete = false;
  while (!in.at_end()) {
    const uint8_t control = in.u8("a control byte");
    for (int bit = 0; bit < 8; ++bit) {
      if (!(control & (1u << bit))) {
        if (in.at_end()) return result;
        put(static_cast<char>(in.u8("a literal")));
        continue;
      }
      if (in.remaining() < 2) return result;
      const uint16_t word = in.be16("a reference");
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
