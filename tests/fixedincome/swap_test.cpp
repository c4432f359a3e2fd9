// InterestSwap: par swaps are worth nothing at their fair rate, Hull's valuation of a seasoned
// swap is reproduced, and the legs, cash flows, BPS and fair spread of a swap on a flat curve
// match the cash flows discounted by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "ficurves.h"

namespace {

using fitest::frame;
using QuantLib::Date;
using QuantLib::Months;
using QuantLib::Period;

using fitest::today;

// The result's values row.
enum { npv = 1, fairrate, fairspread, fixedleg, floatingleg, fixedbps, floatingbps };

TEST(interestswap, aparswapisworthnothing) {
  const fitest::flatcurve flat{today, 0.04};
  fitest::build(fitest::flatcurveframe("FLAT", flat, 120));
  for (const char* tenor : {"1Y", "5Y", "10Y"}) {
    const standin::fixedincomeresult atm =
        fitest::call("InterestSwap", frame().text("Curve", "FLAT").text("Tenor", tenor));
    ASSERT_EQ(atm.at(1, 1), 1.0) << tenor;
    EXPECT_NEAR(atm.at(2, 1), 0.0, 1e-6) << tenor << ": without a fixed rate, at the fair rate";
    const standin::fixedincomeresult given =
        fitest::call("InterestSwap", frame()
                                         .text("Curve", "FLAT")
                                         .text("Tenor", tenor)
                                         .text("Type", "Receiver")
                                         .number("FixedRate", atm.at(3, fairrate)));
    EXPECT_NEAR(given.at(2, 1), 0.0, 1e-6) << tenor;
    EXPECT_NEAR(atm.at(3, fixedleg), -given.at(3, fixedleg), 1e-6) << tenor << ": the sides";
  }
}

// Hull, Options, Futures, and Other Derivatives, "Valuation in terms of bond prices": a
// financial institution receives 8% a year (semiannually) and pays six-month LIBOR on $100
// million; 1.25 years remain; the 3-, 9- and 15-month zero rates are 10%, 10.5% and 11%
// (continuous compounding); the last fixing was 10.2% (semiannual). The swap is worth
// -$4.267 million to the institution: 98.238 - 102.505.
TEST(interestswap, hullvaluationofaseasonedswap) {
  const double z[] = {0.10, 0.105, 0.11}, t[] = {0.25, 0.75, 1.25};
  std::vector<double> quotes;
  double fixedbond = 0.0;
  for (int i = 0; i < 3; ++i) {
    quotes.push_back((std::exp(z[i] * t[i]) - 1.0) / t[i]);
    fixedbond += (i == 2 ? 104.0 : 4.0) * std::exp(-z[i] * t[i]);
  }
  const double floatingbond = (100.0 + 5.1) * std::exp(-0.10 * 0.25);
  frame curve;
  curve.text("Name", "HULL")
      .date("SettlementDate", today)
      .text("Instruments", "Deposit,Deposit,Deposit")
      .text("Tenors", "3M,9M,15M")
      .list("Quotes", quotes)
      .text("Calendar", "NullCalendar")
      .number("SettlementDays", 0)
      .text("IndexDayCounter", "SimpleDayCounter")
      .text("DayCounter", "SimpleDayCounter");
  fitest::build(curve);
  frame swap;
  swap.text("Curve", "HULL")
      .text("Type", "Receiver")
      .number("Notional", 100e6)
      .date("StartDate", today - Period(3, Months))
      .date("MaturityDate", today + Period(15, Months))
      .number("FixedRate", 0.08)
      .text("FixedFrequency", "Semiannual")
      .text("FixedDayCounter", "SimpleDayCounter")
      .number("CurrentFixing", 0.102);
  const standin::fixedincomeresult r = fitest::call("InterestSwap", swap);
  ASSERT_EQ(r.at(1, 1), 1.0);
  EXPECT_NEAR(r.at(2, 1) / 1e6, -4.267, 5e-4) << "Hull's rounded figure";
  EXPECT_NEAR(r.at(2, 1) / 1e6, fixedbond - floatingbond, 1e-9);
  // The cash flows still to come: three fixed coupons of 4 million, then the floating ones, the
  // first of them fixed at 10.2%.
  const std::vector<fitest::datedamount> flows = fitest::dated(r);
  ASSERT_EQ(flows.size(), 6u);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(flows[i].amount, 4e6, 1e-6) << i;
  EXPECT_NEAR(flows[3].amount, -5.1e6, 1e-6);
  EXPECT_EQ(flows[3].date, today + Period(3, Months));
  // Without the fixing, the running period cannot be priced.
  swap.numbers.pop_back();
  swap.numberids.pop_back();
  standin::fixedincomeresult missing;
  const std::vector<std::string> shown = fitest::shownafter("InterestSwap", swap, missing);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0],
            "InterestSwap: the floating period running at the curve's date fixed on "
            "2023-10-15: give that fixing as the number \"CurrentFixing\"");
}

