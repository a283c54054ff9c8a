#pragma once
// One iCalendar (RFC 5545) object of a folder's appointments, tasks, notes and journal
// entries, built with libical: VEVENT, VTODO (with a VALARM for its reminder) and VJOURNAL,
// times in UTC.
#include <memory>
#include <string>

#include "export/item_readers.hpp"

namespace quorvine::exporting {

class CalendarBuilder {
 public:
  CalendarBuilder();
  ~CalendarBuilder();
  CalendarBuilder(const CalendarBuilder&) = delete;
  CalendarBuilder& operator=(const CalendarBuilder&) = delete;

  void add(const CalendarItem& item);
  size_t size() const { return count_; }
  // The VCALENDAR object as text, CR LF line ends, folded by libical.
  std::string text() const;

 private:
  struct Calendar;
  std::unique_ptr<Calendar> calendar_;
  size_t count_ = 0;
};

}  // namespace quorvine::exporting
