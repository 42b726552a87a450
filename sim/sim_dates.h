// Dates of the host interfaces: day counts from 1899-12-30 in a double.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sim {

struct CivilDate {
  int year = 1899;
  int month = 12;
  int day = 30;
};

double DateFromCivil(int year, int month, int day);
// The calendar day of a date value; values that are no usable date give 1899-12-30.
CivilDate CivilFromDate(double value);
// Today's local date, without time.
double Today();
// Today's local calendar day.
CivilDate LocalToday();

// "yyyymmdd" when `separator` is empty, else the parts joined by it.
std::string FormatDate(double value, std::string_view separator);
// Strict "yyyy.mm.dd" with a real calendar day.
std::optional<double> ParseDotDate(std::string_view text);

}  // namespace sim
