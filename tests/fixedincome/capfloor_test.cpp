// CapFloor: Black and Bachelier caplets against their closed forms, cap minus floor against the
// swap of the same strike, a collar as a cap less a floor, and Hull's caplet example.
#include <gtest/gtest.h>

#include <cmath>

#include "ficurves.h"

namespace {

using fitest::frame;
using QuantLib::Date;
using QuantLib::Months;
using QuantLib::Period;

using fitest::today;

double normalcdf(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }
double normalpdf(double x) { return std::exp(-0.5 * x * x) / std::sqrt(2.0 * M_PI); }

// Black (lognormal, shifted by s) and Bachelier (normal) call and put on a forward F, strike K,
// standard deviation v, undiscounted.
double black(bool call, double F, double K, double v, double s = 0.0) {
  const double d1 = (std::log((F + s) / (K + s)) + 0.5 * v * v) / v, d2 = d1 - v;
  return call ? (F + s) * normalcdf(d1) - (K + s) * normalcdf(d2)
              : (K + s) * normalcdf(-d2) - (F + s) * normalcdf(-d1);
}
double bachelier(bool call, double F, double K, double v) {
  const double d = (F - K) / v, sign = call ? 1.0 : -1.0;
  return sign * (F - K) * normalcdf(sign * d) + v * normalpdf(d);
}

// The quarterly periods of a cap from one year to three years on a flat 4% curve with a
// three-month index; every leg Actual/365 (Fixed), fixing on its start.
struct period {
  Date start, end;
  double tau, forward, discount, expiry;
};
std::vector<period> periods(const fitest::flatcurve& flat) {
  std::vector<period> p;
  for (int m = 12; m < 36; m += 3) {
    const Date start = today + Period(m, Months), end = today + Period(m + 3, Months);
    const double tau = fitest::years(start, end);
    p.push_back({start, end, tau, (flat.discount(start) / flat.discount(end) - 1.0) / tau,
                 flat.discount(end), fitest::years(today, start)});
  }
  return p;
}

frame cap(const char* type, double strike, double volatility) {
  frame f;
  f.text("Curve", "FLAT3M")
      .text("Type", type)
      .date("StartDate", today + Period(12, Months))
      .text("Tenor", "2Y")
      .number("Notional", 1e6)
      .number("Strike", strike)
      .number("Volatility", volatility);
  return f;
}

TEST(capfloor, optionletsagainsttheclosedforms) {
  const fitest::flatcurve flat{today, 0.04};
  fitest::build(fitest::flatcurveframe("FLAT3M", flat, 48, "3M"));
  const std::vector<period> p = periods(flat);
  struct row {
    const char* type;
    const char* volatilitytype;
    double strike, volatility, shift;
  };
  const row rows[] = {
      {"Cap", "Lognormal", 0.045, 0.25, 0.0},   {"Floor", "Lognormal", 0.035, 0.25, 0.0},
      {"Cap", "Lognormal", 0.0, 0.20, 0.02},    {"Cap", "Normal", 0.045, 0.0100, 0.0},
      {"Floor", "Normal", -0.005, 0.0100, 0.0},
  };
  for (const row& r : rows) {
    frame f = cap(r.type, r.strike, r.volatility);
    f.text("VolatilityType", r.volatilitytype);
    if (r.shift != 0.0) f.number("Shift", r.shift);
    const standin::fixedincomeresult result = fitest::call("CapFloor", f);
    ASSERT_EQ(result.at(1, 1), 1.0) << r.type << " " << r.volatilitytype;
    const std::vector<fitest::datedamount> optionlets = fitest::dated(result);
    ASSERT_EQ(optionlets.size(), p.size());
    const bool call = std::string(r.type) == "Cap";
    double total = 0.0;
    for (std::size_t i = 0; i < p.size(); ++i) {
      const double v = r.volatility * std::sqrt(p[i].expiry);
      const double undiscounted = std::string(r.volatilitytype) == "Normal"
                                      ? bachelier(call, p[i].forward, r.strike, v)
                                      : black(call, p[i].forward, r.strike, v, r.shift);
      const double expected = 1e6 * p[i].tau * p[i].discount * undiscounted;
      EXPECT_EQ(optionlets[i].date, p[i].end);
      EXPECT_NEAR(optionlets[i].amount, expected, 1e-9 * 1e6) << r.type << " " << i;
      total += expected;
    }
    EXPECT_NEAR(result.at(2, 1), total, 1e-8 * 1e6) << r.type << " " << r.volatilitytype;
  }
}

// Cap minus floor at one strike is the swap paying that strike; a collar is the cap less the
// floor; the at-the-money rate is the swap's fair rate.
TEST(capfloor, parityswapandcollar) {
  const fitest::flatcurve flat{today, 0.04};
  fitest::build(fitest::flatcurveframe("FLAT3M", flat, 48, "3M"));
  const double k = 0.043;
  const double capvalue = fitest::call("CapFloor", cap("Cap", k, 0.3)).at(2, 1);
  const double floorvalue = fitest::call("CapFloor", cap("Floor", k, 0.3)).at(2, 1);
  const standin::fixedincomeresult swap =
      fitest::call("InterestSwap", frame()
                                       .text("Curve", "FLAT3M")
                                       .date("StartDate", today + Period(12, Months))
                                       .text("Tenor", "2Y")
                                       .number("Notional", 1e6)
                                       .number("FixedRate", k)
                                       .text("FixedFrequency", "Quarterly"));
  ASSERT_EQ(swap.at(1, 1), 1.0);
  EXPECT_NEAR(capvalue - floorvalue, swap.at(2, 1), 1e-8 * 1e6);
  double hand = 0.0, annuity = 0.0, forwards = 0.0;
  for (const period& q : periods(flat)) {
    hand += 1e6 * q.tau * q.discount * (q.forward - k);
    annuity += q.tau * q.discount;
    forwards += q.tau * q.discount * q.forward;
  }
  EXPECT_NEAR(capvalue - floorvalue, hand, 1e-8 * 1e6);

  frame collar;  // its strikes are CapStrike and FloorStrike: a Strike would be refused
  collar.text("Curve", "FLAT3M")
      .text("Type", "Collar")
      .date("StartDate", today + Period(12, Months))
      .text("Tenor", "2Y")
      .number("Notional", 1e6)
      .number("Volatility", 0.3)
      .number("CapStrike", 0.05)
      .number("FloorStrike", 0.03);
  const standin::fixedincomeresult c = fitest::call("CapFloor", collar);
  ASSERT_EQ(c.at(1, 1), 1.0);
  const double cap5 = fitest::call("CapFloor", cap("Cap", 0.05, 0.3)).at(2, 1);
  const double floor3 = fitest::call("CapFloor", cap("Floor", 0.03, 0.3)).at(2, 1);
  EXPECT_NEAR(c.at(2, 1), cap5 - floor3, 1e-9 * 1e6);
  EXPECT_NEAR(c.at(3, 2), forwards / annuity, 1e-12) << "the at-the-money rate";
}

// Hull, Options, Futures, and Other Derivatives (8th edition), Example 28.3: a cap on 3-month
// LIBOR at 8% on $10,000 for the quarter starting in one year; the LIBOR curve is flat at 7% with
// quarterly compounding (6.9395% continuous), the volatility 20%. The caplet is worth $5.162.
TEST(capfloor, hullcapletexample) {
  const Date start(15, QuantLib::January, 2021);  // a year of 365 days to the fixing
  const double p15 = std::pow(1.0175, -5.0), p12 = std::pow(1.0175, -4.0);
  frame curve;
  curve.text("Name", "HULLCAP")
      .date("SettlementDate", start)
      .text("Instruments", "Deposit,Deposit")
      .text("Tenors", "12M,15M")
      .list("Quotes", {1.0 / p12 - 1.0, (1.0 / p15 - 1.0) / 1.25})
      .text("Calendar", "NullCalendar")
      .number("SettlementDays", 0)
      .text("IndexTenor", "3M")
      .text("IndexDayCounter", "SimpleDayCounter")
      .text("DayCounter", "SimpleDayCounter");
  fitest::build(curve);
  const standin::fixedincomeresult r =
      fitest::call("CapFloor", frame()
                                   .text("Curve", "HULLCAP")
                                   .date("StartDate", start + Period(12, Months))
                                   .date("MaturityDate", start + Period(15, Months))
                                   .number("Notional", 10000)
                                   .number("Strike", 0.08)
                                   .number("Volatility", 0.20));
  ASSERT_EQ(r.at(1, 1), 1.0);
  EXPECT_NEAR(r.at(2, 1), 5.162, 5e-4);
  EXPECT_NEAR(r.at(2, 1), 10000 * 0.25 * p15 * black(true, 0.07, 0.08, 0.20), 1e-9);
}

TEST(capfloor, unusableinputisreportedbyname) {
  const fitest::flatcurve flat{today, 0.04};
  fitest::build(fitest::flatcurveframe("FLAT3M", flat, 48, "3M"));
  fitest::build(fitest::overnightcurveframe("ON"));
  frame collar = cap("Collar", 0.04, 0.3);
  collar.number("FloorStrike", 0.03);
  frame normalshift = cap("Cap", 0.04, 0.01);
  normalshift.text("VolatilityType", "Normal").number("Shift", 0.01);
  frame spot;
  spot.text("Curve", "FLAT3M").text("Tenor", "3M").number("Volatility", 0.2);
  const std::vector<std::pair<frame, std::string>> rows = {
      {frame().text("Curve", "ON").text("Tenor", "1Y").number("Volatility", 0.2),
       "CapFloor: caps and floors are priced on a term index; this curve's is overnight"},
      {cap("Swap", 0.04, 0.3),
       "CapFloor: the text \"Type\" must name a cap or floor type, not \"Swap\"; the types are: "
       "Cap, Floor, Collar"},
      {collar, "CapFloor: the number \"CapStrike\" is missing"},
      {cap("Cap", 0.04, -0.3), "CapFloor: the number \"Volatility\" must be positive"},
      {normalshift,
       "CapFloor: \"Shift\" displaces a lognormal volatility; it is not read with a "
       "Normal one"},
      {cap("Cap", 0.04, 0.3).text("VolatilityType", "Implied"),
       "CapFloor: the text \"VolatilityType\" must name a volatility type, not \"Implied\""},
      {spot, "CapFloor: no period of the cap fixes after the curve's date 2024-01-15"},
      {cap("Cap", -0.01, 0.3), "CapFloor: "},  // a negative strike needs a shift
  };
  for (const auto& row : rows) fitest::expectrefused("CapFloor", row.first, row.second);
}

}  // namespace
