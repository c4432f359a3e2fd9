// CurveValue: discount factors, zero rates and forward rates read off a kept curve, or off a
// curve given inline as dates with their discount factors (interpolated log-linearly in the
// discount factors), for a list of dates in one call.
#include <ql/math/interpolations/loginterpolation.hpp>
#include <ql/termstructures/yield/discountcurve.hpp>

#include "curvequantities.h"
#include "namedcurves.h"

namespace {

using namespace QuantLib;

enum class quantity { discount, zerorate, forwardrate };

const fikzr::choices<quantity>& quantities() {
  static const fikzr::choices<quantity> table = {{"Discount", quantity::discount},
                                                 {"ZeroRate", quantity::zerorate},
                                                 {"ForwardRate", quantity::forwardrate}};
  return table;
}

// The curve of the rows of table 8: dates after the curve's date, increasing, with positive
// discount factors; the curve's date ("SettlementDate", or the first row's) has discount 1.
ext::shared_ptr<YieldTermStructure> inlinecurve(const fikzr::inputs& in) {
  const std::vector<fikzr::datedrow> rows = in.rows();
  const Date today = in.date("SettlementDate", rows.front().date);
  std::vector<Date> dates{today};
  std::vector<DiscountFactor> discounts{1.0};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string row = "row " + std::to_string(i + 1) + " of table 8";
    if (rows[i].date == today) {
      if (i != 0 || rows[i].amount != 1.0)
        in.fail(row + " is on the curve's date " + fikzr::isodate(today) +
                ", where the discount factor is 1");
      continue;
    }
    if (rows[i].date <= dates.back())
      in.fail(row + " (" + fikzr::isodate(rows[i].date) + ") is not after " +
              (dates.size() == 1 ? "the curve's date " : "the row before it, ") +
              fikzr::isodate(dates.back()));
    if (!(rows[i].amount > 0.0)) in.fail(row + " has a discount factor that is not positive");
    dates.push_back(rows[i].date);
    discounts.push_back(rows[i].amount);
  }
  if (dates.size() < 2) in.fail("the rows of table 8 give no date after the curve's date");
  const DayCounter counter = in.daycounter("DayCounter", "Actual365Fixed");
  return ext::make_shared<InterpolatedDiscountCurve<LogLinear>>(dates, discounts, counter);
}

ext::shared_ptr<YieldTermStructure> requestedcurve(const fikzr::inputs& in) {
  if (in.hastext("Curve")) {
    if (in.hasrows()) in.fail("give the text \"Curve\" or the curve's rows in table 8, not both");
    return fikzr::namedcurve(in, "Curve")->curve;
  }
  if (!in.hasrows())
    in.fail(
        "give the text \"Curve\" (a kept curve) or the curve's dates and discount factors "
        "as rows of table 8");
  return inlinecurve(in);
}

}  // namespace

void QL_CurveValue(fiinputholder& input, fioutputholder& output) {
  fikzr::answer(*input, *output, "CurveValue", [](const fikzr::inputs& in, fioutput& out) {
    const ext::shared_ptr<YieldTermStructure> curve = requestedcurve(in);
    const Date today = curve->referenceDate();
    const std::vector<Date> dates = in.dates("Dates", today);
    for (const Date& date : dates)
      if (date < today)
        in.refuse("text", "Dates",
                  "holds the date " + fikzr::isodate(date) + ", before the curve's date " +
                      fikzr::isodate(today));
    const quantity asked =
        in.choose("Quantity", "Discount", quantities(), "a quantity", "quantities");
    const fikzr::rateconvention rates = fikzr::readrateconvention(
        in, in.hastext("DayCounter") ? in.daycounter("DayCounter", nullptr) : curve->dayCounter());
    const bool extrapolate = in.flag("Extrapolate", curve->allowsExtrapolation());
    const bool tenor = in.hastext("ForwardTenor");
    const Period forwardtenor = tenor ? in.period("ForwardTenor") : Period();

    Date previous = today;
    for (const Date& date : dates) {
      double figure = 0.0;
      switch (asked) {
        case quantity::discount: figure = curve->discount(date, extrapolate); break;
        case quantity::zerorate: figure = fikzr::zerorate(*curve, date, rates, extrapolate); break;
        case quantity::forwardrate:
          if (tenor) {
            figure = fikzr::forwardrate(*curve, date, date + forwardtenor, rates, extrapolate);
          } else {
            if (date <= previous)
              in.refuse("text", "Dates",
                        "must list increasing dates after the curve's date for forward rates "
                        "between them (or give \"ForwardTenor\")");
            figure = fikzr::forwardrate(*curve, previous, date, rates, extrapolate);
          }
          break;
      }
      previous = date;
      out.values.push_back(figure);
      out.datedvalues.push_back({date, figure});
    }
    out.scalar = out.values.front();
  });
}
