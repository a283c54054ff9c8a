#include "edbgen/exchange_url.hpp"

namespace edbgen {

std::string url_segment(const std::string& name) {
  // A folder renamed to nothing keeps a URL name; readers then label it "Unknown<n>".
  if (name.empty()) return "Unnamed";
  std::string out;
  for (char c : name) {
    switch (c) {
      case '%': out += "%25"; break;
      case '/': out += "%2F"; break;
      case '+': out += "%2B"; break;
      case '#': out += "%23"; break;
      case ' ': out += '+'; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace edbgen
