// Curve and CurveValue: bootstrapped curves reprice their quotes (their definition), a textbook
// bootstrap gives its published zero rate, the table of kept curves keeps, replaces, lists and
// forgets, a failed build leaves the kept curve as it was, and curve values match the discount
// factors and rates worked out by hand.
#include <gtest/gtest.h>

#include <cmath>

#include <ql/time/calendars/target.hpp>
#include <ql/time/imm.hpp>

#include "ficurves.h"

namespace {

using fitest::frame;
using QuantLib::Date;
using QuantLib::Period;

using fitest::today;

standin::fixedincomeresult curvevalue(const std::string& curve, const std::string& dates,
                                      const std::string& quantity = "Discount") {
  return fitest::call("CurveValue",
                      frame().text("Curve", curve).text("Dates", dates).text("Quantity", quantity));
}

std::string isodate(const Date& d) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year(), static_cast<int>(d.month()),
                d.dayOfMonth());
  return text;
}

// The simple Actual/360 forward rate from `start` to `end` on a kept curve.
double simpleforward(const std::string& curve, const Date& start, const Date& end) {
  const standin::fixedincomeresult r =
      fitest::call("CurveValue", frame()
                                     .text("Curve", curve)
                                     .text("Dates", isodate(start) + "," + isodate(end))
                                     .text("Quantity", "ForwardRate")
                                     .text("Compounding", "Simple")
                                     .text("DayCounter", "Actual360"));
  EXPECT_EQ(r.at(1, 1), 1.0);
  return r.at(3, 2);
}

// The fair rate of a swap of a quoted tenor on a kept curve.
double fairrate(const frame& swap) {
  const standin::fixedincomeresult r = fitest::call("InterestSwap", swap);
  EXPECT_EQ(r.at(1, 1), 1.0);
  return r.at(3, 2);
}

// Hull, Options, Futures, and Other Derivatives, section "Determining LIBOR/swap zero rates":
// the 6-, 12- and 18-month zero rates are 4%, 4.5% and 4.8% (continuous compounding) and the
// two-year swap rate with semiannual payments is 5%; the two-year zero rate is then 4.953%,
// from 2.5 e^{-0.04x0.5} + 2.5 e^{-0.045x1} + 2.5 e^{-0.048x1.5} + 102.5 e^{-2R} = 100.
TEST(curve, hullbootstrapgivesthepublishedtwoyearzerorate) {
  const double z[] = {0.04, 0.045, 0.048}, t[] = {0.5, 1.0, 1.5};
  std::vector<double> quotes;
  for (int i = 0; i < 3; ++i) quotes.push_back((std::exp(z[i] * t[i]) - 1.0) / t[i]);
  quotes.push_back(0.05);
  frame f;
  f.date("SettlementDate", today)
      .text("Instruments", "Deposit,Deposit,Deposit,Swap")
      .text("Tenors", "6M,12M,18M,2Y")
      .list("Quotes", quotes)
      .text("Calendar", "NullCalendar")
      .number("SettlementDays", 0)
      .text("IndexDayCounter", "SimpleDayCounter")
      .text("FixedDayCounter", "SimpleDayCounter")
      .text("FixedFrequency", "Semiannual")
      .text("DayCounter", "SimpleDayCounter");
  const standin::fixedincomeresult r = fitest::call("Curve", f);
  ASSERT_EQ(r.at(1, 1), 1.0);
  ASSERT_EQ(r.dims, (std::vector<hostinteger>{7, 4}));
  EXPECT_EQ(r.at(2, 1), 4.0) << "four pillars";
  const double coupons =
      2.5 * (std::exp(-0.04 * 0.5) + std::exp(-0.045 * 1.0) + std::exp(-0.048 * 1.5));
  const double exact = -std::log((100.0 - coupons) / 102.5) / 2.0;
  EXPECT_NEAR(r.at(3, 4), 0.04953, 5e-6) << "Hull's rounded figure";
  EXPECT_NEAR(r.at(3, 4), exact, 1e-12);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(r.at(3, i + 1), z[i], 1e-12) << "the deposits' zeros";
  const std::vector<fitest::datedamount> pillars = fitest::dated(r);
  EXPECT_EQ(pillars[3].date, Date(15, QuantLib::January, 2026));
  EXPECT_NEAR(pillars[3].amount, std::exp(-2.0 * exact), 1e-12);
}

