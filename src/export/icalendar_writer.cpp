#include "export/icalendar_writer.hpp"

#include <libical/ical.h>

#include <stdexcept>

#include "export/mail_dates.hpp"

namespace quorvine::exporting {
namespace {

struct ComponentFree {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

std::optional<icaltimetype> utc_time(std::optional<uint64_t> filetime) {
  if (!filetime) return std::nullopt;
  const auto seconds = filetime_to_unix(*filetime);
  if (!seconds) return std::nullopt;
  return icaltime_from_timet_with_zone(*seconds, 0, icaltimezone_get_utc_timezone());
}

// libical takes a property's value text as it stands; it must be UTF-8 without NULs.
void add_text(icalcomponent* c, icalproperty* (*make)(const char*), const std::string& value) {
  if (!value.empty()) icalcomponent_add_property(c, make(value.c_str()));
}

void add_time(icalcomponent* c, icalproperty* (*make)(icaltimetype), std::optional<icaltimetype> time) {
  if (time) icalcomponent_add_property(c, make(*time));
}

icalcomponent* new_component(CalendarKind kind) {
  switch (kind) {
    case CalendarKind::Event: return icalcomponent_new_vevent();
    case CalendarKind::Todo: return icalcomponent_new_vtodo();
    case CalendarKind::Journal: return icalcomponent_new_vjournal();
  }
  throw std::logic_error("unknown calendar kind");
}

icalcomponent* reminder_alarm(const CalendarItem& item, icaltimetype when) {
  icalcomponent* alarm = icalcomponent_new_valarm();
  icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
  icaltriggertype trigger = icaltriggertype_from_int(0);
  trigger.time = when;
  icalproperty* p = icalproperty_new_trigger(trigger);
  icalproperty_add_parameter(p, icalparameter_new_value(ICAL_VALUE_DATETIME));
  icalcomponent_add_property(alarm, p);
  icalcomponent_add_property(alarm, icalproperty_new_description(item.summary.empty() ? "Reminder" : item.summary.c_str()));
  return alarm;
}

}  // namespace

struct CalendarBuilder::Calendar {
  Component root;
};

CalendarBuilder::CalendarBuilder() : calendar_(std::make_unique<Calendar>()) {
  calendar_->root.reset(icalcomponent_new_vcalendar());
  icalcomponent_add_property(calendar_->root.get(), icalproperty_new_version("2.0"));
  icalcomponent_add_property(calendar_->root.get(), icalproperty_new_prodid("-//Quorvine//Exchange store export//EN"));
}

CalendarBuilder::~CalendarBuilder() = default;

void CalendarBuilder::add(const CalendarItem& item) {
  Component c(new_component(item.kind));
  icalcomponent* v = c.get();
  add_text(v, icalproperty_new_uid, item.uid);
  // DTSTAMP is required; a store time keeps the file the same from run to run.
  const auto stamp = utc_time(item.stamp ? item.stamp : item.start ? item.start : item.due);
  icalcomponent_add_property(
      v, icalproperty_new_dtstamp(stamp ? *stamp : icaltime_from_timet_with_zone(0, 0, icaltimezone_get_utc_timezone())));
  add_text(v, icalproperty_new_summary, item.summary);
  add_time(v, icalproperty_new_dtstart, utc_time(item.start));
  if (item.kind == CalendarKind::Event) {
    add_text(v, icalproperty_new_location, item.location);
    add_time(v, icalproperty_new_dtend, utc_time(item.end));
    // "Show As" free leaves the time open to others; every other state blocks it.
    if (!item.show_as.empty())
      icalcomponent_add_property(v, icalproperty_new_transp(item.show_as == "Free" || item.show_as == "free"
                                                                ? ICAL_TRANSP_TRANSPARENT
                                                                : ICAL_TRANSP_OPAQUE));
    if (!item.organizer_address.empty()) {
      icalproperty* p = icalproperty_new_organizer(("mailto:" + item.organizer_address).c_str());
      if (!item.organizer_name.empty()) icalproperty_add_parameter(p, icalparameter_new_cn(item.organizer_name.c_str()));
      icalcomponent_add_property(v, p);
    }
    for (const std::string& attendee : item.attendees)
      icalcomponent_add_property(v, icalproperty_new_attendee(("mailto:" + attendee).c_str()));
  }
  if (item.kind == CalendarKind::Todo) add_time(v, icalproperty_new_due, utc_time(item.due));
  add_text(v, icalproperty_new_description, item.description);
  for (const std::string& category : item.categories) add_text(v, icalproperty_new_categories, category);
  if (item.recurring) {
    // The recurrence rule is not decoded: the first occurrence stands for the series.
    icalproperty* p = icalproperty_new_x("TRUE");
    icalproperty_set_x_name(p, "X-QUORVINE-RECURRING");
    icalcomponent_add_property(v, p);
  }
  if (item.kind == CalendarKind::Todo)
    if (auto when = utc_time(item.reminder)) icalcomponent_add_component(v, reminder_alarm(item, *when));
  icalcomponent_add_component(calendar_->root.get(), c.release());
  ++count_;
}

std::string CalendarBuilder::text() const {
  char* text = icalcomponent_as_ical_string_r(calendar_->root.get());
  if (!text) throw std::runtime_error("the calendar cannot be written as text");
  std::string out(text);
  icalmemory_free_buffer(text);
  return out;
}

}  // namespace quorvine::exporting
