// The eight American vanilla codes under the precise option (parameter entry 5, value 1 = 1):
// prices against QuantLib's QdFpAmericanEngine at its high-precision scheme, critical prices
// against the point where QuantLib's prices meet the exercise value, the early results, refusals
// and limits, and robustness over extreme inputs.
#include <gtest/gtest.h>

#include <ql/quantlib.hpp>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "binding/parameterblock.h"
#include "fdtestsupport.h"
#include "finitedifference/AmericanVanilla.h"
#include "numerics/undefined.h"
#include "testsupport.h"

namespace {

using fdtest::market;
using QuantLib::Option;

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

testsupport::parameters precise() { return testsupport::parameters().set(entryoptions, 0, 1); }

double precisecode(const std::string& code, const std::vector<double>& inputs) {
  return testsupport::price(code, inputs, precise());
}

// QuantLib's fixed-point engine on an American option (Actual/365 (Fixed), so T = days / 365).
double quantlibqdfp(Option::Type type, const market& m) {
  using namespace QuantLib;
  const Date today(15, May, 2024);
  auto process = fdtest::quantlibprocess(m, today);
  VanillaOption option(ext::make_shared<PlainVanillaPayoff>(type, m.K),
                       ext::make_shared<AmericanExercise>(today, today + m.days));
  option.setPricingEngine(
      ext::make_shared<QdFpAmericanEngine>(process, QdFpAmericanEngine::highPrecisionScheme()));
  return option.NPV();
}

std::vector<double> inputsof(const market& m) { return {m.T(), m.S, m.K, m.sigma, m.r, m.q}; }

// The target of the option: |error| <= max(1e-9 price, 1e-11 K).
double tolerance(double price, double K) { return std::max(1e-9 * std::fabs(price), 1e-11 * K); }

// Contracts on which QuantLib's high-precision scheme agrees to 1e-11 K with a finer scheme of
// its own (QdFpTanhSinhIterationScheme(16, 64, 1e-12)), checked when the table was drawn up: deep
// in to deep out of the money, a week to five years, r above, equal to and below q, sigma from
// 0.02 to 2, r = 0 (never exercised early).
const market puts[] = {
    {182, 100, 95, 0.15, 0.08, 0.04},  {7, 100, 100, 0.2, 0.05, 0.02},
    {7, 90, 100, 0.3, 0.06, 0.0},      {365, 200, 100, 0.3, 0.04, 0.01},
    {91, 60, 100, 0.4, 0.05, 0.1},     {730, 100, 100, 0.2, 0.02, 0.08},
    {365, 100, 100, 0.2, 0.05, 0.05},  {30, 300, 100, 0.5, 0.05, 0.0},
    {1825, 100, 100, 0.2, 0.02, 0.06}, {1825, 130, 100, 0.2, 0.02, 0.05},
    {1825, 80, 100, 0.15, 0.04, 0.04}, {30, 100, 100, 1.5, 0.1, 0.0},
    {7, 100, 100, 2.0, 0.05, 0.0},     {365, 100, 100, 0.2, 0.0, 0.03},
    {91, 110, 100, 0.02, 0.05, 0.0},   {7, 50, 100, 0.3, 0.05, 0.0},
};

// Calls with a yield (exercised early) and without (the European call), the same filter.
const market calls[] = {
    {182, 110, 100, 0.3, 0.05, 0.03},  {30, 130, 100, 0.2, 0.03, 0.08},
    {365, 50, 100, 0.3, 0.05, 0.02},   {7, 100, 100, 0.2, 0.0, 0.05},
    {1825, 100, 100, 0.2, 0.06, 0.02}, {365, 100, 100, 0.2, 0.05, 0.0},
    {365, 250, 100, 0.3, 0.03, 0.08},  {7, 100, 100, 0.2, 0.05, 0.03},
};

std::string describe(const market& m) {
  return "days " + std::to_string(m.days) + " S " + std::to_string(m.S) + " K " +
         std::to_string(m.K) + " sigma " + std::to_string(m.sigma) + " r " + std::to_string(m.r) +
         " q " + std::to_string(m.q);
}

TEST(AmericanVanillaPrecise, PutsMatchQuantLibHighPrecision) {
  for (const market& m : puts) {
    const double reference = quantlibqdfp(Option::Put, m);
    const double grid = precisecode("BSAPO", inputsof(m));
    EXPECT_NEAR(grid, reference, tolerance(reference, m.K)) << describe(m);
    // Under the option the tree code answers the same converged price.
    EXPECT_EQ(precisecode("BINAPO", inputsof(m)), grid) << describe(m);
  }
}

TEST(AmericanVanillaPrecise, CallsMatchQuantLibHighPrecision) {
  for (const market& m : calls) {
    const double reference = quantlibqdfp(Option::Call, m);
    const double grid = precisecode("BSACO", inputsof(m));
    EXPECT_NEAR(grid, reference, tolerance(reference, m.K)) << describe(m);
    EXPECT_EQ(precisecode("BINACO", inputsof(m)), grid) << describe(m);
  }
}

// Where QuantLib's price meets the exercise value. By smooth pasting the time value
// V - exercise grows as (S - B)^2 beyond the boundary B, so its square root is nearly linear in
// S there: a quadratic through its values at three spots 0.4%, 0.8% and 1.2% beyond our boundary,
// followed to its zero, gives B from QuantLib's prices alone (to about 3e-7 relative, the limit
// that QuantLib's own price noise sets).
double quantlibcritical(Option::Type type, market m, double guess) {
  const double side = type == Option::Put ? 1.0 : -1.0;  // the continuation side of B
  double S[3], y[3];
  for (int k = 0; k < 3; ++k) {
    S[k] = guess * (1.0 + side * 0.004 * (k + 1));
    m.S = S[k];
    const double exercise = type == Option::Put ? m.K - S[k] : S[k] - m.K;
    y[k] = std::sqrt(std::max(quantlibqdfp(type, m) - exercise, 0.0));
  }
  const double a1 = (y[1] - y[0]) / (S[1] - S[0]);
  const double a2 = ((y[2] - y[1]) / (S[2] - S[1]) - a1) / (S[2] - S[0]);
  double x = guess;
  for (int i = 0; i < 50; ++i) {
    const double f = y[0] + a1 * (x - S[0]) + a2 * (x - S[0]) * (x - S[1]);
    x -= f / (a1 + a2 * ((x - S[0]) + (x - S[1])));
  }
  return x;
}

TEST(AmericanVanillaPrecise, CriticalPricesMeetQuantLibsExerciseBoundary) {
  struct row {
    Option::Type type;
    const char *code, *tree;
    market m;  // S unused
  };
  const row rows[] = {
      {Option::Put, "BSAPOCrit", "BINAPOCrit", {365, 0, 100, 0.2, 0.05, 0.02}},
      {Option::Put, "BSAPOCrit", "BINAPOCrit", {91, 0, 100, 0.3, 0.06, 0.0}},
      {Option::Call, "BSACOCrit", "BINACOCrit", {365, 0, 100, 0.2, 0.02, 0.05}},
  };
  for (const row& c : rows) {
    const std::vector<double> inputs{c.m.T(), c.m.K, c.m.sigma, c.m.r, c.m.q};
    const double critical = precisecode(c.code, inputs);
    EXPECT_NEAR(critical, quantlibcritical(c.type, c.m, critical), 1e-6 * critical)
        << c.code << " " << describe(c.m);
    EXPECT_EQ(precisecode(c.tree, inputs), critical) << c.tree;
  }
}

TEST(AmericanVanillaPrecise, NeverExercisedEarlyGivesTheEuropeanLimits) {
  const double T = 0.75, S = 95, K = 100, sigma = 0.25;
  // A call without yield: the European call, and no critical price.
  EXPECT_NEAR(precisecode("BSACO", {T, S, K, sigma, 0.05, 0.0}),
              fdtest::quantlibeuropean(Option::Call, T, S, K, sigma, 0.05, 0.0), 1e-12 * K);
  EXPECT_EQ(precisecode("BSACOCrit", {T, K, sigma, 0.05, 0.0}), inf);
  EXPECT_EQ(precisecode("BINACOCrit", {T, K, sigma, 0.05, 0.0}), inf);
  // A put at r = 0: the European put, and the boundary at 0.
  EXPECT_NEAR(precisecode("BSAPO", {T, S, K, sigma, 0.0, 0.03}),
              fdtest::quantlibeuropean(Option::Put, T, S, K, sigma, 0.0, 0.03), 1e-12 * K);
  EXPECT_EQ(precisecode("BSAPOCrit", {T, K, sigma, 0.0, 0.03}), 0.0);
}

TEST(AmericanVanillaPrecise, SmallYieldsKeepAFiniteCallBoundary) {
  // Kept on purpose: the design answers +infinity below its dividend floors (0.00001 for the
  // tree, 0.001 for the grid); the converged boundary is finite for every q > 0 and grows as q
  // falls.
  const double a = precisecode("BSACOCrit", {1, 100, 0.2, 0.05, 0.0005});
  const double b = precisecode("BINACOCrit", {1, 100, 0.2, 0.05, 0.000005});
  EXPECT_TRUE(std::isfinite(a));
  EXPECT_TRUE(std::isfinite(b));
  EXPECT_GT(b, a);
  EXPECT_GT(a, 100.0);
}

TEST(AmericanVanillaPrecise, EarlyResultsAndRefusalsAsTheDesignHasThem) {
  const char* values[] = {"BINACO", "BINAPO", "BSACO", "BSAPO"};
  for (const char* code : values) {
    const bool call = code[std::string(code).size() - 2] == 'C';
    EXPECT_EQ(precisecode(code, {1, 0, 100, 0.2, 0.05, 0.02}), call ? 0.0 : 100.0) << code;
    EXPECT_EQ(precisecode(code, {0, 90, 100, 0.2, 0.05, 0.02}), call ? 0.0 : 10.0) << code;
    for (const std::vector<double>& bad : {std::vector<double>{-1, 100, 100, 0.2, 0.05, 0.02},
                                           {1, -1, 100, 0.2, 0.05, 0.02},
                                           {1, 100, 0, 0.2, 0.05, 0.02},
                                           {1, 100, 100, 0, 0.05, 0.02},
                                           {1, 100, 100, 0.2, -0.01, 0.02},
                                           {1, 100, 100, 0.2, 0.05, -0.01}})
      EXPECT_TRUE(isundefined(precisecode(code, bad))) << code;
  }
  const char* criticals[] = {"BINACOCrit", "BINAPOCrit", "BSACOCrit", "BSAPOCrit"};
  for (const char* code : criticals) {
    EXPECT_EQ(precisecode(code, {0, 100, 0.2, 0.05, 0.02}), 100.0) << code;
    for (const std::vector<double>& bad : {std::vector<double>{-1, 100, 0.2, 0.05, 0.02},
                                           {1, 0, 0.2, 0.05, 0.02},
                                           {1, 100, 0, 0.05, 0.02},
                                           {1, 100, 0.2, -0.01, 0.02}})
      EXPECT_TRUE(isundefined(precisecode(code, bad))) << code;
  }
  // Kept on purpose: the grid's call critical price answers a negative yield with +infinity.
  EXPECT_EQ(precisecode("BSACOCrit", {1, 100, 0.2, 0.05, -0.01}), inf);
  EXPECT_TRUE(isundefined(precisecode("BINACOCrit", {1, 100, 0.2, 0.05, -0.01})));
}

TEST(AmericanVanillaPrecise, ExtremeInputsGiveBoundedNumbers) {
  // No NaN, no hang: the put between its exercise value and K, the call between its exercise
  // value and S, the boundaries on their sides of the strike.
  const double Ts[] = {1e-9, 1.0 / 365, 5, 100};
  const double sigmas[] = {1e-4, 0.2, 5};
  const double rates[] = {0, 1e-7, 0.5};
  const double spots[] = {1e-6, 99, 1e6};
  for (double T : Ts)
    for (double sigma : sigmas)
      for (double r : rates)
        for (double q : rates) {
          for (double S : spots) {
            const double put = precisecode("BSAPO", {T, S, 100, sigma, r, q});
            const double call = precisecode("BSACO", {T, S, 100, sigma, r, q});
            EXPECT_TRUE(put >= std::max(100 - S, 0.0) && put <= 100)
                << put << " T " << T << " S " << S << " sigma " << sigma << " r " << r << " q "
                << q;
            EXPECT_TRUE(call >= std::max(S - 100, 0.0) && call <= S)
                << call << " T " << T << " S " << S << " sigma " << sigma << " r " << r << " q "
                << q;
          }
          const double putcritical = precisecode("BSAPOCrit", {T, 100, sigma, r, q});
          const double callcritical = precisecode("BSACOCrit", {T, 100, sigma, r, q});
          EXPECT_TRUE(putcritical >= 0 && putcritical <= 100) << putcritical;
          EXPECT_TRUE(callcritical >= 100) << callcritical;
        }
  // Strikes near the ends of the doubles keep the call's boundary K^2 / B finite.
  EXPECT_TRUE(std::isfinite(precisecode("BSACOCrit", {1, 1e-300, 0.5, 1e-7, 0.02})));
  EXPECT_TRUE(std::isfinite(precisecode("BSACOCrit", {1, 1e300, 0.2, 0.05, 0.02})));
  // A NaN input propagates, as on the default path.
  EXPECT_TRUE(std::isnan(precisecode("BSAPO", {1, nan, 100, 0.2, 0.05, 0.02})));
  EXPECT_TRUE(std::isnan(precisecode("BSAPOCrit", {1, 100, nan, 0.05, 0.02})));
}

TEST(AmericanVanillaPrecise, OtherNumericsValuesKeepTheDesignsAnswers) {
  const std::vector<double> inputs{0.5, 100, 95, 0.15, 0.08, 0.04};
  for (const char* code : {"BSAPO", "BINAPO"}) {
    const double design = testsupport::price(code, inputs);
    EXPECT_EQ(testsupport::price(code, inputs, testsupport::parameters().set(entryoptions, 0, 0)),
              design);
    EXPECT_EQ(testsupport::price(code, inputs, testsupport::parameters().set(entryoptions, 0, 2)),
              design);
    EXPECT_NE(precisecode(code, inputs), design);
  }
}

// The boundary kept in valuation mode 0 under the option (AmericanVanilla.h): a re-price at a
// new spot reads the kept boundary and answers what a fresh valuation answers; a change of any
// other term solves afresh. A kept boundary is recognised by its carrier: a new one is always
// made while the old one is still alive, so it never takes the old one's address.
namespace cache {

namespace av = AmericanVanilla;
using av::cachedboundary;
using av::methodcarriesboundary;

// A block of the test's own with the option set (its T2 two columns wide) and the given mode.
struct preciseblock {
  fdtest::block params;
  std::int64_t dims[2] = {parameterentrycount, 2};
  explicit preciseblock(double mode) {
    params->rank = 2;
    params->dims = dims;
    params.set(entryoptions, 0, 1).set(entrymode, mode);
  }
  parameterblock* get() { return params.get(); }
  const methodcarries* carrier() { return params->fdcarrier; }
};

struct terms {
  double T = 1, S = 100, K = 100, sigma = 0.2, r = 0.05, q = 0.02;
};

using pricing = double (*)(double, double, double, double, double, double, parameterblock*);
using criticalpricing = double (*)(double, double, double, double, double, parameterblock*);

double fresh(pricing code, const terms& c) {
  preciseblock once(1);
  return code(c.T, c.S, c.K, c.sigma, c.r, c.q, once.get());
}

double at(preciseblock& b, pricing code, const terms& c) {
  return code(c.T, c.S, c.K, c.sigma, c.r, c.q, b.get());
}

// The design's grid put on a block of the test's own.
double at(fdtest::block& b, const terms& c) {
  return av::gridput(c.T, c.S, c.K, c.sigma, c.r, c.q, b.get());
}

TEST(AmericanVanillaPreciseCache, ModeZeroReadsTheKeptBoundaryAtANewSpot) {
  for (pricing code : {&av::gridput, &av::binomialput, &av::gridcall, &av::binomialcall}) {
    preciseblock b(0);
    terms c;
    EXPECT_EQ(at(b, code, c), fresh(code, c));
    const methodcarriesboundary* kept = cachedboundary(*b.get());
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(b.get()->fdclone, nullptr);
    for (double S : {95.0, 130.0, 61.7, 100.0001}) {
      c.S = S;
      EXPECT_EQ(at(b, code, c), fresh(code, c)) << "S " << S;
      EXPECT_EQ(b.carrier(), kept) << "S " << S << ": a new boundary";
    }
  }
}

TEST(AmericanVanillaPreciseCache, OneBoundaryServesEveryCodeOfItsTerms) {
  preciseblock b(0);
  const terms put;
  at(b, &av::gridput, put);
  const methodcarries* kept = b.carrier();
  // The tree code, the critical prices, and the call of the symmetric contract (r and q
  // exchanged) take the same boundary.
  EXPECT_EQ(at(b, &av::binomialput, put), fresh(&av::binomialput, put));
  const double critical = av::gridputcritical(put.T, put.K, put.sigma, put.r, put.q, b.get());
  EXPECT_EQ(av::binomialputcritical(put.T, put.K, put.sigma, put.r, put.q, b.get()), critical);
  preciseblock once(1);
  EXPECT_EQ(critical, av::gridputcritical(put.T, put.K, put.sigma, put.r, put.q, once.get()));
  terms call = put;
  call.r = put.q;
  call.q = put.r;
  call.S = 120;
  EXPECT_EQ(at(b, &av::gridcall, call), fresh(&av::gridcall, call));
  EXPECT_EQ(b.carrier(), kept);
}

TEST(AmericanVanillaPreciseCache, EveryOtherTermIsPartOfTheKey) {
  // Each change lies within the grids' tolerance of 0.0001, where a grid would be reused.
  const struct {
    const char* term;
    double terms::*field;
  } changes[] = {{"T", &terms::T},
                 {"K", &terms::K},
                 {"sigma", &terms::sigma},
                 {"r", &terms::r},
                 {"q", &terms::q}};
  for (pricing code : {&av::gridput, &av::gridcall}) {
    for (const auto& change : changes) {
      preciseblock b(0);
      terms c;
      at(b, code, c);
      const methodcarries* kept = b.carrier();
      c.*change.field += 0.00005;
      c.S = 97;
      EXPECT_EQ(at(b, code, c), fresh(code, c)) << change.term;
      EXPECT_NE(b.carrier(), kept) << change.term << ": served the kept boundary";
    }
    // So is the side: a put and a call on the same terms are two boundaries.
    preciseblock b(0);
    at(b, code, terms{});
    const methodcarries* kept = b.carrier();
    pricing other = code == &av::gridput ? &av::gridcall : &av::gridput;
    EXPECT_EQ(at(b, other, terms{}), fresh(other, terms{}));
    EXPECT_NE(b.carrier(), kept);
  }
}

TEST(AmericanVanillaPreciseCache, ModeOneKeepsNothingAndRefusalsKeepTheCache) {
  preciseblock b(0);
  at(b, &av::gridput, terms{});
  const methodcarries* kept = b.carrier();
  terms refused;
  refused.sigma = 0;
  EXPECT_TRUE(isundefined(at(b, &av::gridput, refused)));
  terms nanspot;
  nanspot.S = nan;
  EXPECT_TRUE(std::isnan(at(b, &av::gridput, nanspot)));
  terms european;  // a call without dividend: the European call, nothing to keep
  european.q = 0;
  at(b, &av::gridcall, european);
  EXPECT_EQ(b.carrier(), kept);
  b.params.set(entrymode, 1);
  at(b, &av::gridput, terms{});
  EXPECT_EQ(b.get()->fdcarrier, nullptr);
  EXPECT_EQ(b.get()->fdclone, nullptr);
}

// The option is part of the key: a kept grid never serves a precise valuation, a kept boundary
// never a grid valuation, and the grid's own path is as it was.
TEST(AmericanVanillaPreciseCache, GridsAndBoundariesNeverServeEachOther) {
  terms c;
  fdtest::block once;
  const double designat100 = at(once, c);
  preciseblock b(0);
  b.params.usedefault(entryoptions);
  EXPECT_EQ(av::gridput(c.T, c.S, c.K, c.sigma, c.r, c.q, b.get()), designat100);
  ASSERT_NE(cachedgrid(*b.get()), nullptr);
  c.S = 95;
  b.params.set(entryoptions, 0, 1);
  EXPECT_EQ(at(b, &av::gridput, c), fresh(&av::gridput, c));
  EXPECT_NE(cachedboundary(*b.get()), nullptr);
  EXPECT_EQ(cachedgrid(*b.get()), nullptr);
  b.params.usedefault(entryoptions);
  EXPECT_EQ(av::gridput(c.T, c.S, c.K, c.sigma, c.r, c.q, b.get()), at(once, c));
  EXPECT_NE(cachedgrid(*b.get()), nullptr);
}

// kzr greeks under --precise: the price and the spot bumps come from one kept boundary, and
// delta and gamma are the central differences of fresh converged prices (step 1e-4 of the spot).
TEST(AmericanVanillaPreciseCache, GreeksTakeTheConvergedPrices) {
  const testsupport::toolrun run =
      testsupport::runkzr("greeks BSAPO 1 100 100 0.2 0.05 0.02 --precise");
  ASSERT_EQ(run.status, 0) << run.err;
  std::istringstream lines(run.out);
  std::map<std::string, double> figures;
  std::string line;
  while (std::getline(lines, line)) {
    const auto gap = line.find_last_of(' ');
    if (gap != std::string::npos)
      figures[line.substr(0, line.find(' '))] = std::stod(line.substr(gap + 1));
  }
  terms c;
  const double centre = fresh(&av::gridput, c);
  c.S = 100.01;
  const double up = fresh(&av::gridput, c);
  c.S = 99.99;
  const double down = fresh(&av::gridput, c);
  EXPECT_NEAR(figures["price"], centre, 1e-14 * centre);
  EXPECT_NEAR(figures["delta"], (up - down) / 0.02, 1e-9);
  EXPECT_NEAR(figures["gamma"], (up - 2 * centre + down) / 1e-4, 1e-6);
}

}  // namespace cache

}  // namespace