// A curve of every kind of quote on the Euribor 6M conventions (TARGET, spot two days on,
// Actual/360, end of month) prices each quote back: deposits, the FRA and the futures as simple
// forward rates between their own dates, the swaps as fair rates.
TEST(curve, everyquotereprices) {
  const QuantLib::Calendar target = QuantLib::TARGET();
  const Date spot = target.advance(today, 2, QuantLib::Days);
  auto advance = [&](const Date& d, int months) {
    return target.advance(d, Period(months, QuantLib::Months), QuantLib::ModifiedFollowing, true);
  };
  const Date h5 = QuantLib::IMM::date("H5", today), m5 = QuantLib::IMM::date("M5", today);
  const std::vector<std::string> interpolations = {"LogLinearDiscount", "LinearZero", "FlatForward",
                                                   "KrugerLogDiscount", "NaturalCubicZero"};
  for (const std::string& interpolation : interpolations) {
    frame f;
    f.text("Name", "EUR6M")
        .date("SettlementDate", today)
        .text("Index", "Euribor6M")
        .text("Interpolation", interpolation)
        .text("Instruments", "Deposit,Deposit,Deposit,FRA,Future,Future,Swap,Swap,Swap,Swap")
        .text("Tenors", "1M,3M,6M,6x12,H5,M5,2Y,3Y,5Y,10Y")
        .list("Quotes",
              {0.0390, 0.0392, 0.0389, 0.0360, 96.70, 96.95, 0.0310, 0.0295, 0.0280, 0.0275});
    fitest::build(f);
    const double tolerance = 1e-10;
    EXPECT_NEAR(simpleforward("EUR6M", spot, advance(spot, 1)), 0.0390, tolerance) << interpolation;
    EXPECT_NEAR(simpleforward("EUR6M", spot, advance(spot, 3)), 0.0392, tolerance) << interpolation;
    EXPECT_NEAR(simpleforward("EUR6M", spot, advance(spot, 6)), 0.0389, tolerance) << interpolation;
    EXPECT_NEAR(simpleforward("EUR6M", advance(spot, 6), advance(advance(spot, 6), 6)), 0.0360,
                tolerance)
        << interpolation;
    EXPECT_NEAR(simpleforward("EUR6M", h5, advance(h5, 3)), 1.0 - 0.9670, tolerance)
        << interpolation;
    EXPECT_NEAR(simpleforward("EUR6M", m5, advance(m5, 3)), 1.0 - 0.9695, tolerance)
        << interpolation;
    const std::pair<const char*, double> swaps[] = {
        {"2Y", 0.0310}, {"3Y", 0.0295}, {"5Y", 0.0280}, {"10Y", 0.0275}};
    for (const auto& swap : swaps)
      EXPECT_NEAR(fairrate(frame().text("Curve", "EUR6M").text("Tenor", swap.first)), swap.second,
                  tolerance)
          << interpolation << " " << swap.first;
  }
}

