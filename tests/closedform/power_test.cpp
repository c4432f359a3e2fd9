// Power options: the asymmetric and capped codes against QuantLib's Black formula on the i-th
// power of the price (S^i is lognormal with volatility i*sigma), the symmetric tree against a
// quadrature of its payoff over the lognormal law, and the limits, early results and refusals.
// Under the precise option the symmetric codes against closed forms derived here (integer i),
// Black-Scholes (i = 1) and a Simpson rule of their own (other i).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ql/pricingengines/blackformula.hpp>
#include <string>

#include "closedform/BlackScholes.h"
#include "closedform/EuropeanPower.h"
#include "numerics/undefined.h"
#include "testsupport.h"

namespace {

using namespace EuropeanPower;
using QuantLib::Option;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using testsupport::price;

const double infinity = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

struct contract {
  double T, S, K, sigma, r, q, i;
};

std::string describe(const contract& c) {
  return "T=" + std::to_string(c.T) + " S=" + std::to_string(c.S) + " K=" + std::to_string(c.K) +
         " sigma=" + std::to_string(c.sigma) + " r=" + std::to_string(c.r) +
         " q=" + std::to_string(c.q) + " i=" + std::to_string(c.i);
}

std::vector<double> inputs(const contract& c) { return {c.T, c.S, c.K, c.sigma, c.r, c.q, c.i}; }
std::vector<double> inputs(const contract& c, double C) {
  return {c.T, c.S, c.K, c.sigma, c.r, c.q, c.i, C};
}

// A payoff on S^i, priced by Black-76 on the forward of S^i with volatility i*sigma.
double blackonpower(Option::Type type, const contract& c, double level) {
  const double forward =
      std::pow(c.S, c.i) *
      std::exp((c.i * (c.r - c.q) + c.i * (c.i - 1) * c.sigma * c.sigma / 2) * c.T);
  return QuantLib::blackFormula(type, level, forward, c.i * c.sigma * std::sqrt(c.T),
                                std::exp(-c.r * c.T));
}

// Powers below, at and above 1; strikes on the scale of S^i, in and out of the money.
const contract contracts[] = {
    {0.5, 10, 100, 0.2, 0.08, 0.02, 2},   {1.0, 100, 100, 0.25, 0.05, 0.01, 1},
    {2.0, 9, 30, 0.3, 0.03, 0.0, 1.5},    {0.25, 1.1, 1.2, 0.4, 0.0, 0.05, 3},
    {1.0, 100, 12, 0.2, 0.04, 0.02, 0.5}, {5.0, 2, 5, 0.15, 0.02, 0.03, 2.5},
};

TEST(PowerOptions, AsymmetricAgreesWithBlackOnThePowerForward) {
  for (const contract& c : contracts) {
    const double call = blackonpower(Option::Call, c, c.K);
    const double put = blackonpower(Option::Put, c, c.K);
    const double tolerance = 1e-11 * (1 + c.K);
    EXPECT_NEAR(price("POWERECO", inputs(c)), call, tolerance) << describe(c);
    EXPECT_NEAR(price("POWEREPO", inputs(c)), put, tolerance) << describe(c);
    // Kept on purpose: POWERCT has no contract of its own and is priced as POWERECO.
    EXPECT_EQ(price("POWERCT", inputs(c)), price("POWERECO", inputs(c))) << describe(c);
  }
}

TEST(PowerOptions, CappedIsACallSpreadOnThePower) {
  // min(max(S^i - K, 0), C) = (S^i - K)+ - (S^i - K - C)+; the put likewise with K - C.
  for (const contract& c : contracts) {
    for (double fraction : {0.05, 0.5, 0.9}) {
      const double C = fraction * c.K;
      const double call =
          blackonpower(Option::Call, c, c.K) - blackonpower(Option::Call, c, c.K + C);
      const double put = blackonpower(Option::Put, c, c.K) - blackonpower(Option::Put, c, c.K - C);
      const double tolerance = 1e-11 * (1 + c.K);
      EXPECT_NEAR(price("POWERCECO", inputs(c, C)), call, tolerance) << describe(c) << " C=" << C;
      EXPECT_NEAR(price("POWERCEPO", inputs(c, C)), put, tolerance) << describe(c) << " C=" << C;
    }
  }
}

TEST(PowerOptions, LimitsOfPowerAndCap) {
  for (const contract& c : contracts) {
    const double call = powercall(c.T, c.S, c.K, c.sigma, c.r, c.q, c.i);
    const double put = powerput(c.T, c.S, c.K, c.sigma, c.r, c.q, c.i);
    // With i = 1 the power options are the Black-Scholes options.
    EXPECT_NEAR(powercall(c.T, c.S, c.K, c.sigma, c.r, c.q, 1.0),
                BlackScholes::blackscholescall(c.T, c.S, c.K, c.sigma, c.r, c.q), 1e-12 * c.K)
        << describe(c);
    EXPECT_NEAR(powerput(c.T, c.S, c.K, c.sigma, c.r, c.q, 1.0),
                BlackScholes::blackscholesput(c.T, c.S, c.K, c.sigma, c.r, c.q), 1e-12 * c.K)
        << describe(c);
    // A cap far above every likely payoff is no cap; an infinite cap neither; a zero cap pays 0.
    EXPECT_NEAR(cappedpowercall(c.T, c.S, c.K, c.sigma, c.r, c.q, c.i, 1e6 * (c.K + 1)), call,
                1e-9 * (1 + call))
        << describe(c);
    EXPECT_EQ(cappedpowercall(c.T, c.S, c.K, c.sigma, c.r, c.q, c.i, infinity), call);
    EXPECT_NEAR(cappedpowercall(c.T, c.S, c.K, c.sigma, c.r, c.q, c.i, 0.0), 0.0, 1e-12 * c.K);
    EXPECT_NEAR(cappedpowerput(c.T, c.S, c.K, c.sigma, c.r, c.q, c.i, 0.0), 0.0, 1e-12 * c.K);
    // A put capped at or above its strike can never reach the cap: the uncapped put, which the
    // capped formula also approaches as the cap rises to the strike.
    for (double C : {c.K, 1.5 * c.K, 1e300}) {
      const double capped = price("POWERCEPO", inputs(c, C));
      EXPECT_FALSE(std::isnan(capped)) << describe(c) << " C=" << C;
      EXPECT_EQ(capped, put) << describe(c) << " C=" << C;
    }
    EXPECT_NEAR(cappedpowerput(c.T, c.S, c.K, c.sigma, c.r, c.q, c.i, c.K * (1 - 1e-12)), put,
                1e-9 * c.K)
        << describe(c);
  }
}

TEST(PowerOptions, EarlyResultsInTheirOrder) {
  struct earlycase {
    const char* code;
    std::vector<double> inputs;
    double expected;
  };
  const double discount = std::exp(-0.05);
  const earlycase cases[] = {
      // A zero spot comes before a zero expiry.
      {"POWERECO", {1, 0, 100, 0.2, 0.05, 0, 2}, 0.0},
      {"POWEREPO", {1, 0, 100, 0.2, 0.05, 0, 2}, 100 * discount},
      {"POWEREPO", {0, 0, 100, 0.2, 0.05, 0, 2}, 100.0},
      {"POWERCECO", {1, 0, 100, 0.2, 0.05, 0, 2, 30}, 0.0},
      {"POWERCEPO", {1, 0, 100, 0.2, 0.05, 0, 2, 30}, 30 * discount},
      {"POWEREDECO", {1, 0, 100, 0.2, 0.05, 0, 2}, 0.0},
      {"POWEREDEPO", {1, 0, 10, 0.2, 0.05, 0, 2}, 100 * discount},  // K^i e^(-rT)
      // At expiry: the payoff.
      {"POWERECO", {0, 11, 100, 0.2, 0.05, 0, 2}, 21.0},
      {"POWEREPO", {0, 9, 100, 0.2, 0.05, 0, 2}, 19.0},
      {"POWEREPO", {0, 11, 100, 0.2, 0.05, 0, 2}, 0.0},
      {"POWERCECO", {0, 11, 100, 0.2, 0.05, 0, 2, 5}, 5.0},
      {"POWERCECO", {0, 10.1, 100, 0.2, 0.05, 0, 2, 5}, 10.1 * 10.1 - 100},
      {"POWERCEPO", {0, 9, 100, 0.2, 0.05, 0, 2, 5}, 5.0},
      {"POWEREDECO", {0, 13, 10, 0.2, 0.05, 0, 2}, 9.0},
      {"POWEREDEPO", {0, 7, 10, 0.2, 0.05, 0, 3}, 27.0},
      {"POWEREDEPO", {0, 13, 10, 0.2, 0.05, 0, 3}, 0.0},
  };
  for (const earlycase& c : cases) {
    const double value = price(c.code, c.inputs);
    EXPECT_NEAR(value, c.expected, 1e-12 * (1 + c.expected))
        << c.code << " S=" << c.inputs[1] << " T=" << c.inputs[0];
  }
}

TEST(PowerOptions, RefusalsAreSilentAndUndefined) {
  struct refusal {
    const char* code;
    std::vector<double> inputs;
  };
  const refusal cases[] = {
      {"POWERECO", {-0.1, 10, 100, 0.2, 0.05, 0, 2}},
      {"POWERECO", {1, -1, 100, 0.2, 0.05, 0, 2}},
      {"POWEREPO", {1, 10, 0, 0.2, 0.05, 0, 2}},
      {"POWEREPO", {1, 10, 100, 0, 0.05, 0, 2}},
      {"POWERECO", {1, 10, 100, 0.2, -0.01, 0, 2}},
      {"POWERECO", {1, 10, 100, 0.2, 0.05, -0.01, 2}},
      {"POWERECO", {1, 10, 100, 0.2, 0.05, 0, 0}},
      {"POWEREPO", {1, 10, 100, 0.2, 0.05, 0, -1}},
      {"POWERCT", {1, 10, 100, 0.2, 0.05, 0, 0}},
      {"POWERCECO", {1, 10, 100, 0.2, 0.05, 0, 0, 5}},
      {"POWERCEPO", {1, 10, 100, 0.2, 0.05, 0, 2, -1}},
      {"POWERCECO", {1, 10, 0, 0.2, 0.05, 0, 2, 5}},
      {"POWEREDECO", {1, 10, 0, 0.2, 0.05, 0, 2}},
      {"POWEREDEPO", {1, 10, 10, -0.2, 0.05, 0, 2}},
      {"POWEREDEPO", {-1, 10, 10, 0.2, 0.05, 0, 2}},
      // Short tables: the capped codes read eight inputs, the others seven.
      {"POWERCECO", {1, 10, 100, 0.2, 0.05, 0, 2}},
      {"POWERECO", {1, 10, 100, 0.2, 0.05, 0}},
  };
  for (const refusal& c : cases) {
    CaptureStdout();
    const double value = price(c.code, c.inputs);
    EXPECT_EQ(GetCapturedStdout(), "") << c.code;
    EXPECT_TRUE(isundefined(value)) << c.code << " inputs " << ::testing::PrintToString(c.inputs);
  }
  // Kept on purpose: the symmetric codes do not test the power; i = 0 pays 1 wherever it pays.
  EXPECT_FALSE(isundefined(price("POWEREDECO", {1, 10, 10, 0.2, 0.05, 0, 0})));
  // NaN passes the checks and propagates.
  for (const char* code : {"POWERECO", "POWERCECO", "POWEREDEPO"}) {
    std::vector<double> in = {1, 10, nan, 0.2, 0.05, 0, 2, 5};
    if (std::string(code) != "POWERCECO") in.resize(7);
    const double value = price(code, in);
    EXPECT_TRUE(std::isnan(value) && !isundefined(value)) << code;
  }
}

// e^(-rT) E[payoff(S_T)] over the lognormal law by Simpson's rule on the normal variable, from
// the point where the payoff starts to pay (the integrand is smooth there) out to 12 deviations.
double symmetricbyquadrature(bool call, const contract& c) {
  const double deviation = c.sigma * std::sqrt(c.T);
  const double drift = (c.r - c.q - c.sigma * c.sigma / 2) * c.T;
  const double edge = (std::log(c.K / c.S) - drift) / deviation;
  const double low = call ? edge : -12.0, high = call ? 12.0 : edge;
  const int intervals = 20000;
  const double h = (high - low) / intervals;
  double sum = 0;
  for (int k = 0; k <= intervals; ++k) {
    const double z = low + k * h;
    const double ST = c.S * std::exp(drift + deviation * z);
    const double payoff = std::pow(std::max(call ? ST - c.K : c.K - ST, 0.0), c.i);
    const double weight = (k == 0 || k == intervals) ? 1 : (k % 2 ? 4 : 2);
    sum += weight * payoff * std::exp(-z * z / 2) / std::sqrt(2 * M_PI);
  }
  return std::exp(-c.r * c.T) * sum * h / 3;
}

TEST(PowerOptions, SymmetricTreeConvergesToTheQuadrature) {
  const contract cases[] = {
      {1.0, 100, 100, 0.2, 0.05, 0.02, 2},
      {0.5, 100, 95, 0.3, 0.03, 0.0, 1.5},
      {2.0, 50, 55, 0.25, 0.0, 0.04, 1},
      {0.25, 10, 10, 0.4, 0.06, 0.01, 3},
  };
  testsupport::parameters steps;
  steps.set(4, 4000);
  for (const contract& c : cases) {
    for (bool call : {true, false}) {
      const double expected = symmetricbyquadrature(call, c);
      const double tree = price(call ? "POWEREDECO" : "POWEREDEPO", inputs(c), steps);
      // Cox-Ross-Rubinstein converges at order 1/n: 4000 steps give about 3 digits.
      EXPECT_NEAR(tree, expected, 1e-3 * expected) << (call ? "call " : "put ") << describe(c);
    }
  }
}

TEST(PowerOptions, SymmetricStepsComeFromEntryFour) {
  const contract c = {1.0, 100, 100, 0.2, 0.05, 0.02, 1};
  testsupport::parameters hundred, fifty;
  hundred.set(4, 100);
  fifty.set(4, 50.9);  // truncated toward zero
  testsupport::parameters fiftyexact;
  fiftyexact.set(4, 50);
  const double bydefault = price("POWEREDECO", inputs(c));
  EXPECT_EQ(bydefault, price("POWEREDECO", inputs(c), hundred));
  EXPECT_EQ(price("POWEREDECO", inputs(c), fifty), price("POWEREDECO", inputs(c), fiftyexact));
  EXPECT_NE(price("POWEREDECO", inputs(c), fifty), bydefault);
  // With i = 1 the tree is a Cox-Ross-Rubinstein tree for the Black-Scholes call.
  const double exact = BlackScholes::blackscholescall(c.T, c.S, c.K, c.sigma, c.r, c.q);
  EXPECT_NEAR(bydefault, exact, 0.02 * exact);
  // One step: the two-state expectation, worked by hand. u = e^0.2, p = (e^0.03 - 1/u)/(u - 1/u).
  testsupport::parameters one;
  one.set(4, 1);
  const double u = std::exp(0.2), p = (std::exp(0.03) - 1 / u) / (u - 1 / u);
  EXPECT_NEAR(price("POWEREDECO", inputs(c), one), std::exp(-0.05) * p * (100 * u - 100), 1e-12);
}

TEST(PowerOptions, SymmetricTreeRefusesProbabilitiesOutsideTheUnitInterval) {
  // sigma = 1%, r = 20%, 100 steps: u = e^0.001 and e^(r dt) = e^0.002 give p = 1.5. Ten
  // thousand steps bring p back to about 0.6.
  const contract c = {1.0, 100, 100, 0.01, 0.2, 0.0, 2};
  CaptureStdout();
  const double value = price("POWEREDECO", inputs(c));
  EXPECT_EQ(GetCapturedStdout(), "Tree probability outside [0, 1], value undefined\n");
  EXPECT_TRUE(isundefined(value));
  testsupport::parameters many;
  many.set(4, 10000);
  CaptureStdout();
  const double fine = price("POWEREDECO", inputs(c), many);
  EXPECT_EQ(GetCapturedStdout(), "");
  EXPECT_NEAR(fine, symmetricbyquadrature(true, c), 1e-3 * fine);
}

TEST(PowerOptions, SymmetricStepsOutOfRangeAreReported) {
  const contract c = {1.0, 100, 100, 0.2, 0.05, 0.02, 2};
  for (double steps : {0.0, 0.99, -5.0, 1e7, 1e300, nan}) {
    testsupport::parameters entries;
    entries.set(4, steps);
    CaptureStdout();
    const double value = price("POWEREDEPO", inputs(c), entries);
    EXPECT_EQ(GetCapturedStdout(), "Tree steps out of range, value undefined\n") << steps;
    EXPECT_TRUE(isundefined(value)) << steps;
  }
}

// Under the precise option: entry 5, value 1 = 1, with the default steps or explicit ones.
testsupport::parameters preciseoption() {
  return testsupport::parameters().set(entryoptions, 0, 1);
}

double normal(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

// e^(-rT) E[S_T^j 1{S_T > K}] (above) or 1{S_T < K}: with F the forward and s = sigma sqrt(T),
// S_T^j is lognormal with mean F^j e^(j(j-1)s^2/2), and the measure it weights moves ln S_T by
// j s^2, so the indicator's probability is N(+-d_j), d_j = (ln(F/K) + (j - 1/2) s^2) / s.
double partialmoment(const contract& c, int j, bool above) {
  const double F = c.S * std::exp((c.r - c.q) * c.T), s = c.sigma * std::sqrt(c.T);
  const double d = (std::log(F / c.K) + (j - 0.5) * s * s) / s;
  return std::exp(-c.r * c.T) * std::pow(F, j) * std::exp(j * (j - 1) * s * s / 2) *
         normal(above ? d : -d);
}

// Integer i by the binomial expansion: (S - K)^i = sum_j C(i, j) S^j (-K)^(i-j) over S > K, and
// (K - S)^i = sum_j C(i, j) (-S)^j K^(i-j) over S < K. For i = 2 the call is
// E[S^2 1] - 2K E[S 1] + K^2 P(S > K), discounted.
double integerpower(bool call, const contract& c) {
  const int i = static_cast<int>(c.i);
  double sum = 0, binomial = 1;
  for (int j = 0; j <= i; ++j) {
    const double sign = call ? ((i - j) % 2 ? -1.0 : 1.0) : (j % 2 ? -1.0 : 1.0);
    sum += sign * binomial * std::pow(c.K, i - j) * partialmoment(c, j, call);
    binomial = binomial * (i - j) / (j + 1);
  }
  return sum;
}

// Simpson's rule on w, where the normal variable is z = kink +- w^2: the payoff's power
// singularity at the kink, (w^2)^i, becomes a smooth w^(2i) 2w dw. Out to 14 deviations past the
// integrand's peak, which the growth of (S_T - K)^i moves i s deviations up for a call.
double symmetricbysimpson(bool call, const contract& c) {
  const double s = c.sigma * std::sqrt(c.T);
  const double drift = (c.r - c.q - c.sigma * c.sigma / 2) * c.T;
  const double kink = (std::log(c.K / c.S) - drift) / s;
  const double peak = call ? c.i * s - kink : kink;
  const double top = std::sqrt(std::max(peak, 0.0) + 14.0);
  const int intervals = 4000;
  const double h = top / intervals;
  double sum = 0;
  for (int k = 0; k <= intervals; ++k) {
    const double w = k * h, z = call ? kink + w * w : kink - w * w;
    const double ST = c.S * std::exp(drift + s * z);
    const double payoff = std::pow(std::max(call ? ST - c.K : c.K - ST, 0.0), c.i);
    const double weight = (k == 0 || k == intervals) ? 1 : (k % 2 ? 4 : 2);
    sum += weight * payoff * std::exp(-z * z / 2) / std::sqrt(2 * M_PI) * 2 * w;
  }
  return std::exp(-c.r * c.T) * sum * h / 3;
}

// The precise symmetric codes on a table: strikes in, at and out of the money, a week to ten
// years, powers 0.5 to 3. Target max(1e-5 price, 1e-7 K^i) at the default steps; at explicit
// steps the improved tree is never further from the reference than the design's tree of those
// steps. Integer powers also hold call + (-1)^i put = e^(-rT) E[(S_T - K)^i].
TEST(PowerOptions, PreciseSymmetricConvergesAndNeverDoesWorse) {
  const contract market[] = {
      {1.0, 100, 100, 0.2, 0.05, 0.02, 0},  {0.02, 100, 100, 0.15, 0.05, 0.02, 0},
      {0.1, 100, 120, 0.3, 0.03, 0.0, 0},   {3.0, 100, 70, 0.25, 0.01, 0.04, 0},
      {10.0, 100, 100, 0.5, 0.03, 0.01, 0}, {0.25, 50, 40, 0.4, 0.06, 0.01, 0},
  };
  for (contract c : market)
    for (double i : {0.5, 1.0, 1.5, 2.0, 3.0}) {
      c.i = i;
      const bool integer = i == std::floor(i);
      double values[2];
      for (bool call : {true, false}) {
        const char* code = call ? "POWEREDECO" : "POWEREDEPO";
        double reference = integer ? integerpower(call, c) : symmetricbysimpson(call, c);
        if (i == 1.0) {
          reference = QuantLib::blackFormula(call ? Option::Call : Option::Put, c.K,
                                             c.S * std::exp((c.r - c.q) * c.T),
                                             c.sigma * std::sqrt(c.T), std::exp(-c.r * c.T));
        }
        const double tolerance = std::max(1e-5 * reference, 1e-7 * std::pow(c.K, i));
        const double value = price(code, inputs(c), preciseoption());
        EXPECT_NEAR(value, reference, tolerance) << code << " " << describe(c);
        values[call ? 0 : 1] = value;
        for (double n : {50.0, 100.0}) {
          testsupport::parameters steps;
          steps.set(4, n);
          const double design = price(code, inputs(c), steps);
          const double improved = price(code, inputs(c), preciseoption().set(4, n));
          EXPECT_LE(std::fabs(improved - reference), std::fabs(design - reference))
              << code << " steps " << n << " " << describe(c);
        }
      }
      if (integer) {
        double moment = 0, binomial = 1;  // e^(-rT) E[(S_T - K)^i], term by term
        const int n = static_cast<int>(i);
        for (int j = 0; j <= n; ++j) {
          const double whole = partialmoment(c, j, true) + partialmoment(c, j, false);
          moment += ((n - j) % 2 ? -1.0 : 1.0) * binomial * std::pow(c.K, n - j) * whole;
          binomial = binomial * (n - j) / (j + 1);
        }
        EXPECT_NEAR(values[0] + (n % 2 ? -1.0 : 1.0) * values[1], moment,
                    1e-9 * std::pow(c.K, i) + 1e-10 * std::fabs(values[0]))
            << describe(c);
      }
    }
}

// The integral needs no tree: where the design's tree is refused for its probability (sigma 1%,
// r 20%, 100 steps), the option answers; explicit steps keep the tree and its refusals.
TEST(PowerOptions, PreciseSymmetricRefusesOnlyForTheContractOrAnExplicitTree) {
  const contract c = {1.0, 100, 100, 0.01, 0.2, 0.0, 2};
  CaptureStdout();
  const double value = price("POWEREDECO", inputs(c), preciseoption());
  EXPECT_EQ(GetCapturedStdout(), "");
  EXPECT_NEAR(value, integerpower(true, c), 1e-5 * value);
  CaptureStdout();
  EXPECT_TRUE(isundefined(price("POWEREDECO", inputs(c), preciseoption().set(4, 100))));
  EXPECT_EQ(GetCapturedStdout(), "Tree probability outside [0, 1], value undefined\n");
  const contract ordinary = {1.0, 100, 100, 0.2, 0.05, 0.02, 2};
  CaptureStdout();
  EXPECT_TRUE(isundefined(price("POWEREDEPO", inputs(ordinary), preciseoption().set(4, 0))));
  EXPECT_EQ(GetCapturedStdout(), "Tree steps out of range, value undefined\n");
  // One step: the smoothed step from the root is the integral itself.
  EXPECT_NEAR(price("POWEREDECO", inputs(ordinary), preciseoption().set(4, 1)),
              integerpower(true, ordinary), 1e-9 * integerpower(true, ordinary));
  // The contract's refusals stay silent and undefined; S = 0 and T = 0 are the design's.
  for (const std::vector<double>& in : std::vector<std::vector<double>>{
           {1, 10, 0, 0.2, 0.05, 0, 2}, {1, 10, 10, -0.2, 0.05, 0, 2}, {-1, 10, 10, 0.2, 0.05, 0, 2},
           {1, -1, 10, 0.2, 0.05, 0, 2}, {1, 10, 10, 0.2, -0.01, 0, 2}}) {
    CaptureStdout();
    EXPECT_TRUE(isundefined(price("POWEREDECO", in, preciseoption())));
    EXPECT_EQ(GetCapturedStdout(), "");
  }
  EXPECT_NEAR(price("POWEREDEPO", {1, 0, 10, 0.2, 0.05, 0, 2}, preciseoption()),
              100 * std::exp(-0.05), 1e-12);
  EXPECT_EQ(price("POWEREDEPO", {0, 7, 10, 0.2, 0.05, 0, 3}, preciseoption()), 27.0);
  // NaN propagates; i = 0 pays 1 everywhere (kept on purpose, as the design's tree); an infinite
  // input is priced as without the option.
  for (double n : {0.0, 200.0}) {
    const testsupport::parameters entries = n > 0 ? preciseoption().set(4, n) : preciseoption();
    const double nanvalue = price("POWEREDEPO", {1, 10, 10, 0.2, nan, 0, 2}, entries);
    EXPECT_TRUE(std::isnan(nanvalue) && !isundefined(nanvalue));
    EXPECT_NEAR(price("POWEREDECO", {1, 10, 10, 0.2, 0.05, 0, 0}, entries), std::exp(-0.05), 1e-12);
    EXPECT_EQ(price("POWEREDEPO", {1, infinity, 10, 0.2, 0.05, 0, 2}, entries), 0.0);
  }
}

// Extreme contracts keep a number: a ten-deviation tail (i = 50), a vanishing power (the
// probability of finishing in the money), a long, volatile call whose mass overflows the tree.
TEST(PowerOptions, PreciseSymmetricExtremes) {
  const contract tail = {1.0, 100, 100, 0.2, 0.05, 0.02, 50};
  EXPECT_NEAR(price("POWEREDECO", inputs(tail), preciseoption()), symmetricbysimpson(true, tail),
              1e-8 * symmetricbysimpson(true, tail));
  const contract vanishing = {1.0, 100, 100, 0.2, 0.05, 0.02, 1e-9};
  const double probability = std::exp(-0.05) * normal((0.03 - 0.02) / 0.2);
  EXPECT_NEAR(price("POWEREDECO", inputs(vanishing), preciseoption()), probability, 1e-7);
  // T 100, sigma 5: the call on S is worth S e^(-qT) less K e^(-rT) N(d2), which is nil.
  const contract volatile_ = {100, 100, 100, 5, 0.5, 0.01, 1};
  EXPECT_NEAR(price("POWEREDECO", inputs(volatile_), preciseoption()), 100 * std::exp(-1.0),
              1e-9);
}

}  // namespace

