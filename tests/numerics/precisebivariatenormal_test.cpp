// The precise bivariate normal against QuantLib's double-precision Genz routine, values of the
// defining integral to 40 digits, the identities it must keep to 1e-15, and its limits.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <ql/math/distributions/bivariatenormaldistribution.hpp>

#include "numerics/precisebivariatenormal.h"

namespace {

constexpr double tolerance = 1e-15;  // absolute, the routine's promise
constexpr double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();
const double pi = std::acos(-1.0);

// N(x), independently of the routine's own.
double N(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

// Points across both tails and the origin; correlations on both sides of each rule's bound
// (0.3, 0.75, 0.925), near +-1 and at +-1.
const double points[] = {-37.0, -8.0, -3.5, -1.0, -0.2, 0.0, 0.3, 1.7, 4.0, 8.0, 37.0};
const double correlations[] = {-1.0,  -0.99999999, -0.999, -0.95, -0.925,   -0.9249, -0.76, -0.5,
                               -0.29, -0.01,       0.0,    0.01,  0.3,      0.6,     0.749, 0.75,
                               0.9,   0.925,       0.93,   0.99,  0.999999, 1.0};

TEST(PreciseBivariateNormal, AgreesWithQuantLibsGenzRoutine) {
  for (double rho : correlations) {
    QuantLib::BivariateCumulativeNormalDistributionWe04DP M(rho);
    for (double a : points)
      for (double b : points)
        EXPECT_NEAR(precisebivariatenormalcdf(a, b, rho), M(a, b), tolerance)
            << "a = " << a << ", b = " << b << ", rho = " << rho;
  }
}

// M(a, b; rho) = Int_-inf^a phi(x) N((b - rho x) / sqrt(1 - rho^2)) dx, by adaptive quadrature at
// 40 significant digits (split where the inner N turns, x = b / rho), rounded to 22 digits.
TEST(PreciseBivariateNormal, MatchesTheIntegralToFortyDigits) {
  struct row {
    double a, b, rho, M;
  };
  const row rows[] = {
      {0.3, 0.3, 0.99999999, 0.617889904685604769334},
      {0.3, 0.30001, 0.99999999, 0.6178917578828237213791},
      {-1.5, 1.3, 0.9999, 0.06680720126885806600449},
      {1.3, -0.5, 0.95, 0.3085375386033091788371},
      {2.7, 0.4, 0.925, 0.6554217415999130595858},
      {-0.5, 0.4, -0.925, 0.03978399903098003952655},
      {1.3, -1.2, -0.99999999, 0.0182691856360979511041},
      {0.4, 0.0, -0.999999, 0.1554217416103241749141},
      {-0.5, 0.5, -0.95, 0.04455526590722349255338},
      {0.0, 0.0, 0.9249, 0.4379257796554501949834},
      {-1.5, 2.7, 0.5, 0.06680616122127796832906},
      {1.3, -3.0, -0.29, 0.0008659655441161656338822},
      {-3.0, -3.0, 0.75, 0.0002927697912284402945645},
      {-2.0, -2.1, 0.999, 0.0178548083149177623598},
  };
  for (const row& r : rows)
    EXPECT_NEAR(precisebivariatenormalcdf(r.a, r.b, r.rho), r.M, tolerance)
        << "a = " << r.a << ", b = " << r.b << ", rho = " << r.rho;
}

TEST(PreciseBivariateNormal, SymmetryAndReflection) {
  for (double rho : correlations) {
    for (double a : points) {
      for (double b : points) {
        const double M = precisebivariatenormalcdf(a, b, rho);
        EXPECT_NEAR(M, precisebivariatenormalcdf(b, a, rho), tolerance)
            << "a = " << a << ", b = " << b << ", rho = " << rho;
        // P(X <= a, Y <= b) + P(X <= a, Y > b) = N(a), and -Y has correlation -rho with X.
        EXPECT_NEAR(M + precisebivariatenormalcdf(a, -b, -rho), N(a), tolerance)
            << "a = " << a << ", b = " << b << ", rho = " << rho;
      }
    }
  }
}

TEST(PreciseBivariateNormal, IndependenceGivesTheProduct) {
  for (double a : points)
    for (double b : points)
      EXPECT_NEAR(precisebivariatenormalcdf(a, b, 0.0), N(a) * N(b), tolerance)
          << "a = " << a << ", b = " << b;
  // The product keeps its relative accuracy deep in the lower tail (N(-9) N(-8) to 20 digits;
  // rounding x / sqrt 2 alone moves N(x) by about x^2 ulp there).
  EXPECT_NEAR(precisebivariatenormalcdf(-9.0, -8.0, 0.0), 7.0209039780190819442e-35, 1e-13 * 7e-35);
}

TEST(PreciseBivariateNormal, SheppardsFormulaAtTheOrigin) {
  for (int i = -1000; i <= 1000; ++i) {
    const double rho = i / 1000.0;
    EXPECT_NEAR(precisebivariatenormalcdf(0.0, 0.0, rho), 0.25 + std::asin(rho) / (2.0 * pi),
                tolerance)
        << "rho = " << rho;
  }
  for (double rho : {-0.99999999, -0.9249, 0.9251, 0.999999999999})
    EXPECT_NEAR(precisebivariatenormalcdf(0.0, 0.0, rho), 0.25 + std::asin(rho) / (2.0 * pi),
                tolerance)
        << "rho = " << rho;
}

TEST(PreciseBivariateNormal, PerfectCorrelation) {
  for (double a : points) {
    for (double b : points) {
      // Y = X: both below the smaller; Y = -X: X between -b and a.
      EXPECT_NEAR(precisebivariatenormalcdf(a, b, 1.0), N(std::fmin(a, b)), tolerance)
          << "a = " << a << ", b = " << b;
      EXPECT_NEAR(precisebivariatenormalcdf(a, b, -1.0), std::fmax(0.0, N(a) - N(-b)), tolerance)
          << "a = " << a << ", b = " << b;
    }
  }
  // The limit is approached continuously.
  EXPECT_NEAR(precisebivariatenormalcdf(0.7, -0.4, 1.0 - 1e-15), N(-0.4), 1e-15);
  EXPECT_NEAR(precisebivariatenormalcdf(0.7, -0.4, -1.0 + 1e-15), N(0.7) - N(0.4), 1e-15);
}

TEST(PreciseBivariateNormal, InfiniteAndHugeArguments) {
  for (double rho : correlations) {
    for (double x : points) {
      EXPECT_EQ(precisebivariatenormalcdf(-inf, x, rho), 0.0) << "x = " << x << ", " << rho;
      EXPECT_EQ(precisebivariatenormalcdf(x, -inf, rho), 0.0) << "x = " << x << ", " << rho;
      EXPECT_NEAR(precisebivariatenormalcdf(inf, x, rho), N(x), tolerance) << "x = " << x;
      EXPECT_NEAR(precisebivariatenormalcdf(x, inf, rho), N(x), tolerance) << "x = " << x;
      // A finite argument far beyond the horizon behaves as its infinity.
      EXPECT_EQ(precisebivariatenormalcdf(-1e300, x, rho), 0.0) << "x = " << x;
      EXPECT_NEAR(precisebivariatenormalcdf(1e300, x, rho), N(x), tolerance) << "x = " << x;
    }
    EXPECT_EQ(precisebivariatenormalcdf(inf, inf, rho), 1.0);
    EXPECT_EQ(precisebivariatenormalcdf(inf, -inf, rho), 0.0);
    EXPECT_EQ(precisebivariatenormalcdf(-inf, -inf, rho), 0.0);
  }
}

TEST(PreciseBivariateNormal, NotANumberAndCorrelationsBeyondOne) {
  for (double rho : {-0.5, 0.0, 0.95})
    for (double x : {-inf, -1.0, 0.0, 2.0, inf}) {
      EXPECT_TRUE(std::isnan(precisebivariatenormalcdf(nan, x, rho))) << x << ", " << rho;
      EXPECT_TRUE(std::isnan(precisebivariatenormalcdf(x, nan, rho))) << x << ", " << rho;
    }
  for (double a : {-inf, -1.0, 0.0, inf})
    for (double rho : {nan, 1.0000000000000002, -1.0000000000000002, 2.0, -inf, inf})
      EXPECT_TRUE(std::isnan(precisebivariatenormalcdf(a, 0.5, rho))) << a << ", " << rho;
}

TEST(PreciseBivariateNormal, StaysAProbability) {
  for (double rho : correlations)
    for (double a : points)
      for (double b : points) {
        const double M = precisebivariatenormalcdf(a, b, rho);
        EXPECT_TRUE(M >= 0.0 && M <= std::fmin(N(a), N(b)) + tolerance)
            << "a = " << a << ", b = " << b << ", rho = " << rho;
      }
}

}  // namespace