// Overnight-indexed swaps on ESTR, and a Euribor curve whose swaps are discounted on that ESTR
// curve: each prices its quotes back (the second with the same discounting).
TEST(curve, overnightcurvesanddualcurvebootstrapsreprice) {
  frame ois;
  ois.text("Name", "ESTR")
      .date("SettlementDate", today)
      .text("Index", "ESTR")
      .text("Instruments", "OIS,OIS,OIS,OIS,OIS,OIS")
      .text("Tenors", "1M,3M,6M,1Y,2Y,5Y")
      .list("Quotes", {0.0390, 0.0388, 0.0380, 0.0360, 0.0320, 0.0285});
  fitest::build(ois);
  const std::pair<const char*, double> quotes[] = {{"1M", 0.0390}, {"1Y", 0.0360}, {"5Y", 0.0285}};
  for (const auto& q : quotes)
    EXPECT_NEAR(fairrate(frame().text("Curve", "ESTR").text("Tenor", q.first)), q.second, 1e-10)
        << q.first;

  frame euribor;
  euribor.text("Name", "EUR6M-ESTR")
      .date("SettlementDate", today)
      .text("Index", "Euribor6M")
      .text("DiscountCurve", "ESTR")
      .text("Instruments", "Deposit,Swap,Swap")
      .text("Tenors", "6M,2Y,5Y")
      .list("Quotes", {0.0389, 0.0315, 0.0290});
  fitest::build(euribor);
  EXPECT_NEAR(
      fairrate(
          frame().text("Curve", "EUR6M-ESTR").text("DiscountCurve", "ESTR").text("Tenor", "5Y")),
      0.0290, 1e-10);
  EXPECT_GT(std::fabs(fairrate(frame().text("Curve", "EUR6M-ESTR").text("Tenor", "5Y")) - 0.0290),
            1e-6)
      << "discounted on its own curve, the swap is not at par";
}

// Kept curves: built once and found by name, replaced by a build of the same name, left alone by
// a build that fails, listed, removed and cleared.
TEST(curve, thetableofkeptcurves) {
  fitest::call("Curve", frame().text("Operation", "Clear"));
  const Date later(15, QuantLib::January, 2027);
  const fitest::flatcurve three{today, 0.03}, five{today, 0.05};
  auto discount = [&](const std::string& name) {
    const standin::fixedincomeresult r = curvevalue(name, "2027-01-15");
    EXPECT_EQ(r.at(1, 1), 1.0) << name;
    return r.at(2, 1);
  };
  fitest::build(fitest::flatcurveframe("K", three, 60));
  EXPECT_NEAR(discount("K"), three.discount(later), 1e-12);
  fitest::build(fitest::flatcurveframe("K", five, 60));
  EXPECT_NEAR(discount("K"), five.discount(later), 1e-12) << "replaced";

  // Failed builds of the same name: an input refused, and a bootstrap that fails.
  frame refused = fitest::flatcurveframe("K", three, 60);
  refused.text("Interpolation", "Sideways");
  fitest::expectrefused("Curve", refused,
                        "Curve: the text \"Interpolation\" must name an interpolation, not "
                        "\"Sideways\"; the interpolations are: LogLinearDiscount, LinearZero, "
                        "FlatForward, KrugerLogDiscount, NaturalCubicZero");
  frame unbootstrappable = fitest::flatcurveframe("K", three, 6);
  unbootstrappable.list("Quotes", {0.03, -50.0});  // a discount factor below zero at 6M
  fitest::expectrefused("Curve", unbootstrappable, "Curve: the bootstrap failed: ");
  EXPECT_NEAR(discount("K"), five.discount(later), 1e-12) << "still the last good build";

  // Without a name nothing is kept.
  frame unnamed = fitest::flatcurveframe("", three, 12);
  unnamed.text("Name", "L");
  fitest::build(unnamed);
  fitest::build(fitest::flatcurveframe("M", three, 12));
  standin::fixedincomeresult list = fitest::call("Curve", frame().text("Operation", "List"));
  ASSERT_EQ(list.at(1, 1), 1.0);
  EXPECT_EQ(list.at(2, 1), 3.0);
  const std::vector<fitest::datedamount> rows = fitest::dated(list);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].date, today);
  EXPECT_EQ(rows[0].amount, 20.0) << "K, in name order: twenty pillars";
  EXPECT_EQ(rows[2].amount, 4.0) << "M";

  const standin::fixedincomeresult removed =
      fitest::call("Curve", frame().text("Operation", "Remove").text("Name", "K"));
  EXPECT_EQ(removed.at(2, 1), 1.0);
  fitest::expectrefused("CurveValue", frame().text("Curve", "K").text("Dates", "1Y"),
                        "CurveValue: the text \"Curve\" names no kept curve: \"K\" (the kept "
                        "curves are: L, M)");
  const standin::fixedincomeresult cleared =
      fitest::call("Curve", frame().text("Operation", "Clear"));
  EXPECT_EQ(cleared.at(2, 1), 2.0);
  fitest::expectrefused("CurveValue", frame().text("Curve", "M").text("Dates", "1Y"),
                        "CurveValue: the text \"Curve\" names no kept curve: \"M\" (the kept "
                        "curves are: none; Curve with a \"Name\" keeps one)");
}

