#include "cli/arguments.hpp"

namespace quorvine::cli {

std::optional<std::string> Arguments::option(const std::string& name) const {
  const auto it = options.find(name);
  if (it == options.end()) return std::nullopt;
  return it->second;
}

Arguments parse_arguments(const std::vector<std::string>& args, const ArgumentRules& rules) {
  Arguments parsed;
  bool only_positionals = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (only_positionals || arg.size() < 2 || arg[0] != '-') {
      parsed.positionals.push_back(arg);
      continue;
    }
    if (arg == "--") {
      only_positionals = true;
      continue;
    }
    std::string name = arg;
    std::optional<std::string> value;
    if (const auto eq = arg.find('='); eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    if (rules.flags.count(name)) {
      if (value) throw UsageError("option " + name + " takes no value");
      parsed.flags.insert(name);
    } else if (rules.options.count(name)) {
      if (!value) {
        if (i + 1 >= args.size()) throw UsageError("option " + name + " needs a value");
        value = args[++i];
      }
      if (parsed.options.count(name)) throw UsageError("option " + name + " given twice");
      parsed.options[name] = *value;
    } else {
      throw UsageError("unknown option " + name);
    }
  }
  if (parsed.positionals.size() < rules.min_positionals)
    throw UsageError("missing argument");
  if (parsed.positionals.size() > rules.max_positionals)
    throw UsageError("unexpected argument " + parsed.positionals[rules.max_positionals]);
  return parsed;
}

}  // namespace quorvine::cli
