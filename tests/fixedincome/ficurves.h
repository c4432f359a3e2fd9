// Curves for the fixed-income tests whose discount factors are known in closed form, and small
// readers of the result table.
//
// A flat curve is bootstrapped from deposits that start on the curve's date and end every three
// months, on no calendar, each quoted at the simple rate of a continuously compounded `rate`
// over its Actual/365 (Fixed) period. Interpolated log-linearly in the discount factors, it gives
// P(d) = exp(-rate (d - today) / 365) at every date d up to its last pillar, so the tests can
// discount by hand.
#ifndef KZR_TESTS_FICURVES_H
#define KZR_TESTS_FICURVES_H

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <ql/time/date.hpp>

#include "fiframe.h"

namespace fitest {

// The curves' date in these tests, a Monday.
inline const QuantLib::Date today(15, QuantLib::January, 2024);

inline double years(const QuantLib::Date& from, const QuantLib::Date& to) {
  return static_cast<double>(to - from) / 365.0;
}

struct flatcurve {
  QuantLib::Date today;
  double rate;
  double discount(const QuantLib::Date& d) const { return std::exp(-rate * years(today, d)); }
};

// The frame that builds `curve` under `name` out to `months` (a multiple of 3); `indextenor`
// is the tenor of its floating index. Every leg counts its days Actual/365 (Fixed).
inline frame flatcurveframe(const std::string& name, const flatcurve& curve, int months,
                            const std::string& indextenor = "6M") {
  std::string instruments, tenors;
  std::vector<double> quotes;
  for (int m = 3; m <= months; m += 3) {
    const double tau = years(curve.today, curve.today + QuantLib::Period(m, QuantLib::Months));
    instruments += std::string(m > 3 ? "," : "") + "Deposit";
    tenors += (m > 3 ? "," : "") + std::to_string(m) + "M";
    quotes.push_back((std::exp(curve.rate * tau) - 1.0) / tau);
  }
  frame f;
  f.text("Name", name)
      .date("SettlementDate", curve.today)
      .text("Calendar", "NullCalendar")
      .number("SettlementDays", 0)
      .text("IndexTenor", indextenor)
      .text("IndexDayCounter", "Actual365Fixed")
      .text("FixedDayCounter", "Actual365Fixed")
      .text("Instruments", instruments)
      .text("Tenors", tenors)
      .list("Quotes", quotes);
  return f;
}

// A one-quote SOFR curve kept under `name`, for the refusals of term-index instruments.
inline frame overnightcurveframe(const std::string& name) {
  frame f;
  f.text("Name", name)
      .date("SettlementDate", today)
      .text("Index", "SOFR")
      .text("Instruments", "OIS")
      .text("Tenors", "1Y")
      .list("Quotes", {0.04});
  return f;
}

// Builds a curve and checks that it was kept.
inline void build(const frame& curve) {
  standin::fixedincomeresult result;
  const std::vector<std::string> shown = shownafter("Curve", curve, result);
  ASSERT_EQ(result.at(1, 1), 1.0) << (shown.empty() ? "" : shown[0]);
}

// The result's values row and its dated values.
inline std::vector<double> values(const standin::fixedincomeresult& r) {
  std::vector<double> v;
  for (hostinteger k = 1; k <= r.columns(); ++k) v.push_back(r.at(3, k));
  return v;
}
struct datedamount {
  QuantLib::Date date;
  double amount;
};
inline std::vector<datedamount> dated(const standin::fixedincomeresult& r) {
  std::vector<datedamount> d;
  for (hostinteger k = 1; k <= r.columns(); ++k)
    if (r.at(4, k) >= 1902)
      d.push_back({QuantLib::Date(static_cast<int>(r.at(6, k)),
                                  static_cast<QuantLib::Month>(static_cast<int>(r.at(5, k))),
                                  static_cast<int>(r.at(4, k))),
                   r.at(7, k)});
  return d;
}

// Calls `name` and expects status 0 with one message that starts with `start`.
inline void expectrefused(const std::string& name, const frame& inputs, const std::string& start) {
  standin::fixedincomeresult result;
  const std::vector<std::string> shown = shownafter(name, inputs, result);
  ASSERT_EQ(shown.size(), 1u) << start;
  EXPECT_EQ(shown[0].substr(0, start.size()), start);
  EXPECT_EQ(result.at(1, 1), 0.0) << start;
  EXPECT_EQ(result.dims, (std::vector<hostinteger>{7, 1})) << start << ": nothing is half-kept";
}

}  // namespace fitest

#endif  // KZR_TESTS_FICURVES_H
