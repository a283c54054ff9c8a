#pragma once
// The open libesedb file, read through a libbfio handle of our own. That handle serves the
// two header copies with the checksum libesedb 20181229 expects (it sums only the first 668
// bytes and rejects newer engines' headers), and refuses pages whose checksum fails; every
// other byte comes from the file as it is.
#include <libesedb.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <span>

#include "ese/database_header.hpp"
#include "ese/file_descriptor.hpp"



namespace quorvine::ese::detail {

// The checksum libesedb 20181229 computes over a header copy.
uint32_t libesedb_header_checksum(std::span<const uint8_t> header_copy);

class DatabaseFile {
 public:
  // `header_page` is the header copy we checked (primary or shadow), one page long.
  DatabaseFile(const std::filesystem::path& path, std::shared_ptr<const FileDescriptor> fd,
               std::span<const uint8_t> header_page);
  ~DatabaseFile();
  DatabaseFile(const DatabaseFile&) = delete;
  DatabaseFile& operator=(const DatabaseFile&) = delete;

  libesedb_file_t* get() const { return file_; }
  // libesedb handles of one file must not be used from two threads at once.
  std::mutex& mutex() const { return mutex_; }

 private:
  intptr_t* io_ = nullptr;  // the libbfio handle
  libesedb_file_t* file_ = nullptr;
  mutable std::mutex mutex_;
};

}  // namespace quorvine::ese::detail
