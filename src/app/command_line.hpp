#pragma once
// The desktop program's command line: quorvine-gui [STORE.edb [--exchange 2007|2010|2013]],
// --help and --version. Read before the window system is reached, so that --help and
// --version work without a display.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "decode/generation.hpp"

namespace quorvine::app {

struct GuiCommandLine {
  enum class Action { Run, Help, Version, Usage };
  Action action = Action::Run;
  std::optional<std::filesystem::path> store;
  // Unset: the table names pick the generation.
  decode::Generation version = decode::Generation::Unset;
  std::string error;  // what is wrong, for Usage
};

// `arguments` without the program name, after the toolkit took its own options.
GuiCommandLine parse_gui_command_line(const std::vector<std::string>& arguments);

// Whether `arguments` ask for --help (-h) or --version, looked at before anything else.
std::optional<GuiCommandLine::Action> early_action(const std::vector<std::string>& arguments);

std::string gui_help_text();

}  // namespace quorvine::app