// Curve values on a flat 4% curve and on a curve given inline, against the formulas.
TEST(curvevalue, discountfactorsandratesbyhand) {
  const fitest::flatcurve flat{today, 0.04};
  fitest::build(fitest::flatcurveframe("FLAT", flat, 120));
  const std::vector<Date> dates = {Date(15, QuantLib::July, 2024), Date(3, QuantLib::March, 2027),
                                   Date(15, QuantLib::January, 2034)};
  const std::string list = "6M,2027-03-03,10Y";
  standin::fixedincomeresult r = curvevalue("FLAT", list);
  ASSERT_EQ(r.at(1, 1), 1.0);
  for (std::size_t i = 0; i < dates.size(); ++i) {
    EXPECT_NEAR(r.at(3, i + 1), flat.discount(dates[i]), 1e-12) << i;
    EXPECT_EQ(fitest::dated(r)[i].date, dates[i]);
  }
  EXPECT_EQ(r.at(2, 1), r.at(3, 1)) << "the scalar is the first figure";

  // Zero and forward rates in three conventions: continuous, annual, simple.
  r = curvevalue("FLAT", list, "ZeroRate");
  for (std::size_t i = 0; i < dates.size(); ++i) EXPECT_NEAR(r.at(3, i + 1), 0.04, 1e-12);
  r = fitest::call("CurveValue", frame()
                                     .text("Curve", "FLAT")
                                     .text("Dates", list)
                                     .text("Quantity", "ZeroRate")
                                     .text("Compounding", "Compounded"));
  EXPECT_NEAR(r.at(3, 3), std::exp(0.04) - 1.0, 1e-12);
  r = fitest::call("CurveValue", frame()
                                     .text("Curve", "FLAT")
                                     .text("Dates", list)
                                     .text("Quantity", "ForwardRate")
                                     .text("Compounding", "Simple"));
  Date previous = today;
  for (std::size_t i = 0; i < dates.size(); ++i) {
    const double tau = fitest::years(previous, dates[i]);
    EXPECT_NEAR(r.at(3, i + 1), (std::exp(0.04 * tau) - 1.0) / tau, 1e-12) << i;
    previous = dates[i];
  }
  r = fitest::call("CurveValue", frame()
                                     .text("Curve", "FLAT")
                                     .text("Dates", list)
                                     .text("Quantity", "ForwardRate")
                                     .text("ForwardTenor", "3M")
                                     .number("Extrapolate", 1));  // 3M past the last pillar
  for (std::size_t i = 0; i < dates.size(); ++i) EXPECT_NEAR(r.at(3, i + 1), 0.04, 1e-12) << i;

  // An inline curve: log-linear in the discount factors between its rows.
  frame inlined;
  inlined.row8(Date(15, QuantLib::January, 2025), 0.96)
      .row8(Date(15, QuantLib::January, 2026), 0.90);
  inlined.date("SettlementDate", today).text("Dates", "2025-01-15,2025-07-16");
  r = fitest::call("CurveValue", inlined);
  ASSERT_EQ(r.at(1, 1), 1.0);
  EXPECT_NEAR(r.at(3, 1), 0.96, 1e-15);
  const double w = 182.0 / 365.0;  // 15 January to 16 July 2025 of the year to 15 January 2026
  EXPECT_NEAR(r.at(3, 2), std::exp((1.0 - w) * std::log(0.96) + w * std::log(0.90)), 1e-14);
}

