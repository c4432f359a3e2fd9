// Compound and complex chooser options against QuantLib's analytic engines, Haug's published
// examples, compound put-call parity, the simple chooser, and the limits at t = 0 and t = T.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "closedform/BlackScholes.h"
#include "closedform/EuropeanCompound.h"
#include "flatmarket.h"
#include "numerics/messages.h"
#include "numerics/undefined.h"
#include "testsupport.h"

namespace {

using namespace EuropeanCompound;
using BlackScholes::blackscholescall;
using BlackScholes::blackscholesput;
constexpr bivariatemethod drezner = bivariatemethod::drezner;
using pricing = double (*)(double, double, double, double, double, double, double, double,
                           bivariatemethod);

struct compoundcontract {
  const char* code;
  pricing formula;
  QuantLib::Option::Type compound, underlying;
};

const compoundcontract compounds[] = {
    {"COCEO", calloncall, QuantLib::Option::Call, QuantLib::Option::Call},
    {"COPEO", callonput, QuantLib::Option::Call, QuantLib::Option::Put},
    {"POCEO", putoncall, QuantLib::Option::Put, QuantLib::Option::Call},
    {"POPEO", putonput, QuantLib::Option::Put, QuantLib::Option::Put},
};

const std::string refusal = std::string(messages::valueundefined) + "\n";

double quantlibcompound(const compoundcontract& c, double T, double t, double S, double K, double k,
                        double sigma, double r, double q) {
  using namespace QuantLib;
  flatmarket::market m(S, sigma, r, q);
  CompoundOption option(ext::make_shared<PlainVanillaPayoff>(c.compound, k), m.expiry(t),
                        ext::make_shared<PlainVanillaPayoff>(c.underlying, K), m.expiry(T));
  option.setPricingEngine(ext::make_shared<AnalyticCompoundOptionEngine>(m.process));
  return option.NPV();
}

// The library's bivariate normal is good to about 1e-5 (8e-6 at worst against QuantLib's
// We04DP), and enters multiplied by the spot.
TEST(EuropeanCompound, MatchesQuantLibAnalyticEngine) {
  struct market {
    double T, t, S, sigma, r, q;
  };
  const market markets[] = {{0.5, 0.25, 100, 0.35, 0.08, 0.05},
                            {1.0, 0.5, 100, 0.2, 0.03, 0.0},
                            {2.0, 0.25, 50, 0.4, 0.06, 0.02}};
  for (const market& m : markets)
    for (const compoundcontract& c : compounds)
      for (double K : {0.9, 1.0, 1.15})
        for (double k : {0.02, 0.06, 0.12}) {
          const double strike = K * m.S, price = k * m.S;
          const double expected =
              quantlibcompound(c, m.T, m.t, m.S, strike, price, m.sigma, m.r, m.q);
          EXPECT_NEAR(c.formula(m.T, m.t, m.S, strike, price, m.sigma, m.r, m.q, drezner), expected,
                      1e-5 * m.S)
              << c.code << " T=" << m.T << " t=" << m.t << " S=" << m.S << " K=" << strike
              << " k=" << price << " sigma=" << m.sigma << " r=" << m.r << " q=" << m.q;
        }
}

// Haug, The Complete Guide to Option Pricing Formulas, 2nd ed., 2007, p. 134: a put on a call,
// S = 500, K = 520, k = 50, t = 0.25, T = 0.5, r = 0.08, b = 0.05 (q = 0.03), sigma = 0.35.
// The tolerance is the bivariate normal's 1e-5 times the spot.
TEST(EuropeanCompound, HaugExample) {
  EXPECT_NEAR(putoncall(0.5, 0.25, 500, 520, 50, 0.35, 0.08, 0.03), 21.1965, 5e-3);
}

// COCEO - POCEO = C(T) - k e^(-rt) and COPEO - POPEO = P(T) - k e^(-rt), including t = T.
TEST(EuropeanCompound, PutCallParity) {
  const double S = 100, sigma = 0.3, r = 0.05, q = 0.02;
  for (double t : {0.1, 0.5, 0.99, 1.0})
    for (double K : {80.0, 100.0, 120.0})
      for (double k : {2.0, 8.0, 25.0}) {
        const double T = 1.0, discounted = k * std::exp(-r * t);
        EXPECT_NEAR(calloncall(T, t, S, K, k, sigma, r, q) - putoncall(T, t, S, K, k, sigma, r, q),
                    blackscholescall(T, S, K, sigma, r, q) - discounted, 1e-5)
            << "t=" << t << " K=" << K << " k=" << k;
        EXPECT_NEAR(callonput(T, t, S, K, k, sigma, r, q) - putonput(T, t, S, K, k, sigma, r, q),
                    blackscholesput(T, S, K, sigma, r, q) - discounted, 1e-5)
            << "t=" << t << " K=" << K << " k=" << k;
      }
}

// At t = 0 a compound is exercised now; at t = T it is an option on the underlying's intrinsic
// value: a call on a call is a call struck at K + k, a call on a put a put struck at K - k, and
// the puts follow by max(k - u, 0) = k - u + max(u - k, 0).
TEST(EuropeanCompound, ExpiryLimits) {
  const double T = 0.75, S = 100, sigma = 0.25, r = 0.04, q = 0.01;
  for (double K : {90.0, 100.0, 110.0})
    for (double k : {3.0, 10.0}) {
      const double C = blackscholescall(T, S, K, sigma, r, q);
      const double P = blackscholesput(T, S, K, sigma, r, q);
      EXPECT_EQ(calloncall(T, 0, S, K, k, sigma, r, q), std::fmax(C - k, 0.0));
      EXPECT_EQ(putoncall(T, 0, S, K, k, sigma, r, q), std::fmax(k - C, 0.0));
      EXPECT_EQ(callonput(T, 0, S, K, k, sigma, r, q), std::fmax(P - k, 0.0));
      EXPECT_EQ(putonput(T, 0, S, K, k, sigma, r, q), std::fmax(k - P, 0.0));
      const double Cup = blackscholescall(T, S, K + k, sigma, r, q);
      const double Pdown = blackscholesput(T, S, K - k, sigma, r, q);
      const double cash = k * std::exp(-r * T);
      EXPECT_NEAR(calloncall(T, T, S, K, k, sigma, r, q), Cup, 1e-7) << "K=" << K << " k=" << k;
      EXPECT_NEAR(callonput(T, T, S, K, k, sigma, r, q), Pdown, 1e-7) << "K=" << K << " k=" << k;
      EXPECT_NEAR(putoncall(T, T, S, K, k, sigma, r, q), cash - C + Cup, 1e-7)
          << "K=" << K << " k=" << k;
      EXPECT_NEAR(putonput(T, T, S, K, k, sigma, r, q), cash - P + Pdown, 1e-7)
          << "K=" << K << " k=" << k;
      // and t = T is the end of a continuous path
      EXPECT_NEAR(calloncall(T, T - 1e-6, S, K, k, sigma, r, q), Cup, 1e-4);
    }
}

// A compound strike above anything the underlying reaches in the bracket: the search collapses
// onto 0 and the call on the call is worthless. Kept on purpose: the bisection's own answer.
TEST(EuropeanCompound, StrikeOutOfReach) {
  EXPECT_NEAR(callonput(1, 0.5, 100, 50, 60, 0.2, 0.05, 0), 0.0, 1e-12);
  const double huge = 1e200;  // a bracket too wide to halve down to 1e-10 still ends
  EXPECT_TRUE(std::isfinite(calloncall(1, 0.5, huge, huge, 1, 0.2, 0.05, 0)));
}

TEST(EuropeanCompound, RefusedInputsWriteTheMessage) {
  struct row {
    double T, t, S, K, k, sigma, r, q;
  };
  const row rows[] = {
      {1, 0.5, 0, 100, 5, 0.2, 0.05, 0},    {1, 1.5, 100, 100, 5, 0.2, 0.05, 0},
      {1, -0.1, 100, 100, 5, 0.2, 0.05, 0}, {1, 0.5, 100, 0, 5, 0.2, 0.05, 0},
      {1, 0.5, 100, 100, 0, 0.2, 0.05, 0},  {1, 0.5, 100, 100, 5, 0, 0.05, 0},
      {1, 0.5, 100, 100, 5, 0.2, -0.01, 0}, {1, 0.5, 100, 100, 5, 0.2, 0.05, -0.01},
  };
  for (const compoundcontract& c : compounds)
    for (const row& x : rows) {
      flatmarket::capturedoutput out;
      EXPECT_TRUE(isundefined(c.formula(x.T, x.t, x.S, x.K, x.k, x.sigma, x.r, x.q, drezner)))
          << c.code << " T=" << x.T << " t=" << x.t << " S=" << x.S << " K=" << x.K << " k=" << x.k
          << " sigma=" << x.sigma << " r=" << x.r << " q=" << x.q;
      EXPECT_EQ(out.text(), refusal) << c.code;
    }
}

double quantlibchooser(double t, double S, double Tc, double Kc, double Tp, double Kp, double sigma,
                       double r, double q) {
  using namespace QuantLib;
  flatmarket::market m(S, sigma, r, q);
  // This engine reads each expiry date as the choice date plus the expiry.
  const ext::shared_ptr<Exercise> callexercise = m.expiry(t + Tc), putexercise = m.expiry(t + Tp);
  ComplexChooserOption option(m.at(t), Kc, Kp, callexercise, putexercise);
  option.setPricingEngine(ext::make_shared<AnalyticComplexChooserEngine>(m.process));
  return option.NPV();
}

TEST(EuropeanChooser, MatchesQuantLibAnalyticEngine) {
  struct row {
    double t, S, Tc, Kc, Tp, Kp, sigma, r, q;
  };
  const row rows[] = {
      {0.25, 50, 0.5, 55, 210.0 / 360, 48, 0.35, 0.10, 0.05},
      {0.25, 100, 1.0, 100, 0.75, 100, 0.2, 0.05, 0.0},
      {0.5, 100, 0.75, 90, 1.0, 110, 0.3, 0.03, 0.02},
      {0.1, 80, 0.5, 100, 0.5, 70, 0.25, 0.06, 0.01},
  };
  for (const row& x : rows)
    EXPECT_NEAR(complexchooser(x.t, x.S, x.Tc, x.Kc, x.Tp, x.Kp, x.sigma, x.r, x.q),
                quantlibchooser(x.t, x.S, x.Tc, x.Kc, x.Tp, x.Kp, x.sigma, x.r, x.q), 1e-5 * x.S)
        << "t=" << x.t << " S=" << x.S << " Tc=" << x.Tc << " Kc=" << x.Kc << " Tp=" << x.Tp
        << " Kp=" << x.Kp << " sigma=" << x.sigma << " r=" << x.r << " q=" << x.q;
}

// Haug, 2007, p. 131: S = 50, Kc = 55, Kp = 48, t = 0.25, Tc = 0.5, Tp = 0.5833, r = 0.10,
// b = 0.05 (q = 0.05), sigma = 0.35.
TEST(EuropeanChooser, HaugExample) {
  EXPECT_NEAR(complexchooser(0.25, 50, 0.5, 55, 0.5833, 48, 0.35, 0.10, 0.05), 6.0508, 5e-4);
}

// With one strike and one expiry it is a simple chooser: at t, max(C, P) = C + e^(-q tau)
// max(K e^(-(r-q) tau) - S, 0), so its value is C(T, S, K) + e^(-q tau) P(t, S, K e^(-(r-q) tau)).
TEST(EuropeanChooser, SimpleChooserAndLimits) {
  const double S = 100, T = 1, sigma = 0.3, r = 0.06, q = 0.02;
  for (double t : {0.1, 0.5, 0.9})
    for (double K : {85.0, 100.0, 120.0}) {
      const double tau = T - t;
      const double simple =
          blackscholescall(T, S, K, sigma, r, q) +
          std::exp(-q * tau) * blackscholesput(t, S, K * std::exp(-(r - q) * tau), sigma, r, q);
      EXPECT_NEAR(complexchooser(t, S, T, K, T, K, sigma, r, q), simple, 1e-5)
          << "t=" << t << " K=" << K;
    }
  // t = 0: the larger of the two options now.
  EXPECT_EQ(complexchooser(0, S, 1, 100, 0.5, 95, sigma, r, q),
            std::fmax(blackscholescall(1, S, 100, sigma, r, q),
                      blackscholesput(0.5, S, 95, sigma, r, q)));
  // t = Tc = Tp with Kc >= Kp: the choice pays max(S - Kc, 0) + max(Kp - S, 0).
  EXPECT_NEAR(complexchooser(0.5, S, 0.5, 105, 0.5, 95, sigma, r, q),
              blackscholescall(0.5, S, 105, sigma, r, q) + blackscholesput(0.5, S, 95, sigma, r, q),
              1e-9);
  // t = Tc < Tp: the end of a continuous path.
  EXPECT_NEAR(complexchooser(0.5, S, 0.5, 100, 1, 100, sigma, r, q),
              complexchooser(0.5 - 1e-7, S, 0.5, 100, 1, 100, sigma, r, q), 1e-3);
}

TEST(EuropeanChooser, RefusedInputsWriteTheMessage) {
  struct row {
    double t, S, Tc, Kc, Tp, Kp, sigma, r, q;
  };
  const row rows[] = {
      {0.25, 0, 0.5, 55, 0.6, 48, 0.35, 0.1, 0.05},
      {-0.1, 50, 0.5, 55, 0.6, 48, 0.35, 0.1, 0.05},
      {0.55, 50, 0.5, 55, 0.6, 48, 0.35, 0.1, 0.05},
      {0.65, 50, 0.7, 55, 0.6, 48, 0.35, 0.1, 0.05},
      {0.25, 50, 0.5, -1, 0.6, 48, 0.35, 0.1, 0.05},
      {0.25, 50, 0.5, 55, 0.6, -1, 0.35, 0.1, 0.05},
      {0.25, 50, 0.5, 55, 0.6, 48, 0, 0.1, 0.05},
      {0.25, 50, 0.5, 55, 0.6, 48, 0.35, -0.1, 0.05},
      {0.25, 50, 0.5, 55, 0.6, 48, 0.35, 0.1, -0.05},
  };
  for (const row& x : rows) {
    flatmarket::capturedoutput out;
    EXPECT_TRUE(isundefined(complexchooser(x.t, x.S, x.Tc, x.Kc, x.Tp, x.Kp, x.sigma, x.r, x.q)))
        << "t=" << x.t << " S=" << x.S << " Tc=" << x.Tc << " Kc=" << x.Kc << " Tp=" << x.Tp
        << " Kp=" << x.Kp << " sigma=" << x.sigma << " r=" << x.r << " q=" << x.q;
    EXPECT_EQ(out.text(), refusal);
  }
  // Kept on purpose: a zero strike passes the chooser's test but the plain formulas refuse it,
  // silently.
  flatmarket::capturedoutput out;
  EXPECT_TRUE(isundefined(complexchooser(0, 50, 0.5, 0, 0.6, 48, 0.35, 0.1, 0.05)));
  EXPECT_TRUE(isundefined(complexchooser(0.25, 50, 0.5, 0, 0.6, 48, 0.35, 0.1, 0.05)));
  EXPECT_EQ(out.text(), "");
}

// The searches end: a Newton search that cannot settle gives up after its step cap, with the
// message, rather than looping.
TEST(EuropeanChooser, NewtonSearchEnds) {
  int calls = 0;
  double root = -1;
  const bool found = newtonsearch(
      [&](double I, double& value, double& slope) {
        ++calls;
        value = std::atan(I - 3.0) + 2.0;  // no root; Newton steps wander
        slope = 1.0 / (1.0 + (I - 3.0) * (I - 3.0));
      },
      1.0, 1e-4, root);
  EXPECT_FALSE(found);
  EXPECT_EQ(root, -1);
  EXPECT_LE(calls, maxnewtonsteps + 1);
  EXPECT_FALSE(newtonsearch(
      [](double, double& value, double& slope) {
        value = 1;
        slope = 0;
      },
      1.0, 1e-4, root));
  EXPECT_TRUE(newtonsearch(
      [](double I, double& value, double& slope) {
        value = I * I - 2;
        slope = 2 * I;
      },
      1.0, 1e-12, root));
  EXPECT_NEAR(root, std::sqrt(2.0), 1e-12);
}

// Not-a-number and infinite inputs, in every position: each call ends (the searches cannot spin)
// and never gives a negative price.
TEST(EuropeanCompound, NonFiniteInputsEnd) {
  const double base[] = {1, 0.5, 100, 100, 5, 0.2, 0.05, 0.01};
  const double chooserbase[] = {0.25, 50, 0.5, 55, 0.6, 48, 0.35, 0.1, 0.05};
  for (double bad :
       {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
    for (int position = 0; position < 9; ++position) {
      flatmarket::capturedoutput out;
      if (position < 8)
        for (const compoundcontract& c : compounds) {
          double x[8];
          std::copy(base, base + 8, x);
          x[position] = bad;
          const double value = c.formula(x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7], drezner);
          EXPECT_FALSE(std::isfinite(value) && value < -1e-9)
              << c.code << " input " << position << " = " << bad;
        }
      double y[9];
      std::copy(chooserbase, chooserbase + 9, y);
      y[position] = bad;
      const double value = complexchooser(y[0], y[1], y[2], y[3], y[4], y[5], y[6], y[7], y[8]);
      EXPECT_FALSE(std::isfinite(value) && value < -1e-9)
          << "CHOOSER input " << position << " = " << bad;
    }
}

TEST(EuropeanCompound, CodesThroughFun) {
  const std::vector<double> x = {0.5, 0.25, 500, 520, 50, 0.35, 0.08, 0.05};
  for (const compoundcontract& c : compounds)
    EXPECT_EQ(testsupport::price(c.code, x),
              c.formula(x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7], drezner))
        << c.code;
  EXPECT_EQ(testsupport::price("CHOOSER", {0.25, 50, 0.5, 55, 0.5833, 48, 0.35, 0.10, 0.05}),
            complexchooser(0.25, 50, 0.5, 55, 0.5833, 48, 0.35, 0.10, 0.05));
  EXPECT_TRUE(isundefined(testsupport::price("COCEO", {0.5, 0.25, 500, 520, 50, 0.35, 0.08})));
  EXPECT_TRUE(isundefined(testsupport::price("CHOOSER", {0.25, 50, 0.5, 55, 0.5833, 48, 0.35})));
}

}  // namespace

