// The five mountain range codes through the loaded library: prices draw for draw against an
// independent simulation of the same contract, statistically against closed forms, greeks against
// finite differences of seeded prices, the refusals with their messages, the values at expiry and
// the simulation cache's sequences.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "mctestsupport.h"
#include "montecarlo/EuropeanMountainRange.h"
#include "montecarlo/mcvaluation.h"
#include "numerics/messages.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using rows = std::vector<std::vector<double>>;

const double nan = std::numeric_limits<double>::quiet_NaN();

double normalcdf(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

// Entries: the seed (library options), paths, and optionally steps, selector and mode.
testsupport::parameters seeded(double seed, double paths) {
  testsupport::parameters entries;
  entries.set(5, seed).set(3, paths);
  return entries;
}

double price(const std::string& code, const rows& contract, const testsupport::parameters& e) {
  return mctest::fun(code, contract, e).value;
}

// A market of three assets with different terms, for the draw-for-draw checks.
mctest::market threeassets() {
  return {
      3, 1.25, {0.2, 0.3, 0.25}, {1, 0.5, 0.2, 0.5, 1, 0.3, 0.2, 0.3, 1}, 0.05, {0.01, 0.02, 0.0}};
}

double worst(const std::vector<double>& path, int n, int points) {
  double w = path[points - 1];
  for (int i = 1; i < n; ++i) w = std::min(w, path[i * points + points - 1]);
  return w;
}

// Every code at a fixed seed equals the simulation written in mctestsupport.h with the payoff
// written here, draw for draw.
TEST(MountainRange, PricesEqualAnIndependentSimulationDrawForDraw) {
  const mctest::market m = threeassets();
  const int n = m.n, N = 3000, M = 12;
  const double T = m.T, r = m.r, D = std::exp(-r * T), notional = 100.0, coupon = 10.0;
  const std::uint32_t seed = 20240611;
  const std::vector<double> ones(n, 1.0), spots{100, 90, 110}, barriers{140, 130, 150},
      fractions{0.7, 0.6, 0.75};
  struct contract {
    std::string code;
    rows inputs;
    mctest::independentpaths paths;
    std::function<double(const std::vector<double>&)> payoff;
    std::function<double(double)> value;  // from the payoff sum
  };
  const auto mean = [&](double sum) { return D * sum / N; };
  const std::vector<contract> contracts = {
      {"EVERESTEO",
       mctest::performancerows(m, notional),
       {m, ones, 2, T},
       [&](const std::vector<double>& p) { return notional * worst(p, n, 2); },
       mean},
      {"ATLASEO",
       {{3.0}, {T}, {0.9}, {notional}, m.sigma, m.rho, {r}, m.q},
       {m, ones, 2, T},
       [&](const std::vector<double>& p) {  // with three assets, the middle performance
         std::vector<double> R{p[1], p[3], p[5]};
         std::sort(R.begin(), R.end());
         return notional * std::max(R[1] - 0.9, 0.0);
       },
       mean},
      {"HIMALAYAEO",
       mctest::performancerows(m, notional),
       {m, ones, n, T / n, true},
       [&](const std::vector<double>& p) {
         std::vector<bool> taken(n, false);
         double logs = 0.0;
         for (int t = 0; t < n; ++t) {
           int best = -1;
           for (int i = 0; i < n; ++i)
             if (!taken[i] && (best < 0 || p[i * n + t] > p[best * n + t])) best = i;
           taken[best] = true;
           logs += std::log(p[best * n + t]);
         }
         return logs;
       },
       [&](double sum) { return D * notional * (std::exp(sum / N) - 1.0); }},
      {"ALTIPLANOEO",
       mctest::couponrows(m, spots, barriers, coupon),
       {m, spots, M, T / M},
       [&](const std::vector<double>& p) {
         for (int i = 0; i < n; ++i)
           for (int t = 0; t < M; ++t)
             if (p[i * M + t] >= barriers[i]) return 0.0;
         return coupon;
       },
       mean},
      {"ANNAPURNAEO",
       mctest::couponrows(m, spots, fractions, coupon),
       {m, spots, M, T / M},
       [&](const std::vector<double>& p) {
         for (int i = 0; i < n; ++i)
           for (int t = 0; t < M; ++t)
             if (p[i * M + t] <= fractions[i] * spots[i]) return 0.0;
         return coupon;
       },
       mean},
  };
  for (const contract& c : contracts) {
    testsupport::parameters entries = seeded(seed, N);
    entries.set(4, M);  // read by the coupon contracts only
    const double expected = c.value(c.paths.sum(seed, N, c.payoff));
    EXPECT_NEAR(price(c.code, c.inputs, entries), expected, 1e-12 * std::fabs(expected)) << c.code;
  }
}

// The mean and the standard error of a payoff, from the independent simulation.
struct estimate {
  double mean, error;
};
estimate sample(const mctest::independentpaths& paths, std::uint32_t seed, std::int64_t N,
                const std::function<double(const std::vector<double>&)>& payoff) {
  const double sum = paths.sum(seed, N, payoff);
  const double squares =
      paths.sum(seed, N, [&](const std::vector<double>& p) { return std::pow(payoff(p), 2); });
  const double mean = sum / N;
  return {mean, std::sqrt((squares / N - mean * mean) / N)};
}

// Prices a few standard errors from values derived in closed form.
TEST(MountainRange, PricesAgreeWithClosedFormsWithinFourStandardErrors) {
  const double T = 1.0, r = 0.05, D = std::exp(-r * T), notional = 100.0, coupon = 10.0;
  const std::uint32_t seed = 4242;
  const int N = 20000;
  struct check {
    std::string what, code;
    rows inputs;
    int steps;
    double expected;
    double error;  // the standard error of the simulated price
  };
  std::vector<check> checks;
  {  // Everest on two assets: E[min(X1, X2)] = E[X1] - E[(X1 - X2)+], the latter Margrabe's.
    const mctest::market m{2, T, {0.2, 0.3}, {1, 0.4, 0.4, 1}, r, {0.01, 0.03}};
    const double v = std::sqrt(0.04 + 0.09 - 2 * 0.4 * 0.2 * 0.3);
    const double d1 = ((0.03 - 0.01) + v * v / 2) * T / (v * std::sqrt(T)), d2 = d1 - v;
    const double exchange =
        std::exp(-0.01 * T) * normalcdf(d1) - std::exp(-0.03 * T) * normalcdf(d2);
    const estimate e = sample({m, {1.0, 1.0}, 2, T}, seed, N,
                              [](const std::vector<double>& p) { return std::min(p[1], p[3]); });
    checks.push_back({"Everest, two assets, against Margrabe", "EVERESTEO",
                      mctest::performancerows(m, notional), 0,
                      notional * (std::exp(-0.01 * T) - exchange), D * notional * e.error});
  }
  {  // Everest on one asset: the forward performance discounted.
    const mctest::market m{1, T, {0.3}, {1}, r, {0.02}};
    const estimate e =
        sample({m, {1.0}, 2, T}, seed, N, [](const std::vector<double>& p) { return p[1]; });
    checks.push_back({"Everest, one asset", "EVERESTEO", mctest::performancerows(m, notional), 0,
                      notional * std::exp(-0.02 * T), D * notional * e.error});
  }
  {  // Himalaya on one asset: the mean log growth is (r - q - sigma^2 / 2) T.
    const double sigma = 0.3, q = 0.02, mu = (r - q - sigma * sigma / 2) * T;
    const mctest::market m{1, T, {sigma}, {1}, r, {q}};
    checks.push_back({"Himalaya, one asset", "HIMALAYAEO", mctest::performancerows(m, notional), 0,
                      D * notional * (std::exp(mu) - 1),
                      D * notional * std::exp(mu) * sigma * std::sqrt(T / N)});
  }
  // The coupon contracts with two points (the start and T / 2) on independent assets: the
  // coupon times the product of each asset's probability of staying on its side at T / 2.
  const mctest::market two{2, T, {0.2, 0.3}, {1, 0, 0, 1}, r, {0.01, 0.0}};
  const std::vector<double> spots{100, 95};
  const auto probability = [&](const std::function<double(int, double, double)>& side) {
    double p = 1.0;
    for (int i = 0; i < 2; ++i) {
      const double s = two.sigma[i], drift = (r - two.q[i] - s * s / 2) * T / 2;
      p *= side(i, drift, s * std::sqrt(T / 2));
    }
    return p;
  };
  const auto couponcheck = [&](const std::string& what, const std::string& code,
                               const std::vector<double>& H, double p) {
    checks.push_back({what, code, mctest::couponrows(two, spots, H, coupon), 2, coupon * D * p,
                      coupon * D * std::sqrt(p * (1 - p) / N)});
  };
  const std::vector<double> levels{115, 110};
  couponcheck("Altiplano, two dates", "ALTIPLANOEO", levels,
              probability([&](int i, double drift, double sd) {
                return normalcdf((std::log(levels[i] / spots[i]) - drift) / sd);
              }));
  const std::vector<double> fractions{0.9, 0.85};
  couponcheck("Annapurna, two dates", "ANNAPURNAEO", fractions,
              probability([&](int i, double drift, double sd) {
                return normalcdf((drift - std::log(fractions[i])) / sd);
              }));
  for (const check& c : checks) {
    testsupport::parameters entries = seeded(seed, N);
    if (c.steps > 0) entries.set(4, c.steps);
    EXPECT_NEAR(price(c.code, c.inputs, entries), c.expected, 4 * c.error) << c.what;
  }
}

// A sensitivity is the finite difference of seeded prices: the same draws, the bumped term.
TEST(MountainRange, GreeksAreFiniteDifferencesOfSeededPrices) {
  enum term { spot, volatility, expiry, rate };
  struct contract {
    std::string code;
    mctest::market m;
    std::vector<double> spots;
  };
  const std::vector<double> barriers{140, 130, 150};
  const auto inputs = [&](const contract& c) -> rows {
    if (c.code == "ALTIPLANOEO") return mctest::couponrows(c.m, c.spots, barriers, 10.0);
    if (c.code == "ATLASEO")
      return {{3.0}, {c.m.T}, {0.9}, {100.0}, c.m.sigma, c.m.rho, {c.m.r}, c.m.q};
    return mctest::performancerows(c.m, 100.0);
  };
  const auto bumped = [](contract c, term t, int k, double h) {
    if (t == spot) c.spots[k] += h;
    if (t == volatility) c.m.sigma[k] += h;
    if (t == expiry) c.m.T += h;
    if (t == rate) c.m.r += h;
    return c;
  };
  struct greek {
    std::string code;
    int selector;
    term bumps;
    std::vector<double> h;  // the code's step for each asset (one for theta and rho)
    double T = 1.25;
  };
  const std::vector<greek> greeks = {
      {"ALTIPLANOEO", 1, spot, {4.0, 3.6, 4.4}},
      {"ALTIPLANOEO", 2, spot, {20.0, 18.0, 22.0}},
      {"ALTIPLANOEO", 3, volatility, {0.008, 0.012, 0.01}},
      {"ALTIPLANOEO", 4, expiry, {0.05}},
      {"EVERESTEO", 3, volatility, {1e-8, 1e-8, 1e-8}},
      {"EVERESTEO", 5, rate, {1e-8}},
      {"ATLASEO", 4, expiry, {1.25e-8}},
      {"HIMALAYAEO", 3, volatility, {0.01, 0.01, 0.01}},
      {"HIMALAYAEO", 4, expiry, {0.0125}},
      {"HIMALAYAEO", 5, rate, {0.01}},
      // At expiry, theta prices the contract over its step from fresh draws.
      {"EVERESTEO", 4, expiry, {1e-6}, 0.0},
      {"HIMALAYAEO", 4, expiry, {0.001}, 0.0},
  };
  for (const greek& g : greeks) {
    contract c{g.code, threeassets(), {100, 90, 110}};
    c.m.T = g.T;
    testsupport::parameters entries = seeded(77, 4000);
    entries.set(4, 20);
    const double P = price(g.code, inputs(c), entries);
    entries.set(1, g.selector);
    const std::vector<double> values = mctest::funvec(g.code, inputs(c), entries).values;
    entries.set(1, 0);
    ASSERT_EQ(values.size(), 3u) << g.code;
    for (std::size_t k = 0; k < g.h.size(); ++k) {
      const int asset = static_cast<int>(k);
      const double h = g.h[k];
      const double up = price(g.code, inputs(bumped(c, g.bumps, asset, h)), entries);
      double expected = (up - P) / (g.bumps == expiry ? -h : h);
      if (g.selector == 2) {
        const double down = price(g.code, inputs(bumped(c, g.bumps, asset, -h)), entries);
        expected = (up + down - 2 * P) / (h * h);
      }
      EXPECT_NEAR(values[k], expected, 1e-9 + 1e-6 * std::fabs(expected))
          << g.code << " selector " << g.selector << " element " << k + 1;
    }
    for (std::size_t k = g.h.size(); k < 3; ++k) EXPECT_EQ(values[k], 0.0) << g.code;
  }
}

// A step of 0.0 means the contract has no such sensitivity: n zeros.
TEST(MountainRange, SensitivitiesWithoutAStepGiveZeros) {
  const mctest::market m = threeassets();
  mctest::market norate = m, expired = m;
  norate.r = 0.0;
  expired.T = 0.0;
  const std::vector<double> spots{100, 90, 110}, barriers{140, 130, 150}, fractions{0.7, 0.6, 0.75};
  struct zero {
    std::string code;
    rows inputs;
    std::vector<int> selectors;
  };
  const std::vector<zero> zeros = {
      {"ANNAPURNAEO", mctest::couponrows(m, spots, fractions, 10.0), {1, 2}},
      {"ATLASEO", {{3.0}, {m.T}, {0.9}, {100.0}, m.sigma, m.rho, {m.r}, m.q}, {1, 2}},
      {"EVERESTEO", mctest::performancerows(m, 100.0), {1, 2}},
      {"HIMALAYAEO", mctest::performancerows(m, 100.0), {1, 2}},
      // The coupon contracts' rho at r = 0 and theta at T = 0: steps of 0.04 r and 0.04 T.
      {"ALTIPLANOEO", mctest::couponrows(norate, spots, barriers, 10.0), {5}},
      {"ANNAPURNAEO", mctest::couponrows(expired, spots, fractions, 10.0), {4}},
  };
  for (const zero& c : zeros)
    for (int greek : c.selectors) {
      testsupport::parameters entries = seeded(5, 100);
      entries.set(1, greek);
      EXPECT_EQ(mctest::funvec(c.code, c.inputs, entries).values, std::vector<double>(3, 0.0))
          << c.code << " selector " << greek;
    }
}

// Each refusal writes its message and answers the undefined value, without simulating.
TEST(MountainRange, RefusalsWriteTheirMessages) {
  const mctest::market m = threeassets();
  const std::vector<double> spots{100, 90, 110}, barriers{140, 130, 150}, fractions{0.7, 0.6, 0.75};
  const auto everest = [&](const std::function<void(mctest::market&)>& change) {
    mctest::market changed = m;
    change(changed);
    return mctest::performancerows(changed, 100.0);
  };
  struct refusal {
    std::string what, code;
    rows inputs;
    testsupport::parameters entries;
    std::string message;
  };
  const testsupport::parameters plain = seeded(3, 100);
  testsupport::parameters negativesteps = plain, zerosteps = plain, negativepaths = plain,
                          selector = plain;
  negativesteps.set(4, -1);
  zerosteps.set(4, 0);
  negativepaths.set(3, -5);
  selector.set(1, 6);
  const std::string undefined = messages::valueundefined;
  const std::string correlation = messages::correlationerror;
  const std::vector<refusal> refusals = {
      {"coupon 0", "ALTIPLANOEO", mctest::couponrows(m, spots, barriers, 0.0), plain, undefined},
      {"spot at its barrier", "ALTIPLANOEO", mctest::couponrows(m, spots, {140, 90, 150}, 10.0),
       plain, messages::stockabovebarrier},
      {"fraction 1", "ANNAPURNAEO", mctest::couponrows(m, spots, {0.7, 1.0, 0.75}, 10.0), plain,
       undefined},
      {"fraction 0", "ANNAPURNAEO", mctest::couponrows(m, spots, {0.7, 0.6, 0.0}, 10.0), plain,
       undefined},
      {"two assets",
       "ATLASEO",
       {{2.0}, {1.0}, {0.9}, {100.0}, {0.2, 0.3}, {1, 0.5, 0.5, 1}, {0.05}, {0, 0}},
       plain,
       undefined},
      {"strike 0",
       "ATLASEO",
       {{3.0}, {m.T}, {0.0}, {100.0}, m.sigma, m.rho, {m.r}, m.q},
       plain,
       undefined},
      {"negative expiry", "EVERESTEO", everest([](mctest::market& c) { c.T = -0.1; }), plain,
       undefined},
      {"negative rate", "EVERESTEO", everest([](mctest::market& c) { c.r = -0.01; }), plain,
       undefined},
      {"zero volatility", "EVERESTEO", everest([](mctest::market& c) { c.sigma[2] = 0; }), plain,
       undefined},
      {"negative yield", "EVERESTEO", everest([](mctest::market& c) { c.q[1] = -0.01; }), plain,
       undefined},
      {"zero spot", "ALTIPLANOEO", mctest::couponrows(m, {100, 0, 110}, barriers, 10.0), plain,
       undefined},
      {"diagonal 0.9", "EVERESTEO", everest([](mctest::market& c) { c.rho[4] = 0.9; }), plain,
       messages::diagonalcorrelationerror},
      {"asymmetric", "EVERESTEO", everest([](mctest::market& c) { c.rho[1] = 0.6; }), plain,
       correlation},
      {"beyond 1", "EVERESTEO", everest([](mctest::market& c) { c.rho[1] = c.rho[3] = 1.5; }),
       plain, correlation},
      {"negative steps", "ALTIPLANOEO", mctest::couponrows(m, spots, barriers, 10.0), negativesteps,
       messages::stepspositive},
      // A mend: zero steps leave a path no room for its first point.
      {"zero steps", "ANNAPURNAEO", mctest::couponrows(m, spots, fractions, 10.0), zerosteps,
       messages::stepspositive},
      {"negative paths", "EVERESTEO", mctest::performancerows(m, 100.0), negativepaths,
       messages::pathspositive},
      {"selector 6", "HIMALAYAEO", mctest::performancerows(m, 100.0), selector,
       messages::selectorrange},
  };
  for (const refusal& c : refusals) {
    CaptureStdout();
    const double value = price(c.code, c.inputs, c.entries);
    EXPECT_EQ(GetCapturedStdout(), c.message + "\n") << c.what;
    EXPECT_TRUE(std::isnan(value)) << c.what;
  }
}

TEST(MountainRange, AtExpiryTheContractIsWorthItsTerms) {
  mctest::market m = threeassets();
  m.T = 0.0;
  const std::vector<double> spots{100, 90, 110}, barriers{140, 130, 150}, fractions{0.7, 0.6, 0.75};
  const std::vector<std::tuple<std::string, rows, double>> contracts = {
      {"ALTIPLANOEO", mctest::couponrows(m, spots, barriers, 7.0), 7.0},
      {"ANNAPURNAEO", mctest::couponrows(m, spots, fractions, 8.0), 8.0},
      {"ATLASEO", {{3.0}, {0.0}, {0.9}, {100.0}, m.sigma, m.rho, {m.r}, m.q}, 0.0},
      {"EVERESTEO", mctest::performancerows(m, 120.0), 120.0},
      {"HIMALAYAEO", mctest::performancerows(m, 120.0), 0.0}};
  for (const auto& c : contracts)
    EXPECT_EQ(price(std::get<0>(c), std::get<1>(c), {}), std::get<2>(c)) << std::get<0>(c);
}

TEST(MountainRange, AtExpiryZeroStepsAreNoObstacle) {
  // Nothing is simulated at T = 0, so zero steps give the value at expiry (the valuation keeps
  // refusing them where paths run: theta at T = 0 would, but the coupon contracts' theta step,
  // 0.04 T, is 0 there).
  mctest::market m = threeassets();
  m.T = 0.0;
  const rows altiplano = mctest::couponrows(m, {100, 90, 110}, {140, 130, 150}, 5.0);
  testsupport::parameters zerosteps;
  zerosteps.set(4, 0);
  CaptureStdout();
  EXPECT_EQ(price("ALTIPLANOEO", altiplano, zerosteps), 5.0);
  EXPECT_EQ(GetCapturedStdout(), "");
  zerosteps.set(1, 3);  // vega at T = 0: bumped expiry values, 0 per asset
  EXPECT_EQ(mctest::funvec("ALTIPLANOEO", altiplano, zerosteps).values,
            std::vector<double>(3, 0.0));
}

TEST(MountainRange, SingularCorrelationsPriceAndIndefiniteOnesAreRefused) {
  // Three assets moving as one: Everest is the notional times the one asset's growth. Its draw
  // is the first of each path's three, so an independent simulation of three uncorrelated assets
  // gives the same growth as its asset 0, path by path.
  mctest::market m = threeassets();
  m.sigma = {0.25, 0.25, 0.25};
  m.q = {0.01, 0.01, 0.01};
  m.rho = std::vector<double>(9, 1.0);
  const int N = 2000;
  CaptureStdout();
  const double value = price("EVERESTEO", mctest::performancerows(m, 100.0), seeded(11, N));
  EXPECT_EQ(GetCapturedStdout(), "") << "a factored singular matrix writes nothing";
  mctest::market independent = m;
  independent.rho = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  const mctest::independentpaths draws{independent, {1.0, 1.0, 1.0}, 2, m.T};
  const double sum = draws.sum(11, N, [](const std::vector<double>& path) { return path[1]; });
  EXPECT_NEAR(value, std::exp(-m.r * m.T) * 100.0 * sum / N, 1e-12 * value);
  // And within four standard errors (0.0064 of the value) of the forward of the one asset.
  EXPECT_NEAR(value, 100.0 * std::exp(-0.01 * m.T), 0.026 * value);
  // Correlations that no market can have (a unit correlation, then unequal third rows).
  m.rho = {1, 1, 0.5, 1, 1, 0.2, 0.5, 0.2, 1};
  CaptureStdout();
  EXPECT_TRUE(std::isnan(price("EVERESTEO", mctest::performancerows(m, 100.0), seeded(11, N))));
  EXPECT_EQ(GetCapturedStdout(), std::string(messages::notpositivedefinite) + "\n");
  testsupport::parameters vega = seeded(11, N);
  vega.set(1, 3);
  CaptureStdout();
  const std::vector<double> refused =
      mctest::funvec("EVERESTEO", mctest::performancerows(m, 100.0), vega).values;
  EXPECT_EQ(GetCapturedStdout(), std::string(messages::notpositivedefinite) + "\n");
  ASSERT_FALSE(refused.empty());
  EXPECT_TRUE(std::isnan(refused[0]));
}

TEST(MountainRange, AMemoryCutOfTheCallersCountsIsSaid) {
  // 30 assets: the default 20,000 x 300 is cut silently; counts from the caller are cut aloud.
  const mctest::market m = mctest::equicorrelated(30, 1.0, 0.2, 0.3, 0.05, 0.0);
  const std::vector<double> spots(30, 100.0), barriers(30, 150.0);
  marketdata record(m.view(), spots.data(), 1.0);
  mctest::block params;
  EXPECT_FALSE(
      EuropeanMountainRange::altiplano(record, barriers.data(), 1, *params.get()).countscut);
  params.set(entrysteps, 1000).set(entrypaths, 100000);
  const EuropeanMountainRange::altiplano both(record, barriers.data(), 1, *params.get());
  EXPECT_TRUE(both.countscut);
  EXPECT_TRUE(both.clone->countscut);
  EXPECT_EQ(memorylimitmessage(both.paths, both.steps),
            "Memory limit: paths and steps cut, priced with 8333 paths of 500 steps");
  mctest::block pathsonly;
  pathsonly.set(entrypaths, 4e9);
  const EuropeanMountainRange::everest everest(record, 1, *pathsonly.get());
  EXPECT_TRUE(everest.countscut);
  EXPECT_EQ(everest.paths, 2083333);
  mctest::block fits;
  fits.set(entrypaths, 2083333);
  EXPECT_FALSE(EuropeanMountainRange::everest(record, 1, *fits.get()).countscut);
  // The valuation says it once, before the answer, whenever it runs paths with cut counts
  // (here a small run whose working copy is marked as cut).
  const mctest::market small = threeassets();
  marketdata smallrecord(small.view(), spots.data(), 1.0);
  mctest::block seededblock;
  seededblock.set(entrypaths, 50).set(5, 3);
  EuropeanMountainRange::everest cut(smallrecord, 1, *seededblock.get());
  cut.clone->countscut = true;
  crnmontecarlo method(&cut);
  CaptureStdout();
  EXPECT_TRUE(std::isfinite(method.evaluate(seededblock.get())[1]));
  EXPECT_EQ(GetCapturedStdout(),
            "Memory limit: paths and steps cut, priced with 50 paths of 2 steps\n");
}

TEST(MountainRange, ZeroPathsAnswerNaN) {
  const mctest::market m = threeassets();
  for (int greek : {0, 3}) {
    testsupport::parameters entries = seeded(3, 0);
    entries.set(1, greek);
    const auto result = mctest::funvec("EVERESTEO", mctest::performancerows(m, 100.0), entries);
    ASSERT_FALSE(result.values.empty());
    EXPECT_TRUE(std::isnan(result.values[0])) << "selector " << greek;
  }
}

// The simulation cache through the library: mode 0 keeps a run's draws for the same contract.
class SimulationCache : public testing::Test {
 protected:
  void TearDown() override {  // a mode-1 call frees whatever the cache holds
    price("EVERESTEO", contract(100.0), seeded(1, 10));
  }
  rows contract(double notional) const { return mctest::performancerows(m, notional); }
  static testsupport::parameters call(double seed, int mode, int greek = 0) {
    testsupport::parameters entries = seeded(seed, 2000);
    entries.set(0, mode).set(1, greek);
    return entries;
  }
  std::vector<double> vegas(double notional, const testsupport::parameters& entries) const {
    return mctest::funvec("EVERESTEO", contract(notional), entries).values;
  }
  mctest::market m = threeassets();
};

TEST_F(SimulationCache, APriceThenASensitivityReuseTheDraws) {
  const double first = price("EVERESTEO", contract(100.0), call(7, 0));
  const std::vector<double> fresh = vegas(100.0, call(7, 1, 3));  // mode 1 frees the cache
  EXPECT_EQ(price("EVERESTEO", contract(100.0), call(7, 1)), first);
  price("EVERESTEO", contract(100.0), call(7, 0));
  // A reusing call (the same seed, or none) draws nothing: the price and vegas of seed 7.
  // Kept on purpose: a price within 0.0001 of the kept contract is the kept price.
  EXPECT_EQ(price("EVERESTEO", contract(100.00005), call(7, 0)), first);
  EXPECT_EQ(vegas(100.0, call(0, 0, 3)), fresh);
  // A refused call leaves the cache as it was.
  CaptureStdout();
  price("EVERESTEO", contract(100.0), call(7, 0, 6));
  GetCapturedStdout();
  EXPECT_EQ(price("EVERESTEO", contract(100.0), call(7, 0)), first);
}

TEST_F(SimulationCache, AnotherSeedDrawsAfresh) {
  const double seven = price("EVERESTEO", contract(100.0), call(7, 1));
  const double nine = price("EVERESTEO", contract(100.0), call(9, 1));
  ASSERT_NE(seven, nine);
  EXPECT_EQ(price("EVERESTEO", contract(100.0), call(7, 0)), seven);
  EXPECT_EQ(price("EVERESTEO", contract(100.0), call(9, 0)), nine) << "not the seed-7 price";
  EXPECT_EQ(price("EVERESTEO", contract(100.0), call(0, 0)), nine) << "an unseeded call reuses";
  EXPECT_EQ(vegas(100.0, call(7, 0, 3)), vegas(100.0, call(7, 1, 3)));
}

TEST_F(SimulationCache, AnotherContractOrModeDrawsAfresh) {
  const double seven = price("EVERESTEO", contract(100.0), call(7, 0));
  const double eight = price("EVERESTEO", contract(100.0), call(8, 1));
  ASSERT_NE(seven, eight);
  const double moved = price("EVERESTEO", contract(100.0002), call(8, 1));
  price("EVERESTEO", contract(100.0), call(7, 0));
  // More than 0.0001 away: fresh draws, and the new contract's run is kept.
  EXPECT_EQ(price("EVERESTEO", contract(100.0002), call(8, 0)), moved);
  EXPECT_EQ(price("EVERESTEO", contract(100.0002), call(8, 0)), moved);
  // A mode-1 call frees the cache: a mode-0 call after it draws afresh.
  EXPECT_EQ(price("EVERESTEO", contract(100.0), call(8, 1)), eight);
  EXPECT_EQ(price("EVERESTEO", contract(100.0), call(8, 0)), eight);
  // Another class on the same market is another contract.
  const double himalaya = price("HIMALAYAEO", contract(100.0), call(9, 1));
  EXPECT_EQ(price("HIMALAYAEO", contract(100.0), call(9, 0)), himalaya);
}

TEST_F(SimulationCache, ACarrierNoRunFilledIsNeverReused) {
  m.T = 0.00005;
  const std::vector<double> fresh = vegas(100.0, call(7, 1, 3));
  const double freshprice = price("EVERESTEO", contract(100.0), call(7, 1));
  ASSERT_NE(freshprice, 100.0);
  m.T = 0.0;
  EXPECT_EQ(price("EVERESTEO", contract(100.0), call(7, 0)), 100.0);
  m.T = 0.00005;  // within 0.0001 of the cached contract, whose carrier holds no draws
  EXPECT_EQ(vegas(100.0, call(7, 0, 3)), fresh);
  m.T = 0.0;
  price("EVERESTEO", contract(100.0), call(7, 0));
  m.T = 0.00005;
  EXPECT_EQ(price("EVERESTEO", contract(100.0), call(7, 0)), freshprice);
}

}  // namespace
