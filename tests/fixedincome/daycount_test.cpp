// Day counts and year fractions through fifun, against the published Actual/Actual examples and
// day counts derived by hand from each convention's rule.
#include <gtest/gtest.h>

#include "fiframe.h"

namespace {

struct ymd {
  int y, m, d;
};

fitest::frame daycounter(const std::string& name, ymd start, ymd end) {
  fitest::frame f;
  f.text("DayCounter", name)
      .date("StartDate", start.y, start.m, start.d)
      .date("EndDate", end.y, end.m, end.d);
  return f;
}

std::string text(ymd d) {
  return std::to_string(d.y) + "-" + std::to_string(d.m) + "-" + std::to_string(d.d);
}

// ISDA, "EMU and Market Conventions: Recent Developments" (1998), the worked examples of the
// Actual/Actual conventions: each expected fraction is written as the days of the period over the
// length of the year (ISDA), of the coupon period times the frequency (ISMA), or of the year
// ending on the end date (AFB), so that the day counts can be checked by hand.
TEST(yearfraction, isdaactualactualexamples) {
  struct row {
    const char* convention;
    ymd start, end;
    ymd referencestart, referenceend;  // year 0: none given
    double expected;
    const char* example;
  };
  const ymd none{0, 0, 0};
  // Case tables are laid out by hand, one case a line.
  // clang-format off
  const row rows[] = {
      {"ActualActualISDA", {2003, 11, 1}, {2004, 5, 1}, none, none, 61.0 / 365 + 121.0 / 366,
       "semi-annual period"},
      {"ActualActualISMA", {2003, 11, 1}, {2004, 5, 1}, {2003, 11, 1}, {2004, 5, 1},
       182.0 / (182 * 2), "semi-annual period"},
      {"ActualActualAFB", {2003, 11, 1}, {2004, 5, 1}, none, none, 182.0 / 366,
       "semi-annual period"},
      {"ActualActualISDA", {1999, 2, 1}, {1999, 7, 1}, none, none, 150.0 / 365,
       "short first period"},
      {"ActualActualISMA", {1999, 2, 1}, {1999, 7, 1}, {1998, 7, 1}, {1999, 7, 1},
       150.0 / (365 * 1), "short first period"},
      {"ActualActualAFB", {1999, 2, 1}, {1999, 7, 1}, none, none, 150.0 / 365,
       "short first period"},
      {"ActualActualISDA", {1999, 7, 1}, {2000, 7, 1}, none, none, 184.0 / 365 + 182.0 / 366,
       "period after a short first one"},
      {"ActualActualISMA", {1999, 7, 1}, {2000, 7, 1}, {1999, 7, 1}, {2000, 7, 1}, 1.0,
       "period after a short first one"},
      {"ActualActualAFB", {1999, 7, 1}, {2000, 7, 1}, none, none, 366.0 / 366,
       "period after a short first one"},
      {"ActualActualISDA", {2002, 8, 15}, {2003, 7, 15}, none, none, 334.0 / 365,
       "long first period"},
      {"ActualActualISMA", {2002, 8, 15}, {2003, 7, 15}, {2003, 1, 15}, {2003, 7, 15},
       153.0 / (184 * 2) + 181.0 / (181 * 2), "long first period"},
      {"ActualActualAFB", {2002, 8, 15}, {2003, 7, 15}, none, none, 334.0 / 365,
       "long first period"},
      {"ActualActualISDA", {2003, 7, 15}, {2004, 1, 15}, none, none, 170.0 / 365 + 14.0 / 366,
       "period after a long first one"},
      {"ActualActualISMA", {2003, 7, 15}, {2004, 1, 15}, {2003, 7, 15}, {2004, 1, 15}, 0.5,
       "period after a long first one"},
      {"ActualActualAFB", {2003, 7, 15}, {2004, 1, 15}, none, none, 184.0 / 365,
       "period after a long first one"},
      {"ActualActualISDA", {1999, 7, 30}, {2000, 1, 30}, none, none, 155.0 / 365 + 29.0 / 366,
       "penultimate period before a short final one"},
      {"ActualActualISMA", {1999, 7, 30}, {2000, 1, 30}, {1999, 7, 30}, {2000, 1, 30}, 0.5,
       "penultimate period before a short final one"},
      {"ActualActualAFB", {1999, 7, 30}, {2000, 1, 30}, none, none, 184.0 / 365,
       "penultimate period before a short final one"},
      {"ActualActualISDA", {2000, 1, 30}, {2000, 6, 30}, none, none, 152.0 / 366,
       "short final period"},
      {"ActualActualISMA", {2000, 1, 30}, {2000, 6, 30}, {2000, 1, 30}, {2000, 7, 30},
       152.0 / (182 * 2), "short final period"},
      {"ActualActualAFB", {2000, 1, 30}, {2000, 6, 30}, none, none, 152.0 / 366,
       "short final period"},
  };
  // clang-format on
  constexpr double tolerance = 1e-12;
  for (const row& r : rows) {
    fitest::frame f = daycounter(r.convention, r.start, r.end);
    if (r.referencestart.y != 0) {
      f.date("ReferenceStart", r.referencestart.y, r.referencestart.m, r.referencestart.d);
      f.date("ReferenceEnd", r.referenceend.y, r.referenceend.m, r.referenceend.d);
    }
    const standin::fixedincomeresult result = fitest::call("YearFraction", f);
    EXPECT_EQ(result.at(1, 1), 1.0) << r.convention << " " << r.example;
    EXPECT_NEAR(result.at(2, 1), r.expected, tolerance)
        << r.convention << " " << text(r.start) << " to " << text(r.end) << " (" << r.example
        << ")";
  }
}

// Day counts from each convention's rule: 30/360 Bond Basis moves a day 31 to 30, and an end day
// 31 too when the start day is 30 or 31; 30E/360 moves every day 31 to 30; the actual counts
// count calendar days.
TEST(daycount, conventionrules) {
  struct row {
    const char* convention;
    ymd start, end;
    double days;
  };
  // clang-format off
  const row rows[] = {
      {"Thirty360BondBasis", {2007, 1, 31}, {2007, 2, 28}, 28},
      {"Thirty360European", {2007, 1, 31}, {2007, 2, 28}, 28},
      {"Thirty360BondBasis", {2007, 1, 15}, {2007, 1, 31}, 16},
      {"Thirty360European", {2007, 1, 15}, {2007, 1, 31}, 15},
      {"Thirty360BondBasis", {2007, 2, 28}, {2007, 3, 31}, 33},
      {"Thirty360European", {2007, 2, 28}, {2007, 3, 31}, 32},
      {"Thirty360BondBasis", {2006, 8, 31}, {2007, 2, 28}, 360 - 180 - 2},
      {"Thirty360BondBasis", {2007, 3, 31}, {2007, 4, 30}, 30},
      {"Actual360", {2024, 1, 1}, {2024, 7, 1}, 31 + 29 + 31 + 30 + 31 + 30},
      {"Actual365Fixed", {2023, 1, 1}, {2024, 1, 1}, 365},
      {"ActualActualISDA", {2024, 3, 1}, {2024, 2, 1}, -29},
  };
  // clang-format on
  for (const row& r : rows) {
    const standin::fixedincomeresult result =
        fitest::call("DayCount", daycounter(r.convention, r.start, r.end));
    EXPECT_EQ(result.at(1, 1), 1.0) << r.convention;
    EXPECT_EQ(result.at(2, 1), r.days)
        << r.convention << " " << text(r.start) << " to " << text(r.end);
  }
  // Business252 counts business days of its calendar: the week of 2024-03-25 on TARGET loses
  // Good Friday (29 March).
  fitest::frame f = daycounter("Business252", {2024, 3, 25}, {2024, 4, 1});
  f.text("Calendar", "TARGET");
  EXPECT_EQ(fitest::call("DayCount", f).at(2, 1), 4.0);
}

TEST(daycount, unusableinputisreportedbyname) {
  struct row {
    const char* name;
    fitest::frame inputs;
    std::string shown;  // the start of the message
  };
  // clang-format off
  const row rows[] = {
      {"DayCount", daycounter("Actual999", {2024, 1, 1}, {2024, 2, 1}),
       "DayCount: the text \"DayCounter\" must name a day counter, not \"Actual999\"; the day "
       "counters are: Actual360, "},
      {"DayCount",
       fitest::frame().text("DayCounter", "Actual360").date("StartDate", 2024, 1, 1),
       "DayCount: the date \"EndDate\" is missing"},
      {"YearFraction", daycounter("Actual360", {1901, 1, 1}, {2024, 2, 1}),
       "YearFraction: the date \"StartDate\" is the null date (a year before 1902)"},
      {"YearFraction", fitest::frame().date("StartDate", 2024, 1, 1),
       "YearFraction: the text \"DayCounter\" is missing"},
  };
  // clang-format on
  for (const row& r : rows) {
    standin::fixedincomeresult result;
    const std::vector<std::string> shown = fitest::shownafter(r.name, r.inputs, result);
    ASSERT_EQ(shown.size(), 1u) << r.shown;
    EXPECT_EQ(shown[0].substr(0, r.shown.size()), r.shown);
    EXPECT_EQ(result.at(1, 1), 0.0) << r.shown;
  }
}

}  // namespace
