// Options on the better or worse of two assets: QuantLib's Stulz engine and published values for
// the options on the maximum and minimum, the parities of the family, perfectly correlated assets
// against a one-factor quadrature of the payoff, early results and refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <ql/quantlib.hpp>
#include <string>

#include "closedform/BlackScholes.h"
#include "closedform/EuropeanRainbowTwoAsset.h"
#include "numerics/undefined.h"
#include "testsupport.h"

namespace {

using namespace EuropeanRainbowTwoAsset;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using testsupport::price;

const double nan = std::numeric_limits<double>::quiet_NaN();
const char* const inputerror = "Input data error, value undefined\n";

struct contract {
  double T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X;
};

std::string describe(const contract& c) {
  return "T=" + std::to_string(c.T) + " S1=" + std::to_string(c.S1) +
         " S2=" + std::to_string(c.S2) + " sigma1=" + std::to_string(c.sigma1) +
         " sigma2=" + std::to_string(c.sigma2) + " rho=" + std::to_string(c.rho) +
         " r=" + std::to_string(c.r) + " q1=" + std::to_string(c.q1) +
         " q2=" + std::to_string(c.q2) + " X=" + std::to_string(c.X);
}

std::vector<double> inputs(const contract& c) {
  return {c.T, c.S1, c.S2, c.sigma1, c.sigma2, c.rho, c.r, c.q1, c.q2, c.X};
}

const char* const codes[] = {"RAINBOWBEST2EO",     "RAINBOWWORST2EO", "RAINBOWMAX2ECO",
                             "RAINBOWMAX2EPO",     "RAINBOWMIN2ECO",  "RAINBOWMIN2EPO",
                             "RAINBOWBEST2MONEYEO"};

// Prices a code through fun; best and worst read the first nine inputs only.
double rainbow(const std::string& code, std::vector<double> in) {
  if (code == "RAINBOWBEST2EO" || code == "RAINBOWWORST2EO") in.resize(9);
  return price(code, in);
}

// Expiries are whole days so that QuantLib's Actual/360 dates give the same T.
const contract contracts[] = {
    {1.0, 100, 100, 0.3, 0.3, 0.5, 0.05, 0.0, 0.0, 100},
    {0.5, 100, 105, 0.11, 0.16, 0.63, 0.05, 0.06, 0.09, 98},
    {2.0, 80, 120, 0.4, 0.2, -0.7, 0.03, 0.02, 0.0, 100},
    {0.2, 50, 45, 0.25, 0.5, 0.0, 0.0, 0.01, 0.04, 48},
    {3.0, 100, 90, 0.2, 0.35, 0.95, 0.06, 0.03, 0.01, 130},
};

// The library's bivariate normal is good to a few 1e-6, so prices on the scale of the assets
// agree to about 1e-5 of that scale.
double tolerance(const contract& c) { return 1e-5 * (c.S1 + c.S2 + c.X); }

double quantlibstulz(bool onmax, QuantLib::Option::Type type, const contract& c) {
  using namespace QuantLib;
  const Date today(15, May, 2024);
  Settings::instance().evaluationDate() = today;
  const DayCounter dc = Actual360();
  const Date expiry = today + static_cast<int>(std::lround(c.T * 360));
  auto process = [&](double S, double q, double sigma) {
    return ext::make_shared<BlackScholesMertonProcess>(
        Handle<Quote>(ext::make_shared<SimpleQuote>(S)),
        Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, q, dc)),
        Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, c.r, dc)),
        Handle<BlackVolTermStructure>(
            ext::make_shared<BlackConstantVol>(today, NullCalendar(), sigma, dc)));
  };
  auto vanilla = ext::make_shared<PlainVanillaPayoff>(type, c.X);
  ext::shared_ptr<BasketPayoff> payoff;
  if (onmax)
    payoff = ext::make_shared<MaxBasketPayoff>(vanilla);
  else
    payoff = ext::make_shared<MinBasketPayoff>(vanilla);
  BasketOption option(payoff, ext::make_shared<EuropeanExercise>(expiry));
  option.setPricingEngine(ext::make_shared<StulzEngine>(process(c.S1, c.q1, c.sigma1),
                                                        process(c.S2, c.q2, c.sigma2), c.rho));
  return option.NPV();
}

