#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command.hpp"

namespace {

using namespace quorvine::cli;

void print_usage(std::FILE* out) {
  std::fprintf(out, "usage: quorvine COMMAND [ARGS...]\n       quorvine COMMAND --help | quorvine help COMMAND\n       quorvine --version\n\n"
                    "commands:\n");
  for (const auto& command : all_commands())
    std::fprintf(out, "  %-8.*s %.*s\n", static_cast<int>(command.name.size()), command.name.data(),
                 static_cast<int>(command.summary.size()), command.summary.data());
}

void print_version() { std::printf("quorvine %s\n", QUORVINE_VERSION); }

int run(const Command& command, const std::vector<std::string>& args) {
  const std::string name(command.name);
  try {
    const Arguments parsed = parse_arguments(args, command.arguments);
    if (parsed.flag("--help")) {
      std::fputs(help_text(command.name, command.summary, command.details, command.arguments).c_str(), stdout);
      return exit_ok;
    }
    if (parsed.flag("--version")) {
      print_version();
      return exit_ok;
    }
    return command.run(parsed);
  } catch (const UsageError& error) {
    std::fprintf(stderr, "quorvine %s: %s\nusage: quorvine %s\n", name.c_str(), error.what(),
                 usage_line(command.name, command.arguments).c_str());
    return exit_usage;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    print_usage(stderr);
    return exit_usage;
  }
  const std::string_view first = argv[1];
  if (first == "--version") {
    print_version();
    return exit_ok;
  }
  if (first == "help" && argc > 2) {
    if (const Command* command = find_command(argv[2])) return run(*command, {"--help"});
  }
  if (first == "--help" || first == "-h" || first == "help") {
    print_usage(stdout);
    return exit_ok;
  }
  const Command* command = find_command(first);
  if (!command) {
    std::fprintf(stderr, "quorvine: unknown command \"%s\"\n", argv[1]);
    print_usage(stderr);
    return exit_usage;
  }
  return run(*command, std::vector<std::string>(argv + 2, argv + argc));
}
