#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command.hpp"

namespace {

void print_usage(std::FILE* out) {
  std::fprintf(out, "usage: quorvine COMMAND [ARGS...]\n       quorvine --version\n\ncommands:\n");
  for (const auto& command : quorvine::cli::all_commands())
    std::fprintf(out, "  %-60.*s %.*s\n", static_cast<int>(command.usage.size()),
                 command.usage.data(), static_cast<int>(command.summary.size()),
                 command.summary.data());
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quorvine::cli;
  if (argc < 2) {
    print_usage(stderr);
    return exit_usage;
  }
  const std::string_view first = argv[1];
  if (first == "--version") {
    std::printf("quorvine %s\n", QUORVINE_VERSION);
    return exit_ok;
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
  return command->run(std::vector<std::string>(argv + 2, argv + argc));
}
