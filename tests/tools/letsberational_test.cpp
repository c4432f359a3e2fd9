// The rational implied volatility (tools/sensitivities/letsberational.h): round trips through its
// own normalised Black function over every branch, Black prices from QuantLib's blackFormula
// inverted and compared with QuantLib's blackFormulaImpliedStdDev, the edges of the price range,
// and the solve of the four Black codes through the library: sigma recovered where the price
// stands well above the floor of the library's normal distribution, the price reproduced within
// 4 ulp of S + K below it, with one price asked of the library at most.
#include "letsberational.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ql/pricingengines/blackformula.hpp>
#include <string>

#include "impliedinput.h"
#include "onecolumn.h"
#include "testsupport.h"

namespace {

using namespace sensitivities;

// The relative change of s that a change of a few ulp in b makes: 4 eps b / (s db/ds).
double conditioning(double x, double s, double b) {
  const double h = -std::fabs(x) / s, t = s / 2;
  const double vega = std::exp(-0.5 * (h * h + t * t)) / std::sqrt(2 * M_PI);
  return 4 * std::numeric_limits<double>::epsilon() * b / (s * vega);
}

// Every branch: far out of the money with small s (the lower one, b down to 1e-300), around the
// inflection point sqrt(2|x|) (the two middle ones) and large s (the upper one), at and near the
// money, calls and puts in and out of it.
TEST(LetsBeRational, RoundTripsThroughItsOwnBlackFunction) {
  int checked = 0;
  for (double x = -20.0; x <= 20.0; x += 0.73) {
    for (double lg = -5.0; lg <= 1.2; lg += 0.1) {
      for (const double theta : {1.0, -1.0}) {
        const double s = std::pow(10.0, lg);
        const double b = normalisedblack(x, s, theta);
        const double intrinsic = theta * x > 0 ? 2 * std::fabs(std::sinh(x / 2)) : 0.0;
        // Where b no longer tells s apart (the time value below b's rounding, or b at its
        // supremum) there is nothing to recover.
        if (!(b - intrinsic > 1e-300) || 4 * conditioning(x, s, b) > 1e-3) continue;
        const double found = normalisedimpliedvolatility(b, x, theta);
        const double tolerance = std::fmax(1e-12, 4 * conditioning(x, s, b));
        EXPECT_NEAR(found, s, tolerance * s) << "x " << x << " s " << s << " theta " << theta;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 1000);
}

TEST(LetsBeRational, AgainstQuantLibsBlackFormula) {
  struct quote {
    double F, K, sigma, T, discount;
  };
  // QuantLib's cumulative normal is accurate to about 1e-16 absolute, not relative, so its prices
  // far in the tails are not Black's to the digits asked: the quotes stay within a few standard
  // deviations (the tails are checked against the method's own function above).
  const quote quotes[] = {
      {100, 100, 0.2, 1.0, 0.95}, {100, 130, 0.2, 1.0, 0.95},  {100, 70, 0.2, 1.0, 0.95},
      {100, 200, 0.3, 0.5, 1.0},  {100, 40, 0.6, 3.0, 0.9},    {50, 51, 0.05, 0.1, 1.0},
      {100, 101, 1.5, 10.0, 0.6}, {100, 100, 0.01, 0.25, 1.0}, {1e-3, 2e-3, 0.4, 2, 0.97},
      {1e4, 5e3, 0.3, 30.0, 0.2}, {100, 125, 0.1, 1.0, 1.0},
  };
  for (const quote& c : quotes) {
    for (const double theta : {1.0, -1.0}) {
      const QuantLib::Option::Type side =
          theta > 0 ? QuantLib::Option::Call : QuantLib::Option::Put;
      const double stddev = c.sigma * std::sqrt(c.T);
      const double price = QuantLib::blackFormula(side, c.K, c.F, stddev, c.discount);
      const double found = impliedblackvolatility(price, c.F, c.K, c.T, c.discount, theta);
      const double x = std::log(c.F / c.K);
      const double b = price / (c.discount * std::sqrt(c.F * c.K));
      const double tolerance = std::fmax(1e-12, 4 * conditioning(x, stddev, b));
      const std::string what = "F " + std::to_string(c.F) + " K " + std::to_string(c.K) +
                               " sigma " + std::to_string(c.sigma) + " theta " +
                               std::to_string(theta);
      EXPECT_NEAR(found, c.sigma, tolerance * c.sigma) << what;
      const double quantlib = QuantLib::blackFormulaImpliedStdDev(
          side, c.K, c.F, price, c.discount, 0.0, QuantLib::Null<QuantLib::Real>(), 1e-14, 200);
      EXPECT_NEAR(found * std::sqrt(c.T), quantlib, 1e-9 * stddev) << what;
    }
  }
}

TEST(LetsBeRational, EdgesOfThePriceRange) {
  const double x = std::log(120.0 / 100.0);  // a call in the money, a put out of it
  const double intrinsic = std::exp(x / 2) - std::exp(-x / 2);
  EXPECT_EQ(normalisedimpliedvolatility(intrinsic, x, 1.0), 0.0);
  EXPECT_EQ(normalisedimpliedvolatility(0.0, x, -1.0), 0.0);
  EXPECT_TRUE(std::isnan(normalisedimpliedvolatility(intrinsic * (1 - 1e-9), x, 1.0)));
  EXPECT_TRUE(std::isnan(normalisedimpliedvolatility(-1e-20, x, -1.0)));
  // The supremum: e^(x/2) for a call, e^(-x/2) for a put (the call's time value is a difference
  // there, so it is asked just above).
  EXPECT_TRUE(std::isnan(normalisedimpliedvolatility(std::exp(x / 2) * (1 + 1e-12), x, 1.0)));
  EXPECT_TRUE(std::isnan(normalisedimpliedvolatility(std::exp(-x / 2), x, -1.0)));
  EXPECT_GT(normalisedimpliedvolatility(std::exp(-x / 2) * (1 - 1e-6), x, -1.0), 5.0);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(std::isnan(normalisedimpliedvolatility(nan, x, 1.0)));
  EXPECT_TRUE(std::isnan(normalisedimpliedvolatility(0.1, nan, 1.0)));
  EXPECT_TRUE(std::isnan(normalisedimpliedvolatility(0.1, 2000.0, 1.0)));
  // At the money b = erf(s / (2 sqrt 2)), for both sides.
  for (const double s : {1e-8, 0.05, 0.7, 6.0}) {
    EXPECT_NEAR(normalisedimpliedvolatility(std::erf(s / (2 * std::sqrt(2.0))), 0.0, 1.0), s,
                1e-13 * s);
    EXPECT_NEAR(normalisedimpliedvolatility(std::erf(s / (2 * std::sqrt(2.0))), 0.0, -1.0), s,
                1e-13 * s);
  }
}

// Through the library: the target is the library's own price at sigma, so the solve inverts that
// price. Well above the floor of its normal distribution sigma comes back to 1e-12; below it the
// price does, within 4 ulp of S + K (K + F for the forward codes).
TEST(LetsBeRational, SolvesTheBlackCodesThroughTheLibrary) {
  struct quote {
    const char* code;
    double T, S, K, sigma, r, q;  // q unread by the forward codes
    bool abovefloor;
  };
  const quote quotes[] = {
      {"BSECO", 1.0, 100, 100, 0.2, 0.05, 0.02, true},
      {"BSEPO", 1.0, 100, 100, 0.2, 0.05, 0.02, true},
      {"BSECO", 0.25, 90, 100, 0.45, 0.01, 0.0, true},
      {"BSEPO", 2.0, 120, 100, 0.12, 0.08, 0.04, true},
      {"BSECO", 5.0, 50, 80, 0.6, 0.02, 0.01, true},
      {"BSEPO", 0.5, 100, 60, 0.3, 0.03, 0.0, true},
      {"BSECO", 3.0, 100, 40, 0.25, 0.05, 0.0, true},  // deep in the money
      {"BLACK76ECO", 1.0, 100, 110, 0.3, 0.04, 0.0, true},
      {"BLACK76EPO", 1.0, 100, 110, 0.3, 0.04, 0.0, true},
      {"BLACK76ECO", 0.1, 100, 97, 2.5, 0.0, 0.0, true},
      {"BSECO", 1.0, 100, 200, 0.1, 0.05, 0.02, false},  // about 6 standard deviations out
      {"BSEPO", 1.0, 100, 55, 0.1, 0.05, 0.02, false},
      {"BLACK76ECO", 0.5, 100, 160, 0.1, 0.01, 0.0, false},
  };
  hostpricer calls(testsupport::library());
  for (const quote& c : quotes) {
    const bool forward = std::string(c.code).rfind("BLACK76", 0) == 0;
    const std::vector<double> rows = forward
                                         ? std::vector<double>{c.T, c.S, c.K, c.sigma, c.r}
                                         : std::vector<double>{c.T, c.S, c.K, c.sigma, c.r, c.q};
    pricingcall call = contract(c.code, rows);
    call.set(entrymode, 1);
    const double target = calls.fun(call).value;
    ASSERT_GT(target, 0.0) << c.code << " K " << c.K;
    std::vector<double> moved = rows;
    moved[3] = 0.3;
    const solveresult found =
        solvefor(calls, contract(c.code, moved), solverequest{"sigma", target, std::nullopt});
    ASSERT_EQ(found.outcome, solveoutcome::found) << c.code << " K " << c.K << found.message;
    EXPECT_LE(found.evaluations, 1) << c.code << " K " << c.K;
    const std::string what = std::string(c.code) + " K " + std::to_string(c.K);
    if (c.abovefloor) {
      EXPECT_NEAR(found.value, c.sigma, 1e-12 * c.sigma) << what;
    } else {
      moved[3] = found.value;
      pricingcall at = contract(c.code, moved);
      at.set(entrymode, 1);
      const double ulp = std::nextafter(c.S + c.K, 1e300) - (c.S + c.K);
      EXPECT_NEAR(calls.fun(at).value, target, 4 * ulp) << what;
      EXPECT_NEAR(found.value, c.sigma, 1e-3 * c.sigma) << what;  // the same root, roughly
    }
  }
}

}  // namespace
