// One-touch options (1 paid at the first touch of H): against QuantLib's analytic digital
// American engine (cash-or-nothing paid at hit) and a fine implicit finite-difference solve
// written here, with and without a dividend yield; without a yield against the short formula
// (H/S)^p N(d2) + (S/H) N(d1), p = 2r / sigma^2; the early results and refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <ql/quantlib.hpp>

#include "earlyresults.h"
#include "numerics/undefined.h"
#include "testsupport.h"

namespace {

using testsupport::price;

const double nan = std::numeric_limits<double>::quiet_NaN();

struct touch {
  int days;
  double S, H, sigma, r, q;
  double T() const { return days / 365.0; }
  bool up() const { return H > S; }
  const char* code() const { return up() ? "ONETOUCHACO" : "ONETOUCHAPO"; }
};

const touch touches[] = {
    {365, 100, 110, 0.2, 0.05, 0.0},   {365, 100, 110, 0.2, 0.05, 0.03},
    {182, 100, 90, 0.3, 0.04, 0.0},    {182, 100, 90, 0.3, 0.04, 0.06},
    {730, 100, 130, 0.25, 0.02, 0.08}, {730, 100, 75, 0.35, 0.08, 0.01},
};

double quantlibathit(const touch& c) {
  using namespace QuantLib;
  const Date today(15, May, 2024);
  Settings::instance().evaluationDate() = today;
  const DayCounter dc = Actual365Fixed();
  auto process = ext::make_shared<BlackScholesMertonProcess>(
      Handle<Quote>(ext::make_shared<SimpleQuote>(c.S)),
      Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, c.q, dc)),
      Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, c.r, dc)),
      Handle<BlackVolTermStructure>(
          ext::make_shared<BlackConstantVol>(today, NullCalendar(), c.sigma, dc)));
  // A call's barrier lies above the spot, a put's below; paid at the hit.
  VanillaOption option(
      ext::make_shared<CashOrNothingPayoff>(c.up() ? Option::Call : Option::Put, c.H, 1.0),
      ext::make_shared<AmericanExercise>(today, today + c.days, false));
  option.setPricingEngine(ext::make_shared<AnalyticDigitalAmericanEngine>(process));
  return option.NPV();
}

// Fully implicit steps of sigma^2/2 V'' + (r - q - sigma^2/2) V' - r V in x = ln S, from V = 0
// at expiry, V = 1 on the touch level and V = 0 ten standard deviations beyond the spot.
double implicitgrid(const touch& c, int nodes, int steps) {
  const double span = 10 * c.sigma * std::sqrt(c.T()), barrier = std::log(c.H);
  const double far = std::log(c.S) + (c.up() ? -span : span);
  const double dx = (barrier - far) / (nodes - 1), dt = c.T() / steps;  // dx < 0 for a down touch
  const double v = c.r - c.q - 0.5 * c.sigma * c.sigma, s2 = c.sigma * c.sigma;
  const double lower = -dt * (s2 / (2 * dx * dx) - v / (2 * dx));
  const double upper = -dt * (s2 / (2 * dx * dx) + v / (2 * dx));
  const double diagonal = 1 + dt * (s2 / (dx * dx) + c.r);
  std::vector<double> V(nodes, 0.0), cp(nodes), dp(nodes);
  V[nodes - 1] = 1;
  for (int k = 0; k < steps; ++k) {
    // Thomas algorithm over the interior nodes 1 .. nodes - 2, both edges fixed.
    cp[1] = upper / diagonal;
    dp[1] = (V[1] - lower * V[0]) / diagonal;
    for (int i = 2; i < nodes - 1; ++i) {
      const double rhs = V[i] - (i == nodes - 2 ? upper * V[nodes - 1] : 0.0);
      const double denominator = diagonal - lower * cp[i - 1];
      cp[i] = upper / denominator;
      dp[i] = (rhs - lower * dp[i - 1]) / denominator;
    }
    V[nodes - 2] = dp[nodes - 2];
    for (int i = nodes - 3; i >= 1; --i) V[i] = dp[i] - cp[i] * V[i + 1];
  }
  const double position = (std::log(c.S) - far) / dx;
  const int i = static_cast<int>(position);
  return V[i] + (position - i) * (V[i + 1] - V[i]);
}

TEST(OneTouch, MatchesQuantLibsCashAtHitWithAndWithoutAYield) {
  for (const touch& c : touches) {
    EXPECT_NEAR(price(c.code(), {c.T(), c.S, c.H, c.sigma, c.r, c.q}), quantlibathit(c), 1e-12)
        << c.code() << " q " << c.q;
  }
}