TEST(RainbowTwoAsset, OptionsOnMaxAndMinAgreeWithQuantLibStulzEngine) {
  using QuantLib::Option;
  for (const contract& c : contracts) {
    const std::vector<double> in = inputs(c);
    EXPECT_NEAR(rainbow("RAINBOWMAX2ECO", in), quantlibstulz(true, Option::Call, c), tolerance(c))
        << describe(c);
    EXPECT_NEAR(rainbow("RAINBOWMAX2EPO", in), quantlibstulz(true, Option::Put, c), tolerance(c))
        << describe(c);
    EXPECT_NEAR(rainbow("RAINBOWMIN2ECO", in), quantlibstulz(false, Option::Call, c), tolerance(c))
        << describe(c);
    EXPECT_NEAR(rainbow("RAINBOWMIN2EPO", in), quantlibstulz(false, Option::Put, c), tolerance(c))
        << describe(c);
  }
}

// With the precise bivariate normal (the library options' numerics 1, as kzr --precise asks) the
// formulas have no other approximation, and QuantLib's Stulz engine, which takes a bivariate
// normal of double precision, agrees to the last digits.
TEST(RainbowTwoAsset, PreciseNumericsAgreeWithQuantLibStulzEngineToTheLastDigits) {
  using QuantLib::Option;
  testsupport::parameters precise;
  precise.set(5, 0, 1);
  struct variant {
    const char* code;
    bool onmax;
    Option::Type type;
  };
  const variant variants[] = {{"RAINBOWMAX2ECO", true, Option::Call},
                              {"RAINBOWMAX2EPO", true, Option::Put},
                              {"RAINBOWMIN2ECO", false, Option::Call},
                              {"RAINBOWMIN2EPO", false, Option::Put}};
  for (const contract& c : contracts) {
    for (const variant& v : variants) {
      const double expected = quantlibstulz(v.onmax, v.type, c);
      EXPECT_NEAR(price(v.code, inputs(c), precise), expected, 1e-8 * expected)
          << v.code << " " << describe(c);
    }
  }
}

TEST(RainbowTwoAsset, PublishedValues) {
  // Haug, Option Pricing Formulas, McGraw-Hill, 1998, p. 58: T = 0.5, S1 = 100, S2 = 105,
  // X = 98, r = 5%, q1 = 6%, q2 = 9%, sigma1 = 11%, sigma2 = 16%, rho = 0.63.
  struct row {
    double (*formula)(double, double, double, double, double, double, double, double, double,
                      double, bivariatemethod);
    double expected;
    const char* what;
  };
  const row rows[] = {{rainbowcallmax, 8.0701, "call on max"},
                      {rainbowputmax, 1.2181, "put on max"}};
  for (const row& w : rows)
    EXPECT_NEAR(
        w.formula(0.5, 100, 105, 0.11, 0.16, 0.63, 0.05, 0.06, 0.09, 98, bivariatemethod::drezner),
        w.expected, 5e-4)
        << w.what;
}

TEST(RainbowTwoAsset, Parities) {
  using BlackScholes::blackscholescall;
  using BlackScholes::blackscholesput;
  for (const contract& c : contracts) {
    const std::vector<double> in = inputs(c);
    const double A1 = c.S1 * std::exp(-c.q1 * c.T), A2 = c.S2 * std::exp(-c.q2 * c.T);
    const double B = c.X * std::exp(-c.r * c.T);
    // max + min = S1 + S2 at expiry.
    EXPECT_NEAR(rainbow("RAINBOWBEST2EO", in) + rainbow("RAINBOWWORST2EO", in), A1 + A2,
                1e-12 * (A1 + A2))
        << describe(c);
    // Options on max plus options on min are the two plain options.
    EXPECT_NEAR(rainbow("RAINBOWMAX2ECO", in) + rainbow("RAINBOWMIN2ECO", in),
                blackscholescall(c.T, c.S1, c.X, c.sigma1, c.r, c.q1) +
                    blackscholescall(c.T, c.S2, c.X, c.sigma2, c.r, c.q2),
                tolerance(c))
        << describe(c);
    EXPECT_NEAR(rainbow("RAINBOWMAX2EPO", in) + rainbow("RAINBOWMIN2EPO", in),
                blackscholesput(c.T, c.S1, c.X, c.sigma1, c.r, c.q1) +
                    blackscholesput(c.T, c.S2, c.X, c.sigma2, c.r, c.q2),
                tolerance(c))
        << describe(c);
    // max(S1, S2, X) = max(max(S1, S2) - X, 0) + X.
    EXPECT_NEAR(rainbow("RAINBOWBEST2MONEYEO", in), rainbow("RAINBOWMAX2ECO", in) + B, 1e-12 * B)
        << describe(c);
    // Best and worst do not depend on the rate (kept on purpose: it is checked all the same).
    std::vector<double> otherrate = in;
    otherrate[6] = c.r + 0.07;
    EXPECT_EQ(rainbow("RAINBOWBEST2EO", in), rainbow("RAINBOWBEST2EO", otherrate)) << describe(c);
    EXPECT_EQ(rainbow("RAINBOWWORST2EO", in), rainbow("RAINBOWWORST2EO", otherrate)) << describe(c);
  }
}

