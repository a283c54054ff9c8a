#pragma once
// The arguments of a command, declared once: the parser accepts exactly what the table
// names, and the usage line and the --help text are generated from the same table.
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quorvine::cli {

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct OptionSpec {
  std::string_view name;      // "--exchange", or a short one such as "-0"
  std::string_view value;     // placeholder of its value ("DIR"); empty for a flag
  std::string_view help;      // one line
  bool repeats = false;       // may be given more than once, each value kept
  bool required = false;
  std::string_view alias{};   // a second spelling ("-h" for "--help")
};

struct PositionalSpec {
  std::string_view name;  // "STORE"
  std::string_view help;  // one line
  bool repeats = false;   // one or more
};

struct ArgumentTable {
  std::vector<PositionalSpec> positionals;  // all required; only the last may repeat
  std::vector<OptionSpec> options;

  const OptionSpec* find(std::string_view name) const;
};

struct Arguments {
  std::vector<std::string> positionals;
  std::map<std::string, std::vector<std::string>> options;  // by the option's main name
  std::set<std::string> flags;

  bool flag(const std::string& name) const { return flags.count(name) != 0; }
  // The value of an option given at most once.
  std::optional<std::string> option(const std::string& name) const;
  // Every value of a repeating option, in the order given.
  std::vector<std::string> values(const std::string& name) const;
};

// Throws UsageError with one sentence saying what is wrong. With --help or --version
// given, missing positionals and required options are no error.
Arguments parse_arguments(const std::vector<std::string>& args, const ArgumentTable& table);

// "STORE... [--exchange 2007|2010|2013|auto] --out DIR [--mailbox NAME]..."
std::string usage_line(std::string_view command, const ArgumentTable& table);
// The usage line, the summary, then every positional and option with its help.
std::string help_text(std::string_view command, std::string_view summary, std::string_view details,
                      const ArgumentTable& table);

}  // namespace quorvine::cli
