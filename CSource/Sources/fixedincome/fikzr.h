// The declarations of the sibling fixed-income library (platform/fikzr implements them): the
// records it exchanges with libkzr.so and its twelve functions, one per instrument name of fifun.
//
// Every function takes the input record and the output record through their single-owner holders
// and returns nothing. It reads the maps, tables and dated series of the input (which it must not
// keep: the caller destroys the input, and the seriesview pointers inside it, when the function
// returns) and fills the output: `values`, `datedvalues` (every date a valid date from 1901 to
// 2199) and `scalar`. A failure is raised as an error derived from std::exception whose what()
// text is shown to the user unchanged; results written before it stay in the output.
//
// The keys each function reads, its defaults and what it writes are listed with the function
// below and in docs/fixedincome.md. Dates use QuantLib::Date. Not thread-safe (QuantLib's global
// settings are process-wide): calls must not overlap.
#ifndef KZR_FIXEDINCOME_FIKZR_H
#define KZR_FIXEDINCOME_FIKZR_H

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <ql/time/date.hpp>

#define FIKZR_EXPORT __attribute__((visibility("default")))

// One table row read as a counted series: `count` is the row's first value truncated toward zero,
// `values` points at the row's second value inside the caller's storage (borrowed for one call).
struct seriesview {
  std::int32_t count = 0;
  const double* values = nullptr;
};

// One item per table row: the row's date and its amount.
struct datedseries {
  std::vector<QuantLib::Date> dates;
  std::vector<double> values;
};

// An owned array of doubles.
struct realarray {
  std::unique_ptr<double[]> elements;
  std::int64_t size = 0;
};

struct fiinput {
  std::map<std::string, QuantLib::Date> datemap;
  std::map<std::string, double> numbermap;
  std::map<std::string, std::string> textmap;
  std::vector<double> sparevalues;
  std::vector<seriesview> spareviews1;
  std::vector<seriesview> spareviews2;
  std::vector<seriesview> views9;
  std::vector<seriesview> views8;
  realarray values10;
  std::vector<seriesview> views10;
  datedseries series9;
  datedseries series8;
  std::map<std::string, std::vector<double>> listmap;
};

struct datedvalue {
  QuantLib::Date date;
  double amount = 0.0;
};

// The scalar starts as the undefined value (the signalling not-a-number with bit pattern
// 0x7FF0000000000001), so a function that sets none reports an undefined scalar.
inline double unsetscalar() {
  const std::uint64_t bits = 0x7FF0000000000001ULL;
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

struct fioutput {
  std::vector<double> values;
  std::vector<datedvalue> datedvalues;
  double scalar = unsetscalar();
};

using fiinputholder = std::unique_ptr<fiinput>;
using fioutputholder = std::unique_ptr<fioutput>;
using fixedincomefunction = void (*)(fiinputholder& input, fioutputholder& output);

// Bond price, yield and risk figures of a fixed-rate bullet bond.
//   dates "IssueDate", "MaturityDate", "SettlementDate" (issue <= settlement < maturity);
//   numbers "Coupon" (annual rate, 0.06 for 6%), "FaceAmount" (default 100), and either
//   "Yield" (gives the price) or "CleanPrice" (per 100 of face; gives the yield);
//   texts "DayCounter" (default "ActualActualISMA"), "Calendar" (default "NullCalendar"),
//   "Convention" (default "Unadjusted"), "Frequency" (default "Semiannual"), "Compounding" of the
//   yield ("Compounded" at the coupon frequency by default, "Continuous", "Simple").
//   scalar: the clean price, or the yield when a price was given; values: clean price, dirty
//   price, accrued amount (the three per 100 of face), yield, Macaulay duration, modified
//   duration, convexity; dated values: the cash flows (coupons, then the redemption) in units of
//   the face amount.
FIKZR_EXPORT void QL_FixedBond(fiinputholder& input, fioutputholder& output);
// Days between "StartDate" and "EndDate" under the day counter named by "DayCounter" ("Calendar"
// is read by "Business252" only, default "Brazil"). scalar: the day count.
FIKZR_EXPORT void QL_DayCount(fiinputholder& input, fioutputholder& output);
// As QL_DayCount, with optional reference-period dates "ReferenceStart" and "ReferenceEnd".
// scalar: the year fraction.
FIKZR_EXPORT void QL_YearFraction(fiinputholder& input, fioutputholder& output);
FIKZR_EXPORT void QL_Curve(fiinputholder& input, fioutputholder& output);
FIKZR_EXPORT void QL_CurveValue(fiinputholder& input, fioutputholder& output);
FIKZR_EXPORT void QL_Capfloor(fiinputholder& input, fioutputholder& output);
FIKZR_EXPORT void QL_Swap(fiinputholder& input, fioutputholder& output);
FIKZR_EXPORT void QL_CDS(fiinputholder& input, fioutputholder& output);
FIKZR_EXPORT void QL_Swaption(fiinputholder& input, fioutputholder& output);
FIKZR_EXPORT void QL_Calibration(fiinputholder& input, fioutputholder& output);
// Calendar questions on the calendar named by "Calendar", chosen by the text "Operation":
//   "IsBusinessDay", "IsHoliday": date "Date"; scalar 1 or 0.
//   "Adjust": date "Date", text "Convention" (default "Following").
//   "Advance": date "Date", number "Days" or text "Period" ("3M", "1Y", "2W"), text "Convention"
//   (default "Following").
//     Adjust and Advance: one dated value, the resulting date with the calendar days moved as its
//     amount; scalar: those days.
//   "BusinessDaysBetween": dates "StartDate", "EndDate"; scalar: business days from the start
//   (counted) to the end (not counted).
//   "HolidayList": dates "StartDate", "EndDate"; the holidays that fall on weekdays, as dated
//   values of amount 1; scalar: their number.
FIKZR_EXPORT void QL_CalendarUtilities(fiinputholder& input, fioutputholder& output);
FIKZR_EXPORT void QL_BondOption(fiinputholder& input, fioutputholder& output);

#endif  // KZR_FIXEDINCOME_FIKZR_H
