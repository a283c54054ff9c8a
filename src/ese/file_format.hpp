#pragma once
// Where the fields of an ESE file lie: the file header, the page header, the tag array and the
// flag bits. One list for the reader and for the test writer (tools/edbgen), so the two cannot
// drift apart. Offsets are in bytes from the start of the header or page.
#include <cstddef>
#include <cstdint>

namespace quorvine::ese::format {

// The file header, in the first page-sized block and again, as the shadow copy, in the second.
namespace file_header {
inline constexpr size_t checksum = 0;
inline constexpr size_t signature = 4;
inline constexpr size_t format_version = 8;
inline constexpr size_t file_type = 12;
inline constexpr size_t database_time = 16;
inline constexpr size_t database_signature = 24;  // 4 random bytes, then the creation log time
inline constexpr size_t creation_log_time = 28;
inline constexpr size_t state = 52;
inline constexpr size_t constant_one = 104;       // 1 in every file seen
inline constexpr size_t last_object_id = 212;
inline constexpr size_t os_major = 216;
inline constexpr size_t os_minor = 220;
inline constexpr size_t os_build = 224;
inline constexpr size_t os_service_pack = 228;
inline constexpr size_t format_revision = 232;
inline constexpr size_t page_size = 236;
inline constexpr size_t creation_format_version = 340;
inline constexpr size_t creation_format_revision = 344;
inline constexpr size_t constant_flag = 664;      // 0x01000000 in every file seen
// The fields a reader interprets end here; older readers sum only these bytes.
inline constexpr size_t interpreted_size = 668;
inline constexpr uint32_t signature_value = 0x89ABCDEF;
}  // namespace file_header

// Page header. Page n starts at (n + 1) * page size, after the header and its shadow.
namespace page_header {
inline constexpr size_t checksum = 0;
inline constexpr size_t ecc_checksum = 4;
inline constexpr size_t database_time = 8;
inline constexpr size_t previous_page = 16;
inline constexpr size_t next_page = 20;
inline constexpr size_t object_id = 24;
inline constexpr size_t free_bytes = 28;
inline constexpr size_t uncommitted_free_bytes = 30;
inline constexpr size_t value_area_end = 32;  // counted from the end of the header
inline constexpr size_t tag_count = 34;
inline constexpr size_t flags = 36;
inline constexpr size_t size = 40;
// The extended header of 16 and 32 KiB pages: (XOR, ECC) pairs of blocks 1-3, then the page
// number.
inline constexpr size_t block_checksums = 40;
inline constexpr size_t block_checksum_stride = 8;
inline constexpr size_t page_number = 64;
inline constexpr size_t extended_size = 80;
}  // namespace page_header

// Each tag is a size word and an offset word, stored backwards from the end of the page.
namespace tag {
inline constexpr size_t size = 4;
inline constexpr size_t size_word = 0;
inline constexpr size_t offset_word = 2;
inline constexpr uint16_t small_page_mask = 0x1FFF;  // 4 and 8 KiB pages; flags in the top 3 bits
inline constexpr uint16_t large_page_mask = 0x7FFF;  // 16 and 32 KiB pages
inline constexpr unsigned flags_shift = 13;
}  // namespace tag

namespace page_flags {
inline constexpr uint32_t root = 0x0001;
inline constexpr uint32_t leaf = 0x0002;
inline constexpr uint32_t parent = 0x0004;
inline constexpr uint32_t empty = 0x0008;
inline constexpr uint32_t space_tree = 0x0020;
inline constexpr uint32_t long_value = 0x0080;
inline constexpr uint32_t new_record_format = 0x0800;
inline constexpr uint32_t new_checksum = 0x2000;
inline constexpr uint32_t flush_type = 0x8000;
inline constexpr uint32_t uninitialised = 0xFFFFFFFF;
}  // namespace page_flags

namespace tag_flags {
inline constexpr uint8_t deleted = 0x2;
inline constexpr uint8_t common_key = 0x4;
}  // namespace tag_flags

// The catalog and its shadow copy are trees at fixed pages with fixed object ids.
namespace catalog {
inline constexpr uint32_t root_page = 4;
inline constexpr uint32_t object_id = 2;
inline constexpr uint32_t shadow_root_page = 24;
inline constexpr uint32_t shadow_object_id = 3;
}  // namespace catalog

}  // namespace quorvine::ese::format
