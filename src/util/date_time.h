// Date-time values: day counts from 1899-12-30 in a double, the fraction
// being the time of day. Formatting and parsing follow the process-wide
// settings, which each task replaces with the host's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zeph {

using TDateTime = double;

struct FormatSettings {
  char decimal_separator = '.';
  char date_separator = '.';
  char thousand_separator = ' ';
  char time_separator = ':';
  std::string short_date_format = "yyyy.mm.dd";
};

// The process-wide settings (full stops and "yyyy.mm.dd" at start).
FormatSettings& ProcessFormat();

bool YearIsLeap(int32_t year);
int MonthLength(int32_t year, int month);

// Throws Exception "Invalid argument to date encode" for an impossible date.
TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond);

// Moves `value` by `years` and `months` (day kept inside the month), then by
// `days`; the time of day is kept.
TDateTime ShiftDate(int32_t days, int32_t months, int32_t years, TDateTime value);
TDateTime ShiftMonths(int32_t months, TDateTime value);

// The current local date and time.
TDateTime Now();

// Pattern letters: yy/yyyy, m/mm, d/dd, h/hh, n/nn (and m/mm right after an
// hour), s/ss, z/zzz; "/" is the date separator, ":" the time separator;
// text in quotes is copied.
std::string FormatDateTime(std::string_view pattern, TDateTime value,
                           const FormatSettings& settings = ProcessFormat());
// The date part in the short date format.
std::string DateToStr(TDateTime value, const FormatSettings& settings = ProcessFormat());
// Fixed "yyyy.mm.dd", whatever the process-wide settings.
std::string DateToIniText(TDateTime value);

// Reads year, month and day in the order of the short date format, separated
// by the date separator; the year must have four digits.
bool TryStrToDate(std::string_view text, TDateTime& out,
                  const FormatSettings& settings = ProcessFormat());
// Throws Exception "'%s' is not a valid date".
TDateTime StrToDate(std::string_view text, const FormatSettings& settings = ProcessFormat());

}  // namespace zeph