// With rho = +-1 one normal variable z drives both assets. e^(-rT) E[payoff] by Simpson's rule
// over z in [-12, 12].
double onefactor(int code, const contract& c) {
  const double root = std::sqrt(c.T);
  const double F1 = c.S1 * std::exp((c.r - c.q1) * c.T), F2 = c.S2 * std::exp((c.r - c.q2) * c.T);
  const int intervals = 240000;
  const double low = -12, h = 24.0 / intervals;
  double sum = 0;
  for (int k = 0; k <= intervals; ++k) {
    const double z = low + k * h;
    const double P1 = F1 * std::exp(-c.sigma1 * c.sigma1 * c.T / 2 + c.sigma1 * root * z);
    const double P2 = F2 * std::exp(-c.sigma2 * c.sigma2 * c.T / 2 + c.rho * c.sigma2 * root * z);
    const double high = std::max(P1, P2), lowest = std::min(P1, P2);
    const double payoffs[] = {high,
                              lowest,
                              std::max(high - c.X, 0.0),
                              std::max(c.X - high, 0.0),
                              std::max(lowest - c.X, 0.0),
                              std::max(c.X - lowest, 0.0),
                              std::max(high, c.X)};
    const double weight = (k == 0 || k == intervals) ? 1 : (k % 2 ? 4 : 2);
    sum += weight * payoffs[code] * std::exp(-z * z / 2) / std::sqrt(2 * M_PI);
  }
  return std::exp(-c.r * c.T) * sum * h / 3;
}

TEST(RainbowTwoAsset, PerfectlyCorrelatedAssetsAgreeWithAOneFactorQuadrature) {
  const contract cases[] = {
      {1.0, 100, 105, 0.2, 0.3, 1.0, 0.05, 0.01, 0.03, 100},
      {0.5, 100, 95, 0.25, 0.15, -1.0, 0.03, 0.0, 0.02, 90},
      // rho = 1 with equal volatilities: the ratio S1/S2 is known at expiry.
      {1.0, 100, 90, 0.2, 0.2, 1.0, 0.05, 0.0, 0.0, 95},
      {2.0, 95, 100, 0.3, 0.3, 1.0, 0.04, 0.0, 0.06, 100},    // S2 leads today, S1 at expiry
      {1.0, 100, 100, 0.2, 0.2, 1.0, 0.05, 0.02, 0.02, 100},  // always equal
  };
  for (const contract& c : cases) {
    for (int code = 0; code < 7; ++code) {
      const double value = rainbow(codes[code], inputs(c));
      EXPECT_NEAR(value, onefactor(code, c), 1e-7 * (c.S1 + c.S2 + c.X))
          << codes[code] << " " << describe(c);
    }
  }
}

