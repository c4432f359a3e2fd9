// European single-barrier options against QuantLib's analytic barrier engine, Haug's published
// table, in-out parity and the limits at the barrier and at expiry.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "closedform/BlackScholes.h"
#include "closedform/EuropeanBarrier.h"
#include "flatmarket.h"
#include "numerics/undefined.h"
#include "testsupport.h"

namespace {

using namespace EuropeanBarrier;
using pricing = double (*)(double, double, double, double, double, double, double, double);

struct barriercontract {
  const char* code;
  pricing formula;
  QuantLib::Barrier::Type type;
  QuantLib::Option::Type side;
};

const barriercontract contracts[] = {
    {"DOWNINECO", downincall, QuantLib::Barrier::DownIn, QuantLib::Option::Call},
    {"UPINECO", upincall, QuantLib::Barrier::UpIn, QuantLib::Option::Call},
    {"DOWNINEPO", downinput, QuantLib::Barrier::DownIn, QuantLib::Option::Put},
    {"UPINEPO", upinput, QuantLib::Barrier::UpIn, QuantLib::Option::Put},
    {"DOWNOUTECO", downoutcall, QuantLib::Barrier::DownOut, QuantLib::Option::Call},
    {"UPOUTECO", upoutcall, QuantLib::Barrier::UpOut, QuantLib::Option::Call},
    {"DOWNOUTEPO", downoutput, QuantLib::Barrier::DownOut, QuantLib::Option::Put},
    {"UPOUTEPO", upoutput, QuantLib::Barrier::UpOut, QuantLib::Option::Put},
};

bool isdown(const barriercontract& c) {
  return c.type == QuantLib::Barrier::DownIn || c.type == QuantLib::Barrier::DownOut;
}

double quantlibbarrier(const barriercontract& c, double T, double S, double H, double X,
                       double sigma, double r, double q, double R) {
  using namespace QuantLib;
  flatmarket::market m(S, sigma, r, q);
  BarrierOption option(c.type, H, R, ext::make_shared<PlainVanillaPayoff>(c.side, X), m.expiry(T));
  option.setPricingEngine(ext::make_shared<AnalyticBarrierEngine>(m.process));
  return option.NPV();
}

// Each price adds up only the terms its type and strike need; it has the bits of the same sum of
// the full term set (Haug's combinations), on both sides of the barrier, with and without rebate,
// and where the powers of H/S overflow.
TEST(EuropeanBarrier, EachPriceIsItsCombinationOfTheFullTermSet) {
  struct combination {
    pricing formula;
    bool down, call;
    double (*above)(const termset&);
    double (*below)(const termset&);
  };
  const combination combinations[] = {
      {downincall, true, true, [](const termset& t) { return t.C + t.E; },
       [](const termset& t) { return t.A - t.B + t.D + t.E; }},
      {upincall, false, true, [](const termset& t) { return t.A + t.E; },
       [](const termset& t) { return t.B - t.C + t.D + t.E; }},
      {downinput, true, false, [](const termset& t) { return t.B - t.C + t.D + t.E; },
       [](const termset& t) { return t.A + t.E; }},
      {upinput, false, false, [](const termset& t) { return t.A - t.B + t.D + t.E; },
       [](const termset& t) { return t.C + t.E; }},
      {downoutcall, true, true, [](const termset& t) { return t.A - t.C + t.F; },
       [](const termset& t) { return t.B - t.D + t.F; }},
      {upoutcall, false, true, [](const termset& t) { return t.F; },
       [](const termset& t) { return t.A - t.B + t.C - t.D + t.F; }},
      {downoutput, true, false, [](const termset& t) { return t.A - t.B + t.C - t.D + t.F; },
       [](const termset& t) { return t.F; }},
      {upoutput, false, false, [](const termset& t) { return t.B - t.D + t.F; },
       [](const termset& t) { return t.A - t.C + t.F; }},
  };
  const double T = 0.5, S = 100;
  for (const combination& c : combinations) {
    const double H = c.down ? 95.0 : 105.0;
    for (double X : {90.0, 100.0, 110.0})
      for (double R : {0.0, 3.0})
        for (double sigma : {0.002, 0.25})
          for (double q : {0.0, 0.04}) {
            const termset t = barrierterms(T, S, H, X, sigma, 0.08, q, R, c.down ? 1.0 : -1.0,
                                           c.call ? 1.0 : -1.0);
            const double expected = X > H ? c.above(t) : c.below(t);
            const double price = c.formula(T, S, H, X, sigma, 0.08, q, R);
            EXPECT_EQ(std::memcmp(&price, &expected, sizeof price), 0)
                << price << " against " << expected << " at H " << H << ", X " << X << ", R " << R
                << ", sigma " << sigma << ", q " << q;
          }
  }
}

// Every code, strikes on both sides of the barrier, with and without rebate, several carries.
TEST(EuropeanBarrier, MatchesQuantLibAnalyticEngine) {
  struct market {
    double T, S, sigma, r, q;
  };
  const market markets[] = {{0.5, 100, 0.25, 0.08, 0.04},
                            {1.0, 100, 0.3, 0.03, 0.07},
                            {0.25, 50, 0.15, 0.0, 0.0},
                            {2.0, 100, 0.45, 0.1, 0.0}};
  for (const market& m : markets)
    for (const barriercontract& c : contracts)
      for (double H : {isdown(c) ? 95.0 : 105.0, isdown(c) ? 80.0 : 125.0})
        for (double X : {85.0, 100.0, 110.0, 130.0})
          for (double R : {0.0, 3.0}) {
            const double h = H * m.S / 100.0, x = X * m.S / 100.0;
            const double expected = quantlibbarrier(c, m.T, m.S, h, x, m.sigma, m.r, m.q, R);
            EXPECT_NEAR(c.formula(m.T, m.S, h, x, m.sigma, m.r, m.q, R), expected, 1e-9 * m.S)
                << c.code << " T=" << m.T << " S=" << m.S << " H=" << h << " X=" << x
                << " sigma=" << m.sigma << " r=" << m.r << " q=" << m.q << " R=" << R;
          }
}

// Haug, The Complete Guide to Option Pricing Formulas, 2nd ed., 2007, p. 154 (Table 4-13):
// S = 100, T = 0.5, r = 0.08, b = 0.04 (q = 0.04), rebate 3. Published to 4 decimals.
TEST(EuropeanBarrier, HaugTable) {
  struct row {
    pricing formula;
    double H, X, sigma, expected;
  };
  const row rows[] = {
      {downoutcall, 95, 90, 0.25, 9.0246},  {downoutcall, 95, 100, 0.25, 6.7924},
      {downoutcall, 95, 110, 0.25, 4.8759}, {downoutcall, 100, 90, 0.25, 3.0000},
      {downincall, 95, 90, 0.25, 7.7627},   {downincall, 95, 100, 0.25, 4.0109},
      {downincall, 95, 110, 0.25, 2.0576},  {upincall, 105, 90, 0.25, 14.1112},
      {upincall, 105, 100, 0.25, 8.4482},   {upincall, 105, 110, 0.25, 4.5910},
      {upoutcall, 105, 90, 0.25, 2.6789},   {upoutcall, 105, 100, 0.25, 2.3580},
      {upoutcall, 105, 110, 0.25, 2.3453},  {downoutput, 95, 90, 0.25, 2.2798},
      {downoutput, 95, 100, 0.25, 2.2947},  {downoutput, 95, 110, 0.25, 2.6252},
  };
  for (const row& x : rows)
    EXPECT_NEAR(x.formula(0.5, 100, x.H, x.X, x.sigma, 0.08, 0.04, 3.0), x.expected, 5e-5)
        << "H=" << x.H << " X=" << x.X << " sigma=" << x.sigma;
}

// With no rebate, knock-in plus knock-out is the plain option, on both sides of the barrier.
TEST(EuropeanBarrier, InOutParity) {
  struct pair {
    pricing in, out;
    bool call;
    double H;
  };
  const pair pairs[] = {{downincall, downoutcall, true, 90},
                        {upincall, upoutcall, true, 115},
                        {downinput, downoutput, false, 90},
                        {upinput, upoutput, false, 115}};
  for (const pair& p : pairs)
    for (double X : {70.0, 90.0, 100.0, 115.0, 140.0}) {
      const double T = 0.75, S = 100, sigma = 0.35, r = 0.05, q = 0.02;
      const double plain = p.call ? BlackScholes::blackscholescall(T, S, X, sigma, r, q)
                                  : BlackScholes::blackscholesput(T, S, X, sigma, r, q);
      EXPECT_NEAR(p.in(T, S, p.H, X, sigma, r, q, 0) + p.out(T, S, p.H, X, sigma, r, q, 0), plain,
                  1e-10 * S)
          << "call=" << p.call << " H=" << p.H << " X=" << X;
    }
}

// A barrier already reached: knock-ins are the plain option; knock-outs pay the rebate now, the
// value the knock-out tends to as the spot approaches the barrier from the live side.
TEST(EuropeanBarrier, BarrierReached) {
  const double T = 1, X = 100, sigma = 0.2, r = 0.05, q = 0.01, R = 2.5;
  for (const barriercontract& c : contracts) {
    const bool knockin = std::string(c.code).find("IN") != std::string::npos;
    const bool call = c.side == QuantLib::Option::Call;
    for (double S : {isdown(c) ? 95.0 : 105.0, 100.0}) {  // beyond and on the barrier H = 100
      const double value = c.formula(T, S, 100, X, sigma, r, q, R);
      if (knockin)
        EXPECT_DOUBLE_EQ(value, call ? BlackScholes::blackscholescall(T, S, X, sigma, r, q)
                                     : BlackScholes::blackscholesput(T, S, X, sigma, r, q))
            << c.code << " S=" << S;
      else
        EXPECT_DOUBLE_EQ(value, R) << c.code << " S=" << S;
    }
    if (!knockin) {
      const double live = isdown(c) ? 100.0 * (1 + 1e-9) : 100.0 * (1 - 1e-9);
      EXPECT_NEAR(c.formula(T, live, 100, X, sigma, r, q, R), R, 1e-6) << c.code;
      EXPECT_EQ(c.formula(T, 100, 100, X, sigma, r, q, 0), 0.0) << c.code;
    }
  }
}

// At expiry a live contract is its limit: knock-outs their intrinsic value, knock-ins the rebate.
TEST(EuropeanBarrier, ExpiryIsTheLimit) {
  const double sigma = 0.3, r = 0.06, q = 0.02, R = 1.5;
  for (const barriercontract& c : contracts)
    for (double X : {90.0, 110.0}) {
      const double H = isdown(c) ? 80.0 : 120.0, S = 100.0;
      const double atexpiry = c.formula(0, S, H, X, sigma, r, q, R);
      EXPECT_NEAR(atexpiry, c.formula(1e-8, S, H, X, sigma, r, q, R), 1e-6) << c.code << " X=" << X;
      const bool knockin = std::string(c.code).find("IN") != std::string::npos;
      const double intrinsic =
          c.side == QuantLib::Option::Call ? std::fmax(S - X, 0.0) : std::fmax(X - S, 0.0);
      EXPECT_EQ(atexpiry, knockin ? R : intrinsic) << c.code << " X=" << X;
    }
}

// Small volatilities: the path is nearly the forward, far from a barrier 20% away, so every
// contract tends to its deterministic value (knock-outs the discounted forward payoff, knock-ins
// the rebate at expiry), even where (H/S)^(2 mu) overflows.
TEST(EuropeanBarrier, SmallVolatilityLimit) {
  const double T = 1, S = 100, X = 100, r = 0.05, q = 0, R = 1;
  const double forward = S * std::exp((r - q) * T), discount = std::exp(-r * T);
  for (double sigma : {0.005, 0.002, 0.001})
    for (const barriercontract& c : contracts) {
      const bool knockin = std::string(c.code).find("IN") != std::string::npos;
      const bool call = c.side == QuantLib::Option::Call;
      const double H = isdown(c) ? 80.0 : 120.0;
      const double expected =
          knockin ? R * discount
                  : discount * (call ? std::fmax(forward - X, 0.0) : std::fmax(X - forward, 0.0));
      EXPECT_NEAR(c.formula(T, S, H, X, sigma, r, q, R), expected, 1e-9)
          << c.code << " sigma=" << sigma;
    }
}

// Refused inputs give the undefined value and write nothing; a NaN is not refused.
TEST(EuropeanBarrier, RefusedInputs) {
  struct row {
    double T, S, H, X, sigma, r, q, R;
  };
  const row rows[] = {
      {-0.1, 100, 90, 100, 0.2, 0.05, 0.0, 0}, {1, 0, 90, 100, 0.2, 0.05, 0.0, 0},
      {1, 100, 0, 100, 0.2, 0.05, 0.0, 0},     {1, 100, 90, 0, 0.2, 0.05, 0.0, 0},
      {1, 100, 90, 100, 0, 0.05, 0.0, 0},      {1, 100, 90, 100, 0.2, -0.01, 0.0, 0},
      {1, 100, 90, 100, 0.2, 0.05, -0.01, 0},  {1, 100, 90, 100, 0.2, 0.05, 0.0, -1},
  };
  for (const barriercontract& c : contracts)
    for (const row& x : rows) {
      flatmarket::capturedoutput out;
      EXPECT_TRUE(isundefined(c.formula(x.T, x.S, x.H, x.X, x.sigma, x.r, x.q, x.R)))
          << c.code << " T=" << x.T << " S=" << x.S << " H=" << x.H << " X=" << x.X
          << " sigma=" << x.sigma << " r=" << x.r << " q=" << x.q << " R=" << x.R;
      EXPECT_EQ(out.text(), "");
    }
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(std::isnan(downoutcall(1, 100, 90, 100, nan, 0.05, 0, 0)));
  EXPECT_FALSE(isundefined(downoutcall(1, 100, 90, 100, nan, 0.05, 0, 0)));
}

// Every code through fun reaches its own formula; a short data table is refused.
TEST(EuropeanBarrier, CodesThroughFun) {
  const std::vector<double> inputs = {0.5, 100, 95, 100, 0.25, 0.08, 0.04, 3};
  const std::vector<double> upinputs = {0.5, 100, 105, 100, 0.25, 0.08, 0.04, 3};
  for (const barriercontract& c : contracts) {
    const std::vector<double>& x = isdown(c) ? inputs : upinputs;
    EXPECT_EQ(testsupport::price(c.code, x),
              c.formula(x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7]))
        << c.code;
    EXPECT_TRUE(isundefined(testsupport::price(c.code, {0.5, 100, 95, 100, 0.25, 0.08, 0.04})))
        << c.code;
  }
}

}  // namespace
