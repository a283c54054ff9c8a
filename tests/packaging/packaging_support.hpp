#pragma once
// What the parser accepts, read from the commands' argument tables, and what the bash
// completion offers, so the documents are held against the program itself.
#include <set>
#include <string>
#include <vector>

namespace packaging_test {

// The subcommands, in the program's order.
std::vector<std::string> commands();

// Every spelling of every option `command` accepts ("--exchange", "--help", "-h", "-0"...).
std::set<std::string> options_of(const std::string& command);

// What the bash completion offers when the cursor ends `words`; the files it lists are
// those of `cwd`.
std::set<std::string> complete(const std::vector<std::string>& words, const std::string& cwd = ".");

}  // namespace packaging_test
