#include "ese/byte_reader.hpp"

#include "ese/error.hpp"

namespace quorvine::ese {

void ByteReader::fail(const char* what, size_t at, size_t count) const {
  std::string message = subject_;
  if (numbered_) message += " " + std::to_string(number_);
  message += std::string(" is damaged: ") + what;
  if (count == 0)
    message += " at byte " + std::to_string(base_ + at);
  else
    message += " (" + std::to_string(count) + (count == 1 ? " byte" : " bytes") + " at byte " +
               std::to_string(base_ + at) + ")";
  message += " lies past its end at byte " + std::to_string(base_ + data_.size()) + ".";
  throw EseError(message);
}

}  // namespace quorvine::ese
