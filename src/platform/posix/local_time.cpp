#include "platform/local_time.h"

namespace zeph::platform {
namespace {

CalendarTime CalendarOf(const std::tm& tm, long offset) {
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
          tm.tm_min,         tm.tm_sec,     tm.tm_wday, offset};
}

}  // namespace

bool LocalCalendarTime(std::time_t when, CalendarTime& out) {
  std::tm tm{};
  if (::localtime_r(&when, &tm) == nullptr) return false;
  out = CalendarOf(tm, tm.tm_gmtoff);
  return true;
}

bool UtcCalendarTime(std::time_t when, CalendarTime& out) {
  std::tm tm{};
  if (::gmtime_r(&when, &tm) == nullptr) return false;
  out = CalendarOf(tm, 0);
  return true;
}

}  // namespace zeph::platform
