#pragma once
// Base64 (RFC 2045 alphabet, "=" padding) for attachment parts.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "ese/database.hpp"
#include "ese/uninitialised_vector.hpp"

namespace quorvine::exporting {

// Base64 in lines of 76 characters, each ended by `newline`, whatever the pieces the bytes
// come in; finish() writes the last, shorter line.
class Base64Lines final : public ese::ByteSink {
 public:
  Base64Lines(ese::ByteSink& out, std::string_view newline) : out_(out), newline_(newline) {}
  void write(std::span<const uint8_t> chunk) override;
  void finish();

 private:
  static constexpr size_t kLineBytes = 57;  // make 76 characters
  void encode_lines(std::span<const uint8_t> bytes);

  ese::ByteSink& out_;
  std::string newline_;
  std::string held_;     // the bytes of an unfinished line
  ese::UninitialisedVector<char> encoded_;  // reused between writes
};

}  // namespace quorvine::exporting