TEST(curve, unusableinputisreportedbyname) {
  fitest::call("Curve", frame().text("Operation", "Clear"));
  const fitest::flatcurve flat{today, 0.03};
  fitest::build(fitest::flatcurveframe("GOOD", flat, 24));
  auto curve = [&](const char* instruments, const char* tenors, std::vector<double> quotes) {
    frame f;
    f.date("SettlementDate", today)
        .text("Instruments", instruments)
        .text("Tenors", tenors)
        .list("Quotes", quotes);
    return f;
  };
  frame withcalendar = curve("Swap", "2Y", {0.03});
  withcalendar.text("Index", "Euribor6M").text("Calendar", "TARGET");
  frame overnightswap = curve("Swap", "2Y", {0.03});
  overnightswap.text("Index", "SOFR");
  frame oisonterm = curve("OIS", "2Y", {0.03});
  frame unknownindex = curve("Swap", "2Y", {0.03});
  unknownindex.text("Index", "Libor");
  frame twice = curve("Deposit,Deposit", "3M,3M", {0.03, 0.031});
  std::string deposits = "Deposit";
  for (int i = 0; i < 200; ++i) deposits += ",Deposit";
  const frame toomany = curve(deposits.c_str(), "3M", {0.03});
  const std::vector<std::pair<frame, std::string>> rows = {
      {frame().text("Instruments", "Swap"), "Curve: the date \"SettlementDate\" is missing"},
      {curve("Bond", "2Y", {0.03}),
       "Curve: the text \"Instruments\" must list instrument kinds (Deposit, FRA, Future, Swap, "
       "OIS); \"Bond\" is not one"},
      {curve("Swap,Swap", "2Y", {0.03, 0.04}),
       "Curve: the text \"Tenors\" has 1 items; it needs one for each of the 2 items of "
       "\"Instruments\""},
      {curve("Swap,Swap", "2Y,3Y", {0.03}),
       "Curve: the list \"Quotes\" has 1 values; it needs one for each of the 2 items of "
       "\"Instruments\""},
      {curve("Swap", "2Y", {std::nan("")}),
       "Curve: the list \"Quotes\" has a value that is not finite (value 1)"},
      {curve("Deposit,", "3M,6M", {0.03, 0.03}),
       "Curve: the text \"Instruments\" must list items separated by commas; item 2 is empty"},
      {curve("FRA", "6M", {0.03}),
       "Curve: the text \"Tenors\" item 1 must be months to start x months to end, such as 3x6, "
       "for a FRA, not \"6M\""},
      {curve("Future", "A9", {96.0}),
       "Curve: the text \"Tenors\" item 1 must be an IMM code such as H5, M5, U5 or Z5 for a "
       "future, not \"A9\""},
      {curve("Deposit", "3Q", {0.03}),
       "Curve: the text \"Tenors\" item 1 must be a period such as 3M or 2Y, not \"3Q\""},
      {overnightswap,
       "Curve: item 1 of \"Instruments\" is a Swap, which needs a term index; the index of this "
       "curve is overnight (quote OIS instead)"},
      {oisonterm, "Curve: item 1 of \"Instruments\" is an OIS, which needs an overnight index"},
      {withcalendar,
       "Curve: \"Calendar\" describes an index of your own, and \"Index\" names one with its "
       "conventions: give one or the other"},
      {unknownindex,
       "Curve: the text \"Index\" must name an index, not \"Libor\"; the indexes are: Euribor1M, "
       "Euribor3M, Euribor6M, Euribor12M, USDLibor3M, GBPLibor6M, SOFR, ESTR, SONIA, FedFunds"},
      {twice, "Curve: the bootstrap failed: "},
      {curve("Swap", "2Y", {0.03}).text("DiscountCurve", "NONE"),
       "Curve: the text \"DiscountCurve\" names no kept curve: \"NONE\""},
      {curve("Swap", "2Y", {0.03}).number("SettlementDays", 2.5),
       "Curve: the number \"SettlementDays\" must be a whole number from 0 to 30"},
      {curve("Swap", "2Y", {0.03}).number("Extrapolate", 2),
       "Curve: the number \"Extrapolate\" must be 0 or 1"},
      {toomany,
       "Curve: the text \"Instruments\" lists more than 200 items (a bound on the work of one "
       "call)"},
      {frame().text("Operation", "Sort"),
       "Curve: the text \"Operation\" must name an operation, not \"Sort\"; the operations are: "
       "Build, List, Remove, Clear"},
      {frame().text("Operation", "Remove").text("Name", "NONE"),
       "Curve: the text \"Name\" names no kept curve: \"NONE\" (the kept curves are: GOOD)"},
  };
  for (const auto& row : rows) fitest::expectrefused("Curve", row.first, row.second);
}

