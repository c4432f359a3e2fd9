// Backward inductions with subnormal numbers flushed to zero (numerics/subnormals.h): the mode is
// on inside a guard and as it was after it, a host's own mode and its underflow flag survive, a
// guard tells whether it flushed, and the tree's values equal a plain induction written here to
// the bit, both where the far nodes pass through subnormal values and where the whole value is
// subnormal (the tree then works again plainly).
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "numerics/crrtree.h"
#include "numerics/subnormals.h"

namespace {

// The smallest normal number over 3, a subnormal result with rounding (so it raises underflow),
// computed at run time.
double subnormalquotient() {
  volatile double smallest = std::numeric_limits<double>::min();
  volatile double three = 3.0;
  return smallest / three;
}

std::uint64_t bitsof(double x) {
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

TEST(Subnormals, GuardsSetTheModesAndPutThemBack) {
  if (!subnormalmode::available()) GTEST_SKIP() << "this platform has no flush mode";
  EXPECT_GT(subnormalquotient(), 0.0);
  {
    const subnormalmode flushed(true);
    EXPECT_EQ(subnormalquotient(), 0.0);
    {
      const subnormalmode plain(false);
      EXPECT_GT(subnormalquotient(), 0.0);
    }
    EXPECT_EQ(subnormalquotient(), 0.0);
  }
  EXPECT_GT(subnormalquotient(), 0.0);
  EXPECT_FALSE(subnormalmode::flushing());
}

TEST(Subnormals, HostModeAndUnderflowFlagSurvive) {
  if (!subnormalmode::available()) GTEST_SKIP() << "this platform has no flush mode";
  auto tree = [] {
    crrtree small(1.0, 0.2, 0.03, 0.05, 50, crrsquare::power);
    return small.europeanvalue(100.0, [](double x) { return std::fmax(x - 100.0, 0.0); });
  };
  std::feclearexcept(FE_ALL_EXCEPT);
  {
    const subnormalmode host(true);  // a host that runs with the mode on keeps it
    tree();
    EXPECT_TRUE(subnormalmode::flushing());
  }
  // An underflow the host had raised before the call stays raised, one raised inside is kept.
  ASSERT_GT(subnormalquotient(), 0.0);  // raises it
  ASSERT_TRUE(std::fetestexcept(FE_UNDERFLOW));
  tree();
  EXPECT_TRUE(std::fetestexcept(FE_UNDERFLOW)) << "the guard cleared the host's flag";
  std::feclearexcept(FE_ALL_EXCEPT);
  {
    const subnormalmode mode(true);
    EXPECT_FALSE(mode.flushedsome());
    EXPECT_EQ(subnormalquotient(), 0.0);
    EXPECT_TRUE(mode.flushedsome());
  }
  EXPECT_TRUE(std::fetestexcept(FE_UNDERFLOW)) << "the guard wiped the flag raised inside it";
  std::feclearexcept(FE_ALL_EXCEPT);
}

// The tree's European induction written out in the plain arithmetic: the same u, p and discount
// as crrtree, powers by pow, levels from expiry to today.
double plaineuropean(double T, double sigma, double b, double r, int n, double S, double K) {
  const double dt = T / n;
  const double u = std::exp(sigma * std::sqrt(dt)), d = 1.0 / u;
  const double p = (std::exp(b * dt) - d) / (u - d), discount = std::exp(-r * dt);
  std::vector<double> V(n + 1);
  for (int i = 0; i <= n; ++i) V[i] = std::fmax(S * std::pow(u, n - 2.0 * i) - K, 0.0);
  for (int j = n; j >= 1; --j)
    for (int i = 0; i < j; ++i) V[i] = (p * V[i] + (1.0 - p) * V[i + 1]) * discount;
  return V[0];
}

TEST(Subnormals, TreeValuesEqualThePlainInductionToTheBit) {
  struct contract {
    double T, sigma, b, r;
    int n;
    double S, K;
    bool valuesubnormal;  // the whole value lies below the smallest normal number
  };
  const contract contracts[] = {
      {1.0, 0.2, 0.03, 0.05, 3000, 100, 100, false},  // far nodes pass through subnormals
      {1.0, 0.2, 0.0, 0.0, 3000, 100, 120, false},    // r = 0: no discount to hurry the decay
      // Only the top node pays: the value is p^n (S u^n - K) e^(-rT), below 1e-308.
      {1.0, 0.1, 0.0, 0.0, 1070, 100, 100 * std::exp(0.1 * std::sqrt(1.0 / 1070) * 1069), true},
  };
  for (const contract& c : contracts) {
    std::feclearexcept(FE_UNDERFLOW);
    const double plain = plaineuropean(c.T, c.sigma, c.b, c.r, c.n, c.S, c.K);
    ASSERT_TRUE(std::fetestexcept(FE_UNDERFLOW)) << "the fixture meets no subnormal K " << c.K;
    EXPECT_EQ(plain < std::numeric_limits<double>::min() && plain > 0, c.valuesubnormal) << plain;
    crrtree tree(c.T, c.sigma, c.b, c.r, c.n, crrsquare::power);
    const double K = c.K;
    const double value = tree.europeanvalue(c.S, [K](double x) { return std::fmax(x - K, 0.0); });
    EXPECT_EQ(bitsof(value), bitsof(plain)) << "K " << c.K << ": " << value << " against " << plain;
  }
}

}  // namespace