// A three-year swap on a flat 4% curve, fixed 4.5% semiannually against a three-month index,
// every leg Actual/365 (Fixed): each coupon, leg value and BPS by hand.
TEST(interestswap, legsagainstcashflowsdiscountedbyhand) {
  const fitest::flatcurve flat{today, 0.04};
  fitest::build(fitest::flatcurveframe("FLAT3M", flat, 48, "3M"));
  const double notional = 5e6, rate = 0.045;
  const standin::fixedincomeresult r =
      fitest::call("InterestSwap", frame()
                                       .text("Curve", "FLAT3M")
                                       .text("Tenor", "3Y")
                                       .number("Notional", notional)
                                       .number("FixedRate", rate)
                                       .text("FixedFrequency", "Semiannual"));
  ASSERT_EQ(r.at(1, 1), 1.0);
  const std::vector<fitest::datedamount> flows = fitest::dated(r);
  ASSERT_EQ(flows.size(), 6u + 12u);
  double fixed = 0.0, annuity = 0.0, floating = 0.0, floatingannuity = 0.0;
  for (int i = 1; i <= 6; ++i) {
    const Date start = today + Period(6 * (i - 1), Months), end = today + Period(6 * i, Months);
    const double tau = fitest::years(start, end);
    EXPECT_EQ(flows[i - 1].date, end);
    EXPECT_NEAR(flows[i - 1].amount, -notional * rate * tau, 1e-7) << "fixed coupon " << i;
    fixed += notional * rate * tau * flat.discount(end);
    annuity += notional * tau * flat.discount(end);
  }
  for (int j = 1; j <= 12; ++j) {
    const Date start = today + Period(3 * (j - 1), Months), end = today + Period(3 * j, Months);
    const double tau = fitest::years(start, end);
    const double forward = (flat.discount(start) / flat.discount(end) - 1.0) / tau;
    EXPECT_EQ(flows[5 + j].date, end);
    EXPECT_NEAR(flows[5 + j].amount, notional * forward * tau, 1e-7) << "floating coupon " << j;
    floating += notional * forward * tau * flat.discount(end);
    floatingannuity += notional * tau * flat.discount(end);
  }
  EXPECT_NEAR(r.at(3, fixedleg), -fixed, 1e-6);
  EXPECT_NEAR(r.at(3, floatingleg), floating, 1e-6);
  EXPECT_NEAR(r.at(3, npv), floating - fixed, 1e-6);
  EXPECT_NEAR(r.at(3, fixedbps), -annuity * 1e-4, 1e-8);
  EXPECT_NEAR(r.at(3, floatingbps), floatingannuity * 1e-4, 1e-8);
  EXPECT_NEAR(r.at(3, fairrate), floating / annuity, 1e-12);
  EXPECT_NEAR(r.at(3, fairspread), (fixed - floating) / floatingannuity, 1e-12);
}

TEST(interestswap, unusableinputisreportedbyname) {
  const fitest::flatcurve flat{today, 0.04}, later{today + 1, 0.04};
  fitest::build(fitest::flatcurveframe("FLAT", flat, 60));
  fitest::build(fitest::flatcurveframe("LATER", later, 60));
  auto swap = [] { return frame().text("Curve", "FLAT"); };
  const std::vector<std::pair<frame, std::string>> rows = {
      {frame().text("Tenor", "5Y"), "InterestSwap: the text \"Curve\" is missing"},
      {swap(), "InterestSwap: give either the date \"MaturityDate\" or the text \"Tenor\""},
      {swap().text("Tenor", "5Y").date("MaturityDate", 2029, 1, 15),
       "InterestSwap: give either the date \"MaturityDate\" or the text \"Tenor\""},
      {swap().date("StartDate", 2025, 1, 15).date("MaturityDate", 2025, 1, 15),
       "InterestSwap: the maturity date 2025-01-15 is not after the start date 2025-01-15"},
      {swap().text("Tenor", "-5Y"),
       "InterestSwap: the text \"Tenor\" must be a period longer than nothing"},
      {swap().text("Tenor", "5Y").number("FixedRate", 500),
       "InterestSwap: the number \"FixedRate\" must lie between -100 and 100"},
      {swap().text("Tenor", "5Y").number("Notional", 0),
       "InterestSwap: the number \"Notional\" must be positive"},
      {swap().text("Tenor", "5Y").text("Type", "Buyer"),
       "InterestSwap: the text \"Type\" must name a swap type, not \"Buyer\"; the swap types "
       "are: Payer, Receiver"},
      {swap().text("Tenor", "5Y").text("FixedDayCounter", "Act360"),
       "InterestSwap: the text \"FixedDayCounter\" must name a day counter, not \"Act360\""},
      {swap().text("Tenor", "5Y").date("StartDate", 2025, 1, 15).number("CurrentFixing", 0.05),
       "InterestSwap: \"CurrentFixing\" is given, but no period of the floating leg fixed on or "
       "before the curve's date 2024-01-15"},
      {swap().text("Tenor", "5Y").text("DiscountCurve", "LATER"),
       "InterestSwap: the curves \"FLAT\" and \"LATER\" have different dates, 2024-01-15 and "
       "2024-01-16"},
      {swap().text("Tenor", "10Y"), "InterestSwap: "},  // past the curve's last pillar
      {swap().date("StartDate", 1950, 1, 1).text("Tenor", "5Y"),
       "InterestSwap: the swap ends on 1955-01-01, not after the curve's date 2024-01-15"},
      // A result that overflows is a failure, not an answer.
      {swap().text("Tenor", "5Y").number("Notional", 1e308),
       "InterestSwap: the result is not finite: the inputs lie outside what the method can "
       "price"},
  };
  for (const auto& row : rows) fitest::expectrefused("InterestSwap", row.first, row.second);
}

}  // namespace
