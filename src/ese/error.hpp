#pragma once
#include <stdexcept>
#include <string>

namespace quorvine::ese {

// Everything the reading layer cannot read: a file that is not an ESE database, a damaged
// page, tree or value. The message is one sentence fit to show to a user.
class EseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace quorvine::ese