TEST(curvevalue, unusableinputisreportedbyname) {
  const fitest::flatcurve flat{today, 0.03};
  fitest::build(fitest::flatcurveframe("GOOD", flat, 24));
  auto on = [](const char* dates) { return frame().text("Curve", "GOOD").text("Dates", dates); };
  frame both = on("1Y");
  both.row8(Date(15, QuantLib::January, 2025), 0.97);
  frame descending;
  descending.row8(Date(15, QuantLib::January, 2026), 0.9)
      .row8(Date(15, QuantLib::January, 2025), 0.95);
  descending.date("SettlementDate", today).text("Dates", "1Y");
  frame negative;
  negative.row8(Date(15, QuantLib::January, 2025), -0.9).date("SettlementDate", today);
  negative.text("Dates", "1Y");
  const std::vector<std::pair<frame, std::string>> rows = {
      {frame().text("Dates", "1Y"),
       "CurveValue: give the text \"Curve\" (a kept curve) or the curve's dates and discount "
       "factors as rows of table 8"},
      {both, "CurveValue: give the text \"Curve\" or the curve's rows in table 8, not both"},
      {on("1Y,2024-02-30"),
       "CurveValue: the text \"Dates\" must list dates (YYYY-MM-DD) or periods such as 6M or 2Y; "
       "\"2024-02-30\" is neither"},
      {on("2023-12-31"),
       "CurveValue: the text \"Dates\" holds the date 2023-12-31, before the curve's date "
       "2024-01-15"},
      {on("1Y").text("Quantity", "Yield"),
       "CurveValue: the text \"Quantity\" must name a quantity, not \"Yield\"; the quantities "
       "are: Discount, ZeroRate, ForwardRate"},
      {on("2Y,1Y").text("Quantity", "ForwardRate"),
       "CurveValue: the text \"Dates\" must list increasing dates after the curve's date for "
       "forward rates between them (or give \"ForwardTenor\")"},
      {on("5Y"), "CurveValue: time (5.00548) is past max curve time (2.00274)"},
      {descending,
       "CurveValue: row 2 of table 8 (2025-01-15) is not after the row before it, "
       "2026-01-15"},
      {negative, "CurveValue: row 1 of table 8 has a discount factor that is not positive"},
  };
  for (const auto& row : rows) fitest::expectrefused("CurveValue", row.first, row.second);
  // Beyond the last pillar the curve answers when asked to extrapolate.
  const standin::fixedincomeresult r =
      fitest::call("CurveValue", on("5Y").number("Extrapolate", 1));
  EXPECT_EQ(r.at(1, 1), 1.0);
  EXPECT_NEAR(r.at(2, 1), flat.discount(Date(15, QuantLib::January, 2029)), 1e-12)
      << "log-linear: the last forward continues";
}

}  // namespace
