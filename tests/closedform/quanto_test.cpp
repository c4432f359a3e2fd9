// Quanto options: the fixed-rate codes against QuantLib's quanto engine over its analytic
// European engine and a published value, the floating-rate codes against QuantLib's analytic
// European engine on the domestic asset E*S, parities, limits, early results and refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ql/quantlib.hpp>
#include <string>

#include "closedform/BlackScholes.h"
#include "closedform/EuropeanQuanto.h"
#include "numerics/undefined.h"
#include "testsupport.h"

namespace {

using namespace EuropeanQuanto;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using testsupport::price;

const double nan = std::numeric_limits<double>::quiet_NaN();
const char* const inputerror = "Input data error, value undefined\n";

struct contract {
  double T, S, E, X, sigmaS, sigmaE, rho, r, q, rf;
};

std::string describe(const contract& c) {
  return "T=" + std::to_string(c.T) + " S=" + std::to_string(c.S) + " E=" + std::to_string(c.E) +
         " X=" + std::to_string(c.X) + " sigmaS=" + std::to_string(c.sigmaS) +
         " sigmaE=" + std::to_string(c.sigmaE) + " rho=" + std::to_string(c.rho) +
         " r=" + std::to_string(c.r) + " q=" + std::to_string(c.q) + " rf=" + std::to_string(c.rf);
}

std::vector<double> floatinginputs(const contract& c) {
  return {c.T, c.S, c.E, c.X, c.sigmaS, c.sigmaE, c.rho, c.r, c.q};
}
std::vector<double> fixedinputs(const contract& c) {
  return {c.T, c.S, c.E, c.X, c.sigmaS, c.sigmaE, c.rho, c.r, c.q, c.rf};
}

// Expiries are whole days so that QuantLib's Actual/365 dates give the same T.
const contract contracts[] = {
    {73 / 365.0, 100, 1.5, 105, 0.2, 0.10, 0.3, 0.08, 0.04, 0.05},
    {1.0, 50, 0.8, 40, 0.35, 0.12, -0.6, 0.02, 0.0, 0.06},
    {2.0, 1000, 1.1, 1150, 0.15, 0.25, 0.9, 0.05, 0.03, 0.0},
    {146 / 365.0, 20, 110, 22, 0.5, 0.08, 0.0, 0.0, 0.01, 0.03},
    {5.0, 80, 1.0, 70, 0.25, 0.3, -1.0, 0.04, 0.02, 0.04},
};

// QuantLib's quanto engine prices the payoff in units of the fixed rate; Ep scales it.
double quantlibquanto(QuantLib::Option::Type type, const contract& c) {
  using namespace QuantLib;
  const Date today(15, May, 2024);
  Settings::instance().evaluationDate() = today;
  const DayCounter dc = Actual365Fixed();
  const Date expiry = today + static_cast<int>(std::lround(c.T * 365));
  auto flat = [&](double rate) {
    return Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, rate, dc));
  };
  auto vol = [&](double sigma) {
    return Handle<BlackVolTermStructure>(
        ext::make_shared<BlackConstantVol>(today, NullCalendar(), sigma, dc));
  };
  auto process = ext::make_shared<BlackScholesMertonProcess>(
      Handle<Quote>(ext::make_shared<SimpleQuote>(c.S)), flat(c.q), flat(c.r), vol(c.sigmaS));
  QuantoVanillaOption option(ext::make_shared<PlainVanillaPayoff>(type, c.X),
                             ext::make_shared<EuropeanExercise>(expiry));
  option.setPricingEngine(ext::make_shared<QuantoEngine<VanillaOption, AnalyticEuropeanEngine>>(
      process, flat(c.rf), vol(c.sigmaE), Handle<Quote>(ext::make_shared<SimpleQuote>(c.rho))));
  return c.E * option.NPV();
}

// E*S is a domestic asset with yield q and volatility sqrt(sigmaS^2 + sigmaE^2 + 2 rho sigmaS
// sigmaE): QuantLib's analytic engine on it.
double quantlibdomestic(QuantLib::Option::Type type, const contract& c) {
  using namespace QuantLib;
  const Date today(15, May, 2024);
  Settings::instance().evaluationDate() = today;
  const DayCounter dc = Actual365Fixed();
  const Date expiry = today + static_cast<int>(std::lround(c.T * 365));
  const double sigma =
      std::sqrt(c.sigmaS * c.sigmaS + c.sigmaE * c.sigmaE + 2 * c.rho * c.sigmaS * c.sigmaE);
  auto process = ext::make_shared<BlackScholesMertonProcess>(
      Handle<Quote>(ext::make_shared<SimpleQuote>(c.E * c.S)),
      Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, c.q, dc)),
      Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, c.r, dc)),
      Handle<BlackVolTermStructure>(
          ext::make_shared<BlackConstantVol>(today, NullCalendar(), sigma, dc)));
  VanillaOption option(ext::make_shared<PlainVanillaPayoff>(type, c.X),
                       ext::make_shared<EuropeanExercise>(expiry));
  option.setPricingEngine(ext::make_shared<AnalyticEuropeanEngine>(process));
  return option.NPV();
}

