// Calendar time of the machine's time zone and of UTC.
#pragma once

#include <chrono>
#include <ctime>

namespace zeph::platform {

struct CalendarTime {
  int year = 0;   // e.g. 2026
  int month = 0;  // 1-12
  int day = 0;    // 1-31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int weekday = 0;        // 0 = Sunday
  long utc_offset_s = 0;  // local time minus UTC, daylight saving included
};

// The local calendar time of `when`; false when the system cannot convert it.
bool LocalCalendarTime(std::time_t when, CalendarTime& out);
// The same in UTC (offset 0).
bool UtcCalendarTime(std::time_t when, CalendarTime& out);

}  // namespace zeph::platform
