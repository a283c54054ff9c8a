#include "export/item_kinds.hpp"

#include <algorithm>
#include <iterator>
#include <utility>

namespace quorvine::exporting {

namespace {

constexpr std::pair<std::string_view, ItemGroup> kGroups[] = {{"mail", ItemGroup::Mail},
                                                              {"contacts", ItemGroup::Contacts},
                                                              {"calendar", ItemGroup::Calendar},
                                                              {"tasks", ItemGroup::Tasks},
                                                              {"notes", ItemGroup::Notes}};

}  // namespace

bool ItemSelection::wants(ItemGroup group) const {
  switch (group) {
    case ItemGroup::Mail: return mail;
    case ItemGroup::Contacts: return contacts;
    case ItemGroup::Calendar: return calendar;
    case ItemGroup::Tasks: return tasks;
    case ItemGroup::Notes: return notes;
  }
  return false;
}

void ItemSelection::set(ItemGroup group, bool on) {
  switch (group) {
    case ItemGroup::Mail: mail = on; break;
    case ItemGroup::Contacts: contacts = on; break;
    case ItemGroup::Calendar: calendar = on; break;
    case ItemGroup::Tasks: tasks = on; break;
    case ItemGroup::Notes: notes = on; break;
  }
}

std::optional<ItemSelection> parse_item_selection(std::string_view text) {
  ItemSelection s{false, false, false, false, false};
  bool any = false;
  while (!text.empty()) {
    const size_t comma = text.find(',');
    const std::string_view word = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    const auto* found = std::find_if(std::begin(kGroups), std::end(kGroups), [&](const auto& g) { return g.first == word; });
    if (found == std::end(kGroups)) return std::nullopt;
    s.set(found->second, true);
    any = true;
  }
  if (!any) return std::nullopt;
  return s;
}

std::string_view to_string(ItemGroup group) {
  for (const auto& [name, g] : kGroups)
    if (g == group) return name;
  return "mail";
}

ItemGroup item_group(std::string_view kind) {
  if (kind == "contact" || kind == "distlist") return ItemGroup::Contacts;
  if (kind == "appointment") return ItemGroup::Calendar;
  if (kind == "task") return ItemGroup::Tasks;
  if (kind == "notes" || kind == "activity") return ItemGroup::Notes;
  return ItemGroup::Mail;
}

}  // namespace quorvine::exporting
