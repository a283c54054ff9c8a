// The manual pages against the program: every command, option, exit status and environment
// variable the code knows is documented.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "packaging_support.hpp"
#include "support/test_support.hpp"

using quorvine::testing::read_file;
using quorvine::testing::source_dir;

namespace {

std::string page(const std::string& name) {
  const std::string text = read_file(source_dir() / "docs" / "man" / (name + ".1.scd"));
  EXPECT_FALSE(text.empty()) << name << ".1.scd is missing";
  return text;
}

// scdoc's bold markup, as the page writes every command and option it describes.
std::string bold(const std::string& word) { return "*" + word + "*"; }

// The definition terms of a section: its lines that are not indented text.
std::string terms_of(const std::string& text, const std::string& heading) {
  const auto start = text.find("\n# " + heading + "\n");
  EXPECT_NE(start, std::string::npos) << heading;
  if (start == std::string::npos) return {};
  const auto end = text.find("\n# ", start + 1);
  std::istringstream lines(text.substr(start, end - start));
  std::string terms;
  for (std::string line; std::getline(lines, line);)
    if (!line.empty() && line[0] != '\t') terms += line + "\n";
  return terms;
}

}  // namespace

TEST(ManualPage, DescribesEveryCommandAndEveryOptionItAccepts) {
  const std::string text = page("quorvine");
  const std::string commands = terms_of(text, "COMMANDS"), options = terms_of(text, "OPTIONS");
  for (const auto& command : packaging_test::commands()) {
    EXPECT_NE(text.find(bold("quorvine " + command)), std::string::npos) << command << " has no synopsis";
    EXPECT_NE(commands.find(bold(command)), std::string::npos) << command << " is not described";
    for (const auto& option : packaging_test::options_of(command))
      EXPECT_NE(options.find(bold(option)), std::string::npos) << "quorvine " << command << " " << option;
  }
}

TEST(ManualPage, DescribesEveryExitStatus) {
  const std::string header = read_file(source_dir() / "src" / "cli" / "command.hpp");
  const std::string statuses = terms_of(page("quorvine"), "EXIT STATUS");
  static const std::regex status(R"(constexpr int (exit_\w+) = (\d+);)");
  int found = 0;
  for (auto it = std::sregex_iterator(header.begin(), header.end(), status); it != std::sregex_iterator(); ++it) {
    ++found;
    EXPECT_NE(statuses.find(bold((*it)[2].str()) + "\n"), std::string::npos) << (*it)[1].str();
  }
  EXPECT_GE(found, 4);
}

// A variable read anywhere in the programs' sources must appear on one of the two pages.
TEST(ManualPage, NamesEveryEnvironmentVariableTheProgramsRead) {
  const std::string variables =
      terms_of(page("quorvine"), "ENVIRONMENT") + terms_of(page("quorvine-gui"), "ENVIRONMENT");
  static const std::regex read(R"((getenv|env_path|qEnvironmentVariable\w*|qputenv)\(\s*"([A-Z_][A-Z0-9_]*)\")");
  int found = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(source_dir() / "src")) {
    if (entry.path().extension() != ".cpp") continue;
    const std::string code = read_file(entry.path());
    for (auto it = std::sregex_iterator(code.begin(), code.end(), read); it != std::sregex_iterator(); ++it) {
      ++found;
      EXPECT_NE(variables.find(bold((*it)[2].str())), std::string::npos)
          << (*it)[2].str() << ", read in " << entry.path().filename();
    }
  }
  EXPECT_GT(found, 0);
}
