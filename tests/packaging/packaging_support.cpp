#include "packaging_support.hpp"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "support/test_support.hpp"

namespace packaging_test {
namespace {

std::string quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string help_of(const std::string& args) {
  const auto result = quorvine::testing::run_command(quote(quorvine::testing::quorvine_program().string()) + " " +
                                                     args + " 2>&1");
  EXPECT_EQ(result.status, 0) << "quorvine " << args << ":\n" << result.out;
  return result.out;
}

}  // namespace

std::vector<std::string> commands() {
  std::istringstream lines(help_of("--help"));
  std::vector<std::string> names;
  bool listing = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.find("commands:") != std::string::npos || line.find("Commands:") != std::string::npos) {
      listing = true;
      continue;
    }
    if (!listing) continue;
    if (line.empty() || line[0] != ' ') break;
    std::istringstream words(line);
    std::string name;
    words >> name;
    if (!name.empty()) names.push_back(name);
  }
  EXPECT_FALSE(names.empty()) << "no commands found in quorvine --help";
  return names;
}

std::set<std::string> options_of(const std::string& command) { return option_words(help_of(command + " --help")); }

std::set<std::string> option_words(const std::string& text) {
  static const std::regex option(R"((^|[^A-Za-z0-9_-])(--[a-z][a-z0-9-]*|-[A-Za-z0-9])(?![A-Za-z0-9_-]))");
  std::set<std::string> found;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), option); it != std::sregex_iterator(); ++it)
    found.insert((*it)[2].str());
  return found;
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
