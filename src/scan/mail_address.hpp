#pragma once
// One sender or recipient as the store gives it: a display name and an address, kept apart
// from the record to the composed message so that neither is lost in a display text.
#include <string>

namespace quorvine::scan {

struct MailAddress {
  std::string name;     // may be empty
  std::string address;  // empty when the store holds no address for it

  bool operator==(const MailAddress&) const = default;
};

}  // namespace quorvine::scan
