#include "util/date_time.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <ctime>

#include "platform/local_time.h"
#include "util/error.h"
#include "util/text.h"

namespace zeph {
namespace {

constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
// Day 0 (1899-12-30) counted from 0001-01-01 as day 1.
constexpr int64_t kDeltaDays = 693594;

int64_t DaysBeforeYear(int64_t year) {
  int64_t y = year - 1;
  return y * 365 + y / 4 - y / 100 + y / 400;
}

// Appends `value` with at least `width` digits, zeros in front, after a '-'
// when it is negative.
void AppendPadded(std::string& out, int value, int width) {
  char digits[16];
  unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
  char* end = std::to_chars(digits, digits + sizeof digits, magnitude).ptr;
  if (value < 0) out += '-';
  for (int n = static_cast<int>(end - digits); n < width; ++n) out += '0';
  out.append(digits, end);
}

std::string Pad(int value, int width) {
  std::string s;
  AppendPadded(s, value, width);
  return s;
}

}  // namespace

FormatSettings& ProcessFormat() {
  static FormatSettings settings;
  return settings;
}

bool YearIsLeap(int32_t year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int MonthLength(int32_t year, int month) {
  if (month < 1 || month > 12) return 0;
  return kMonthDays[month - 1] + ((month == 2 && YearIsLeap(year)) ? 1 : 0);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > MonthLength(year, month)) {
    return false;
  }
  int64_t days = DaysBeforeYear(year);
  for (int m = 1; m < month; ++m) days += MonthLength(year, m);
  days += day;
  out = static_cast<double>(days - kDeltaDays);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime out = 0;
  if (!TryEncodeDate(year, month, day, out)) throw Exception("Invalid argument to date encode");
  return out;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  return (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + millisecond) / 86400000.0;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  int64_t days = static_cast<int64_t>(std::trunc(value)) + kDeltaDays - 1;  // 0 = 0001-01-01
  if (days < 0) {
    year = month = day = 0;
    return;
  }
  // Civil-from-days on the proleptic Gregorian calendar.
  int64_t n400 = days / 146097;
  int64_t rest = days % 146097;
  int64_t n100 = rest / 36524;
  if (n100 == 4) n100 = 3;
  rest -= n100 * 36524;
  int64_t n4 = rest / 1461;
  rest %= 1461;
  int64_t n1 = rest / 365;
  if (n1 == 4) n1 = 3;
  rest -= n1 * 365;
  year = static_cast<int>(n400 * 400 + n100 * 100 + n4 * 4 + n1 + 1);
  month = 1;
  while (rest >= MonthLength(year, month)) {
    rest -= MonthLength(year, month);
    ++month;
  }
  day = static_cast<int>(rest) + 1;
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond) {
  double frac = std::fabs(value - std::trunc(value));
  int64_t ms = static_cast<int64_t>(std::llround(frac * 86400000.0));
  if (ms >= 86400000) ms = 86399999;
  hour = static_cast<int>(ms / 3600000);
  minute = static_cast<int>(ms / 60000 % 60);
  second = static_cast<int>(ms / 1000 % 60);
  millisecond = static_cast<int>(ms % 1000);
}

TDateTime ShiftDate(int32_t days, int32_t months, int32_t years, TDateTime value) {
  int y = 0, m = 0, d = 0;
  DecodeDate(value, y, m, d);
  double time_of_day = std::fabs(value - std::trunc(value));
  y += years + months / 12;
  m += months % 12;
  if (m < 1) {
    m += 12;
    --y;
  } else if (m > 12) {
    m -= 12;
    ++y;
  }
  if (d > MonthLength(y, m)) d = MonthLength(y, m);
  TDateTime date = EncodeDate(y, m, d) + days;
  return date >= 0 ? date + time_of_day : date - time_of_day;
}

TDateTime ShiftMonths(int32_t months, TDateTime value) {
  return ShiftDate(0, months, 0, value);
}

TDateTime Now() {
  const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
  const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch).count();
  const std::time_t secs = static_cast<std::time_t>(millis / 1000);
  platform::CalendarTime local;
  platform::LocalCalendarTime(secs, local);
  return EncodeDate(local.year, local.month, local.day) +
         EncodeTime(local.hour, local.minute, local.second, static_cast<int>(millis % 1000));
}

