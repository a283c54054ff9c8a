#pragma once
// What the parser accepts, read from the built program's help texts, so the manual page and
// the completion script are held against the program rather than against a list of our own.
#include <set>
#include <string>
#include <vector>

namespace packaging_test {

// The subcommands `quorvine --help` lists.
std::vector<std::string> commands();

// The options `quorvine COMMAND --help` names ("--exchange", "-0", ...).
std::set<std::string> options_of(const std::string& command);

// Words of the form "--name" or "-x" in `text`, wherever they stand.
std::set<std::string> option_words(const std::string& text);

// What the bash completion offers when the cursor ends `words`; the files it lists are
// those of `cwd`.
std::set<std::string> complete(const std::vector<std::string>& words, const std::string& cwd = ".");

}  // namespace packaging_test
