// European lookback options against QuantLib's continuous lookback engines, Haug's example, the
// small-carry limit and the refused inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "closedform/BlackScholes.h"
#include "closedform/EuropeanLookback.h"
#include "flatmarket.h"
#include "numerics/messages.h"
#include "numerics/undefined.h"
#include "testsupport.h"

namespace {

using namespace EuropeanLookback;

const std::string refusal = std::string(messages::valueundefined) + "\n";

// One signature for the four operations: X is ignored by the floating ones.
enum kind { floatingcall, floatingput, fixedcall, fixedput };
const char* const codes[] = {"LBFLSTECO", "LBFLSTEPO", "LBFXSTECO", "LBFXSTEPO"};

double lookback(kind k, double T, double S, double m, double X, double sigma, double r, double q) {
  switch (k) {
    case floatingcall: return lookbackfloatingcall(T, S, m, sigma, r, q);
    case floatingput: return lookbackfloatingput(T, S, m, sigma, r, q);
    case fixedcall: return lookbackfixedcall(T, S, m, X, sigma, r, q);
    case fixedput: return lookbackfixedput(T, S, m, X, sigma, r, q);
  }
  return 0;
}

double quantliblookback(kind k, double T, double S, double m, double X, double sigma, double r,
                        double q) {
  using namespace QuantLib;
  flatmarket::market market(S, sigma, r, q);
  const Option::Type side = (k == floatingcall || k == fixedcall) ? Option::Call : Option::Put;
  if (k == floatingcall || k == floatingput) {
    ContinuousFloatingLookbackOption option(m, ext::make_shared<FloatingTypePayoff>(side),
                                            market.expiry(T));
    option.setPricingEngine(
        ext::make_shared<AnalyticContinuousFloatingLookbackEngine>(market.process));
    return option.NPV();
  }
  ContinuousFixedLookbackOption option(m, ext::make_shared<PlainVanillaPayoff>(side, X),
                                       market.expiry(T));
  option.setPricingEngine(ext::make_shared<AnalyticContinuousFixedLookbackEngine>(market.process));
  return option.NPV();
}

TEST(EuropeanLookback, MatchesQuantLibAnalyticEngines) {
  struct market {
    double T, sigma, r, q;
  };
  const market markets[] = {{0.5, 0.3, 0.10, 0.04},
                            {1.0, 0.2, 0.03, 0.06},
                            {0.25, 0.45, 0.0, 0.02},
                            {2.0, 0.15, 0.05, 0.0}};
  const double S = 100;
  for (const market& x : markets)
    for (kind k : {floatingcall, floatingput, fixedcall, fixedput})
      for (double m : {80.0, 95.0, 100.0, 105.0, 120.0})
        for (double X : {90.0, 100.0, 110.0}) {
          const bool minimum = k == floatingcall || k == fixedput;
          if (minimum ? m > S : m < S) continue;
          EXPECT_NEAR(lookback(k, x.T, S, m, X, x.sigma, x.r, x.q),
                      quantliblookback(k, x.T, S, m, X, x.sigma, x.r, x.q), 1e-9 * S)
              << codes[k] << " T=" << x.T << " m=" << m << " X=" << X << " sigma=" << x.sigma
              << " r=" << x.r << " q=" << x.q;
        }
}

// Haug, The Complete Guide to Option Pricing Formulas, 2nd ed., 2007, p. 142: floating-strike
// call, S = 120, minimum 100, T = 0.5, r = 0.10, b = 0.04 (q = 0.06), sigma = 0.30.
TEST(EuropeanLookback, HaugExample) {
  EXPECT_NEAR(lookbackfloatingcall(0.5, 120, 100, 0.3, 0.10, 0.06), 25.3533, 1e-4);
}

// |r - q| < 1e-6 takes the limit formulas; they must be the midpoint of the general formulas at
// carries of +1e-4 and -1e-4 (first-order terms cancel). Kept on purpose: r - q = 1e-6 exactly
// takes the general formulas (a strict comparison).
TEST(EuropeanLookback, SmallCarryLimit) {
  const double T = 0.75, S = 100, sigma = 0.25, r = 0.05;
  for (kind k : {floatingcall, floatingput, fixedcall, fixedput})
    for (double m : {90.0, 100.0, 110.0})
      for (double X : {95.0, 105.0}) {
        const bool minimum = k == floatingcall || k == fixedput;
        if (minimum ? m > S : m < S) continue;
        const double limit = lookback(k, T, S, m, X, sigma, r, r);
        const double midpoint = (lookback(k, T, S, m, X, sigma, r, r - 1e-4) +
                                 lookback(k, T, S, m, X, sigma, r, r + 1e-4)) /
                                2.0;
        EXPECT_NEAR(limit, midpoint, 1e-6) << codes[k] << " m=" << m << " X=" << X;
        EXPECT_NEAR(lookback(k, T, S, m, X, sigma, r, r - 1e-5), limit, 1e-4 * limit)
            << codes[k] << " m=" << m << " X=" << X;
      }
}

// Small volatilities: the path is nearly the forward F = S e^((r-q)T), so the extremes are
// max(m, F) and min(m, F), even where (S/E)^(-2b/sigma^2) overflows.
TEST(EuropeanLookback, SmallVolatilityLimit) {
  const double T = 1, S = 100, X = 100;
  for (double sigma : {0.002, 0.001})
    for (double q : {0.0, 0.1}) {
      const double r = 0.05, F = S * std::exp((r - q) * T), discount = std::exp(-r * T);
      EXPECT_NEAR(lookbackfloatingcall(T, S, 90, sigma, r, q), discount * (F - std::fmin(90, F)),
                  1e-6)
          << "sigma=" << sigma << " q=" << q;
      EXPECT_NEAR(lookbackfloatingput(T, S, 110, sigma, r, q), discount * (std::fmax(110, F) - F),
                  1e-6)
          << "sigma=" << sigma << " q=" << q;
      EXPECT_NEAR(lookbackfixedcall(T, S, 110, X, sigma, r, q),
                  discount * std::fmax(std::fmax(110, F) - X, 0.0), 1e-6)
          << "sigma=" << sigma << " q=" << q;
      EXPECT_NEAR(lookbackfixedput(T, S, 90, X, sigma, r, q),
                  discount * std::fmax(X - std::fmin(90, F), 0.0), 1e-6)
          << "sigma=" << sigma << " q=" << q;
    }
}

TEST(EuropeanLookback, ExpiryAndSimpleBounds) {
  struct row {
    kind k;
    double S, m, X, expected;
  };
  const row rows[] = {{floatingcall, 100, 90, 0, 10}, {floatingput, 100, 112, 0, 12},
                      {fixedcall, 100, 115, 105, 10}, {fixedcall, 100, 101, 105, 0},
                      {fixedput, 100, 92, 95, 3},     {fixedput, 100, 97, 95, 0}};
  for (const row& x : rows)
    EXPECT_EQ(lookback(x.k, 0, x.S, x.m, x.X, 0.2, 0.05, 0.01), x.expected)
        << codes[x.k] << " S=" << x.S << " m=" << x.m << " X=" << x.X;
  // A floating call started at the money is worth more than the plain call.
  EXPECT_GT(lookbackfloatingcall(1, 100, 100, 0.2, 0.05, 0.01),
            BlackScholes::blackscholescall(1, 100, 100, 0.2, 0.05, 0.01));
}

TEST(EuropeanLookback, RefusedInputsWriteTheMessage) {
  struct row {
    kind k;
    double T, S, m, X, sigma, r, q;
  };
  const row rows[] = {
      {floatingcall, -1, 100, 90, 0, 0.2, 0.05, 0}, {floatingcall, 1, 0, 90, 0, 0.2, 0.05, 0},
      {floatingcall, 1, 100, 0, 0, 0.2, 0.05, 0},   {floatingcall, 1, 100, 90, 0, 0, 0.05, 0},
      {floatingcall, 1, 100, 90, 0, 0.2, -0.05, 0}, {floatingcall, 1, 100, 90, 0, 0.2, 0.05, -0.01},
      {floatingcall, 1, 100, 101, 0, 0.2, 0.05, 0}, {floatingput, 1, 100, 99, 0, 0.2, 0.05, 0},
      {fixedcall, 1, 100, 99, 100, 0.2, 0.05, 0},   {fixedput, 1, 100, 101, 100, 0.2, 0.05, 0},
      {fixedcall, 1, 100, 110, 0, 0.2, 0.05, 0},    {fixedput, 1, 100, 90, -5, 0.2, 0.05, 0},
  };
  for (const row& x : rows) {
    flatmarket::capturedoutput out;
    EXPECT_TRUE(isundefined(lookback(x.k, x.T, x.S, x.m, x.X, x.sigma, x.r, x.q)))
        << codes[x.k] << " T=" << x.T << " S=" << x.S << " m=" << x.m << " X=" << x.X
        << " sigma=" << x.sigma << " r=" << x.r << " q=" << x.q;
    EXPECT_EQ(out.text(), refusal) << codes[x.k];
  }
}

TEST(EuropeanLookback, CodesThroughFun) {
  EXPECT_EQ(testsupport::price("LBFLSTECO", {0.5, 120, 100, 0.3, 0.1, 0.04}),
            lookbackfloatingcall(0.5, 120, 100, 0.3, 0.1, 0.04));
  EXPECT_EQ(testsupport::price("LBFLSTEPO", {0.5, 100, 120, 0.3, 0.1, 0.04}),
            lookbackfloatingput(0.5, 100, 120, 0.3, 0.1, 0.04));
  EXPECT_EQ(testsupport::price("LBFXSTECO", {0.5, 100, 110, 105, 0.3, 0.1, 0.04}),
            lookbackfixedcall(0.5, 100, 110, 105, 0.3, 0.1, 0.04));
  EXPECT_EQ(testsupport::price("LBFXSTEPO", {0.5, 100, 90, 95, 0.3, 0.1, 0.04}),
            lookbackfixedput(0.5, 100, 90, 95, 0.3, 0.1, 0.04));
  // A fixed-strike code needs its seventh input; a floating one does with six.
  EXPECT_TRUE(isundefined(testsupport::price("LBFXSTECO", {0.5, 100, 110, 105, 0.3, 0.1})));
  EXPECT_TRUE(isundefined(testsupport::price("LBFLSTECO", {0.5, 120, 100, 0.3, 0.1})));
}

}  // namespace
