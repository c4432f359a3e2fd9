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
// The curve functions below share their keys ("Curve", "DiscountCurve", "Notional", "StartDate",
// "MaturityDate" or "Tenor", the fixed and floating legs' conventions, "Volatility",
// "VolatilityType", "Shift", "MeanReversion", "Sigma", "TimeSteps"); docs/fixedincome.md gives
// every key with its default. Prices are as of the kept curve's date.
//
// Bootstraps a yield curve from the quotes "Instruments", "Tenors", "Quotes" on the date
// "SettlementDate", with a named "Index" or the index's conventions, and keeps it under "Name";
// "Operation" List, Remove or Clear works on the kept curves instead. scalar: the number of
// pillars; values: the zero rates at the pillars; dated values: the pillars' discount factors.
FIKZR_EXPORT void QL_Curve(fiinputholder& input, fioutputholder& output);
// Discount factors, zero rates or forward rates ("Quantity") of a kept curve "Curve", or of a
// curve given as rows of table 8, at the dates of "Dates". values and dated values: the figures.
FIKZR_EXPORT void QL_CurveValue(fiinputholder& input, fioutputholder& output);
// A cap, floor or collar on the index of a kept curve with a flat volatility. scalar: the NPV;
// values: NPV, at-the-money rate; dated values: the optionlets' values.
FIKZR_EXPORT void QL_Capfloor(fiinputholder& input, fioutputholder& output);
// A fixed-for-floating swap on a kept curve. scalar: the NPV; values: NPV, fair rate, fair
// spread, the legs' NPVs and BPS; dated values: the payments to come, signed for the holder.
FIKZR_EXPORT void QL_Swap(fiinputholder& input, fioutputholder& output);
// A credit default swap discounted on a kept curve, with a flat or bootstrapped hazard curve.
// scalar: the NPV; values: NPV, fair spread, fair upfront, the legs; dated values: survival
// probabilities.
FIKZR_EXPORT void QL_CDS(fiinputholder& input, fioutputholder& output);
// A European swaption on a kept curve: flat volatility (Black, Bachelier) or Hull-White (tree,
// Jamshidian). scalar: the NPV; values: NPV, forward swap rate, annuity, implied volatility.
FIKZR_EXPORT void QL_Swaption(fiinputholder& input, fioutputholder& output);
// Hull-White calibrated to swaption volatilities on a kept curve. scalar: the calibration error;
// values: a, sigma, the error, then each swaption's model and market values.
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
// A callable or puttable fixed-rate bond (FixedBond's terms, the exercise schedule as rows of
// table 8) under Hull-White on a kept curve. scalar: the clean price; values: clean, dirty,
// accrued, the straight bond's clean price, the option's value, the option-adjusted spread of
// "CleanPrice"; dated values: the cash flows to come.
FIKZR_EXPORT void QL_BondOption(fiinputholder& input, fioutputholder& output);

#endif  // KZR_FIXEDINCOME_FIKZR_H
