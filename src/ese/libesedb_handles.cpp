#include "ese/libesedb_handles.hpp"

#include <array>

namespace quorvine::ese::detail {

std::string LibError::message() const {
  if (!error_) return "unknown error";
  std::array<char, 2048> text{};
  if (libesedb_error_sprint(error_, text.data(), text.size()) < 0) return "unknown error";
  std::string s(text.data());
  // The innermost message is the last line; drop trailing line ends and the library prefix.
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '.')) s.pop_back();
  if (auto nl = s.rfind('\n'); nl != std::string::npos) s = s.substr(nl + 1);
  if (auto colon = s.find(": "); colon != std::string::npos && s.compare(0, 9, "libesedb_") == 0)
    s = s.substr(colon + 2);
  return s;
}

}  // namespace quorvine::ese::detail
