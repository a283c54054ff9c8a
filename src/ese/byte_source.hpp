#pragma once
// Where the page reader takes its bytes from: the database file, or memory (tests, fuzzing).
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "ese/file_descriptor.hpp"

namespace quorvine::ese::detail {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t size() const = 0;
  // Reads up to buffer.size() bytes at offset; returns the count read.
  virtual size_t read_at(uint64_t offset, std::span<uint8_t> buffer) const = 0;
};

class FileSource final : public ByteSource {
 public:
  explicit FileSource(std::shared_ptr<const FileDescriptor> fd) : fd_(std::move(fd)) {}
  uint64_t size() const override { return fd_->size(); }
  size_t read_at(uint64_t offset, std::span<uint8_t> buffer) const override { return fd_->read_at(offset, buffer); }

 private:
  std::shared_ptr<const FileDescriptor> fd_;
};

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  uint64_t size() const override { return bytes_.size(); }
  size_t read_at(uint64_t offset, std::span<uint8_t> buffer) const override;

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace quorvine::ese::detail
