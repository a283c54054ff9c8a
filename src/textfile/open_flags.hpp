#pragma once
// Open flags of the text file classes, in the framework's values; the program only ever
// creates files for writing.
#include <cstdint>

namespace quorvine::textfile {

namespace open_flags {
inline constexpr uint32_t modeWrite = 0x0001;
inline constexpr uint32_t modeCreate = 0x1000;      // create, or empty an existing file
inline constexpr uint32_t modeNoTruncate = 0x2000;  // with modeCreate: keep an existing file's bytes
inline constexpr uint32_t typeText = 0x4000;        // dropped: no line-end translation ever
inline constexpr uint32_t typeBinary = 0x8000;
// Our own: with modeCreate, fail when the file exists (never overwrite another's file).
inline constexpr uint32_t modeCreateNew = 0x400000;
// The program's own flag: write UTF-16LE (EncodedTextFile).
inline constexpr uint32_t modeWriteUnicode = 0x200000;
}  // namespace open_flags

}  // namespace quorvine::textfile