namespace {

// With the precise bivariate normal (the library options' numerics 1, as kzr --precise asks)
// the compound and chooser prices are those of their value at the first expiry t, integrated
// over the lognormal law of the price then, to the accuracy of their critical-price searches:
// the kinks of that value (the critical prices) are found here by bisection, and the pieces
// between them integrated by adaptive Gauss-Kronrod. The bisection of the compound is to 1e-10,
// the chooser's Newton search to |f| <= 0.001, and either error enters the price to second order
// only (the price is stationary in the critical price). Measured: 5e-14 relative at worst, where
// Drezner's rule is off by up to 6e-3 (a POCEO worth 0.0024).
testsupport::parameters precise() {
  testsupport::parameters entries;
  entries.set(5, 0, 1);
  return entries;
}

TEST(EuropeanCompound, PreciseNumericsMatchTheIntegralOverTheFirstExpiry) {
  struct market {
    double T, t, S, K, k, sigma, r, q;
  };
  const market markets[] = {{1.0, 0.5, 100, 100, 6, 0.25, 0.05, 0.02},
                            {0.5, 0.25, 500, 520, 50, 0.35, 0.08, 0.03},
                            {2.0, 0.25, 50, 45, 3, 0.4, 0.06, 0.0}};
  for (const market& m : markets) {
    for (const compoundcontract& c : compounds) {
      const bool oncall = c.underlying == QuantLib::Option::Call;
      const bool callcompound = c.compound == QuantLib::Option::Call;
      auto underlying = [&](double x) {
        const double tau = m.T - m.t;
        return oncall ? blackscholescall(tau, x, m.K, m.sigma, m.r, m.q)
                      : blackscholesput(tau, x, m.K, m.sigma, m.r, m.q);
      };
      auto payoff = [&](double x) {
        return std::fmax(callcompound ? underlying(x) - m.k : m.k - underlying(x), 0.0);
      };
      const std::vector<double> critical = flatmarket::signchanges(
          [&](double x) { return underlying(x) - m.k; }, 1e-6 * m.S, 1e3 * m.S);
      const double expected =
          flatmarket::piecewiseexpectation(payoff, critical, m.t, m.S, m.sigma, m.r, m.q);
      const std::vector<double> x = {m.T, m.t, m.S, m.K, m.k, m.sigma, m.r, m.q};
      const double value = testsupport::price(c.code, x, precise());
      EXPECT_NEAR(value, expected, 1e-9 * expected) << c.code << " T=" << m.T << " S=" << m.S;
    }
  }
}

TEST(EuropeanChooser, PreciseNumericsMatchTheIntegralOverTheChoiceDate) {
  struct row {
    double t, S, Tc, Kc, Tp, Kp, sigma, r, q;
  };
  const row rows[] = {
      {0.25, 50, 0.5, 55, 0.5833, 48, 0.35, 0.10, 0.05},
      {0.25, 100, 1.0, 100, 0.75, 100, 0.2, 0.05, 0.0},
      {0.5, 100, 0.75, 90, 1.0, 110, 0.3, 0.03, 0.02},
  };
  for (const row& c : rows) {
    auto callvalue = [&](double x) {
      return blackscholescall(c.Tc - c.t, x, c.Kc, c.sigma, c.r, c.q);
    };
    auto putvalue = [&](double x) {
      return blackscholesput(c.Tp - c.t, x, c.Kp, c.sigma, c.r, c.q);
    };
    const std::vector<double> critical = flatmarket::signchanges(
        [&](double x) { return callvalue(x) - putvalue(x); }, 1e-6 * c.S, 1e3 * c.S);
    const double expected = flatmarket::piecewiseexpectation(
        [&](double x) { return std::fmax(callvalue(x), putvalue(x)); }, critical, c.t, c.S, c.sigma,
        c.r, c.q);
    const std::vector<double> x = {c.t, c.S, c.Tc, c.Kc, c.Tp, c.Kp, c.sigma, c.r, c.q};
    const double value = testsupport::price("CHOOSER", x, precise());
    EXPECT_NEAR(value, expected, 1e-8 * expected) << "t=" << c.t << " S=" << c.S;
  }
}

}  // namespace
