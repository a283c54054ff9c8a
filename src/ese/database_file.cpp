#define LIBESEDB_HAVE_BFIO
#include "ese/database_file.hpp"

#include <libbfio.h>
#include <libesedb.h>

#include <cstring>
#include <vector>

#include "ese/byte_order.hpp"
#include "ese/error.hpp"
#include "ese/libesedb_handles.hpp"
#include "ese/page_checksum.hpp"
#include "ese/page_structure.hpp"
#include "ese/page_reader.hpp"

namespace quorvine::ese::detail {
namespace {

constexpr size_t kLibesedbHeaderSize = 668;

// State behind our libbfio handle: the file, the mended header copies, and a position.
struct IoState {
  std::shared_ptr<const FileDescriptor> fd;
  std::shared_ptr<const std::vector<uint8_t>> overlay;  // file offsets [0, overlay size)
  uint64_t position = 0;
  PageLayout layout;
};

// libesedb reads pages one by one; a page whose checksum fails, or whose tags, keys or
// records point outside it, is refused here, so that a damaged page gives a read error
// rather than bytes the library may overrun on.
bool damaged_page(const IoState& s, uint64_t offset, const uint8_t* buffer, size_t size) {
  const uint32_t page_size = s.layout.page_size;
  if (size != page_size || offset % page_size != 0 || offset < 2ull * page_size) return false;
  const uint64_t number = offset / page_size - 1;
  const std::span<const uint8_t> page(buffer, size);
  return !page_checksum_matches(page, static_cast<uint32_t>(number)) ||
         page_structure_fault(page, s.layout) != nullptr;
}

IoState* state(intptr_t* io) { return reinterpret_cast<IoState*>(io); }

int io_free(intptr_t** io, libbfio_error_t**) {
  if (io && *io) {
    delete state(*io);
    *io = nullptr;
  }
  return 1;
}

int io_clone(intptr_t** destination, intptr_t* source, libbfio_error_t**) {
  if (!destination || *destination || !source) return -1;
  auto* copy = new IoState(*state(source));
  copy->position = 0;
  *destination = reinterpret_cast<intptr_t*>(copy);
  return 1;
}

int io_open(intptr_t*, int access_flags, libbfio_error_t**) {
  return (access_flags & LIBBFIO_ACCESS_FLAG_WRITE) ? -1 : 1;
}

int io_close(intptr_t*, libbfio_error_t**) { return 0; }

ssize_t io_read(intptr_t* io, uint8_t* buffer, size_t size, libbfio_error_t**) {
  IoState* s = state(io);
  size_t done = 0;
  const auto& overlay = *s->overlay;
  if (s->position < overlay.size()) {
    size_t n = std::min<uint64_t>(size, overlay.size() - s->position);
    std::memcpy(buffer, overlay.data() + s->position, n);
    done = n;
  }
  if (done < size) {
    try {
      done += s->fd->read_at(s->position + done, std::span<uint8_t>(buffer + done, size - done));
    } catch (const EseError&) {
      return -1;
    }
  }
  if (damaged_page(*s, s->position, buffer, done)) return -1;
  s->position += done;
  return static_cast<ssize_t>(done);
}

ssize_t io_write(intptr_t*, const uint8_t*, size_t, libbfio_error_t**) { return -1; }

off64_t io_seek(intptr_t* io, off64_t offset, int whence, libbfio_error_t**) {
  IoState* s = state(io);
  int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<int64_t>(s->position)
                                        : whence == SEEK_END ? static_cast<int64_t>(s->fd->size()) : -1;
  if (base < 0 || base + offset < 0) return -1;
  s->position = static_cast<uint64_t>(base + offset);
  return static_cast<off64_t>(s->position);
}

int io_exists(intptr_t*, libbfio_error_t**) { return 1; }
int io_is_open(intptr_t*, libbfio_error_t**) { return 1; }

int io_get_size(intptr_t* io, size64_t* size, libbfio_error_t**) {
  *size = state(io)->fd->size();
  return 1;
}

}  // namespace

uint32_t libesedb_header_checksum(std::span<const uint8_t> header_copy) {
  uint32_t sum = 0x89ABCDEF;
  for (size_t offset = 4; offset + 4 <= std::min(header_copy.size(), kLibesedbHeaderSize); offset += 4)
    sum ^= load_le32(header_copy.data() + offset);
  return sum;
}

DatabaseFile::DatabaseFile(const std::filesystem::path& path, std::shared_ptr<const FileDescriptor> fd,
                           std::span<const uint8_t> header_page) {
  const std::string name = path.string();
  // Both copies are served as the copy we checked, with libesedb's checksum.
  auto overlay = std::make_shared<std::vector<uint8_t>>(header_page.size() * 2);
  std::memcpy(overlay->data(), header_page.data(), header_page.size());
  uint32_t sum = libesedb_header_checksum(header_page);
  for (int i = 0; i < 4; ++i) (*overlay)[i] = static_cast<uint8_t>(sum >> (8 * i));
  std::memcpy(overlay->data() + header_page.size(), overlay->data(), header_page.size());

  PageLayout layout;
  layout.page_size = static_cast<uint32_t>(header_page.size());
  layout.format_revision = header_page.size() >= 236 ? load_le32(header_page.data() + 232) : 0;
  auto* io_state = new IoState{std::move(fd), std::move(overlay), 0, layout};
  libbfio_error_t* bfio_error = nullptr;
  if (libbfio_handle_initialize(&io_, reinterpret_cast<intptr_t*>(io_state), io_free, io_clone, io_open, io_close,
                                io_read, io_write, io_seek, io_exists, io_is_open, io_get_size,
                                LIBBFIO_FLAG_IO_HANDLE_MANAGED | LIBBFIO_FLAG_IO_HANDLE_CLONE_BY_FUNCTION,
                                &bfio_error) != 1) {
    if (bfio_error) libbfio_error_free(&bfio_error);
    delete io_state;
    throw EseError("Cannot open " + name + ": the file cannot be read.");
  }
  LibError error;
  if (libesedb_file_initialize(&file_, error.out()) != 1) {
    libbfio_handle_free(&io_, nullptr);
    throw EseError("Cannot open " + name + ": " + error.message() + ".");
  }
  if (libesedb_file_open_file_io_handle(file_, io_, LIBESEDB_OPEN_READ, error.out()) != 1) {
    std::string message = error.message();
    libesedb_file_free(&file_, nullptr);
    libbfio_handle_free(&io_, nullptr);
    throw EseError("Cannot open " + name + ": its catalog cannot be read (" + message + ").");
  }
}

DatabaseFile::~DatabaseFile() {
  if (file_) {
    libesedb_file_close(file_, nullptr);
    libesedb_file_free(&file_, nullptr);
  }
  if (io_) libbfio_handle_free(&io_, nullptr);
}

}  // namespace quorvine::ese::detail
