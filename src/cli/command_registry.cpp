#include "cli/command.hpp"

namespace quorvine::cli {

#define QUORVINE_COMMAND(name) Command name##_command();
#include "cli/commands.def"
#undef QUORVINE_COMMAND

const std::vector<Command>& all_commands() {
  static const std::vector<Command> commands = {
#define QUORVINE_COMMAND(name) name##_command(),
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

}  // namespace quorvine::cli
