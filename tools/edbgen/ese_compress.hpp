#pragma once
// The engine's value compression: 7-bit packing of ASCII text and Xpress (plain LZ77 of
// MS-XCA). Every compressed value starts with a header byte whose top five bits name the
// scheme.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace edbgen::ese {

using Bytes = std::vector<uint8_t>;

enum class TextWidth { Bytes, Utf16 };

inline constexpr uint8_t kScheme7BitAscii = 1;
inline constexpr uint8_t kScheme7BitUnicode = 2;
inline constexpr uint8_t kSchemeXpress = 3;
inline constexpr size_t kXpressMaxInput = 65535;  // the header holds the length in 16 bits

// Packs characters below 0x80 into 7-bit fields. Utf16 input must have an even size and
// every high byte 0. nullopt when the input does not qualify or is empty.
std::optional<Bytes> compress_7bit(std::span<const uint8_t> data, TextWidth width);

// Header 0x18, the length as 16 bits, then the LZ77 stream ending with the MS-XCA end
// marker. nullopt for empty input or input over kXpressMaxInput bytes.
std::optional<Bytes> compress_xpress(std::span<const uint8_t> data);

// The plain LZ77 stream alone (no header), for any input size.
Bytes xpress_stream(std::span<const uint8_t> data);

}  // namespace edbgen::ese
