// The shared Cox-Ross-Rubinstein tree: against Black-Scholes-Merton (QuantLib's blackFormula),
// the parity that the tree keeps exactly, a one-step tree by hand, the rule for u^2, its bounds,
// and the symmetric power tree through the entry point against a plain tree written here; the
// second pass of an overflowed tree, with the price as numeraire, against the first.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include <ql/pricingengines/blackformula.hpp>

#include "numerics/crrtree.h"
#include "testsupport.h"

namespace {

struct market {
  double T, S, K, sigma, r, q;
};

const market markets[] = {
    {1.0, 100, 100, 0.2, 0.05, 0.02},
    {0.5, 90, 100, 0.35, 0.08, 0.0},
    {2.0, 130, 100, 0.3, 0.03, 0.10},
    {0.25, 100, 80, 0.15, 0.0, 0.05},
};

double call(double price, double K) { return std::fmax(price - K, 0.0); }
double put(double price, double K) { return std::fmax(K - price, 0.0); }

double blackscholes(QuantLib::Option::Type type, const market& m) {
  return QuantLib::blackFormula(type, m.K, m.S * std::exp((m.r - m.q) * m.T),
                                m.sigma * std::sqrt(m.T), std::exp(-m.r * m.T));
}

TEST(CrrTree, EuropeanValueConvergesToBlackScholes) {
  // The tree's error falls as 1/n with an oscillation: within 2e-3 here at 4000 steps.
  for (const market& m : markets) {
    crrtree tree(m.T, m.sigma, m.r - m.q, m.r, 4000, crrsquare::power);
    const double c = tree.europeanvalue(m.S, [&](double x) { return call(x, m.K); });
    const double p = tree.europeanvalue(m.S, [&](double x) { return put(x, m.K); });
    EXPECT_NEAR(c, blackscholes(QuantLib::Option::Call, m), 2e-3) << "S " << m.S << " K " << m.K;
    EXPECT_NEAR(p, blackscholes(QuantLib::Option::Put, m), 2e-3) << "S " << m.S << " K " << m.K;
  }
}

TEST(CrrTree, KeepsPutCallParityExactly) {
  // p u + (1 - p) d = e^(b dt) on every branch, so the tree prices the forward exactly:
  // call - put = S e^(-qT) - K e^(-rT) up to rounding, at any number of steps.
  for (const market& m : markets)
    for (std::int64_t steps : {1, 2, 7, 250}) {
      crrtree tree(m.T, m.sigma, m.r - m.q, m.r, steps, crrsquare::product);
      const double c = tree.europeanvalue(m.S, [&](double x) { return call(x, m.K); });
      const double p = tree.europeanvalue(m.S, [&](double x) { return put(x, m.K); });
      EXPECT_NEAR(c - p, m.S * std::exp(-m.q * m.T) - m.K * std::exp(-m.r * m.T), 1e-11 * m.S)
          << "steps " << steps << " S " << m.S;
    }
}

TEST(CrrTree, AmericanValueNeverBelowEuropeanAndEqualForACallWithoutYield) {
  for (const market& m : markets) {
    crrtree tree(m.T, m.sigma, m.r - m.q, m.r, 300, crrsquare::product);
    auto payoff = [&](double x) { return put(x, m.K); };
    EXPECT_GE(tree.americanvalue(m.S, payoff), tree.europeanvalue(m.S, payoff));
    crrtree noyield(m.T, m.sigma, m.r, m.r, 300, crrsquare::product);
    auto callpayoff = [&](double x) { return call(x, m.K); };
    EXPECT_NEAR(noyield.americanvalue(m.S, callpayoff), noyield.europeanvalue(m.S, callpayoff),
                1e-12 * m.S);
  }
}

TEST(CrrTree, OneStepByHand) {
  const double T = 0.5, S = 100, K = 105, sigma = 0.3, r = 0.06, q = 0.01;
  const double u = std::exp(sigma * std::sqrt(T)), d = 1 / u;
  const double p = (std::exp((r - q) * T) - d) / (u - d);
  const double european = (p * put(S * u, K) + (1 - p) * put(S * d, K)) * std::exp(-r * T);
  crrtree tree(T, sigma, r - q, r, 1, crrsquare::product);
  EXPECT_NEAR(tree.probability(), p, 1e-15);
  EXPECT_NEAR(tree.europeanvalue(S, [&](double x) { return put(x, K); }), european, 1e-13);
  EXPECT_NEAR(tree.americanvalue(S, [&](double x) { return put(x, K); }),
              std::fmax(european, put(S, K)), 1e-13);
}

TEST(CrrTree, TheSquareOfUByEachRule) {
  // u = e^0.2: pow(u, 2) and u u may differ in the last bit; every other power is pow's.
  const crrtree product(1.0, 0.2, 0.0, 0.0, 1, crrsquare::product);
  const crrtree power(1.0, 0.2, 0.0, 0.0, 1, crrsquare::power);
  const double u = std::exp(0.2);
  EXPECT_EQ(product.power(2), u * u);
  EXPECT_EQ(power.power(2), std::pow(u, 2.0));
  for (int m : {-3, -2, -1, 0, 1, 3})
    EXPECT_EQ(product.power(m), std::pow(u, static_cast<double>(m))) << "m " << m;
}

TEST(CrrTree, StepBoundAndProbabilityOutsideTheUnitInterval) {
  EXPECT_FALSE(treestepsadmissible(0));
  EXPECT_TRUE(treestepsadmissible(1));
  EXPECT_TRUE(treestepsadmissible(maximumtreesteps));
  EXPECT_FALSE(treestepsadmissible(maximumtreesteps + 1));
  // sigma sqrt(dt) = 0.001 against a growth of 0.002 per step: p = 1.5.
  EXPECT_TRUE(crrtree(1.0, 0.01, 0.2, 0.2, 100, crrsquare::power).probabilityoutside());
  EXPECT_FALSE(crrtree(1.0, 0.2, 0.2, 0.2, 100, crrsquare::power).probabilityoutside());
}

// The symmetric power tree as the textbook writes it: one array, the lowest price first, every
// power of u by pow.
double plainpowertree(bool iscall, double T, double S, double K, double sigma, double r, double q,
                      double i, int n) {
  const double dt = T / n, u = std::exp(sigma * std::sqrt(dt));
  const double p = (std::exp((r - q) * dt) - 1 / u) / (u - 1 / u);
  std::vector<double> V(n + 1);
  for (int j = 0; j <= n; ++j) {
    const double price = S * std::pow(u, 2 * j - n);
    V[j] = std::pow(iscall ? call(price, K) : put(price, K), i);
  }
  for (int m = n; m >= 1; --m)
    for (int j = 0; j < m; ++j) V[j] = (p * V[j + 1] + (1 - p) * V[j]) * std::exp(-r * dt);
  return V[0];
}

TEST(CrrTree, PowerTreeMatchesItsPlainTreeExactly) {
  struct row {
    double T, S, K, sigma, r, q, i;
    int steps;
  };
  const row rows[] = {
      {1.0, 100, 100, 0.2, 0.05, 0.02, 2, 100},    {0.7, 93, 100, 0.45, 0.03, 0.01, 1.5, 101},
      {2.0, 120, 90, 0.3, 0.0, 0.04, 3.3, 2},      {0.25, 80, 100, 0.25, 0.08, 0.0, 1, 1},
      {1.5, 105, 100, 0.35, 0.06, 0.03, 0.5, 998},
  };
  for (const row& c : rows)
    for (bool iscall : {true, false}) {
      const double expected =
          plainpowertree(iscall, c.T, c.S, c.K, c.sigma, c.r, c.q, c.i, c.steps);
      const double tree = testsupport::price(iscall ? "POWEREDECO" : "POWEREDEPO",
                                             {c.T, c.S, c.K, c.sigma, c.r, c.q, c.i},
                                             testsupport::parameters().set(4, c.steps));
      EXPECT_EQ(tree, expected) << (iscall ? "call" : "put") << " steps " << c.steps << " S " << c.S
                                << " i " << c.i;
    }
}

// A call whose payoff is made +inf at the highest expiry node, as an overflowed node price makes
// it, while its value per unit of the price stays right: the first pass gives +inf and the tree
// takes the second, which must be the same tree's value in other units.
struct overflowingcall {
  double K, highest;
  double operator()(double x) const { return x >= highest ? HUGE_VAL : call(x, K); }
  double perunit(double y) const { return std::fmax(1.0 - K * y, 0.0); }
};
// Black-76 over one step, and per unit of the price by homogeneity (forward e^(b dt), strike K y).
struct onestepcall {
  double K, dt, sigma, r, b;
  double black(double F, double strike) const {
    return QuantLib::blackFormula(QuantLib::Option::Call, strike, F, sigma * std::sqrt(dt),
                                  std::exp(-r * dt));
  }
  double operator()(double x) const { return black(x * std::exp(b * dt), K); }
  double perunit(double y) const { return black(std::exp(b * dt), K * y); }
};

TEST(CrrTree, SecondPassWithThePriceAsNumeraireIsTheSameTree) {
  for (const market& m : markets)
    for (std::int64_t n : {1, 2, 301}) {
      crrtree tree(m.T, m.sigma, m.r - m.q, m.r, n, crrsquare::product);
      const overflowingcall forced{m.K, tree.highestprice(m.S)};
      const double plain = tree.americanvalue(m.S, [&](double x) { return call(x, m.K); });
      EXPECT_NEAR(tree.americanvalue(m.S, forced), plain, 1e-12 * m.S) << "steps " << n;
      // The smoothed tree: its last level holds the one-step value; make its top node overflow.
      const onestepcall laststep{m.K, m.T / n, m.sigma, m.r, m.r - m.q};
      const auto smoothedplain = [&](double x) { return call(x, m.K); };
      const double smoothed = tree.smoothedamericanvalue(m.S, smoothedplain, laststep);
      const overflowingcall forcedlast{m.K, tree.highestprice(m.S) / 2};  // level n - 1's top
      EXPECT_NEAR(tree.smoothedamericanvalue(m.S, forcedlast, laststep), smoothed, 1e-12 * m.S)
          << "steps " << n;
    }
}

}  // namespace