std::string FormatDateTime(std::string_view pattern, TDateTime value,
                           const FormatSettings& settings) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, minute, second, ms);
  std::string out;
  bool after_hour = false;
  size_t i = 0;
  auto run = [&](char c) {
    size_t n = 0;
    while (i + n < pattern.size() && (pattern[i + n] | 0x20) == c) ++n;
    return n;
  };
  while (i < pattern.size()) {
    char c = pattern[i];
    char lower = static_cast<char>(c | 0x20);
    if (c == '"' || c == '\'') {
      size_t end = pattern.find(c, i + 1);
      if (end == std::string_view::npos) end = pattern.size();
      out += pattern.substr(i + 1, end - i - 1);
      i = end + 1;
      continue;
    }
    size_t n = (lower >= 'a' && lower <= 'z') ? run(lower) : 0;
    switch (lower) {
      case 'y':
        out += n <= 2 ? Pad(year % 100, 2) : Pad(year, 4);
        break;
      case 'm':
        if (after_hour) {
          out += n >= 2 ? Pad(minute, 2) : std::to_string(minute);
        } else {
          out += n >= 2 ? Pad(month, 2) : std::to_string(month);
        }
        after_hour = false;
        break;
      case 'd':
        out += n >= 2 ? Pad(day, 2) : std::to_string(day);
        break;
      case 'h':
        out += n >= 2 ? Pad(hour, 2) : std::to_string(hour);
        after_hour = true;
        break;
      case 'n':
        out += n >= 2 ? Pad(minute, 2) : std::to_string(minute);
        break;
      case 's':
        out += n >= 2 ? Pad(second, 2) : std::to_string(second);
        break;
      case 'z':
        out += n >= 3 ? Pad(ms, 3) : std::to_string(ms);
        break;
      default:
        if (c == '/') {
          out += settings.date_separator;
        } else if (c == ':') {
          out += settings.time_separator;
        } else {
          out += c;
        }
        n = 1;
        break;
    }
    i += n;
  }
  return out;
}

std::string DateToStr(TDateTime value, const FormatSettings& settings) {
  return FormatDateTime(settings.short_date_format, value, settings);
}

std::string DateToIniText(TDateTime value) {
  int year = 0, month = 0, day = 0;
  DecodeDate(value, year, month, day);
  std::string text;
  AppendPadded(text, year, 4);
  text += '.';
  AppendPadded(text, month, 2);
  text += '.';
  AppendPadded(text, day, 2);
  return text;
}

bool TryStrToDate(std::string_view text, TDateTime& out, const FormatSettings& settings) {
  // Order of year, month and day as they appear in the short date format.
  std::string order;
  for (char c : settings.short_date_format) {
    char lower = static_cast<char>(c | 0x20);
    if ((lower == 'y' || lower == 'm' || lower == 'd') && order.find(lower) == std::string::npos) {
      order += lower;
    }
  }
  if (order.size() != 3) order = "ymd";
  std::string trimmed = Trim(text);
  int parts[3] = {0, 0, 0};
  size_t digits[3] = {0, 0, 0};
  int index = 0;
  for (char c : trimmed) {
    if (c >= '0' && c <= '9') {
      if (digits[index] >= 4) return false;
      parts[index] = parts[index] * 10 + (c - '0');
      ++digits[index];
    } else if (c == settings.date_separator && index < 2 && digits[index] > 0) {
      ++index;
    } else {
      return false;
    }
  }
  if (index != 2 || digits[2] == 0) return false;
  int year = 0, month = 0, day = 0;
  for (int k = 0; k < 3; ++k) {
    if (order[k] == 'y') {
      if (digits[k] != 4) return false;
      year = parts[k];
    } else if (order[k] == 'm') {
      if (digits[k] > 2) return false;
      month = parts[k];
    } else {
      if (digits[k] > 2) return false;
      day = parts[k];
    }
  }
  return TryEncodeDate(year, month, day, out);
}

TDateTime StrToDate(std::string_view text, const FormatSettings& settings) {
  TDateTime out = 0;
  if (!TryStrToDate(text, out, settings)) {
    throw Exception("'" + std::string(text) + "' is not a valid date");
  }
  return out;
}

}  // namespace zeph
