#pragma once
// Contacts, distribution lists, appointments, tasks, notes and journal entries gathered from
// their records for the vCard and iCalendar files. Every field is read through the column
// chain of the preview row that shows it, so the files and the preview agree.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "decode/decode_context.hpp"
#include "listing/message_list_row.hpp"
#include "render/item_values.hpp"

namespace quorvine::exporting {

struct PostalAddress {
  std::string street, city, region, postal_code, country;
  std::string label;  // the whole address as one text, when the store keeps one
  bool empty() const { return street.empty() && city.empty() && region.empty() && postal_code.empty() && country.empty() && label.empty(); }
};

struct ContactItem {
  std::string uid;
  std::string full_name, file_as, subject;
  std::string first, middle, last, prefix, suffix, nickname;
  std::string company, department, job_title, profession;
  std::vector<std::string> emails;
  struct Phone {
    std::vector<std::string> types;  // vCard TYPE values: "work", "home", "cell", "fax", "voice"
    std::string number;
  };
  std::vector<Phone> phones;
  PostalAddress business, home;
  std::string business_page, personal_page;
  std::string note;
  std::vector<std::string> categories;
  std::optional<uint64_t> birthday;  // FILETIME

  // The card's formatted name: the full name, else "File As", else the subject.
  std::string formatted_name() const;
};

struct DistributionList {
  std::string uid;
  std::string name;
  std::vector<std::string> members;  // e-mail addresses
};

enum class CalendarKind { Event, Todo, Journal };

struct CalendarItem {
  CalendarKind kind = CalendarKind::Event;
  std::string uid;
  std::string summary, location, description, show_as;
  std::optional<uint64_t> start, end, due, reminder, stamp;  // FILETIMEs
  std::string organizer_name, organizer_address;
  std::vector<std::string> attendees;  // e-mail addresses
  std::vector<std::string> categories;
  bool recurring = false;
};

// What the readers are given: the listed row, the item's record, its stored time.
struct ItemInput {
  const listing::MessageListRow& row;
  const render::ItemRecord& item;
  decode::Generation generation = decode::Generation::Unset;
  std::optional<uint64_t> stored_time;
  std::string body;  // the item's body as text, "" when it has none
};

ContactItem read_contact(decode::DecodeContext& ctx, const ItemInput& in);
DistributionList read_distribution_list(decode::DecodeContext& ctx, const ItemInput& in);
// "appointment" gives an event, "task" a to-do, "notes" and "activity" a journal entry.
CalendarItem read_calendar_item(decode::DecodeContext& ctx, const ItemInput& in);

// The addresses extract_addresses finds in `text`, each once, in order.
std::vector<std::string> addresses_in(const std::string& text);

}  // namespace quorvine::exporting
