// The simulations' library options 2 and 3: the Sobol points against QuantLib's SobolRsg (Joe and
// Kuo's direction numbers, the same table) and Boost's published first points, the Brownian
// bridge as an orthogonal map, the randomised Sobol and control-variate estimators against
// closed forms (within four standard errors of seeded replicates), the control variates'
// variance reduction at the same paths, and the cache's key on the options.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include <ql/math/randomnumbers/sobolrsg.hpp>
#include <ql/pricingengines/blackformula.hpp>

#include "mctestsupport.h"
#include "montecarlo/EuropeanAsian.h"
#include "montecarlo/sobolpaths.h"
#include "numerics/brownianbridge.h"
#include "testsupport.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

// Entries: seed, paths, steps (when positive), Sobol and control variates, the mode.
testsupport::parameters entries(double seed, double paths, double steps, bool sobol, bool control,
                                double mode = 1) {
  testsupport::parameters p;
  p.set(entrymode, mode);
  if (paths > 0) p.set(entrypaths, paths);
  if (steps > 0) p.set(entrysteps, steps);
  p.flags[entryoptions] = 0;
  double* options = &p.rows[entryvaluecount * entryoptions];
  options[optionseed] = seed;
  options[optionsobol] = sobol ? 1 : 0;
  options[optioncontrolvariates] = control ? 1 : 0;
  return p;
}

double price(const std::string& code, const std::vector<std::vector<double>>& rows,
             const testsupport::parameters& p) {
  CaptureStdout();
  const double value = mctest::fun(code, rows, p).value;
  GetCapturedStdout();
  return value;
}

struct replicates {
  double mean, error, spread;  // the mean, its standard error, the spread of one replicate
};

// The prices at seeds 1 .. count.
replicates atseeds(int count, const std::string& code, const std::vector<std::vector<double>>& rows,
                   double paths, double steps, bool sobol, bool control) {
  double sum = 0.0, squares = 0.0;
  for (int s = 1; s <= count; ++s) {
    const double v = price(code, rows, entries(s, paths, steps, sobol, control));
    sum += v;
    squares += v * v;
  }
  const double mean = sum / count;
  const double spread = std::sqrt(std::max(squares / count - mean * mean, 0.0) * count / (count - 1));
  return {mean, spread / std::sqrt(count), spread};
}

TEST(SobolPoints, MatchQuantLibAndThePublishedFirstPoints) {
  // Boost's documentation: the two-dimensional sequence without the origin.
  const double published[][2] = {{0.5, 0.5}, {0.75, 0.25}, {0.25, 0.75}, {0.375, 0.375},
                                 {0.875, 0.875}};
  const std::vector<std::uint32_t> two = sobolwords(2, 5);
  for (int p = 0; p < 5; ++p)
    for (int d = 0; d < 2; ++d) EXPECT_EQ(two[2 * p + d] * 0x1p-32, published[p][d]) << p;
  // QuantLib's own implementation with the same table (Joe and Kuo, new-joe-kuo-6.21201).
  const int dimension = 300, count = 200;
  const std::vector<std::uint32_t> ours = sobolwords(dimension, count);
  QuantLib::SobolRsg peer(dimension, 0, QuantLib::SobolRsg::JoeKuoD6);
  int differing = 0;
  for (int p = 0; p < count; ++p) {
    const std::vector<std::uint32_t>& point = peer.nextInt32Sequence();
    for (int d = 0; d < dimension; ++d) differing += ours[p * dimension + d] != point[d];
  }
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(sobolpaths::maxdimension, 3667);
}

TEST(BrownianBridge, IsAnOrthogonalMapOfTheNormals) {
  // Increments of unit-vector inputs are the columns of the map: B B^T = I keeps i.i.d. normals.
  for (int m : {1, 2, 5, 16, 37}) {
    brownianbridge bridge(m);
    std::vector<double> B(m * m), z(m);
    for (int i = 0; i < m; ++i) {
      std::fill(z.begin(), z.end(), 0.0);
      z[i] = 1.0;
      bridge.increments(z.data(), 1, &B[i], m);  // column i
    }
    for (int a = 0; a < m; ++a)
      for (int b = 0; b < m; ++b) {
        double dot = 0.0;
        for (int i = 0; i < m; ++i) dot += B[a * m + i] * B[b * m + i];
        EXPECT_NEAR(dot, a == b ? 1.0 : 0.0, 1e-12) << m << " " << a << " " << b;
      }
    // The first normal alone sets the end point: every increment gets 1 / sqrt(m) of it.
    for (int t = 0; t < m; ++t) EXPECT_NEAR(B[t * m], 1.0 / std::sqrt(m), 1e-12);
  }
}

