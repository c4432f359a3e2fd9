// The bivariate normal as the pricing code calls it: its limits at infinite and huge arguments,
// at correlations of +-1 and for NaN, and the rule it runs inside them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "numerics/bivariatenormal.h"
#include "numerics/normaldistribution.h"
#include "numerics/precisebivariatenormal.h"

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

TEST(BivariateNormalLimits, InfiniteArgumentsGiveTheMarginals) {
  for (bivariatemethod method : {bivariatemethod::drezner, bivariatemethod::precise}) {
    for (double rho : {-1.0, -0.4, 0.0, 0.7, 1.0}) {
      EXPECT_EQ(bivariatenormal(-inf, 0.3, rho, method), 0.0);
      EXPECT_EQ(bivariatenormal(0.3, -inf, rho, method), 0.0);
      EXPECT_EQ(bivariatenormal(inf, 0.3, rho, method), normalcdf(0.3));
      EXPECT_EQ(bivariatenormal(-1.2, inf, rho, method), normalcdf(-1.2));
      EXPECT_EQ(bivariatenormal(inf, -inf, rho, method), 0.0);
      EXPECT_EQ(bivariatenormal(inf, inf, rho, method), 1.0);
    }
  }
}

TEST(BivariateNormalLimits, PerfectCorrelation) {
  // rho = 1: X = Y, so M = N(min(a, b)); rho = -1: X = -Y, so M = P(-b <= X <= a).
  const double points[] = {-2.0, -0.5, 0.0, 0.4, 1.5};
  for (double a : points) {
    for (double b : points) {
      EXPECT_EQ(bivariatenormal(a, b, 1.0), normalcdf(std::min(a, b)));
      EXPECT_EQ(bivariatenormal(a, b, 1.0 + 1e-15), normalcdf(std::min(a, b)));  // rounding
      EXPECT_EQ(bivariatenormal(a, b, -1.0), std::max(normalcdf(a) - normalcdf(-b), 0.0));
    }
  }
}

TEST(BivariateNormalLimits, NotANumberGivesNotANumber) {
  for (bivariatemethod method : {bivariatemethod::drezner, bivariatemethod::precise}) {
    EXPECT_TRUE(std::isnan(bivariatenormal(nan, 0.5, 0.2, method)));
    EXPECT_TRUE(std::isnan(bivariatenormal(0.5, nan, 0.2, method)));
    EXPECT_TRUE(std::isnan(bivariatenormal(0.5, 0.5, nan, method)));
    EXPECT_TRUE(std::isnan(bivariatenormal(inf, nan, 1.0, method)));
  }
}

// Drezner's rule squares its arguments: beyond about 1.3e154 the squares overflow and it answers
// numbers that are no probability at all; some arguments beyond 25,000 give it NaN.
TEST(BivariateNormalLimits, HugeArgumentsTakeTheLimits) {
  EXPECT_LT(bivariatenormalcdf(-7.32879e242, 0.0844012, -0.013555909424429746), 0.0);
  EXPECT_EQ(bivariatenormal(-7.32879e242, 0.0844012, -0.013555909424429746), 0.0);
  EXPECT_EQ(bivariatenormal(2.61888e238, -2.99594e-05, -0.65519417591750062),
            normalcdf(-2.99594e-05));
  EXPECT_TRUE(std::isnan(
      bivariatenormalcdf(47230.046573442691, -0.01730063772657003, -0.99954554174230748)));
  EXPECT_EQ(bivariatenormal(47230.046573442691, -0.01730063772657003, -0.99954554174230748),
            normalcdf(-0.01730063772657003));
  EXPECT_EQ(bivariatenormal(1e300, 1e300, 0.3), 1.0);
  EXPECT_EQ(bivariatenormal(-1e300, 1e300, 0.3), 0.0);
}

// Wherever the rule gives a number for finite arguments up to 1e150 it is taken as it stands.
TEST(BivariateNormalLimits, InsideTheLimitsTheRuleItselfAnswers) {
  const double points[] = {-45.0, -3.0, -0.4, 0.0, 0.3, 2.5, 60.0, 1e100};
  for (double rho : {-0.999, -0.6, 0.0, 0.25, 0.95}) {
    for (double a : points) {
      for (double b : points) {
        if (std::isnan(bivariatenormalcdf(a, b, rho))) continue;
        EXPECT_EQ(bivariatenormal(a, b, rho), bivariatenormalcdf(a, b, rho))
            << a << " " << b << " " << rho;
        EXPECT_EQ(bivariatenormal(a, b, rho, bivariatemethod::precise),
                  precisebivariatenormalcdf(a, b, rho))
            << a << " " << b << " " << rho;
      }
    }
  }
}

}  // namespace
