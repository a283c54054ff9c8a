#pragma once
#include <cstdint>
#include <filesystem>
#include <span>

namespace quorvine::ese {

enum class DatabaseState : uint32_t {
  JustCreated = 1,
  DirtyShutdown = 2,
  CleanShutdown = 3,
  BeingConverted = 4,
  ForceDetach = 5,
};

// The file header as we read and check it ourselves: the whole header page is summed,
// where libesedb 20181229 sums only its first 668 bytes and rejects newer files.
struct DatabaseHeader {
  uint32_t format_version = 0;
  uint32_t format_revision = 0;
  uint32_t creation_format_version = 0;
  uint32_t creation_format_revision = 0;
  uint32_t page_size = 0;
  uint32_t file_type = 0;
  uint64_t database_time = 0;
  uint32_t last_object_id = 0;
  DatabaseState state = DatabaseState::JustCreated;
  bool from_shadow_copy = false;  // the primary header was bad; the copy at page size was used

  bool clean() const { return state == DatabaseState::CleanShutdown; }
  // 16 and 32 KiB pages of revision 0x11 and later carry the 80-byte page header.
  bool extended_page_header() const { return page_size >= 16384 && format_revision >= 0x11; }
};

const char* to_string(DatabaseState state);

// XOR checksum of a header page (all 32-bit words from offset 4, seeded 0x89ABCDEF).
uint32_t header_checksum(std::span<const uint8_t> header_page);

// Reads and checks the header, falling back to the shadow copy. Throws EseError naming the
// file and the fault: not an ESE file, bad checksum on both copies, unsupported page size.
DatabaseHeader read_database_header(const std::filesystem::path& file);
DatabaseHeader parse_database_header(std::span<const uint8_t> file_start);

}  // namespace quorvine::ese
