#pragma once
// Which kinds of item an export writes (--items mail,contacts,calendar,tasks,notes), and
// which of them a listed item kind belongs to.
#include <optional>
#include <string>
#include <string_view>

namespace quorvine::exporting {

enum class ItemGroup { Mail, Contacts, Calendar, Tasks, Notes };

struct ItemSelection {
  bool mail = true, contacts = true, calendar = true, tasks = true, notes = true;
  bool wants(ItemGroup group) const;
  void set(ItemGroup group, bool on);
};

// "mail,contacts,..." (any order, at least one); nothing for an unknown or empty list.
std::optional<ItemSelection> parse_item_selection(std::string_view text);
std::string_view to_string(ItemGroup group);  // "mail", "contacts", ...

// "contact" and "distlist" are contacts, "appointment" calendar, "task" tasks, "notes" and
// "activity" (journal entries) notes; every other kind is mail.
ItemGroup item_group(std::string_view kind);

}  // namespace quorvine::exporting
