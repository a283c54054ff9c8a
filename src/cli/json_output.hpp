#pragma once
// How the commands print JSON: every document starts with "schema", the layout version that
// docs/json.md describes; names that are not UTF-8 become U+FFFD rather than ending the output.
#include <nlohmann/json.hpp>

namespace quorvine::cli {

// Raised when a key is removed or renamed, or changes its type or meaning.
inline constexpr int json_schema = 1;

// One document, indented, on stdout.
void write_json_document(const nlohmann::ordered_json& document);
// One document on one line (JSON Lines), flushed so a reader sees it at once.
void write_json_line(const nlohmann::ordered_json& document);

}  // namespace quorvine::cli
