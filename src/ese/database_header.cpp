#include "ese/database_header.hpp"


#include <string>
#include <vector>

#include "ese/byte_reader.hpp"
#include "ese/error.hpp"
#include "ese/file_descriptor.hpp"
#include "ese/file_format.hpp"

namespace quorvine::ese {
namespace {

namespace field = format::file_header;

constexpr size_t kMinimumHeader = field::interpreted_size;

bool supported_page_size(uint32_t size) {
  return size == 4096 || size == 8192 || size == 16384 || size == 32768;
}

// Checks one header copy; returns an empty string when it is sound, else the fault.
std::string check_copy(std::span<const uint8_t> copy, DatabaseHeader& out) {
  if (copy.size() < kMinimumHeader) return "the header is truncated";
  const ByteReader in(copy, "The file header");
  if (in.u32_at(field::signature, "the signature") != field::signature_value)
    return "it is not an ESE database (no signature)";
  DatabaseHeader h;
  h.format_version = in.u32_at(field::format_version, "the format version");
  h.file_type = in.u32_at(field::file_type, "the file type");
  h.database_time = in.u64_at(field::database_time, "the database time");
  h.state = static_cast<DatabaseState>(in.u32_at(field::state, "the state"));
  h.last_object_id = in.u32_at(field::last_object_id, "the last object id");
  h.format_revision = in.u32_at(field::format_revision, "the format revision");
  h.page_size = in.u32_at(field::page_size, "the page size");
  h.creation_format_version = in.u32_at(field::creation_format_version, "the creation format version");
  h.creation_format_revision = in.u32_at(field::creation_format_revision, "the creation format revision");
  if (!supported_page_size(h.page_size))
    return "its page size " + std::to_string(h.page_size) + " is not supported";
  if (copy.size() < h.page_size) return "the header is truncated";
  if (header_checksum(copy.first(h.page_size)) != in.u32_at(field::checksum, "the checksum"))
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
  if (header_page.size() < field::signature) return field::signature_value;
  const ByteReader in(header_page, "The file header");
  const size_t words = (header_page.size() - field::signature) / 4;
  return in.xor_words(field::signature, words, field::signature_value, "the checksummed words");
}

DatabaseHeader parse_database_header(std::span<const uint8_t> file_start) {
  DatabaseHeader header;
  std::string primary = check_copy(file_start, header);
  if (primary.empty()) return header;
  // The shadow copy sits one page further; its page size is the copy's own.
  if (file_start.size() >= kMinimumHeader) {
    const ByteReader in(file_start, "The file header");
    uint32_t page_size = in.u32_at(field::page_size, "the page size");
    if (!supported_page_size(page_size) && file_start.size() >= 4096 + kMinimumHeader) {
      for (uint32_t candidate : {4096u, 8192u, 16384u, 32768u}) {
        if (file_start.size() >= 2ull * candidate &&
            in.u32_at(candidate + field::page_size, "the shadow copy's page size") == candidate) {
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
