#include "app/command_line.hpp"

namespace quorvine::app {
namespace {

GuiCommandLine usage(std::string error) {
  GuiCommandLine line;
  line.action = GuiCommandLine::Action::Usage;
  line.error = std::move(error);
  return line;
}

}  // namespace

std::optional<GuiCommandLine::Action> early_action(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument == "--") break;
    if (argument == "--help" || argument == "-h") return GuiCommandLine::Action::Help;
    if (argument == "--version") return GuiCommandLine::Action::Version;
  }
  return std::nullopt;
}

GuiCommandLine parse_gui_command_line(const std::vector<std::string>& arguments) {
  GuiCommandLine line;
  if (const auto early = early_action(arguments)) {
    line.action = *early;
    return line;
  }
  bool options_done = false;
  std::optional<std::string> exchange;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (!options_done && argument == "--") {
      options_done = true;
    } else if (!options_done && (argument == "--exchange" || argument.starts_with("--exchange="))) {
      if (argument != "--exchange") exchange = argument.substr(std::string("--exchange=").size());
      else if (i + 1 < arguments.size()) exchange = arguments[++i];
      else return usage("--exchange needs a value: 2007, 2010 or 2013");
    } else if (!options_done && argument.starts_with("-") && argument != "-") {
      return usage("unknown option " + argument);
    } else if (line.store) {
      return usage("one store at a time, not also " + argument);
    } else {
      line.store = argument;
    }
  }
  if (exchange && *exchange != "auto") {
    const auto version = decode::parse_generation(*exchange);
    if (!version) return usage("--exchange must be 2007, 2010 or 2013, not \"" + *exchange + "\"");
    if (!line.store) return usage("--exchange goes with a STORE to open");
    line.version = *version;
  }
  return line;
}

std::string gui_help_text() {
  return "Usage: quorvine-gui [STORE.edb [--exchange 2007|2010|2013]]\n"
         "       quorvine-gui --help | --version\n"
         "\n"
         "The desktop application of Quorvine: scan Exchange store databases, browse their mailboxes,\n"
         "preview items and export them to MBOX files.\n"
         "\n"
         "Without STORE it starts with the file-selection dialog. With STORE it opens that store at once,\n"
         "as the dialog's \"Next...\" would, with the default temporary folder; without --exchange the\n"
         "generation is picked from the table names, and a database with none of the Exchange tables is\n"
         "refused.\n"
         "\n"
         "  --exchange VERSION  the store's Exchange generation: 2007 (covers 2003), 2010, 2013, or\n"
         "                      auto (the default) to pick it from the table names\n"
         "  -h, --help          print this help and exit\n"
         "  --version           print the version and exit\n"
         "\n"
         "The toolkit's own options (-platform, -style, ...) are accepted as well.\n";
}

}  // namespace quorvine::app
