#pragma once
// A subcommand of the command-line program ("quorvine scan ...").
#include <string>
#include <string_view>
#include <vector>

namespace quorvine::cli {

struct Command {
  std::string_view name;
  std::string_view usage;    // one line: "scan STORE [--exchange ...] [--json]"
  std::string_view summary;  // one line for the program's usage text
  // Arguments after the command name; returns the exit status.
  int (*run)(const std::vector<std::string>& args);
};

// Every registered command, in the order of commands.def.
const std::vector<Command>& all_commands();
const Command* find_command(std::string_view name);

// Exit statuses shared by all commands.
inline constexpr int exit_ok = 0;
inline constexpr int exit_usage = 1;
inline constexpr int exit_cannot_open = 2;
inline constexpr int exit_partial = 3;

}  // namespace quorvine::cli