TEST(Quanto, FixedRateAgreesWithQuantLibQuantoEngine) {
  for (const contract& c : contracts) {
    const double tolerance = 1e-10 * c.E * c.S;
    EXPECT_NEAR(price("QUANTOFXFEECO", fixedinputs(c)), quantlibquanto(QuantLib::Option::Call, c),
                tolerance)
        << describe(c);
    EXPECT_NEAR(price("QUANTOFXFEEPO", fixedinputs(c)), quantlibquanto(QuantLib::Option::Put, c),
                tolerance)
        << describe(c);
  }
}

TEST(Quanto, FixedRatePublishedValue) {
  // Haug, Option Pricing Formulas, McGraw-Hill, 1998, pp. 105-106: call 5.3280.
  EXPECT_NEAR(quantofixedcall(0.5, 100, 1.5, 105, 0.2, 0.10, 0.3, 0.08, 0.04, 0.05), 5.3280, 5e-5);
}

TEST(Quanto, FloatingRateAgreesWithQuantLibOnTheDomesticAsset) {
  for (const contract& c : contracts) {
    if (c.rho == -1.0) continue;  // a zero combined volatility for QuantLib in one row; see below
    const double tolerance = 1e-10 * c.E * c.S;
    EXPECT_NEAR(price("QUANTOFSFEECO", floatinginputs(c)),
                quantlibdomestic(QuantLib::Option::Call, c), tolerance)
        << describe(c);
    EXPECT_NEAR(price("QUANTOFSFEEPO", floatinginputs(c)),
                quantlibdomestic(QuantLib::Option::Put, c), tolerance)
        << describe(c);
  }
}

TEST(Quanto, ParitiesAndLimits) {
  for (const contract& c : contracts) {
    const double discount = std::exp(-c.r * c.T), tolerance = 1e-11 * c.E * c.S;
    // Floating: call - put = E S e^(-qT) - X e^(-rT).
    EXPECT_NEAR(quantofloatingcall(c.T, c.S, c.E, c.X, c.sigmaS, c.sigmaE, c.rho, c.r, c.q) -
                    quantofloatingput(c.T, c.S, c.E, c.X, c.sigmaS, c.sigmaE, c.rho, c.r, c.q),
                c.E * c.S * std::exp(-c.q * c.T) - c.X * discount, tolerance)
        << describe(c);
    // Fixed: call - put = Ep (S e^((rf - r - q - rho sigmaS sigmaE) T) - X e^(-rT)).
    const double forward = c.S * std::exp((c.rf - c.r - c.q - c.rho * c.sigmaS * c.sigmaE) * c.T);
    EXPECT_NEAR(quantofixedcall(c.T, c.S, c.E, c.X, c.sigmaS, c.sigmaE, c.rho, c.r, c.q, c.rf) -
                    quantofixedput(c.T, c.S, c.E, c.X, c.sigmaS, c.sigmaE, c.rho, c.r, c.q, c.rf),
                c.E * (forward - c.X * discount), tolerance)
        << describe(c);
    // With rho = 0 and rf = r the fixed-rate call is Ep times the plain call with yield q.
    EXPECT_NEAR(quantofixedcall(c.T, c.S, c.E, c.X, c.sigmaS, c.sigmaE, 0.0, c.r, c.q, c.r),
                c.E * BlackScholes::blackscholescall(c.T, c.S, c.X, c.sigmaS, c.r, c.q), tolerance)
        << describe(c);
  }
}