TEST(RainbowTwoAsset, InfiniteAndHugeInputsGiveTheLimits) {
  using BlackScholes::blackscholescall;
  const double inf = std::numeric_limits<double>::infinity();
  const double T = 0.5, S1 = 100, S2 = 105, sigma1 = 0.11, sigma2 = 0.16, rho = 0.63, r = 0.05,
               q1 = 0.06, q2 = 0.09, X = 98;
  const double best = rainbowbest(T, S1, S2, sigma1, sigma2, rho, r, q1, q2);
  for (double huge : {inf, 1e300}) {
    // An unbounded rate: the strike costs nothing today, the call on the max is the best.
    EXPECT_NEAR(rainbowcallmax(T, S1, S2, sigma1, sigma2, rho, huge, q1, q2, X), best, 1e-12 * best)
        << huge;
    EXPECT_NEAR(rainbowputmin(T, S1, S2, sigma1, sigma2, rho, huge, q1, q2, X), 0.0, 1e-12) << huge;
    // An unbounded yield on one asset leaves the plain call on the other.
    EXPECT_NEAR(rainbowcallmax(T, S1, S2, sigma1, sigma2, rho, r, huge, q2, X),
                blackscholescall(T, S2, X, sigma2, r, q2), 1e-12 * S2)
        << huge;
    EXPECT_NEAR(rainbowcallmax(T, S1, S2, sigma1, sigma2, rho, r, q1, huge, X),
                blackscholescall(T, S1, X, sigma1, r, q1), 1e-12 * S1)
        << huge;
  }
  // An infinite price: an unbounded value, not a negative one.
  EXPECT_EQ(rainbowcallmax(T, inf, S2, sigma1, sigma2, rho, r, q1, q2, X), inf);
}

TEST(RainbowTwoAsset, ExpiryPaysThePayoff) {
  const double expected[] = {110, 90, 15, 0, 0, 5, 110};      // S1 = 110, S2 = 90, X = 95
  const double expectedlow[] = {110, 90, 0, 10, 0, 30, 120};  // X = 120
  for (int code = 0; code < 7; ++code) {
    EXPECT_EQ(rainbow(codes[code], {0, 110, 90, 0.2, 0.3, 0.5, 0.05, 0.01, 0.02, 95}),
              expected[code])
        << codes[code];
    EXPECT_EQ(rainbow(codes[code], {0, 90, 110, 0.2, 0.3, 0.5, 0.05, 0.01, 0.02, 120}),
              expectedlow[code])
        << codes[code];
  }
}

TEST(RainbowTwoAsset, RefusalsWriteTheMessage) {
  const std::vector<double> base = {1, 100, 105, 0.2, 0.3, 0.5, 0.05, 0.01, 0.02, 100};
  struct refusal {
    int input;
    double value;
  };
  // T < 0, prices <= 0, volatilities <= 0, |rho| > 1, r, q1, q2 < 0, X <= 0.
  const refusal cases[] = {{0, -0.5},  {1, 0},     {2, -1},    {3, 0},     {4, -0.2}, {5, 1.5},
                           {5, -1.01}, {6, -0.01}, {7, -0.01}, {8, -0.01}, {9, 0},    {9, -10}};
  for (const refusal& c : cases) {
    std::vector<double> in = base;
    in[c.input] = c.value;
    for (int code = 0; code < 7; ++code) {
      const bool hasstrike = code >= 2;
      if (!hasstrike && c.input == 9) continue;
      CaptureStdout();
      const double value = rainbow(codes[code], in);
      EXPECT_EQ(GetCapturedStdout(), inputerror) << codes[code] << " input " << c.input;
      EXPECT_TRUE(isundefined(value)) << codes[code] << " input " << c.input << " = " << c.value;
    }
  }
  // Best and worst read nine inputs and ignore a tenth row, so that one table shape serves the
  // whole family; an eleventh row is more than the handler reads and is refused before it runs.
  // The others need ten.
  const std::vector<double> nine(base.begin(), base.begin() + 9);
  EXPECT_FALSE(std::isnan(price("RAINBOWBEST2EO", nine)));
  EXPECT_EQ(price("RAINBOWBEST2EO", base), price("RAINBOWBEST2EO", nine));
  std::vector<double> eleven = base;
  eleven.push_back(1.0);
  CaptureStdout();
  const double elevenrows = price("RAINBOWBEST2EO", eleven);
  EXPECT_EQ(GetCapturedStdout(),
            "Input tables refused: the data table has 11 rows, the handler reads at most 10\n");
  EXPECT_TRUE(isundefined(elevenrows));
  CaptureStdout();
  const double shortstrike = price("RAINBOWMIN2EPO", nine);
  EXPECT_EQ(GetCapturedStdout(), inputerror);
  EXPECT_TRUE(isundefined(shortstrike));
  // NaN passes the checks and propagates, through the bivariate normal too.
  for (int k : {5, 9}) {
    std::vector<double> in = base;
    in[k] = nan;
    const double value = rainbow("RAINBOWMAX2ECO", in);
    EXPECT_TRUE(std::isnan(value) && !isundefined(value)) << "input " << k;
  }
}

}  // namespace
