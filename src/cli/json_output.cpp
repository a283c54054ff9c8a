#include "cli/json_output.hpp"

#include <cstdio>

namespace quorvine::cli {
namespace {

void write(const nlohmann::ordered_json& document, int indent) {
  const std::string text =
      document.dump(indent, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

void write_json_document(const nlohmann::ordered_json& document) { write(document, 2); }

void write_json_line(const nlohmann::ordered_json& document) { write(document, -1); }

}  // namespace quorvine::cli
