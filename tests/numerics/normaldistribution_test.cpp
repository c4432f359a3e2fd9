// The normal distribution functions against the C library's erf, QuantLib's high-precision
// bivariate normal (Genz 2004) and inverse normal, and the identities they must keep.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include <ql/math/distributions/bivariatenormaldistribution.hpp>
#include <ql/math/distributions/normaldistribution.hpp>

#include "numerics/comparisons.h"
#include "numerics/normaldistribution.h"
#include "numerics/undefined.h"

namespace {

constexpr double eps = std::numeric_limits<double>::epsilon();
constexpr double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

TEST(ErrorFunction, AgreesWithTheCLibraryOnEveryRegion) {
  // Region boundaries 0.5, 2 and 5 and points inside each region, both signs.
  for (double x = 0.0; x <= 7.0; x += 0.03125) {
    for (double signed_x : {x, -x}) {
      const double expected = std::erf(signed_x);
      EXPECT_NEAR(errorfunction(signed_x), expected, 2.5e-16 + 4 * eps * std::fabs(expected))
          << "x = " << signed_x;
    }
  }
  for (double x : {1e-300, 1e-20, 1e-8, 0.25, 0.5, 2.0, 5.0}) {
    EXPECT_NEAR(errorfunction(x), std::erf(x), 4 * eps * std::erf(x)) << "x = " << x;
  }
}

TEST(ErrorFunction, LimitsAndSpecialValues) {
  EXPECT_EQ(errorfunction(0.0), 0.0);
  EXPECT_EQ(errorfunction(6.0), 1.0);   // rounds to one in double precision
  EXPECT_EQ(errorfunction(30.0), 1.0);  // e^(x^2) overflows: exactly one
  EXPECT_EQ(errorfunction(-30.0), -1.0);
  EXPECT_EQ(errorfunction(inf), 1.0);
  EXPECT_EQ(errorfunction(-inf), -1.0);
  EXPECT_TRUE(std::isnan(errorfunction(nan)));
  for (double x : {0.1, 0.5, 0.7, 2.0, 3.3, 5.0, 5.5})
    EXPECT_EQ(errorfunction(-x), -errorfunction(x)) << "x = " << x;
}

TEST(PolynomialEvaluation, HornerHighestPowerFirst) {
  const double c[] = {2.0, -3.0, 0.5, 7.0};  // 2x^3 - 3x^2 + 0.5x + 7
  EXPECT_EQ(polyeval(3, c, 0.0), 7.0);
  EXPECT_EQ(polyeval(3, c, 2.0), 16.0 - 12.0 + 1.0 + 7.0);
  EXPECT_EQ(polyeval(0, c, 5.0), 2.0);
}

TEST(NormalDistribution, SymmetryAndCentre) {
  EXPECT_EQ(normalcdf(0.0), 0.5);
  for (double x = -8.0; x <= 8.0; x += 0.37)
    EXPECT_NEAR(normalcdf(x) + normalcdf(-x), 1.0, 2 * eps) << "x = " << x;
  // The standard form gives the same bits as the general one with mean 0 and deviation 1.
  for (double x : {-3.1, -0.2, 0.0, 0.4, 1.7, 6.0})
    EXPECT_EQ(normalcdf(x), normalcdf(x, 0.0, 1.0)) << "x = " << x;
  EXPECT_NEAR(normalcdf(1.0, 1.0, 2.0), 0.5, eps);
  EXPECT_NEAR(normalcdf(3.0, 1.0, 2.0), 0.8413447460685429, 4 * eps);  // N(1)
  EXPECT_TRUE(std::isnan(normalcdf(nan)));
}

// The pair from one error function gives the bits of the two separate calls, across every region
// of the error function and its edges, at zero, at infinities and for a NaN (whose sign too).
TEST(NormalDistribution, PairHasTheBitsOfTwoCalls) {
  const auto bits = [](double x) {
    std::uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
  };
  std::vector<double> points = {0.0, -0.0, inf, -inf, nan, -nan, 1e-300, 40.0};
  for (double x = -12.0; x <= 12.0; x += 0.0173) points.push_back(x);
  for (double edge : {0.5, 2.0, 5.0}) {  // the error function's region edges, x / sqrt2 at each
    const double x = edge * constants::sqrt2;
    points.insert(points.end(), {std::nextafter(x, 0.0), x, std::nextafter(x, inf)});
  }
  for (double x : points) {
    const normalcdfpair pair = normalcdfboth(x);
    EXPECT_EQ(bits(pair.below), bits(normalcdf(x))) << "x = " << x;
    EXPECT_EQ(bits(pair.above), bits(normalcdf(-x))) << "x = " << x;
  }
}

// Drezner's four-point rule is good to about 1e-5 (the worst of this grid is 6.4e-6).
TEST(BivariateNormal, AgreesWithAHighPrecisionReference) {
  const double points[] = {-3.0, -1.5, -0.4, 0.0, 0.3, 1.2, 2.5};
  const double correlations[] = {-0.95, -0.6, -0.2, 0.0, 0.25, 0.7, 0.95};
  for (double rho : correlations) {
    QuantLib::BivariateCumulativeNormalDistributionWe04DP M(rho);
    for (double a : points)
      for (double b : points)
        EXPECT_NEAR(bivariatenormalcdf(a, b, rho), M(a, b), 1e-5)
            << "a = " << a << ", b = " << b << ", rho = " << rho;
  }
}

TEST(BivariateNormal, Identities) {
  const double pi = 3.141592653589793;
  // Sheppard's formula; the quadrature is good to a few 1e-6 here (2.7e-6 at rho = -0.9).
  for (double rho : {-0.9, -0.5, 0.0, 0.3, 0.8})
    EXPECT_NEAR(bivariatenormalcdf(0, 0, rho), 0.25 + std::asin(rho) / (2 * pi), 3e-6);
  EXPECT_NEAR(bivariatenormalcdf(0, 0, 0), 0.2499999986, 1e-10);
  for (double a : {-1.0, 0.5, 2.0})
    for (double b : {-2.0, 0.0, 1.0})
      EXPECT_NEAR(bivariatenormalcdf(a, b, 0.0), normalcdf(a) * normalcdf(b), 5e-6);
  EXPECT_NEAR(bivariatenormalcdf(0.7, 12.0, 0.4), normalcdf(0.7), 1e-6);
  // a > 0, b = 0, rho < 0 goes through N(a) + N(b) - 1 + M(-a, -b; rho).
  EXPECT_NEAR(bivariatenormalcdf(0.8, 0.0, -0.5),
              normalcdf(0.8) + 0.5 - 1.0 + bivariatenormalcdf(-0.8, 0.0, -0.5), 1e-15);
  // NaN travels on: the rule's own -99.9 for a NaN argument would pass for a number.
  EXPECT_TRUE(std::isnan(bivariatenormalcdf(nan, 0.5, 0.2)));
  EXPECT_TRUE(std::isnan(bivariatenormalcdf(0.5, 0.5, nan)));
}

TEST(InverseNormal, RoundTripAndReference) {
  // QuantLib's unrefined rational approximation is itself good to about 1.2e-9 relative.
  QuantLib::InverseCumulativeNormal reference;
  for (double p : {1e-6, 0.001, 0.02425, 0.0243, 0.1, 0.3, 0.5, 0.77, 0.975, 0.999999}) {
    const double x = inversenormalcdf(p);
    EXPECT_NEAR(normalcdf(x), p, 1e-15 + 1e-13 * p) << "p = " << p;
    EXPECT_NEAR(x, reference(p), 1e-8 * std::max(1.0, std::fabs(x))) << "p = " << p;
  }
  // Far in the tail the refinement step works on N(x) - p, where N(x) = 0.5 + 0.5 erf(...)
  // has lost most of its relative precision: the result is good to a few 1e-6 only.
  // Reference quantile of 1e-12: -7.034483825 (Abramowitz and Stegun tables, extended).
  EXPECT_NEAR(inversenormalcdf(1e-12), -7.034483825, 1e-5);
  EXPECT_EQ(inversenormalcdf(0.5), 0.0);
  // 1 - 0.975 is not 0.025 in binary, so the two agree to rounding only.
  EXPECT_NEAR(inversenormalcdf(0.975), -inversenormalcdf(0.025), 1e-14);
}

TEST(InverseNormal, OutsideTheOpenIntervalIsUndefined) {
  for (double p : {0.0, 1.0, -0.5, 1.5, -inf, inf}) EXPECT_TRUE(isundefined(inversenormalcdf(p)));
  EXPECT_TRUE(std::isnan(inversenormalcdf(nan)));
}

TEST(Sign, ZeroCountsAsPositive) {
  EXPECT_EQ(sign(0.0), 1.0);
  EXPECT_EQ(sign(-0.0), 1.0);
  EXPECT_EQ(sign(3.0), 1.0);
  EXPECT_EQ(sign(-1e-300), -1.0);
}

TEST(Comparisons, TiesGiveTheSecondArgument) {
  EXPECT_EQ(maxof(1.0, 2.0), 2.0);
  EXPECT_EQ(maxof(2.0, 1.0), 2.0);
  EXPECT_TRUE(std::signbit(maxof(0.0, -0.0)));  // equal: the second
  EXPECT_TRUE(std::signbit(minof(0.0, -0.0)));
  EXPECT_EQ(minof(1.0, 2.0), 1.0);
}

}  // namespace