TEST(SobolPaths, ShiftedReplicatesAreUnbiasedAndPadPastTheTable) {
  // Normals past the table's dimensions come from the pseudo-random stream: all finite, and the
  // path's increments keep unit variance on average.
  sobolpaths paths(2000, 2, 11);
  std::vector<double> z(4000);
  double squares = 0.0;
  for (int p = 0; p < 8; ++p) {
    paths.nextpath(z.data());
    for (double x : z) squares += x * x;
  }
  EXPECT_NEAR(squares / (8 * 4000), 1.0, 4 * std::sqrt(2.0 / (8 * 4000)));
}

// The n = 2 call on the maximum and its closed form, the arithmetic Asian whose payoff is linear
// (the past average alone exceeds the strike) and its forward, with Sobol draws.
TEST(SobolEstimators, WithinFourStandardErrorsOfClosedForms) {
  const std::vector<std::vector<double>> rainbow = {{2}, {1}, {100, 95}, {100}, {0.2, 0.3},
                                                    {1, 0.4, 0.4, 1}, {0.05}, {0.01, 0.02}};
  const double closed = mctest::fun("RAINBOWMAX2ECO", {{1}, {100}, {95}, {0.2}, {0.3}, {0.4},
                                                        {0.05}, {0.01}, {0.02}, {100}}).value;
  const replicates max2 = atseeds(16, "RAINBOWMAXECO", rainbow, 2048, 0, true, false);
  EXPECT_NEAR(max2.mean, closed, 4 * max2.error);
  // Asian: Tavg 2, T 1, A 300, K 100: max(150 + m / 2 - 100, 0) = 50 + m / 2 on every path.
  const double S = 100, r = 0.05, q = 0.02, sigma = 0.3;
  for (int M : {50, 4000}) {  // 4000 steps: 3999 coordinates, past the table's 3667
    double mean = 0.0;
    for (int i = 0; i < M; ++i) mean += S * std::exp((r - q) * i / (M - 1.0)) / M;
    const double forward = std::exp(-r) * (50 + mean / 2);
    const std::vector<std::vector<double>> asian = {{2}, {1}, {S}, {300}, {100}, {sigma}, {r}, {q}};
    const replicates a = atseeds(8, "ASIANAARECO", asian, M > 100 ? 64 : 512, M, true, false);
    EXPECT_NEAR(a.mean, forward, 4 * a.error) << M;
  }
}

TEST(ControlVariates, AsianControlMeanIsTheDiscreteGeometricOption) {
  // E[max(w A + (1 - w) G - K, 0)] with ln G's mean and variance summed here point by point.
  const double Tavg = 1.5, T = 1, S = 100, A = 90, K = 95, sigma = 0.25, r = 0.04, q = 0.01;
  const int M = 40;
  const double dt = T / (M - 1), w = (Tavg - T) / Tavg;
  double mu = 0.0, v = 0.0;
  for (int i = 0; i < M; ++i) {
    mu += (std::log(S) + (r - q - sigma * sigma / 2) * i * dt) / M;
    for (int j = 0; j < M; ++j) v += sigma * sigma * std::min(i, j) * dt / (double(M) * M);
  }
  const double strike = (K - w * A) / (1 - w);
  const double expected =
      (1 - w) * QuantLib::blackFormula(QuantLib::Option::Call, strike, std::exp(mu + v / 2),
                                       std::sqrt(v));
  const double onecorrelation = 1.0;
  marketdata record(1, T, &S, K, &sigma, &onecorrelation, r, &q);
  mctest::block block;
  EuropeanAsian::asianarithmetic asian(record, +1, Tavg, A, block.words);
  double mean = 0.0;
  asian.controlmeans(M, &mean);
  EXPECT_NEAR(mean, expected, 1e-12 * expected);
}

