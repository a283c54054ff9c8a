#include "cli/command.hpp"

namespace quorvine::cli {

#define QUORVINE_COMMAND(name) Command name##_command();
#include "cli/commands.def"
#undef QUORVINE_COMMAND

namespace {

Command with_standard_options(Command command) {
  command.arguments.options.push_back({"--help", "", "print this help and exit", false, false, "-h"});
  command.arguments.options.push_back({"--version", "", "print the program's version and exit"});
  return command;
}

int rank(int status) {
  switch (status) {
    case exit_ok: return 0;
    case exit_partial: return 1;
    case exit_cannot_open: return 2;
    default: return 3;
  }
}

}  // namespace

const std::vector<Command>& all_commands() {
  static const std::vector<Command> commands = {
#define QUORVINE_COMMAND(name) with_standard_options(name##_command()),
#include "cli/commands.def"
#undef QUORVINE_COMMAND
  };
  return commands;
}

const Command* find_command(std::string_view name) {
  for (const Command& command : all_commands())
    if (command.name == name) return &command;
  return nullptr;
}

int worst_status(int a, int b) { return rank(a) >= rank(b) ? a : b; }

}  // namespace quorvine::cli
