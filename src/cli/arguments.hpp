#pragma once
// Argument parsing shared by the commands: positionals, "--name value" / "--name=value"
// options and "--flag" switches, each declared up front so a typo is a usage error.
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace quorvine::cli {

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ArgumentRules {
  std::set<std::string> options;  // take a value, e.g. "--exchange"
  std::set<std::string> flags;    // take none, e.g. "--json"
  size_t min_positionals = 0;
  size_t max_positionals = 0;
};

struct Arguments {
  std::vector<std::string> positionals;
  std::map<std::string, std::string> options;
  std::set<std::string> flags;

  bool flag(const std::string& name) const { return flags.count(name) != 0; }
  std::optional<std::string> option(const std::string& name) const;
};

// Throws UsageError with one sentence saying what is wrong.
Arguments parse_arguments(const std::vector<std::string>& args, const ArgumentRules& rules);

}  // namespace quorvine::cli
