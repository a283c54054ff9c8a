#pragma once
// SHA-256 of attachment contents, so the manifest can name what a reader must extract.
#include <cstdint>
#include <string>
#include <vector>

namespace edbgen {

class Sha256 {
 public:
  Sha256();
  void update(const uint8_t* data, size_t size);
  std::string hex_digest();  // finishes the hash; lowercase hex of the 32 bytes

 private:
  void block(const uint8_t* p);
  uint32_t h_[8];
  uint8_t buffer_[64];
  size_t buffered_ = 0;
  uint64_t length_ = 0;
};

std::string sha256_hex(const std::vector<uint8_t>& data);

}  // namespace edbgen