TEST(ControlVariates, ReduceTheSpreadAndStayUnbiased) {
  // At the same paths and seeds the corrected prices spread less than the plain ones.
  const std::vector<std::vector<double>> asian = {{1}, {1}, {100}, {100}, {100}, {0.3}, {0.05}, {0}};
  const replicates plain = atseeds(8, "ASIANAARECO", asian, 1000, 50, false, false);
  const replicates controlled = atseeds(8, "ASIANAARECO", asian, 1000, 50, false, true);
  EXPECT_LT(controlled.spread, plain.spread / 5);
  EXPECT_NEAR(controlled.mean, plain.mean, 4 * std::hypot(plain.error, controlled.error));
  const mctest::market five = mctest::equicorrelated(5, 1, 0.25, 0.5, 0.05, 0.01);
  const auto everest = mctest::performancerows(five, 1.0);
  const replicates eplain = atseeds(8, "EVERESTEO", everest, 2000, 0, false, false);
  const replicates econtrolled = atseeds(8, "EVERESTEO", everest, 2000, 0, false, true);
  EXPECT_LT(econtrolled.spread, eplain.spread);
  EXPECT_NEAR(econtrolled.mean, eplain.mean, 4 * std::hypot(eplain.error, econtrolled.error));
  // Two assets: the contract is its own control, and the price is its closed form.
  const std::vector<std::vector<double>> rainbow = {{2}, {1}, {100, 95}, {100}, {0.2, 0.3},
                                                    {1, 0.4, 0.4, 1}, {0.05}, {0.01, 0.02}};
  const double closed = mctest::fun("RAINBOWMAX2ECO", {{1}, {100}, {95}, {0.2}, {0.3}, {0.4},
                                                        {0.05}, {0.01}, {0.02}, {100}},
                                    testsupport::parameters().set(entryoptions, 0, 1))
                            .value;
  EXPECT_NEAR(price("RAINBOWMAXECO", rainbow, entries(3, 500, 0, false, true)), closed,
              1e-9 * closed);
}

TEST(ControlVariates, AVariantWithoutClosedFormLeavesEveryVariantPlain) {
  // Gamma's down bump takes spot 0.0001 below 0, where the two-asset closed form does not price:
  // no message, and the run is the plain one (a corrected P against plain bumped sums gave
  // 666826 here).
  const std::vector<std::vector<double>> rows = {{2}, {1}, {0.0001, 95}, {100}, {0.2, 0.3},
                                                 {1, 0.5, 0.5, 1}, {0.05}, {0, 0}};
  testsupport::parameters plain = entries(1, 1000, 0, false, false);
  testsupport::parameters controlled = entries(1, 1000, 0, false, true);
  plain.set(entrysensitivity, selectgamma);
  controlled.set(entrysensitivity, selectgamma);
  CaptureStdout();
  const std::vector<double> expected = mctest::funvec("RAINBOWMAXECO", rows, plain).values;
  const std::vector<double> got = mctest::funvec("RAINBOWMAXECO", rows, controlled).values;
  EXPECT_EQ(GetCapturedStdout(), "");
  EXPECT_EQ(got, expected);
}

TEST(SimulationOptionsCache, KeptPricesServeOnlyTheirOptions) {
  // A price kept without the control variates must not answer a request with them (or Sobol).
  const std::vector<std::vector<double>> asian = {{1}, {1}, {100}, {100}, {100}, {0.3}, {0.05}, {0}};
  for (const auto& [sobol, control] : {std::pair{true, false}, {false, true}, {true, true}}) {
    const double kept = price("ASIANAARECO", asian, entries(7, 500, 20, false, false, 0));
    const double asked = price("ASIANAARECO", asian, entries(7, 500, 20, sobol, control, 0));
    const double fresh = price("ASIANAARECO", asian, entries(7, 500, 20, sobol, control, 1));
    EXPECT_EQ(asked, fresh) << sobol << control;
    EXPECT_NE(asked, kept);
    // And the kept draws serve their own options again.
    EXPECT_EQ(price("ASIANAARECO", asian, entries(7, 500, 20, sobol, control, 0)), fresh);
  }
}

}  // namespace
