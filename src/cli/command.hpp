#pragma once
// A subcommand of the command-line program ("quorvine scan ..."), with the table of its
// arguments that both the parser and the --help text are made from.
#include <string>
#include <string_view>
#include <vector>

#include "cli/arguments.hpp"

namespace quorvine::cli {

struct Command {
  std::string_view name;
  std::string_view summary;  // one line for the program's usage text and the --help text
  std::string_view details;  // more for --help (output, layout); may be empty
  ArgumentTable arguments;   // includes --help, -h and --version
  // Parsed arguments, never with --help or --version; returns the exit status. May throw
  // UsageError.
  int (*run)(const Arguments& args);
};

// Every registered command, in the order of commands.def.
const std::vector<Command>& all_commands();
const Command* find_command(std::string_view name);

// Exit statuses shared by all commands.
inline constexpr int exit_ok = 0;
inline constexpr int exit_usage = 1;
inline constexpr int exit_cannot_open = 2;
inline constexpr int exit_partial = 3;

// The worse of two statuses of runs over several stores, worst first: a usage error (a
// store could not be asked what was asked of it), a store that cannot be opened (nothing of
// it done), a partial run (some of it done), success.
int worst_status(int a, int b);

}  // namespace quorvine::cli
