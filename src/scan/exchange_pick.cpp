#include "scan/exchange_pick.hpp"

#include <vector>

#include "ese/error.hpp"
#include "scan/generation_from_tables.hpp"
#include "scan/work_folders.hpp"

namespace quorvine::scan {
namespace {

// "A, B, C and 4 more", the engine's own MSys tables named only when there is nothing else.
std::string some_tables(const std::vector<std::string>& names) {
  std::vector<std::string> shown;
  for (const std::string& name : names)
    if (!name.starts_with("MSys")) shown.push_back(name);
  if (shown.empty()) shown = names;
  constexpr size_t most = 4;
  std::string text;
  for (size_t i = 0; i < shown.size() && i < most; ++i) text += (i == 0 ? "" : ", ") + ("\"" + shown[i] + "\"");
  if (shown.size() > most) text += " and " + std::to_string(shown.size() - most) + " more";
  return text;
}

}  // namespace

ExchangePick pick_exchange_version(const std::filesystem::path& store) {
  ExchangePick pick;
  if (!check_store_file(store).empty()) return pick;
  std::vector<std::string> names;
  try {
    pick.database = ese::Database::open(store);
    for (const auto& table : pick.database->tables()) names.push_back(table.name);
  } catch (const ese::EseError&) {
    pick.database.reset();  // the scan opens it again and reports why it cannot
    return pick;
  }
  if (const auto version = generation_from_tables(names)) {
    pick.version = *version;
  } else {
    pick.refusal = store.string() + " is not an Exchange store: it has " +
                   (names.empty() ? std::string("no tables") : "none of the Exchange tables, only " + some_tables(names)) +
                   "; name the generation with --exchange to read it anyway.";
  }
  return pick;
}

}  // namespace quorvine::scan
