#include "platform/local_time.h"

#include "platform/windows/windows_support.h"

namespace zeph::platform {
namespace {

// The system's own zone rules: the C runtime's would follow a TZ variable.
FILETIME FileTimeOf(std::time_t when) {
  const unsigned long long ticks =
      static_cast<unsigned long long>(when) * 10000000ULL + 116444736000000000ULL;
  return {static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
}

long long Ticks(const FILETIME& time) {
  return (static_cast<long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

CalendarTime CalendarOf(const SYSTEMTIME& time, long offset) {
  return {time.wYear,   time.wMonth,  time.wDay,       time.wHour,
          time.wMinute, time.wSecond, time.wDayOfWeek, offset};
}

}  // namespace

bool LocalCalendarTime(std::time_t when, CalendarTime& out) {
  const FILETIME utc_time = FileTimeOf(when);
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  FILETIME local_time{};
  if (!::FileTimeToSystemTime(&utc_time, &utc) ||
      !::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) ||
      !::SystemTimeToFileTime(&local, &local_time)) {
    return false;
  }
  out = CalendarOf(local, static_cast<long>((Ticks(local_time) - Ticks(utc_time)) / 10000000));
  return true;
}

bool UtcCalendarTime(std::time_t when, CalendarTime& out) {
  const FILETIME utc_time = FileTimeOf(when);
  SYSTEMTIME utc{};
  if (!::FileTimeToSystemTime(&utc_time, &utc)) return false;
  out = CalendarOf(utc, 0);
  return true;
}

}  // namespace zeph::platform