TEST(Quanto, FloatingRateWithoutCombinedVolatilityIsTheForwardIntrinsic) {
  // rho = -1 and sigmaS = sigmaE: E*S moves deterministically. The value is the intrinsic value
  // on the forward, and the formula approaches it as rho moves away from -1.
  struct row {
    double S, E, X;
  };
  const row rows[] = {{100, 1.5, 140}, {100, 1.5, 160}, {100, 1.5, 145.0 * std::exp(-0.03)}};
  const double T = 1, sigma = 0.2, r = 0.05, q = 0.02;
  for (const row& w : rows) {
    const double carried = w.E * w.S * std::exp(-q * T), discounted = w.X * std::exp(-r * T);
    const double call = quantofloatingcall(T, w.S, w.E, w.X, sigma, sigma, -1.0, r, q);
    const double put = quantofloatingput(T, w.S, w.E, w.X, sigma, sigma, -1.0, r, q);
    EXPECT_NEAR(call, std::max(carried - discounted, 0.0), 1e-12 * carried) << w.X;
    EXPECT_NEAR(put, std::max(discounted - carried, 0.0), 1e-12 * carried) << w.X;
    EXPECT_NEAR(quantofloatingcall(T, w.S, w.E, w.X, sigma, sigma, -1.0 + 1e-10, r, q), call, 1e-4)
        << w.X;
  }
}

TEST(Quanto, ExpiryPaysThePayoff) {
  EXPECT_EQ(price("QUANTOFSFEECO", {0, 100, 1.5, 140, 0.2, 0.1, 0.3, 0.05, 0.02}), 10.0);
  EXPECT_EQ(price("QUANTOFSFEEPO", {0, 100, 1.5, 160, 0.2, 0.1, 0.3, 0.05, 0.02}), 10.0);
  EXPECT_EQ(price("QUANTOFSFEECO", {0, 100, 1.5, 160, 0.2, 0.1, 0.3, 0.05, 0.02}), 0.0);
  EXPECT_EQ(price("QUANTOFXFEECO", {0, 110, 1.5, 100, 0.2, 0.1, 0.3, 0.05, 0.02, 0.03}), 15.0);
  EXPECT_EQ(price("QUANTOFXFEEPO", {0, 90, 1.5, 100, 0.2, 0.1, 0.3, 0.05, 0.02, 0.03}), 15.0);
  EXPECT_EQ(price("QUANTOFXFEEPO", {0, 110, 1.5, 100, 0.2, 0.1, 0.3, 0.05, 0.02, 0.03}), 0.0);
}

TEST(Quanto, RefusalsWriteTheMessage) {
  const std::vector<double> base = {1, 100, 1.5, 105, 0.2, 0.1, 0.3, 0.05, 0.02, 0.03};
  struct refusal {
    int input;
    double value;
  };
  // T < 0, S <= 0, E <= 0, X <= 0, volatilities <= 0, |rho| > 1, r < 0, q < 0, rf < 0.
  const refusal cases[] = {{0, -1e-9}, {1, 0},    {1, -5},    {2, 0},     {3, 0},     {4, 0},
                           {5, -0.1},  {6, 1.01}, {6, -1.01}, {7, -0.01}, {8, -0.01}, {9, -0.01}};
  for (const refusal& c : cases) {
    std::vector<double> inputs = base;
    inputs[c.input] = c.value;
    for (const char* code : {"QUANTOFSFEECO", "QUANTOFSFEEPO", "QUANTOFXFEECO", "QUANTOFXFEEPO"}) {
      const bool floating = code[7] == 'S';    // QUANTOFS...
      if (floating && c.input == 9) continue;  // the floating codes have no rf
      std::vector<double> used(inputs.begin(), inputs.begin() + (floating ? 9 : 10));
      CaptureStdout();
      const double value = price(code, used);
      EXPECT_EQ(GetCapturedStdout(), inputerror) << code << " input " << c.input;
      EXPECT_TRUE(isundefined(value)) << code << " input " << c.input << " = " << c.value;
    }
  }
  // Correlations of exactly +-1 are accepted.
  EXPECT_FALSE(
      std::isnan(price("QUANTOFXFEECO", {1, 100, 1.5, 105, 0.2, 0.1, 1, 0.05, 0.02, 0.03})));
  EXPECT_FALSE(std::isnan(price("QUANTOFSFEEPO", {1, 100, 1.5, 105, 0.2, 0.1, -1, 0.05, 0.02})));
  // A table shorter than the code reads: the fixed-rate codes read ten inputs.
  CaptureStdout();
  const double shortfixed = price("QUANTOFXFEECO", {1, 100, 1.5, 105, 0.2, 0.1, 0.3, 0.05, 0.02});
  EXPECT_EQ(GetCapturedStdout(), inputerror);
  EXPECT_TRUE(isundefined(shortfixed));
  // NaN passes the checks and propagates.
  for (int k : {3, 6}) {
    std::vector<double> in = {1, 100, 1.5, 105, 0.2, 0.1, 0.3, 0.05, 0.02};
    in[k] = nan;
    const double value = price("QUANTOFSFEECO", in);
    EXPECT_TRUE(std::isnan(value) && !isundefined(value)) << "input " << k;
  }
}

}  // namespace
