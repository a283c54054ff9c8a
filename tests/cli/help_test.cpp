// The argument tables: the parser accepts what they declare and nothing else, and every
// command's --help names all of it.
#include <gtest/gtest.h>

#include "cli/arguments.hpp"
#include "cli/command.hpp"
#include "cli_support.hpp"

using quorvine::testing::CommandResult;
using quorvine::testing::ScratchDir;
using namespace quorvine::cli;
using namespace cli_test;

namespace {

// Enough positionals for the table, then `extra`.
std::vector<std::string> with_positionals(const ArgumentTable& table, std::vector<std::string> extra) {
  std::vector<std::string> args;
  for (size_t i = 0; i < table.positionals.size(); ++i) args.push_back("p" + std::to_string(i));
  for (const OptionSpec& option : table.options)
    if (option.required && std::find(extra.begin(), extra.end(), option.name) == extra.end()) {
      args.emplace_back(option.name);
      args.emplace_back("v");
    }
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

}  // namespace

TEST(CommandHelp, NamesEveryOptionAndPositionalTheParserAccepts) {
  ScratchDir dir;
  ASSERT_FALSE(all_commands().empty());
  for (const Command& command : all_commands()) {
    const std::string name(command.name);
    const CommandResult help = run_quorvine(dir, name + " --help");
    EXPECT_EQ(help.status, 0) << name;
    EXPECT_EQ(stderr_of(dir), "") << name;
    EXPECT_EQ(run_quorvine(dir, name + " -h").out, help.out) << name;
    EXPECT_NE(help.out.find("usage: quorvine " + name), std::string::npos) << help.out;
    for (const PositionalSpec& positional : command.arguments.positionals)
      EXPECT_NE(help.out.find(std::string(positional.name)), std::string::npos) << name << " " << positional.name;
    for (const OptionSpec& option : command.arguments.options) {
      const std::string spelled(option.name);
      EXPECT_NE(help.out.find(spelled), std::string::npos) << name << " " << spelled;
      if (!option.alias.empty()) {
        EXPECT_NE(help.out.find(std::string(option.alias)), std::string::npos) << name;
      }
      // What the help names, the parser takes: as a flag, or with a value.
      std::vector<std::string> given = {spelled};
      if (!option.value.empty()) given.push_back("v");
      EXPECT_NO_THROW(parse_arguments(with_positionals(command.arguments, given), command.arguments))
          << name << " " << spelled;
    }
  }
}

TEST(CommandHelp, UnknownOptionIsAUsageErrorOfEveryCommand) {
  ScratchDir dir;
  for (const Command& command : all_commands()) {
    const std::string name(command.name);
    EXPECT_THROW(parse_arguments(with_positionals(command.arguments, {"--no-such-option"}), command.arguments),
                 UsageError);
    const CommandResult run = run_quorvine(dir, name + " x --no-such-option");
    EXPECT_EQ(run.status, exit_usage) << name;
    EXPECT_NE(stderr_of(dir).find("unknown option --no-such-option"), std::string::npos) << stderr_of(dir);
    EXPECT_NE(stderr_of(dir).find("usage: quorvine " + name), std::string::npos) << stderr_of(dir);
  }
}

TEST(CommandHelp, VersionFromTheProgramAndEveryCommand) {
  ScratchDir dir;
  const CommandResult program = run_quorvine(dir, "--version");
  EXPECT_EQ(program.status, 0);
  EXPECT_TRUE(program.out.starts_with("quorvine ")) << program.out;
  for (const Command& command : all_commands()) {
    const CommandResult version = run_quorvine(dir, std::string(command.name) + " --version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, program.out);
  }
  const CommandResult listing = run_quorvine(dir, "--help");
  EXPECT_EQ(listing.status, 0);
  for (const Command& command : all_commands())
    EXPECT_NE(listing.out.find("  " + std::string(command.name) + " "), std::string::npos) << listing.out;
}

TEST(ArgumentParser, RepeatsRequiredValuesAndTheEndOfOptions) {
  const ArgumentTable table{{{"STORE", "", true}},
                            {{"--folder", "PATH", "", true},
                             {"--out", "DIR", "", false, true},
                             {"--json", "", ""},
                             {"--help", "", "", false, false, "-h"}}};
  const Arguments parsed = parse_arguments({"a", "--folder", "x", "--out=o", "--folder=y", "b", "--", "--json"}, table);
  EXPECT_EQ(parsed.positionals, (std::vector<std::string>{"a", "b", "--json"}));
  EXPECT_EQ(parsed.values("--folder"), (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(parsed.option("--out"), "o");
  EXPECT_FALSE(parsed.flag("--json"));

  EXPECT_THROW(parse_arguments({"a", "--out", "o", "--out", "p"}, table), UsageError);  // given twice
  EXPECT_THROW(parse_arguments({"a"}, table), UsageError);                               // --out missing
  EXPECT_THROW(parse_arguments({"--out", "o"}, table), UsageError);                      // STORE missing
  EXPECT_THROW(parse_arguments({"a", "--out"}, table), UsageError);                      // no value
  EXPECT_THROW(parse_arguments({"a", "--out", "o", "--json=1"}, table), UsageError);     // flag with a value
  // Help answers without the required arguments, and the alias counts as the option.
  EXPECT_TRUE(parse_arguments({"-h"}, table).flag("--help"));
  EXPECT_EQ(usage_line("t", table), "t STORE... [--folder PATH]... --out DIR [--json]");
}

TEST(ExitStatus, WorstOfSeveralRunsRanksUsageThenCannotOpenThenPartial) {
  EXPECT_EQ(worst_status(exit_ok, exit_partial), exit_partial);
  EXPECT_EQ(worst_status(exit_cannot_open, exit_partial), exit_cannot_open);
  EXPECT_EQ(worst_status(exit_partial, exit_cannot_open), exit_cannot_open);
  EXPECT_EQ(worst_status(exit_cannot_open, exit_usage), exit_usage);
  EXPECT_EQ(worst_status(exit_ok, exit_ok), exit_ok);
}
