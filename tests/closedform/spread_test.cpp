// Spread options and the two-asset lattice: the lattice against an exact one-dimensional
// integral of the spread payoff, against Margrabe's exchange-option formula, against published
// values of Kirk's approximation, its parity, its levels from parameter entry 4, early exercise,
// and the spread codes' early results and refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "closedform/EuropeanRainbowTwoAsset.h"
#include "closedform/EuropeanSpread.h"
#include "closedform/EuropeanSpreadCodes.h"
#include "closedform/TwoAssetLattice.h"
#include "numerics/normaldistribution.h"
#include "numerics/undefined.h"
#include "testsupport.h"

namespace {

using namespace TwoAssetLattice;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using testsupport::price;

const double nan = std::numeric_limits<double>::quiet_NaN();
const char* const inputerror = "Input data error, value undefined\n";
const char* const levelserror = "Tree steps out of range, value undefined\n";

std::string describe(const latticecontract& c) {
  return "T=" + std::to_string(c.T) + " S1=" + std::to_string(c.S1) +
         " S2=" + std::to_string(c.S2) + " X=" + std::to_string(c.X) +
         " sigma1=" + std::to_string(c.sigma1) + " sigma2=" + std::to_string(c.sigma2) +
         " rho=" + std::to_string(c.rho) + " r=" + std::to_string(c.r) +
         " q1=" + std::to_string(c.q1) + " q2=" + std::to_string(c.q2) +
         " sign=" + std::to_string(c.payoffsign);
}

std::vector<double> inputs(const latticecontract& c) {
  return {c.T, c.S1, c.S2, c.X, c.sigma1, c.sigma2, c.rho, c.r, c.q1, c.q2};
}

double undiscountedblack(double F, double K, double deviation) {
  const double d1 = (std::log(F / K) + deviation * deviation / 2) / deviation;
  return F * normalcdf(d1) - K * normalcdf(d1 - deviation);
}

// The exact European spread call: given the normal variable z of S2, S1 is lognormal, so the
// inner expectation is a Black formula with strike S2(z) + X; Simpson's rule integrates over z.
double spreadbyintegral(const latticecontract& c) {
  const double root = std::sqrt(c.T);
  const double F1 = c.S1 * std::exp((c.r - c.q1) * c.T), F2 = c.S2 * std::exp((c.r - c.q2) * c.T);
  const double conditional = c.sigma1 * std::sqrt(1 - c.rho * c.rho) * root;
  const int intervals = 20000;
  const double low = -12, h = 24.0 / intervals;
  double sum = 0;
  for (int k = 0; k <= intervals; ++k) {
    const double z = low + k * h;
    const double P2 = F2 * std::exp(-c.sigma2 * c.sigma2 * c.T / 2 + c.sigma2 * root * z);
    const double F1z =
        F1 * std::exp(-c.rho * c.rho * c.sigma1 * c.sigma1 * c.T / 2 + c.rho * c.sigma1 * root * z);
    const double weight = (k == 0 || k == intervals) ? 1 : (k % 2 ? 4 : 2);
    sum += weight * undiscountedblack(F1z, P2 + c.X, conditional) * std::exp(-z * z / 2) /
           std::sqrt(2 * M_PI);
  }
  const double call = std::exp(-c.r * c.T) * sum * h / 3;
  if (c.payoffsign > 0) return call;
  // Parity: put = call - (S1 e^(-q1 T) - S2 e^(-q2 T) - X e^(-rT)).
  return call -
         (c.S1 * std::exp(-c.q1 * c.T) - c.S2 * std::exp(-c.q2 * c.T) - c.X * std::exp(-c.r * c.T));
}

const latticecontract contracts[] = {
    {1.0, 100, 95, 0.25, 0.2, 0.05, 0.02, 0.01, 0.5, 3, 1, 0},
    {1.0, 100, 95, 0.25, 0.2, 0.05, 0.02, 0.01, 0.5, 3, -1, 0},
    {0.5, 50, 50, 0.4, 0.3, 0.03, 0.0, 0.0, -0.3, 5, 1, 0},
    {2.0, 110, 90, 0.2, 0.35, 0.0, 0.04, 0.01, 0.8, 15, -1, 0},
    {0.25, 30, 28, 0.3, 0.3, 0.06, 0.01, 0.02, 0.0, 1, 1, 0},
};

TEST(TwoAssetLattice, ConvergesToTheExactSpreadValue) {
  for (const latticecontract& c : contracts) {
    const double exact = spreadbyintegral(c);
    // The default lattice of 200 levels, through fun: within 0.2% of the exact value.
    const double bydefault = price(c.payoffsign > 0 ? "SPREADECO" : "SPREADEPO", inputs(c));
    EXPECT_NEAR(bydefault, exact, 2e-3 * exact) << describe(c);
    // First order in the step: four times the levels, about a quarter of the error.
    const double fine = twoassetlattice(c, 800);
    EXPECT_LT(std::fabs(fine - exact), 0.5 * std::fabs(bydefault - exact)) << describe(c);
  }
}

TEST(TwoAssetLattice, ZeroStrikeIsMargrabesExchangeOption) {
  // Margrabe (1978): e^(-q1 T) S1 N(d1) - e^(-q2 T) S2 N(d2), with the volatility of S1/S2.
  for (latticecontract c : contracts) {
    c.X = 0;
    c.payoffsign = 1;
    const double A1 = c.S1 * std::exp(-c.q1 * c.T), A2 = c.S2 * std::exp(-c.q2 * c.T);
    const double deviation = std::sqrt(
        (c.sigma1 * c.sigma1 + c.sigma2 * c.sigma2 - 2 * c.rho * c.sigma1 * c.sigma2) * c.T);
    const double d1 = (std::log(A1 / A2) + deviation * deviation / 2) / deviation;
    const double exact = A1 * normalcdf(d1) - A2 * normalcdf(d1 - deviation);
    EXPECT_NEAR(twoassetlattice(c, 400), exact, 5e-4 * exact) << describe(c);
  }
}

TEST(TwoAssetLattice, PublishedKirkValues) {
  // Haug, Option Pricing Formulas, McGraw-Hill, 1998, pp. 59-60: Kirk's approximation for a
  // spread call on two futures, F1 = 122, F2 = 120, X = 3, r = 10% (futures: q1 = q2 = r).
  // Kirk's approximation is itself good to about 1e-3 here.
  struct row {
    double T, sigma1, sigma2, rho, kirk;
  };
  const row rows[] = {
      {0.1, 0.20, 0.20, -0.5, 4.7530}, {0.1, 0.20, 0.20, 0.5, 2.5537},
      {0.1, 0.25, 0.20, 0.0, 4.3712},  {0.5, 0.20, 0.20, -0.5, 10.7517},
      {0.5, 0.20, 0.25, 0.5, 6.9284},  {0.5, 0.25, 0.20, 0.0, 9.9340},
  };
  for (const row& w : rows) {
    const double value =
        price("SPREADECO", {w.T, 122, 120, 3, w.sigma1, w.sigma2, w.rho, 0.1, 0.1, 0.1});
    EXPECT_NEAR(value, w.kirk, 2e-3 * w.kirk)
        << "T=" << w.T << " sigma1=" << w.sigma1 << " sigma2=" << w.sigma2 << " rho=" << w.rho;
  }
}

TEST(TwoAssetLattice, KeepsPutCallParity) {
  // The branch probabilities keep each asset's drift exactly, so the lattice keeps the parity
  // up to rounding.
  for (const latticecontract& c : contracts) {
    const std::vector<double> in = inputs(c);
    const double forward =
        c.S1 * std::exp(-c.q1 * c.T) - c.S2 * std::exp(-c.q2 * c.T) - c.X * std::exp(-c.r * c.T);
    EXPECT_NEAR(price("SPREADECO", in) - price("SPREADEPO", in), forward, 1e-9 * (c.S1 + c.S2))
        << describe(c);
  }
}

TEST(TwoAssetLattice, LevelsComeFromEntryFour) {
  const latticecontract c = contracts[0];
  const double bydefault = twoassetlattice(c, 200);
  EXPECT_EQ(price("SPREADECO", inputs(c)), bydefault);
  testsupport::parameters fifty;
  fifty.set(4, 50.8);  // truncated toward zero
  EXPECT_EQ(price("SPREADECO", inputs(c), fifty), twoassetlattice(c, 50));
  EXPECT_NE(twoassetlattice(c, 50), bydefault);
  // Two levels, the fewest that work: one step of length T, still keeping the parity.
  latticecontract put = c;
  put.payoffsign = -1;
  const double forward =
      c.S1 * std::exp(-c.q1 * c.T) - c.S2 * std::exp(-c.q2 * c.T) - c.X * std::exp(-c.r * c.T);
  EXPECT_NEAR(twoassetlattice(c, 2) - twoassetlattice(put, 2), forward, 1e-12 * c.S1);
}

TEST(TwoAssetLattice, LevelsOutOfRangeAreReported) {
  const latticecontract c = contracts[0];
  for (std::int64_t levels : {std::int64_t{1}, std::int64_t{0}, std::int64_t{-3},
                              std::int64_t{2001}, std::numeric_limits<std::int64_t>::max()}) {
    CaptureStdout();
    const double value = twoassetlattice(c, levels);
    EXPECT_EQ(GetCapturedStdout(), levelserror) << levels;
    EXPECT_TRUE(isundefined(value)) << levels;
  }
  for (double levels : {1.0, 1.9, 0.0, 2001.0, 1e300, nan}) {
    testsupport::parameters entries;
    entries.set(4, levels);
    CaptureStdout();
    const double value = price("SPREADEPO", inputs(c), entries);
    EXPECT_EQ(GetCapturedStdout(), levelserror) << levels;
    EXPECT_TRUE(isundefined(value)) << levels;
  }
}

TEST(TwoAssetLattice, EarlyExercise) {
  for (latticecontract c : contracts) {
    const double european = twoassetlattice(c, 100);
    c.earlyexercise = 1;
    const double american = twoassetlattice(c, 100);
    const double intrinsic = std::max(c.payoffsign * (c.S1 - c.S2 - c.X), 0.0);
    EXPECT_GE(american, european - 1e-12) << describe(c);
    EXPECT_GE(american, intrinsic) << describe(c);
    // Without dividends the discounted prices are martingales on the lattice and the strike is
    // better paid late: a call is never exercised early.
    if (c.payoffsign > 0) {
      c.q1 = c.q2 = 0;
      c.earlyexercise = 0;
      const double plain = twoassetlattice(c, 100);
      c.earlyexercise = 1;
      EXPECT_NEAR(twoassetlattice(c, 100), plain, 1e-10 * (c.S1 + c.S2)) << describe(c);
    }
  }
  // A deep put with a high rate is worth exercising now.
  latticecontract deep = {1.0, 50, 100, 0.2, 0.2, 0.1, 0.0, 0.0, 0.5, 10, -1, 1};
  EXPECT_NEAR(twoassetlattice(deep, 100), 60.0, 1e-9);
}

TEST(TwoAssetLattice, OtherPayoffsAgreeWithTheClosedForms) {
  // The same lattice on the payoffs of the options on the better or worse of two assets, against
  // the closed forms of Stulz and Johnson.
  using namespace EuropeanRainbowTwoAsset;
  const latticecontract cases[] = {
      {1.0, 100, 105, 0.2, 0.3, 0.05, 0.01, 0.03, 0.5, 0, 1, 0},
      {0.5, 100, 95, 0.25, 0.15, 0.03, 0.0, 0.02, -0.4, 0, 1, 0},
  };
  const double X = 100;
  for (const latticecontract& c : cases) {
    const double callmax = twoassetlatticeof(
        c, 400, [X](double P1, double P2) { return std::max(std::max(P1, P2) - X, 0.0); });
    const double putmin = twoassetlatticeof(
        c, 400, [X](double P1, double P2) { return std::max(X - std::min(P1, P2), 0.0); });
    const double best =
        twoassetlatticeof(c, 400, [](double P1, double P2) { return std::max(P1, P2); });
    const double args[] = {c.T, c.S1, c.S2, c.sigma1, c.sigma2, c.rho, c.r, c.q1, c.q2};
    EXPECT_NEAR(callmax,
                rainbowcallmax(args[0], args[1], args[2], args[3], args[4], args[5], args[6],
                               args[7], args[8], X),
                2e-3 * callmax)
        << describe(c);
    EXPECT_NEAR(putmin,
                rainbowputmin(args[0], args[1], args[2], args[3], args[4], args[5], args[6],
                              args[7], args[8], X),
                2e-3 * putmin)
        << describe(c);
    EXPECT_NEAR(best,
                rainbowbest(args[0], args[1], args[2], args[3], args[4], args[5], args[6], args[7],
                            args[8]),
                2e-4 * best)
        << describe(c);
  }
  // Without dividends the better of two assets is never worth exercising early: e^(-rt) max(P1,
  // P2) rises in expectation. With a dividend it is.
  latticecontract c = cases[0];
  c.q1 = c.q2 = 0;
  auto better = [](double P1, double P2) { return std::max(P1, P2); };
  const double european = twoassetlatticeof(c, 200, better);
  c.earlyexercise = 1;
  EXPECT_NEAR(twoassetlatticeof(c, 200, better), european, 1e-10 * european);
  c.q1 = 0.08;
  const double american = twoassetlatticeof(c, 200, better);
  c.earlyexercise = 0;
  EXPECT_GT(american, twoassetlatticeof(c, 200, better) + 1e-3);
  // The level range is that of the spread lattice.
  CaptureStdout();
  const double one = twoassetlatticeof(c, 1, better);
  EXPECT_EQ(GetCapturedStdout(), levelserror);
  EXPECT_TRUE(isundefined(one));
}

// The precise option (entry 5, value 1 = 1), with entry 4's levels when given.
testsupport::parameters precise() { return testsupport::parameters().set(5, 0.0, 1.0); }
testsupport::parameters precise(double levels) { return precise().set(4, levels); }

TEST(SpreadOptions, PreciseOptionGivesTheIntegralToOneInAHundredThousand) {
  // Under the option the European spreads are the quadrature over S2's normal draw, which the
  // Simpson rule above computes independently: max(1e-5 of the price, 1e-7 of X), where the
  // lattice of 200 levels errs by 1e-4 to 1e-3. The levels of entry 4 are not read then.
  for (const latticecontract& c : contracts) {
    const char* code = c.payoffsign > 0 ? "SPREADECO" : "SPREADEPO";
    const double exact = spreadbyintegral(c);
    const double ours = price(code, inputs(c), precise());
    EXPECT_NEAR(ours, exact, std::max(1e-5 * exact, 1e-7 * c.X)) << describe(c);
    EXPECT_EQ(price(code, inputs(c), precise(37)), ours) << describe(c);
    EXPECT_GE(std::fabs(price(code, inputs(c)) - exact), std::fabs(ours - exact)) << describe(c);
  }
}

TEST(SpreadOptions, ExpiryPaysThePayoff) {
  EXPECT_EQ(price("SPREADECO", {0, 110, 95, 5, 0.2, 0.3, 0.5, 0.05, 0.0, 0.0}), 10.0);
  EXPECT_EQ(price("SPREADECO", {0, 100, 95, 5, 0.2, 0.3, 0.5, 0.05, 0.0, 0.0}), 0.0);
  EXPECT_EQ(price("SPREADEPO", {0, 100, 98, 5, 0.2, 0.3, 0.5, 0.05, 0.0, 0.0}), 3.0);
  EXPECT_EQ(price("SPREADEPO", {0, 110, 95, 5, 0.2, 0.3, 0.5, 0.05, 0.0, 0.0}), 0.0);
  // The lattice itself answers T = 0 with the payoff (its step would be zero).
  const latticecontract now = {0, 110, 95, 0.2, 0.3, 0.05, 0, 0, 0.5, 5, 1, 1};
  EXPECT_EQ(twoassetlattice(now, EuropeanSpread::defaultlatticelevels), 10.0);
}

TEST(SpreadOptions, RefusalsWriteTheMessage) {
  const std::vector<double> base = {1, 100, 95, 3, 0.25, 0.2, 0.5, 0.05, 0.02, 0.01};
  struct refusal {
    int input;
    double value;
  };
  // T < 0, prices <= 0, X <= 0 (the exchange option too), volatilities <= 0, |rho| > 1, rates < 0.
  const refusal cases[] = {{0, -1},   {1, 0},   {2, -95},   {3, 0},     {3, -3},    {4, 0},
                           {5, -0.2}, {6, 1.2}, {6, -1.01}, {7, -0.01}, {8, -0.01}, {9, -0.01}};
  for (const refusal& c : cases) {
    std::vector<double> in = base;
    in[c.input] = c.value;
    for (const char* code : {"SPREADECO", "SPREADEPO"}) {
      CaptureStdout();
      const double value = price(code, in);
      EXPECT_EQ(GetCapturedStdout(), inputerror) << code << " input " << c.input;
      EXPECT_TRUE(isundefined(value)) << code << " input " << c.input << " = " << c.value;
    }
  }
  // Correlations of exactly +-1 are accepted.
  for (double rho : {1.0, -1.0}) {
    std::vector<double> in = base;
    in[6] = rho;
    EXPECT_FALSE(std::isnan(price("SPREADECO", in))) << rho;
  }
  CaptureStdout();
  const double shorttable = price("SPREADECO", {1, 100, 95, 3, 0.25, 0.2, 0.5, 0.05, 0.02});
  EXPECT_EQ(GetCapturedStdout(), inputerror);
  EXPECT_TRUE(isundefined(shorttable));
  std::vector<double> withnan = base;
  withnan[4] = nan;
  const double value = price("SPREADECO", withnan);
  EXPECT_TRUE(std::isnan(value) && !isundefined(value));
}

}  // namespace
