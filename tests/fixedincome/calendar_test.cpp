// Calendar questions through fifun against published holiday lists, and the date arithmetic of
// adjustment, advance and business-day counts worked out by hand on a printed calendar.
#include <gtest/gtest.h>

#include "fiframe.h"

namespace {

struct ymd {
  int y, m, d;
  bool operator==(const ymd& o) const { return y == o.y && m == o.m && d == o.d; }
};

std::ostream& operator<<(std::ostream& out, const ymd& d) {
  return out << d.y << "-" << d.m << "-" << d.d;
}

std::vector<ymd> datedcolumns(const standin::fixedincomeresult& r) {
  std::vector<ymd> dates;
  for (hostinteger k = 1; k <= r.columns(); ++k)
    if (r.at(4, k) >= 1901)
      dates.push_back({static_cast<int>(r.at(4, k)), static_cast<int>(r.at(5, k)),
                       static_cast<int>(r.at(6, k))});
  return dates;
}

fitest::frame operation(const std::string& calendar, const std::string& name) {
  fitest::frame f;
  f.text("Calendar", calendar).text("Operation", name);
  return f;
}

// Weekday holidays of 2024:
//   TARGET: the ECB's TARGET closing days (New Year's Day, Good Friday, Easter Monday, 1 May,
//     25 and 26 December); Easter Sunday 2024 fell on 31 March.
//   UnitedStates (settlement): the U.S. Office of Personnel Management's federal holidays 2024.
//   UnitedKingdom (settlement): the bank holidays of England and Wales 2024 (gov.uk).
TEST(calendarutilities, holidaylistsof2024) {
  struct row {
    const char* calendar;
    std::vector<ymd> holidays;
  };
  // Case tables are laid out by hand, one case a line.
  // clang-format off
  const row rows[] = {
      {"TARGET",
       {{2024, 1, 1}, {2024, 3, 29}, {2024, 4, 1}, {2024, 5, 1}, {2024, 12, 25}, {2024, 12, 26}}},
      {"UnitedStates",
       {{2024, 1, 1}, {2024, 1, 15}, {2024, 2, 19}, {2024, 5, 27}, {2024, 6, 19}, {2024, 7, 4},
        {2024, 9, 2}, {2024, 10, 14}, {2024, 11, 11}, {2024, 11, 28}, {2024, 12, 25}}},
      {"UnitedKingdom",
       {{2024, 1, 1}, {2024, 3, 29}, {2024, 4, 1}, {2024, 5, 6}, {2024, 5, 27}, {2024, 8, 26},
        {2024, 12, 25}, {2024, 12, 26}}},
  };
  // clang-format on
  for (const row& r : rows) {
    fitest::frame f = operation(r.calendar, "HolidayList");
    f.date("StartDate", 2024, 1, 1).date("EndDate", 2024, 12, 31);
    const standin::fixedincomeresult result = fitest::call("CalendarUtilities", f);
    EXPECT_EQ(result.at(1, 1), 1.0) << r.calendar;
    EXPECT_EQ(result.at(2, 1), static_cast<double>(r.holidays.size())) << r.calendar;
    EXPECT_EQ(datedcolumns(result), r.holidays) << r.calendar;
    for (hostinteger k = 1; k <= result.columns(); ++k)
      EXPECT_EQ(result.at(7, k), 1.0) << r.calendar << " column " << k;
  }
}

TEST(calendarutilities, daysanddatearithmetic) {
  struct row {
    const char* what;
    fitest::frame inputs;
    double scalar;
    std::vector<ymd> dates;
  };
  auto on = [](const char* calendar, const char* op, ymd d) {
    fitest::frame f = operation(calendar, op);
    f.date("Date", d.y, d.m, d.d);
    return f;
  };
  // clang-format off
  const std::vector<row> rows = {
      {"Good Friday on TARGET", on("TARGET", "IsBusinessDay", {2024, 3, 29}), 0, {}},
      {"Good Friday is a holiday on TARGET", on("TARGET", "IsHoliday", {2024, 3, 29}), 1, {}},
      {"a Saturday is no business day", on("WeekendsOnly", "IsBusinessDay", {2024, 6, 29}), 0, {}},
      {"every day is a business day of the null calendar",
       on("NullCalendar", "IsBusinessDay", {2024, 6, 29}), 1, {}},
      {"Good Friday on the NYSE", on("UnitedStatesNYSE", "IsHoliday", {2024, 3, 29}), 1, {}},
      {"Good Friday is no federal holiday", on("UnitedStates", "IsHoliday", {2024, 3, 29}), 0,
       {}},
      {"a Saturday moves to Monday", on("TARGET", "Adjust", {2024, 6, 29}), 2, {{2024, 7, 1}}},
      {"modified following stays in August",
       on("TARGET", "Adjust", {2024, 8, 31}).text("Convention", "ModifiedFollowing"), -1,
       {{2024, 8, 30}}},
      {"preceding from Easter Monday passes Good Friday",
       on("TARGET", "Adjust", {2024, 4, 1}).text("Convention", "Preceding"), -4,
       {{2024, 3, 28}}},
      {"one business day after Maundy Thursday",
       on("TARGET", "Advance", {2024, 3, 28}).number("Days", 1), 5, {{2024, 4, 2}}},
      {"three months from 31 January",
       on("TARGET", "Advance", {2024, 1, 31}).text("Period", "3M"), 90, {{2024, 4, 30}}},
      {"business days of the Easter fortnight",
       operation("TARGET", "BusinessDaysBetween")
           .date("StartDate", 2024, 3, 25)
           .date("EndDate", 2024, 4, 5),
       7, {}},
  };
  // clang-format on
  for (const row& r : rows) {
    const standin::fixedincomeresult result = fitest::call("CalendarUtilities", r.inputs);
    EXPECT_EQ(result.at(1, 1), 1.0) << r.what;
    EXPECT_EQ(result.at(2, 1), r.scalar) << r.what;
    EXPECT_EQ(datedcolumns(result), r.dates) << r.what;
  }
}

TEST(calendarutilities, unusableinputisreportedbyname) {
  struct row {
    fitest::frame inputs;
    std::string shown;  // the start of the message
  };
  // clang-format off
  const std::vector<row> rows = {
      {operation("Atlantis", "IsHoliday").date("Date", 2024, 1, 1),
       "CalendarUtilities: the text \"Calendar\" must name a calendar, not \"Atlantis\"; the "
       "calendars are: TARGET, "},
      {operation("TARGET", "Jump").date("Date", 2024, 1, 1),
       "CalendarUtilities: the text \"Operation\" must name an operation, not \"Jump\"; the "
       "operations are: IsBusinessDay, "},
      {operation("TARGET", "Adjust").date("Date", 2024, 1, 1).text("Convention", "Sideways"),
       "CalendarUtilities: the text \"Convention\" must name a convention, not \"Sideways\"; "
       "the conventions are: Following, "},
      {operation("TARGET", "Advance").date("Date", 2024, 1, 1),
       "CalendarUtilities: Advance needs the number \"Days\" or the text \"Period\""},
      {operation("TARGET", "Advance").date("Date", 2024, 1, 1).number("Days", 1e12),
       "CalendarUtilities: the number \"Days\" moves the date outside the range of dates"},
      {operation("TARGET", "HolidayList").date("StartDate", 2024, 2, 1).date("EndDate", 2024, 1, 1),
       "CalendarUtilities: the end date 2024-01-01 is before the start date 2024-02-01"},
      {operation("TARGET", "IsHoliday"), "CalendarUtilities: the date \"Date\" is missing"},
  };
  // clang-format on
  for (const row& r : rows) {
    standin::fixedincomeresult result;
    const std::vector<std::string> shown =
        fitest::shownafter("CalendarUtilities", r.inputs, result);
    ASSERT_EQ(shown.size(), 1u) << r.shown;
    EXPECT_EQ(shown[0].substr(0, r.shown.size()), r.shown);
    EXPECT_EQ(result.at(1, 1), 0.0) << r.shown;
  }
  // Advancing past 2199 raises QuantLib's own date error, shown after the function's name.
  standin::fixedincomeresult result;
  const std::vector<std::string> shown = fitest::shownafter(
      "CalendarUtilities",
      operation("NullCalendar", "Advance").date("Date", 2190, 1, 1).text("Period", "20Y"), result);
  EXPECT_EQ(shown, (std::vector<std::string>{
                       "CalendarUtilities: year 2210 out of bound. It must be in [1901,2199]"}));
  EXPECT_EQ(result.at(1, 1), 0.0);
}

}  // namespace