TEST(OneTouch, MatchesAFineImplicitGrid) {
  for (const touch& c : touches) {
    EXPECT_NEAR(price(c.code(), {c.T(), c.S, c.H, c.sigma, c.r, c.q}), implicitgrid(c, 801, 2000),
                1e-3)
        << c.code() << " q " << c.q;
  }
}

TEST(OneTouch, WithoutAYieldItIsTheShortFormula) {
  for (const touch& c : touches) {
    if (c.q != 0) continue;
    const double T = c.T(), x = c.S / c.H, v = c.sigma * std::sqrt(T);
    const double b = (c.r + c.sigma * c.sigma / 2) * T, p = 2 * c.r / (c.sigma * c.sigma);
    const double d1 = (std::log(x) + b) / v, d2 = (std::log(x) - b) / v;
    auto N = [](double z) { return 0.5 * std::erfc(-z / std::sqrt(2.0)); };
    const double sign = c.up() ? 1 : -1;
    const double expected = std::pow(c.H / c.S, p) * N(sign * d2) + x * N(sign * d1);
    EXPECT_NEAR(price(c.code(), {T, c.S, c.H, c.sigma, c.r, c.q}), expected, 1e-12) << c.code();
  }
  // With a yield the short formula overstates the upper touch: the price drifts at r - q.
  const touch c = touches[1];
  const double T = c.T(), x = c.S / c.H, v = c.sigma * std::sqrt(T);
  const double b = (c.r - c.q + c.sigma * c.sigma / 2) * T, p = 2 * c.r / (c.sigma * c.sigma);
  auto N = [](double z) { return 0.5 * std::erfc(-z / std::sqrt(2.0)); };
  const double shortformula =
      std::pow(c.H / c.S, p) * N((std::log(x) - b) / v) + x * N((std::log(x) + b) / v);
  EXPECT_GT(std::fabs(shortformula - quantlibathit(c)), 0.01);
}

TEST(OneTouch, EarlyResultsAndRefusals) {
  const char* undefined = "Input data error, value undefined\n";
  const char* critundefined = "Input data error, critical value undefined\n";
  const earlyresults::row rows[] = {
      {"ONETOUCHACO", {-1, 100, 110, 0.2, 0.05, 0.03}, nan, undefined},
      {"ONETOUCHACO", {1, 0, 110, 0.2, 0.05, 0.03}, nan, undefined},
      {"ONETOUCHACO", {1, 100, 0, 0.2, 0.05, 0.03}, nan, undefined},
      {"ONETOUCHACO", {1, 100, 110, 0, 0.05, 0.03}, nan, undefined},
      {"ONETOUCHACO", {1, 100, 110, 0.2, -0.05, 0.03}, nan, undefined},
      {"ONETOUCHACO", {1, 100, 110, 0.2, 0.05, -0.03}, nan, undefined},
      {"ONETOUCHAPO", {1, 100, 90, -0.2, 0.05, 0.03}, nan, ""},  // refused without a message
      {"ONETOUCHAPO", {1, 100, 90, 0.2, 0.05, -0.03}, nan, ""},
      {"ONETOUCHACO", {0, 100, 110, 0.2, 0.05, 0.03}, 0.0, ""},
      {"ONETOUCHACO", {0, 100, 100, 0.2, 0.05, 0.03}, 1.0, ""},
      // The lower touch at S = H and T = 0 gives 0 where the upper gives 1: kept on purpose.
      {"ONETOUCHAPO", {0, 100, 100, 0.2, 0.05, 0.03}, 0.0, ""},
      {"ONETOUCHAPO", {0, 100, 110, 0.2, 0.05, 0.03}, 1.0, ""},  // lower touch, H > S: 1
      {"ONETOUCHACO", {1, 110, 100, 0.2, 0.05, 0.03}, 1.0, ""},  // already touched
      {"ONETOUCHAPO", {1, 90, 100, 0.2, 0.05, 0.03}, 1.0, ""},
      {"ONETOUCHAPO", {1, 100, 100, 0.2, 0.05, 0.03}, 1.0, ""},
      {"ONETOUCHACOCrit", {1, 110, 0.2, 0.05, 0.03}, 110.0, ""},
      {"ONETOUCHAPOCrit", {1, 90, 0.2, 0.05, 0.03}, 90.0, ""},
      {"ONETOUCHACOCrit", {-1, 110, 0.2, 0.05, 0.03}, nan, critundefined},
      {"ONETOUCHAPOCrit", {1, 90, 0.2, 0.05, -0.03}, nan, critundefined},
  };
  earlyresults::check(rows);
}

}  // namespace
