#include "cli/arguments.hpp"

#include <algorithm>

namespace quorvine::cli {
namespace {

std::string option_form(const OptionSpec& option) {
  std::string form(option.name);
  if (!option.value.empty()) form += " " + std::string(option.value);
  return form;
}

std::string positional_form(const PositionalSpec& positional) {
  return std::string(positional.name) + (positional.repeats ? "..." : "");
}

bool answers_itself(const Arguments& parsed) { return parsed.flag("--help") || parsed.flag("--version"); }

}  // namespace

const OptionSpec* ArgumentTable::find(std::string_view name) const {
  for (const OptionSpec& option : options)
    if (option.name == name || (!option.alias.empty() && option.alias == name)) return &option;
  return nullptr;
}

std::optional<std::string> Arguments::option(const std::string& name) const {
  const auto it = options.find(name);
  if (it == options.end() || it->second.empty()) return std::nullopt;
  return it->second.front();
}

std::vector<std::string> Arguments::values(const std::string& name) const {
  const auto it = options.find(name);
  return it == options.end() ? std::vector<std::string>{} : it->second;
}

Arguments parse_arguments(const std::vector<std::string>& args, const ArgumentTable& table) {
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
    if (const auto eq = arg.find('='); eq != std::string::npos && arg.starts_with("--")) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    const OptionSpec* option = table.find(name);
    if (!option) throw UsageError("unknown option " + name);
    const std::string main_name(option->name);
    if (option->value.empty()) {
      if (value) throw UsageError("option " + main_name + " takes no value");
      parsed.flags.insert(main_name);
      continue;
    }
    if (!value) {
      if (i + 1 >= args.size()) throw UsageError("option " + main_name + " needs a value");
      value = args[++i];
    }
    auto& values = parsed.options[main_name];
    if (!values.empty() && !option->repeats) throw UsageError("option " + main_name + " given twice");
    values.push_back(*value);
  }
  if (answers_itself(parsed)) return parsed;

  const auto& wanted = table.positionals;
  const bool last_repeats = !wanted.empty() && wanted.back().repeats;
  if (parsed.positionals.size() < wanted.size())
    throw UsageError("missing argument " + std::string(wanted[parsed.positionals.size()].name));
  if (!last_repeats && parsed.positionals.size() > wanted.size())
    throw UsageError("unexpected argument " + parsed.positionals[wanted.size()]);
  for (const OptionSpec& option : table.options)
    if (option.required && !parsed.options.count(std::string(option.name)))
      throw UsageError(option_form(option) + " is required");
  return parsed;
}

std::string usage_line(std::string_view command, const ArgumentTable& table) {
  std::string line(command);
  for (const PositionalSpec& positional : table.positionals) line += " " + positional_form(positional);
  for (const OptionSpec& option : table.options) {
    if (option.name == "--help" || option.name == "--version") continue;
    const std::string form = option_form(option);
    line += " " + (option.required ? form : "[" + form + "]");
    if (option.repeats) line += "...";
  }
  return line;
}

std::string help_text(std::string_view command, std::string_view summary, std::string_view details,
                      const ArgumentTable& table) {
  std::vector<std::pair<std::string, std::string_view>> rows;
  for (const PositionalSpec& positional : table.positionals)
    rows.emplace_back(positional_form(positional), positional.help);
  const size_t positional_rows = rows.size();
  for (const OptionSpec& option : table.options) {
    std::string form = option.alias.empty() ? option_form(option) : std::string(option.alias) + ", " + option_form(option);
    if (option.repeats) form += " (repeats)";
    rows.emplace_back(std::move(form), option.help);
  }
  size_t width = 0;
  for (const auto& row : rows) width = std::max(width, row.first.size());
  width = std::min<size_t>(width, 32);

  std::string text = "usage: quorvine " + usage_line(command, table) + "\n\n" + std::string(summary) + "\n";
  if (!details.empty()) text += "\n" + std::string(details) + "\n";
  for (size_t i = 0; i < rows.size(); ++i) {
    if (i == 0 && positional_rows > 0) text += "\narguments:\n";
    if (i == positional_rows) text += "\noptions:\n";
    const auto& [form, help] = rows[i];
    text += "  " + form;
    if (form.size() > width)
      text += "\n  " + std::string(width, ' ');
    else
      text += std::string(width - form.size(), ' ');
    text += "  " + std::string(help) + "\n";
  }
  return text;
}

}  // namespace quorvine::cli
