// The eight American vanilla codes: the trees against a plain CRR tree written here, both methods
// against QuantLib's finite-difference engine on a fine grid, the critical prices against the
// exercise condition and against each other, and the early results and refusals of each code.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "fdtestsupport.h"
#include "finitedifference/AmericanVanilla.h"
#include "numerics/undefined.h"
#include "testsupport.h"

namespace {

using fdtest::block;
using QuantLib::Option;
namespace av = AmericanVanilla;

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

// Cox-Ross-Rubinstein with early exercise, as the textbook writes it: two arrays, the powers of
// u taken node by node (u u for the square).
double plaincrr(int callput, double T, double S, double K, double sigma, double r, double q,
                int n) {
  const double dt = T / n, u = std::exp(sigma * std::sqrt(dt)), d = 1 / u;
  const double p = (std::exp((r - q) * dt) - d) / (u - d), discount = std::exp(-r * dt);
  auto power = [&](int m) { return m == 2 ? u * u : std::pow(u, m); };
  auto intrinsic = [&](double price) {
    return callput > 0 ? std::max(price - K, 0.0) : std::max(K - price, 0.0);
  };
  std::vector<double> V(n + 1), next(n + 1);
  for (int i = 0; i <= n; ++i) V[i] = intrinsic(S * power(n - 2 * i));
  for (int j = n; j >= 1; --j) {
    for (int i = 0; i < j; ++i)
      next[i] =
          std::max((p * V[i] + (1 - p) * V[i + 1]) * discount, intrinsic(S * power(j - 1 - 2 * i)));
    for (int i = 0; i < j; ++i) V[i] = next[i];
  }
  return V[0];
}

struct treerow {
  int callput;
  double T, S, K, sigma, r, q;
  int steps;
};

TEST(AmericanVanillaTree, MatchesPlainCrrTreeExactly) {
  const treerow rows[] = {
      {-1, 1.0, 100, 100, 0.2, 0.05, 0.02, 100}, {+1, 1.0, 100, 100, 0.2, 0.05, 0.02, 100},
      {-1, 0.5, 80, 100, 0.35, 0.08, 0.00, 7},   {+1, 2.0, 130, 100, 0.3, 0.03, 0.10, 250},
      {-1, 1.0, 100, 100, 0.2, 0.05, 0.02, 1},   {+1, 0.25, 95, 100, 0.15, 0.0, 0.05, 2},
      {-1, 3.0, 120, 90, 0.45, 0.01, 0.03, 333},
  };
  for (const treerow& c : rows) {
    block params;
    params.set(entrysteps, c.steps);
    const double tree = c.callput > 0
                            ? av::binomialcall(c.T, c.S, c.K, c.sigma, c.r, c.q, params.get())
                            : av::binomialput(c.T, c.S, c.K, c.sigma, c.r, c.q, params.get());
    EXPECT_EQ(tree, plaincrr(c.callput, c.T, c.S, c.K, c.sigma, c.r, c.q, c.steps))
        << "cp " << c.callput << " T " << c.T << " S " << c.S << " K " << c.K << " sigma "
        << c.sigma << " r " << c.r << " q " << c.q << " steps " << c.steps;
  }
}

TEST(AmericanVanillaTree, OneStepTreeByHand) {
  // max(exercise now, discounted expectation over the two nodes S u and S / u).
  const double T = 0.5, S = 100, K = 105, sigma = 0.3, r = 0.06, q = 0.01;
  const double u = std::exp(sigma * std::sqrt(T)), d = 1 / u;
  const double p = (std::exp((r - q) * T) - d) / (u - d);
  const double expected =
      std::max(K - S, (p * std::max(K - S * u, 0.0) + (1 - p) * std::max(K - S * d, 0.0)) *
                          std::exp(-r * T));
  EXPECT_NEAR(testsupport::price("BINAPO", {T, S, K, sigma, r, q},
                                 testsupport::parameters().set(entrysteps, 1)),
              expected, 1e-13);
}

// Fine-grid references from QuantLib (1000 x 1000 unless noted).
struct referencerow {
  int callput;
  fdtest::market m;
};

const referencerow americans[] = {
    {-1, {365, 100, 100, 0.20, 0.05, 0.02}}, {-1, {182, 90, 100, 0.30, 0.08, 0.00}},
    {-1, {730, 110, 100, 0.25, 0.04, 0.01}}, {+1, {365, 100, 100, 0.20, 0.03, 0.08}},
    {+1, {182, 115, 100, 0.30, 0.05, 0.10}},
};

double quantlibamerican(const referencerow& c) {
  return fdtest::quantlibfd(c.callput > 0 ? Option::Call : Option::Put, fdtest::exercise::american,
                            c.m, 1000, 1000);
}

std::vector<double> inputs(const fdtest::market& m) { return {m.T(), m.S, m.K, m.sigma, m.r, m.q}; }

TEST(AmericanVanillaTree, ConvergesToQuantLibFiniteDifferences) {
  // CRR with 2000 steps: the error oscillates with the steps, within 2e-3 here.
  for (const referencerow& c : americans) {
    const double tree = testsupport::price(c.callput > 0 ? "BINACO" : "BINAPO", inputs(c.m),
                                           testsupport::parameters().set(entrysteps, 2000));
    EXPECT_NEAR(tree, quantlibamerican(c), 2e-3)
        << "cp " << c.callput << " days " << c.m.days << " S " << c.m.S << " K " << c.m.K;
  }
}

TEST(AmericanVanillaGrid, ConvergesToQuantLibFiniteDifferences) {
  // The default 100 x 50 grid spans 0 to 10K (spacing about K/10): a few per cent (3.1 % at
  // most here). Entry 2 refines it: 4001 x 1001 nodes is within 1.6e-4 here.
  for (const referencerow& c : americans) {
    const std::string code = c.callput > 0 ? "BSACO" : "BSAPO";
    const double reference = quantlibamerican(c);
    EXPECT_NEAR(testsupport::price(code, inputs(c.m)), reference, 0.04 * reference)
        << code << " days " << c.m.days << " S " << c.m.S;
    EXPECT_NEAR(
        testsupport::price(code, inputs(c.m), testsupport::parameters().set(entrygrid, 4001, 1001)),
        reference, 5e-4)
        << code << " days " << c.m.days << " S " << c.m.S;
  }
}

TEST(AmericanVanillaTree, CallWithoutYieldIsTheEuropeanCall) {
  for (double q : {0.0, 0.00001}) {
    const double T = 1.5, S = 105, K = 100, sigma = 0.25, r = 0.04;
    EXPECT_NEAR(testsupport::price("BINACO", {T, S, K, sigma, r, q}),
                fdtest::quantlibeuropean(Option::Call, T, S, K, sigma, r, q), 1e-12)
        << "q " << q;
  }
}

// A critical-price request: T, K, sigma, r, q of a call (+1) or a put (-1).
struct criticalrow {
  int callput;
  double T, K, sigma, r, q;
};

TEST(AmericanVanillaCritical, TreeBisectionFindsTheExerciseBoundary) {
  // Just beyond the critical price the tree exercises (value = exercise), just inside it
  // continues (value above exercise).
  const criticalrow rows[] = {
      {-1, 1.0, 100, 0.2, 0.05, 0.02},
      {-1, 0.25, 50, 0.4, 0.10, 0.0},
      {+1, 1.0, 100, 0.2, 0.03, 0.08},
      {+1, 2.0, 100, 0.3, 0.05, 0.0005},
  };
  for (const criticalrow& c : rows) {
    block params;
    const double critical =
        c.callput > 0 ? av::binomialcallcritical(c.T, c.K, c.sigma, c.r, c.q, params.get())
                      : av::binomialputcritical(c.T, c.K, c.sigma, c.r, c.q, params.get());
    ASSERT_TRUE(std::isfinite(critical));
    auto tree = [&](double S) {
      return av::binomialtree(c.callput, c.T, S, c.K, c.sigma, c.r, c.q, 100);
    };
    auto exercise = [&](double S) { return std::max(c.callput * (S - c.K), 0.0); };
    const double outside = critical + c.callput * 1e-3, inside = critical - c.callput * 1e-3;
    EXPECT_NEAR(tree(outside), exercise(outside), 1e-9)
        << "cp " << c.callput << " T " << c.T << " q " << c.q << " critical " << critical;
    EXPECT_GT(tree(inside), exercise(inside))
        << "cp " << c.callput << " T " << c.T << " q " << c.q << " critical " << critical;
  }
}

TEST(AmericanVanillaCritical, GridAndTreeAgreeAndMatchQuantLibsApproximation) {
  // A fine grid (spacing K/400 for puts; its answer lies half-way between nodes) against a
  // 2000-step tree, observed within 0.12; the tree against the Barone-Adesi and Whaley critical
  // price of QuantLib, an approximation good to about two per cent (observed 0.7 to 1.1 %).
  const criticalrow rows[] = {
      {-1, 1.0, 100, 0.2, 0.05, 0.02},
      {-1, 0.5, 100, 0.3, 0.08, 0.0},
      {+1, 1.0, 100, 0.2, 0.03, 0.08},
      {+1, 0.5, 100, 0.25, 0.05, 0.10},
  };
  for (const criticalrow& c : rows) {
    const std::vector<double> terms{c.T, c.K, c.sigma, c.r, c.q};
    const double grid = testsupport::price(c.callput > 0 ? "BSACOCrit" : "BSAPOCrit", terms,
                                           testsupport::parameters().set(entrygrid, 4001, 1001));
    const double tree = testsupport::price(c.callput > 0 ? "BINACOCrit" : "BINAPOCrit", terms,
                                           testsupport::parameters().set(entrysteps, 2000));
    using namespace QuantLib;
    const double baw = BaroneAdesiWhaleyApproximationEngine::criticalPrice(
        ext::make_shared<PlainVanillaPayoff>(c.callput > 0 ? Option::Call : Option::Put, c.K),
        std::exp(-c.r * c.T), std::exp(-c.q * c.T), c.sigma * c.sigma * c.T);
    EXPECT_NEAR(grid, tree, 3e-3 * c.K) << "cp " << c.callput << " T " << c.T << " q " << c.q;
    EXPECT_NEAR(tree, baw, 0.02 * baw) << "cp " << c.callput << " T " << c.T << " q " << c.q;
  }
}

// Early results and refusals, in the order of each code's checks.
struct earlyrow {
  const char* code;
  std::vector<double> inputs;
  double expected;  // nan for the undefined value
  const char* why;
};

TEST(AmericanVanilla, EarlyResultsAndRefusals) {
  const earlyrow rows[] = {
      {"BINACO", {-1, 100, 100, 0.2, 0.05, 0.02}, nan, "T < 0"},
      {"BINACO", {1, -1, 100, 0.2, 0.05, 0.02}, nan, "S < 0"},
      {"BINACO", {1, 100, 0, 0.2, 0.05, 0.02}, nan, "K <= 0"},
      {"BINACO", {1, 100, 100, 0, 0.05, 0.02}, nan, "sigma <= 0"},
      {"BINACO", {1, 100, 100, 0.2, -0.01, 0.02}, nan, "r < 0"},
      {"BINACO", {1, 100, 100, 0.2, 0.05, -0.01}, nan, "q < 0"},
      {"BINACO", {1, 0, 100, 0.2, 0.05, 0.02}, 0.0, "S = 0"},
      {"BINACO", {0, 130, 100, 0.2, 0.05, 0.02}, 30.0, "T = 0"},
      {"BINAPO", {1, 100, 100, -0.2, 0.05, 0.02}, nan, "sigma <= 0"},
      {"BINAPO", {1, 0, 100, 0.2, 0.05, 0.02}, 100.0, "S = 0 gives K"},
      {"BINAPO", {0, 70, 100, 0.2, 0.05, 0.02}, 30.0, "T = 0"},
      {"BSACO", {1, 100, 0, 0.2, 0.05, 0.02}, nan, "K <= 0"},
      {"BSACO", {1, 0, 100, 0, 0.05, 0.02}, 0.0, "S = 0 before the sigma check"},
      {"BSACO", {0, 130, 100, 0, 0.05, 0.02}, 30.0, "T = 0 before the sigma check"},
      {"BSACO", {1, 100, 100, 0, 0.05, 0.02}, nan, "sigma = 0 by the grid's check"},
      {"BSACO", {1, 100, 100, 0.2, -0.05, 0.02}, nan, "r < 0 by the grid's check"},
      {"BSACO", {-1, 100, 100, 0.2, 0.05, 0.02}, nan, "T < 0 by the grid's check"},
      {"BSAPO", {1, 100, 100, 0.2, 0.05, -0.02}, nan, "q < 0"},
      {"BSAPO", {1, 0, 100, 0.2, 0.05, 0.02}, 100.0, "S = 0 gives K"},
      {"BSAPO", {0, 70, 100, 0.2, 0.05, 0.02}, 30.0, "T = 0"},
      {"BINACOCrit", {1, 100, 0.2, 0.05, -0.02}, nan, "q < 0"},
      {"BINACOCrit", {1, 0, 0.2, 0.05, 0.02}, nan, "K <= 0"},
      {"BINACOCrit", {0, 100, 0.2, 0.05, 0.02}, 100.0, "T = 0 gives K"},
      {"BINACOCrit", {1, 100, 0.2, 0.05, 0.00001}, inf, "q <= 0.00001"},
      {"BINAPOCrit", {1, 100, 0.2, -0.05, 0.02}, nan, "r < 0"},
      {"BINAPOCrit", {0, 100, 0.2, 0.05, 0.02}, 100.0, "T = 0 gives K"},
      {"BSACOCrit", {1, 0, 0.2, 0.05, 0.02}, nan, "K <= 0"},
      {"BSACOCrit", {0, 100, 0.2, 0.05, 0.02}, 100.0, "T = 0 gives K"},
      {"BSACOCrit", {1, 100, 0.2, 0.05, 0.0005}, inf, "q < 0.001"},
      {"BSACOCrit", {1, 100, 0.2, 0.05, -0.5}, inf, "a negative q passes to the shortcut"},
      {"BSACOCrit", {1, 100, 0, 0.05, 0.02}, nan, "sigma = 0 by the grid's check"},
      {"BSAPOCrit", {-1, 100, 0.2, 0.05, 0.02}, nan, "T < 0"},
      {"BSAPOCrit", {0, 100, 0.2, 0.05, 0.02}, 100.0, "T = 0 gives K"},
  };
  for (const earlyrow& c : rows) {
    testing::internal::CaptureStdout();
    const double result = testsupport::price(c.code, c.inputs);
    const std::string printed = testing::internal::GetCapturedStdout();
    if (std::isnan(c.expected))
      EXPECT_TRUE(isundefined(result)) << c.code << ": " << c.why << " gave " << result;
    else
      EXPECT_EQ(result, c.expected) << c.code << ": " << c.why;
    EXPECT_EQ(printed, "") << c.code << ": " << c.why << ": this family refuses silently";
  }
}

TEST(AmericanVanilla, SmallYieldCallCriticalIsFiniteOnTheTree) {
  // Below the grid's threshold of 0.001 but above the tree's 0.00001: the tree bisects within
  // [K, beta K / (beta - 1)].
  const double critical = testsupport::price("BINACOCrit", {1, 100, 0.2, 0.05, 0.0005});
  EXPECT_TRUE(std::isfinite(critical));
  EXPECT_GT(critical, 100.0);
  EXPECT_LE(critical, av::perpetualcalllevel(100, 0.2, 0.05, 0.0005));
}

TEST(AmericanVanilla, CallGridEndsAtThePerpetualLevelOrTenStrikes) {
  // beta = (-m + sqrt(m^2 + 2 r sigma^2)) / sigma^2: with r = 0.05, q = 0.02, sigma = 0.2,
  // m = 0.01 and beta = (-0.01 + sqrt(0.0041)) / 0.04, so the level is beta K / (beta - 1).
  const double beta = (-0.01 + std::sqrt(0.0041)) / 0.04;
  contractdata call{1, 100, 0.2, 0.05, 0.02, 100, 0, 0, 1, 1, 0, 0};
  block params;
  av::americanvanilla withlevel(call, params->entries[entrygrid]);
  EXPECT_NEAR(withlevel.highlimit(), beta * 100 / (beta - 1), 1e-9);
  contractdata smallyield = call;
  smallyield.dividend = 0.0001;  // the level lies far beyond 10K
  av::americanvanilla wide(smallyield, params->entries[entrygrid]);
  EXPECT_EQ(wide.highlimit(), 1000.0);
  contractdata put = call;
  put.callput = -1;
  put.strike = 5;  // max(10K, 100)
  av::americanvanilla smallput(put, params->entries[entrygrid]);
  EXPECT_EQ(smallput.highlimit(), 100.0);
}

// Sizes and trees that cannot work: the undefined value after one line.
struct sizerow {
  const char* code;
  std::vector<double> inputs;
  int entry;
  double first, second;
  const char* message;
};

TEST(AmericanVanilla, SizesThatCannotWorkAreRefusedWithAMessage) {
  const std::string grid = "Grid sizes out of range, value undefined\n";
  const std::string steps = "Tree steps out of range, value undefined\n";
  const std::string probability = "Tree probability outside [0, 1], value undefined\n";
  const std::vector<double> put{1, 100, 100, 0.2, 0.05, 0.02};
  const sizerow rows[] = {
      {"BSAPO", put, entrygrid, 2, 50, grid.c_str()},
      {"BSAPO", put, entrygrid, 100, 1, grid.c_str()},
      {"BSAPO", put, entrygrid, 2000000, 50, grid.c_str()},
      {"BSAPO", put, entrygrid, 100, 2000000, grid.c_str()},
      {"BSAPO", put, entrygrid, 100000, 100000, grid.c_str()},    // 1e10 node updates
      {"BSAPO", put, entrygrid, 4294967396.0, 50, grid.c_str()},  // 2^32 + 100
      {"BSAPO", put, entrygrid, nan, 50, grid.c_str()},
      {"BSAPOCrit", {1, 100, 0.2, 0.05, 0.02}, entrygrid, -5, 50, grid.c_str()},
      {"BINAPO", put, entrysteps, 0, 0, steps.c_str()},
      {"BINAPO", put, entrysteps, -3, 0, steps.c_str()},
      {"BINAPO", put, entrysteps, 1e12, 0, steps.c_str()},
      {"BINAPOCrit", {1, 100, 0.2, 0.05, 0.02}, entrysteps, 0.5, 0, steps.c_str()},
      // (r - q) sqrt(dt) = 0.05 exceeds sigma = 0.01: p > 1.
      {"BINAPO", {1, 100, 100, 0.01, 0.5, 0}, entrysteps, 100, 0, probability.c_str()},
      {"BINACOCrit", {1, 100, 0.01, 0.0, 0.5}, entrysteps, 100, 0, probability.c_str()},
  };
  for (const sizerow& c : rows) {
    testing::internal::CaptureStdout();
    const double result = testsupport::price(
        c.code, c.inputs, testsupport::parameters().set(c.entry, c.first, c.second));
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(isundefined(result)) << c.code << " entry " << c.entry << " " << c.first << ", "
                                     << c.second << " gave " << result;
    EXPECT_EQ(printed, c.message) << c.code << " entry " << c.entry << " " << c.first;
  }
  // The smallest grid and tree that work.
  EXPECT_TRUE(std::isfinite(
      testsupport::price("BSAPO", put, testsupport::parameters().set(entrygrid, 3, 2))));
  EXPECT_TRUE(std::isfinite(
      testsupport::price("BINAPO", put, testsupport::parameters().set(entrysteps, 1))));
}

TEST(AmericanVanilla, NotANumberPropagatesThroughTheTree) {
  for (const char* code : {"BINAPO", "BINACO"}) {
    const double result = testsupport::price(code, {1, 100, 100, nan, 0.05, 0.02});
    EXPECT_TRUE(std::isnan(result) && !isundefined(result)) << code;
  }
  const double critical = testsupport::price("BINAPOCrit", {1, nan, 0.2, 0.05, 0.02});
  EXPECT_TRUE(std::isnan(critical) && !isundefined(critical));
}

TEST(AmericanVanilla, EveryInputSurvivesSpecialValues) {
  // Each input in turn takes each special value, the others a plain contract: every call returns
  // (the sanitizer build checks that nothing is read out of bounds or leaked on the way).
  const double specials[] = {0.0, -0.0, 1e-300, 1e300, inf, -inf, nan, -1.0};
  const char* const codes[] = {"BINACO",     "BINAPO",     "BSACO",     "BSAPO",
                               "BINACOCrit", "BINAPOCrit", "BSACOCrit", "BSAPOCrit"};
  for (const char* code : codes) {
    const bool critical = std::string(code).find("Crit") != std::string::npos;
    const std::vector<double> plain = critical ? std::vector<double>{1, 100, 0.2, 0.05, 0.03}
                                               : std::vector<double>{1, 100, 100, 0.2, 0.05, 0.03};
    for (std::size_t k = 0; k < plain.size(); ++k)
      for (double special : specials) {
        std::vector<double> terms = plain;
        terms[k] = special;
        testing::internal::CaptureStdout();
        const standin::scalarresult result = testsupport::fun(code, terms);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(result.status, 0) << code << " input " << k << " = " << special;
      }
  }
}

// The tree bisection with no cap: halve until 0.0001 wide (or until
// no double lies between the ends), one 100-step tree per halving.
double uncappedbisection(int callput, double T, double K, double sigma, double r, double q,
                         int* halvings) {
  double lo = callput > 0 ? K : 0.0;
  double hi = callput > 0 ? av::perpetualcalllevel(K, sigma, r, q) : K;
  *halvings = 0;
  while (std::fabs(hi - lo) > 0.0001) {
    const double mid = (lo + hi) / 2;
    if (mid == lo || mid == hi) break;
    ++*halvings;
    const bool continuation =
        av::binomialtree(callput, T, mid, K, sigma, r, q, 100) > std::max(callput * (mid - K), 0.0);
    (callput > 0) == continuation ? lo = mid : hi = mid;
  }
  return (lo + hi) / 2;
}

TEST(AmericanVanillaCritical, BisectionStopsAfterTwentyFourHalvings) {
  // Brackets that the search closes within 24 halvings give the uncapped result to the bit;
  // wider ones (huge strikes, calls with a yield just above 0.00001) stop after 24, within
  // 2^-24 of their first width of the uncapped result.
  const criticalrow rows[] = {
      {-1, 1.0, 100, 0.2, 0.05, 0.02},    {-1, 1.0, 1677, 0.2, 0.05, 0.02},
      {+1, 1.0, 100, 0.2, 0.05, 0.02},    {+1, 1.0, 100, 0.2, 0.05, 0.005},
      {-1, 1.0, 1e4, 0.2, 0.05, 0.02},    {-1, 0.5, 1e12, 0.3, 0.05, 0.0},
      {+1, 1.0, 100, 0.2, 0.05, 0.00002}, {+1, 1.0, 100, 10, 0.0, 0.00002},
  };
  for (const criticalrow& c : rows) {
    int halvings;
    const double uncapped = uncappedbisection(c.callput, c.T, c.K, c.sigma, c.r, c.q, &halvings);
    block params;
    const double capped = c.callput > 0
                              ? av::binomialcallcritical(c.T, c.K, c.sigma, c.r, c.q, params.get())
                              : av::binomialputcritical(c.T, c.K, c.sigma, c.r, c.q, params.get());
    const double width = c.callput > 0 ? av::perpetualcalllevel(c.K, c.sigma, c.r, c.q) - c.K : c.K;
    if (halvings <= 24)
      EXPECT_EQ(capped, uncapped) << "cp " << c.callput << " K " << c.K << " q " << c.q;
    else
      EXPECT_NEAR(capped, uncapped, width / (1 << 24))
          << "cp " << c.callput << " K " << c.K << " q " << c.q << ": " << halvings;
  }
}

TEST(AmericanVanilla, BisectionEndsForStrikesBeyondItsResolution) {
  // Doubles near 1e17 are 16 apart: a bracket 0.0001 wide does not exist there.
  for (double K : {1e17, 1e300}) {
    const double critical = testsupport::price("BINAPOCrit", {1, K, 0.2, 0.05, 0.02});
    EXPECT_GT(critical, 0.5 * K);
    EXPECT_LT(critical, K);
  }
}

}  // namespace
