#include "packaging_support.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/command.hpp"
#include "support/test_support.hpp"

namespace packaging_test {
namespace {

std::string quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

std::vector<std::string> commands() {
  std::vector<std::string> names;
  for (const auto& command : quorvine::cli::all_commands()) names.emplace_back(command.name);
  return names;
}

std::set<std::string> options_of(const std::string& command) {
  const auto* found = quorvine::cli::find_command(command);
  EXPECT_NE(found, nullptr) << command;
  std::set<std::string> names;
  if (!found) return names;
  for (const auto& option : found->arguments.options) {
    names.emplace(option.name);
    if (!option.alias.empty()) names.emplace(option.alias);
  }
  return names;
}

std::set<std::string> complete(const std::vector<std::string>& words, const std::string& cwd) {
  std::string array;
  for (const auto& word : words) array += " " + quote(word);
  const std::string script = "cd " + quote(cwd) + " && source " +
                             quote((quorvine::testing::source_dir() / "data" / "completion" / "quorvine").string()) +
                             " && COMP_WORDS=(" + array + ") && COMP_CWORD=" + std::to_string(words.size() - 1) +
                             " && _quorvine && printf '%s\\n' \"${COMPREPLY[@]}\"";
  const auto result = quorvine::testing::run_command("bash -c " + quote(script) + " 2>&1");
  EXPECT_EQ(result.status, 0) << result.out;
  std::set<std::string> offered;
  std::istringstream lines(result.out);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty()) offered.insert(line);
  return offered;
}

}  // namespace packaging_test
