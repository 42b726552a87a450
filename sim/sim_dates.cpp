#include "sim_dates.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "platform/local_time.h"

namespace sim {
namespace {

constexpr long kUnixEpochAsDate = 25569;  // 1970-01-01

// Days since 1970-01-01 of a proleptic Gregorian date.
long DaysFromCivil(long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}

bool IsLeap(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

}  // namespace

double DateFromCivil(int year, int month, int day) {
  return static_cast<double>(
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
      kUnixEpochAsDate);
}

CivilDate CivilFromDate(double value) {
  // Years 1..9999, as the host's date type allows.
  if (!std::isfinite(value) || value < -693593.0 || value > 2958466.0) return {};
  long z = static_cast<long>(std::floor(value)) - kUnixEpochAsDate + 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  CivilDate out;
  out.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  out.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  out.year = static_cast<int>(static_cast<long>(yoe) + era * 400 + (out.month <= 2));
  return out;
}

CivilDate LocalToday() {
  std::time_t now = std::time(nullptr);
  zeph::platform::CalendarTime local;
  if (!zeph::platform::LocalCalendarTime(now, local)) return {};
  return {local.year, local.month, local.day};
}

double Today() {
  CivilDate today = LocalToday();
  return DateFromCivil(today.year, today.month, today.day);
}

std::string FormatDate(double value, std::string_view separator) {
  CivilDate date = CivilFromDate(value);
  char buffer[32];
  std::string sep(separator);
  std::snprintf(buffer, sizeof buffer, "%04d%s%02d%s%02d", date.year, sep.c_str(), date.month,
                sep.c_str(), date.day);
  return buffer;
}

std::optional<double> ParseDotDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '.' || text[7] != '.') return std::nullopt;
  int parts[3] = {0, 0, 0};
  const size_t starts[3] = {0, 5, 8};
  const size_t lengths[3] = {4, 2, 2};
  for (int p = 0; p < 3; ++p) {
    for (size_t i = starts[p]; i < starts[p] + lengths[p]; ++i) {
      if (text[i] < '0' || text[i] > '9') return std::nullopt;
      parts[p] = parts[p] * 10 + (text[i] - '0');
    }
  }
  if (parts[0] < 1 || parts[1] < 1 || parts[1] > 12 || parts[2] < 1 ||
      parts[2] > DaysInMonth(parts[0], parts[1])) {
    return std::nullopt;
  }
  return DateFromCivil(parts[0], parts[1], parts[2]);
}

}  // namespace sim
