#include "ese/database_header.hpp"


#include <string>
#include <vector>

#include "ese/byte_order.hpp"
#include "ese/error.hpp"
#include "ese/file_descriptor.hpp"

namespace quorvine::ese {
namespace {

using detail::load_le32;
using detail::load_le64;

constexpr uint32_t kSignature = 0x89ABCDEF;
constexpr size_t kMinimumHeader = 668;

bool supported_page_size(uint32_t size) {
  return size == 4096 || size == 8192 || size == 16384 || size == 32768;
}

// Checks one header copy; returns an empty string when it is sound, else the fault.
std::string check_copy(std::span<const uint8_t> copy, DatabaseHeader& out) {
  if (copy.size() < kMinimumHeader) return "the header is truncated";
  if (load_le32(copy.data() + 4) != kSignature) return "it is not an ESE database (no signature)";
  DatabaseHeader h;
  h.format_version = load_le32(copy.data() + 8);
  h.file_type = load_le32(copy.data() + 12);
  h.database_time = load_le64(copy.data() + 16);
  h.state = static_cast<DatabaseState>(load_le32(copy.data() + 52));
  h.last_object_id = load_le32(copy.data() + 212);
  h.format_revision = load_le32(copy.data() + 232);
  h.page_size = load_le32(copy.data() + 236);
  h.creation_format_version = load_le32(copy.data() + 340);
  h.creation_format_revision = load_le32(copy.data() + 344);
  if (!supported_page_size(h.page_size))
    return "its page size " + std::to_string(h.page_size) + " is not supported";
  if (copy.size() < h.page_size) return "the header is truncated";
  if (header_checksum(copy.first(h.page_size)) != load_le32(copy.data()))
    return "the header checksum does not match";
  out = h;
  return {};
}

}  // namespace

const char* to_string(DatabaseState state) {
  switch (state) {
    case DatabaseState::JustCreated: return "just created";
    case DatabaseState::DirtyShutdown: return "dirty shutdown";
    case DatabaseState::CleanShutdown: return "clean shutdown";
    case DatabaseState::BeingConverted: return "being converted";
    case DatabaseState::ForceDetach: return "force detach";
  }
  return "unknown state";
}

uint32_t header_checksum(std::span<const uint8_t> header_page) {
  uint32_t sum = kSignature;
  for (size_t offset = 4; offset + 4 <= header_page.size(); offset += 4) sum ^= load_le32(header_page.data() + offset);
  return sum;
}

DatabaseHeader parse_database_header(std::span<const uint8_t> file_start) {
  DatabaseHeader header;
  std::string primary = check_copy(file_start, header);
  if (primary.empty()) return header;
  // The shadow copy sits one page further; its page size is the copy's own.
  if (file_start.size() >= kMinimumHeader) {
    uint32_t page_size = load_le32(file_start.data() + 236);
    if (!supported_page_size(page_size) && file_start.size() >= 4096 + kMinimumHeader) {
      for (uint32_t candidate : {4096u, 8192u, 16384u, 32768u}) {
        if (file_start.size() >= 2ull * candidate &&
            load_le32(file_start.data() + candidate + 236) == candidate) {
          page_size = candidate;
          break;
        }
      }
    }
    if (supported_page_size(page_size) && file_start.size() > page_size) {
      std::string shadow = check_copy(file_start.subspan(page_size), header);
      if (shadow.empty()) {
        header.from_shadow_copy = true;
        return header;
      }
    }
  }
  throw EseError(primary);
}

DatabaseHeader read_database_header(const std::filesystem::path& file) {
  detail::FileDescriptor fd = detail::FileDescriptor::open_database(file);
  // Two copies of the largest page size at most.
  std::vector<uint8_t> start(2 * 32768);
  size_t got = fd.read_at(0, start);
  start.resize(got);
  try {
    return parse_database_header(start);
  } catch (const EseError& e) {
    throw EseError("Cannot open " + file.string() + ": " + e.what() + ".");
  }
}

}  // namespace quorvine::ese
