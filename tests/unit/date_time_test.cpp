#include "util/date_time.h"

#include <gtest/gtest.h>

#include "util/error.h"

namespace zeph {
namespace {

TEST(DateTime, LeapYears) {
  EXPECT_TRUE(YearIsLeap(2000));
  EXPECT_FALSE(YearIsLeap(1900));
  EXPECT_TRUE(YearIsLeap(2024));
  EXPECT_FALSE(YearIsLeap(2023));
  EXPECT_EQ(MonthLength(2024, 2), 29);
  EXPECT_EQ(MonthLength(2023, 2), 28);
  EXPECT_EQ(MonthLength(2023, 12), 31);
}

TEST(DateTime, DayCountsStartAt18991230) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1899, 12, 31), 1);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
  EXPECT_EQ(EncodeDate(2024, 3, 11), 45362);
  int y = 0, m = 0, d = 0;
  DecodeDate(45362.75, y, m, d);
  EXPECT_EQ(y * 10000 + m * 100 + d, 20240311);
  EXPECT_THROW(EncodeDate(2024, 13, 1), Exception);
  EXPECT_THROW(EncodeDate(2024, 2, 30), Exception);
}

struct ShiftCase {
  int months;
  int y, m, d;
  int ey, em, ed;
};
void PrintTo(const ShiftCase& c, std::ostream* os) {
  *os << c.months << " from " << c.y << "-" << c.m << "-" << c.d;
}

class ShiftMonthsTest : public testing::TestWithParam<ShiftCase> {};

TEST_P(ShiftMonthsTest, KeepsDayInsideMonth) {
  const ShiftCase& c = GetParam();
  EXPECT_EQ(ShiftMonths(c.months, EncodeDate(c.y, c.m, c.d)), EncodeDate(c.ey, c.em, c.ed));
}

INSTANTIATE_TEST_SUITE_P(Cases, ShiftMonthsTest,
                         testing::Values(ShiftCase{1, 2024, 1, 31, 2024, 2, 29},
                                         ShiftCase{1, 2023, 1, 31, 2023, 2, 28},
                                         ShiftCase{1, 2024, 12, 1, 2025, 1, 1},
                                         ShiftCase{-1, 2024, 1, 15, 2023, 12, 15},
                                         ShiftCase{-13, 2024, 1, 15, 2022, 12, 15},
                                         ShiftCase{12, 2024, 2, 29, 2025, 2, 28}));

TEST(DateTime, ShiftKeepsTimeOfDayAndMovesDays) {
  const TDateTime t = EncodeDate(2024, 1, 31) + 0.25;
  EXPECT_DOUBLE_EQ(ShiftDate(2, 1, 0, t), EncodeDate(2024, 3, 2) + 0.25);
  // The first day of the next month minus one day is the last of this one.
  EXPECT_EQ(ShiftMonths(1, EncodeDate(2024, 2, 1)) - 1, EncodeDate(2024, 2, 29));
}

TEST(DateTime, FormatsWithPatternsAndSettings) {
  FormatSettings s;
  s.date_separator = '-';
  const TDateTime t = EncodeDate(2024, 3, 5) + EncodeTime(9, 7, 3, 0);
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd", t, s), "2024-03-05");
  EXPECT_EQ(FormatDateTime("d/m/yy", t, s), "5-3-24");
  EXPECT_EQ(FormatDateTime("dd.mm.yyyy", t, s), "05.03.2024");
  EXPECT_EQ(FormatDateTime("yyyy\".\"mm\".\"dd hh:nn:ss", t, s), "2024.03.05 09:07:03");
  EXPECT_EQ(FormatDateTime("hh:mm", t, s), "09:07");  // mm after an hour is the minute
  EXPECT_EQ(DateToIniText(t), "2024.03.05");
}

TEST(DateTime, ParsesInTheOrderOfTheShortFormat) {
  FormatSettings ymd;
  TDateTime out = 0;
  EXPECT_TRUE(TryStrToDate("2024.03.31", out, ymd));
  EXPECT_EQ(out, EncodeDate(2024, 3, 31));
  EXPECT_TRUE(TryStrToDate(" 1899.12.31 ", out, ymd));
  EXPECT_EQ(out, 1);
  for (const char* bad : {"", "2024.02.30", "24.03.31", "2024-03-31", "2024.03", "abc",
                          "2024.03.31.1", "2024.003.01"}) {
    EXPECT_FALSE(TryStrToDate(bad, out, ymd)) << bad;
  }
  FormatSettings dmy;
  dmy.short_date_format = "dd.mm.yyyy";
  EXPECT_TRUE(TryStrToDate("31.03.2024", out, dmy));
  EXPECT_EQ(out, EncodeDate(2024, 3, 31));
  try {
    StrToDate("marzec", ymd);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "'marzec' is not a valid date");
  }
}

}  // namespace
}  // namespace zeph
