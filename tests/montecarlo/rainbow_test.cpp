// Rainbow options on n assets by simulation: with two assets against the closed forms of the
// two-asset rainbow codes, with one asset against Black-Scholes, pathwise identities (best and
// worst, calls on the max and min), the best-or-cash limits, funvec's deltas against finite
// differences of seeded prices and Euler's identity for the best-of and worst-of, the T = 0
// values, the refusals, the memory limit on 30 assets and the simulation cache.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "mctestsupport.h"
#include "montecarlo/EuropeanRainbow.h"
#include "numerics/messages.h"
#include "simulatedcontracts.h"
#include "testsupport.h"

namespace {

using simulated::assets;
using simulated::table;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

// The rows of a code: best and worst read no strike or cash (level is then ignored).
table rows(const std::string& code, const assets& a, double level = 0.0) {
  table t{{double(a.n())}, {a.T}, a.S};
  if (code != "RAINBOWBESTEO" && code != "RAINBOWWORSTEO") t.push_back({level});
  t.insert(t.end(), {a.sigma, a.correlations(), {a.r}, a.q});
  return t;
}

testsupport::parameters seeded(double seed, double paths, int selector = 0, int mode = 1) {
  testsupport::parameters entries;
  entries.set(0, mode).set(1, selector).set(3, paths).set(5, seed);
  return entries;
}

struct answer {
  double value;
  std::string out;
};
answer price(const std::string& code, const assets& a, double level,
             const testsupport::parameters& entries) {
  CaptureStdout();
  const double value = testsupport::funrows(code, rows(code, a, level), entries).value;
  return {value, GetCapturedStdout()};
}

double blackscholescall(double S, double K, double T, double sigma, double r, double q) {
  const double d1 = (std::log(S / K) + (r - q + sigma * sigma / 2) * T) / (sigma * std::sqrt(T));
  const double d2 = d1 - sigma * std::sqrt(T);
  const auto N = [](double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); };
  return S * std::exp(-q * T) * N(d1) - K * std::exp(-r * T) * N(d2);
}

const assets two{{100, 105}, {0.2, 0.3}, {0.02, 0.01}, 0.5, 0.05, 1.0};

struct code {
  const char* name;
  const char* twoasset;  // the closed form's code
  double level;          // K or X
  double (*payoff)(const double* X, double level);
};
const code codes[] = {
    {"RAINBOWBESTEO", "RAINBOWBEST2EO", 0,
     [](const double* X, double) { return std::max(X[0], X[1]); }},
    {"RAINBOWWORSTEO", "RAINBOWWORST2EO", 0,
     [](const double* X, double) { return std::min(X[0], X[1]); }},
    {"RAINBOWMAXECO", "RAINBOWMAX2ECO", 100,
     [](const double* X, double K) { return std::max(std::max(X[0], X[1]) - K, 0.0); }},
    {"RAINBOWMAXEPO", "RAINBOWMAX2EPO", 110,
     [](const double* X, double K) { return std::max(K - std::max(X[0], X[1]), 0.0); }},
    {"RAINBOWMINECO", "RAINBOWMIN2ECO", 95,
     [](const double* X, double K) { return std::max(std::min(X[0], X[1]) - K, 0.0); }},
    {"RAINBOWMINEPO", "RAINBOWMIN2EPO", 100,
     [](const double* X, double K) { return std::max(K - std::min(X[0], X[1]), 0.0); }},
    {"RAINBOWBESTMONEYEO", "RAINBOWBEST2MONEYEO", 110,
     [](const double* X, double cash) { return std::max(std::max(X[0], X[1]), cash); }},
};

TEST(Rainbow, TwoAssetsWithinStandardErrorsOfTheClosedForms) {
  const int N = 20000;
  for (const code& c : codes) {
    const double value = price(c.name, two, c.level, seeded(17, N)).value;
    std::vector<double> closed{two.T,   two.S[0], two.S[1], two.sigma[0], two.sigma[1],
                               two.rho, two.r,    two.q[0], two.q[1]};
    if (c.level != 0) closed.push_back(c.level);
    const double reference = testsupport::price(c.twoasset, closed);
    const double deviation =
        simulated::payoffdeviation(two, [&](const double* X) { return c.payoff(X, c.level); });
    EXPECT_NEAR(value, reference, 4 * std::exp(-two.r * two.T) * deviation / std::sqrt(N))
        << c.name;
  }
}

// Under the negative-rates option (entry 5, value 4 = 1) the simulation takes r < 0 and q_i < 0
// (one below r, one above): within four standard errors of the two-asset closed form.
TEST(Rainbow, NegativeRatesWithinStandardErrorsOfTheClosedForms) {
  const assets negative{{100, 105}, {0.2, 0.3}, {-0.01, 0.02}, 0.5, -0.005, 1.0};
  const int N = 4000;
  testsupport::parameters entries = seeded(29, N);
  entries.rows[entryvaluecount * entryoptions + optionnegativerates] = 1.0;
  testsupport::parameters closedentries;
  closedentries.flags[entryoptions] = 0;
  closedentries.rows[entryvaluecount * entryoptions + optionnegativerates] = 1.0;
  for (const code& c : {codes[2], codes[5]}) {
    const double value = price(c.name, negative, c.level, entries).value;
    std::vector<double> closed{negative.T,        negative.S[0], negative.S[1], negative.sigma[0],
                               negative.sigma[1], negative.rho,  negative.r,    negative.q[0],
                               negative.q[1],     c.level};
    const double reference = testsupport::price(c.twoasset, closed, closedentries);
    const double deviation =
        simulated::payoffdeviation(negative, [&](const double* X) { return c.payoff(X, c.level); });
    EXPECT_NEAR(value, reference, 4 * std::exp(-negative.r * negative.T) * deviation / std::sqrt(N))
        << c.name;
  }
  // Without the option the design's refusal stays.
  CaptureStdout();
  EXPECT_TRUE(std::isnan(
      testsupport::funrows("RAINBOWMAXECO", rows("RAINBOWMAXECO", negative, 100), seeded(29, N))
          .value));
  EXPECT_EQ(GetCapturedStdout(), std::string(messages::valueundefined) + "\n");
}

TEST(Rainbow, OneAssetIsBlackScholes) {
  const assets one{{100}, {0.25}, {0.03}, 1.0, 0.04, 0.5};
  const int N = 20000;
  const double call = blackscholescall(100, 95, 0.5, 0.25, 0.04, 0.03);
  const double put = call - 100 * std::exp(-0.03 * 0.5) + 95 * std::exp(-0.04 * 0.5);
  const double forward = 100 * std::exp(-0.03 * 0.5);
  const struct {
    const char* code;
    double expected;
    double deviation;  // of the payoff, from the test's own sample
  } cases[] = {
      {"RAINBOWMAXECO", call,
       simulated::payoffdeviation(one, [](const double* X) { return std::max(X[0] - 95, 0.0); })},
      {"RAINBOWMINEPO", put,
       simulated::payoffdeviation(one, [](const double* X) { return std::max(95 - X[0], 0.0); })},
      {"RAINBOWWORSTEO", forward,
       simulated::payoffdeviation(one, [](const double* X) { return X[0]; })},
  };
  for (const auto& c : cases)
    EXPECT_NEAR(price(c.code, one, 95, seeded(23, N)).value, c.expected,
                4 * std::exp(-0.04 * 0.5) * c.deviation / std::sqrt(N))
        << c.code;
}

TEST(Rainbow, PathwiseIdentitiesOfTwoAssets) {
  // On the same draws best + worst = X1 + X2 and (max - K)+ + (min - K)+ = (X1 - K)+ + (X2 - K)+;
  // in expectation the first is the two discounted forwards, the second the two plain calls.
  const int N = 20000;
  const auto at = [&](const char* code, double level) {
    return price(code, two, level, seeded(29, N)).value;
  };
  const double forwards = two.S[0] * std::exp(-two.q[0]) + two.S[1] * std::exp(-two.q[1]);
  const double sumdeviation =
      simulated::payoffdeviation(two, [](const double* X) { return X[0] + X[1]; });
  const double discount = std::exp(-two.r * two.T);
  EXPECT_NEAR(at("RAINBOWBESTEO", 0) + at("RAINBOWWORSTEO", 0), forwards,
              4 * discount * sumdeviation / std::sqrt(N));
  const double K = 100;
  const double calls =
      blackscholescall(100, K, 1, 0.2, 0.05, 0.02) + blackscholescall(105, K, 1, 0.3, 0.05, 0.01);
  const double callsdeviation = simulated::payoffdeviation(
      two, [&](const double* X) { return std::max(X[0] - K, 0.0) + std::max(X[1] - K, 0.0); });
  EXPECT_NEAR(at("RAINBOWMAXECO", K) + at("RAINBOWMINECO", K), calls,
              4 * discount * callsdeviation / std::sqrt(N));
}

TEST(Rainbow, BestOrCashLimits) {
  const assets three{{100, 90, 110}, {0.2, 0.3, 0.25}, {0.0, 0.02, 0.01}, 0.3, 0.05, 2.0};
  // Cash far above every path: every path pays the cash.
  EXPECT_NEAR(price("RAINBOWBESTMONEYEO", three, 1e7, seeded(31, 2000)).value,
              std::exp(-0.05 * 2.0) * 1e7, 1e-9 * 1e7);
  // Cash 0 is the best-of, on the same draws to the last bit.
  EXPECT_EQ(price("RAINBOWBESTMONEYEO", three, 0, seeded(31, 2000)).value,
            price("RAINBOWBESTEO", three, 0, seeded(31, 2000)).value);
}

// Three assets for the per-asset sensitivities.
const assets three{{100, 95, 110}, {0.2, 0.3, 0.25}, {0.01, 0.02, 0.0}, 0.4, 0.05, 1.0};

TEST(Rainbow, DeltasAreFiniteDifferencesOfSeededPrices) {
  const int N = 4000;
  const struct {
    const char* code;
    double level, fraction;  // the delta step h = fraction x max(S_i, 1)
  } cases[] = {
      {"RAINBOWMINECO", 95, 1e-6}, {"RAINBOWBESTEO", 0, 1e-8}, {"RAINBOWBESTMONEYEO", 120, 1e-6}};
  for (const auto& c : cases) {
    const standin::vectorresult deltas =
        mctest::funvec(c.code, rows(c.code, three, c.level), seeded(37, N, 1));
    ASSERT_EQ(deltas.values.size(), 3u) << c.code;
    const double P = price(c.code, three, c.level, seeded(37, N)).value;
    for (int k = 0; k < 3; ++k) {
      assets bumped = three;
      const double h = c.fraction * std::max(three.S[k], 1.0);
      bumped.S[k] += h;
      const double up = price(c.code, bumped, c.level, seeded(37, N)).value;
      EXPECT_NEAR(deltas.values[k], (up - P) / h, 1e-9 * std::fabs(P) / h + 1e-9)
          << c.code << " asset " << k;
    }
  }
}

TEST(Rainbow, EulersIdentityForTheBestAndTheWorst) {
  // Best and worst are homogeneous of degree one in the spots: sum of S_i delta_i = price.
  for (const char* code : {"RAINBOWBESTEO", "RAINBOWWORSTEO"}) {
    const double P = price(code, three, 0, seeded(41, 4000)).value;
    const standin::vectorresult deltas =
        mctest::funvec(code, rows(code, three), seeded(41, 4000, 1));
    ASSERT_EQ(deltas.values.size(), 3u);
    double sum = 0.0;
    for (int i = 0; i < 3; ++i) sum += three.S[i] * deltas.values[i];
    EXPECT_NEAR(sum, P, 1e-4 * P) << code;
  }
}

TEST(Rainbow, EverySelectorThroughFunvec) {
  for (const code& c : codes) {
    for (int s = 0; s <= 5; ++s) {
      const standin::vectorresult out =
          mctest::funvec(c.name, rows(c.name, three, c.level), seeded(43, 500, s));
      ASSERT_EQ(out.values.size(), 3u) << c.name << " " << s;
      for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(std::isfinite(out.values[i])) << c.name << " " << s << " " << i;
        // One figure for price, theta and rho: elements 2 to n are 0.
        if ((s == 0 || s >= 4) && i > 0) {
          EXPECT_EQ(out.values[i], 0.0) << c.name << " " << s;
        }
      }
    }
  }
}

TEST(Rainbow, AtExpiryThePayoffOnTheSpots) {
  assets now = three;  // spots 100, 95, 110
  now.T = 0;
  const struct {
    const char* code;
    double level, expected;
  } cases[] = {{"RAINBOWBESTEO", 0, 110},       {"RAINBOWWORSTEO", 0, 95},
               {"RAINBOWMAXECO", 100, 10},      {"RAINBOWMAXEPO", 115, 5},
               {"RAINBOWMAXEPO", 100, 0},       {"RAINBOWMINECO", 90, 5},
               {"RAINBOWMINEPO", 100, 5},       {"RAINBOWBESTMONEYEO", 120, 120},
               {"RAINBOWBESTMONEYEO", 105, 110}};
  for (const auto& c : cases) {
    testsupport::parameters entries;  // no seed: nothing is simulated
    EXPECT_EQ(price(c.code, now, c.level, entries).value, c.expected) << c.code << c.level;
  }
}

TEST(Rainbow, Refusals) {
  const std::string input = std::string(messages::valueundefined) + "\n";
  const struct {
    const char* code;
    double level;
  } cases[] = {{"RAINBOWMAXECO", 0},
               {"RAINBOWMAXEPO", -1},
               {"RAINBOWMINECO", 0},
               {"RAINBOWMINEPO", 0},
               {"RAINBOWBESTMONEYEO", -0.01}};
  for (const auto& c : cases) {
    const answer a = price(c.code, three, c.level, seeded(1, 100));
    EXPECT_TRUE(std::isnan(a.value)) << c.code;
    EXPECT_EQ(a.out, input) << c.code;
    CaptureStdout();
    const standin::vectorresult v =
        mctest::funvec(c.code, rows(c.code, three, c.level), seeded(1, 100, 1));
    EXPECT_EQ(GetCapturedStdout(), input) << c.code;
    ASSERT_EQ(v.values.size(), 1u) << c.code;
    EXPECT_TRUE(std::isnan(v.values[0])) << c.code;
  }
  // The engine's checks follow: a volatility of 0, an asymmetric correlation matrix.
  assets flat = three;
  flat.sigma[1] = 0;
  EXPECT_EQ(price("RAINBOWBESTEO", flat, 0, seeded(1, 100)).out, input);
  table asymmetric = rows("RAINBOWWORSTEO", three);
  asymmetric[4][1] = 0.3;
  CaptureStdout();
  EXPECT_TRUE(std::isnan(testsupport::funrows("RAINBOWWORSTEO", asymmetric).value));
  EXPECT_EQ(GetCapturedStdout(), std::string(messages::correlationerror) + "\n");
}

TEST(Rainbow, ThirtyAssetsMeetTheMemoryLimit) {
  const int n = 30;
  std::vector<double> S(n, 100), sigma(n, 0.2), q(n, 0.0), rho(n * n, 0.0);
  for (int i = 0; i < n; ++i) rho[i * n + i] = 1.0;
  const assetmarket market{n, 1.0, sigma.data(), rho.data(), 0.05, q.data()};
  marketdata record(market, S.data(), 100.0);
  const struct {
    double paths;  // 0: the default 100,000
    int N;
  } cases[] = {{0, 100000}, {2083333, 2083333}, {2083334, 2083333}, {3000000, 2083333}};
  for (const auto& c : cases) {
    mctest::block block;
    if (c.paths > 0) block.set(3, c.paths);
    EuropeanRainbow::rainbowminmax instrument(record, +1, 1, block.words);
    EXPECT_EQ(instrument.paths, c.N) << c.paths;
    EXPECT_EQ(instrument.steps, 2);
  }
}

TEST(Rainbow, TheCacheServesTheDeltaFromThePricesDraws) {
  const char* code = "RAINBOWMAXECO";
  const table contract = rows(code, three, 100);
  const auto deltas = [&](const testsupport::parameters& entries) {
    return mctest::funvec(code, contract, entries).values;
  };
  // Fresh delta at seed 47: the draws a price at seed 47 makes.
  const std::vector<double> fresh = deltas(seeded(47, 3000, 1));
  const double P = testsupport::funrows(code, contract, seeded(47, 3000, 0, 0)).value;
  // Mode 0 again, with the same seed or none: the cached price, then the delta from the cached
  // draws.
  EXPECT_EQ(testsupport::funrows(code, contract, seeded(47, 3000, 0, 0)).value, P);
  EXPECT_EQ(deltas(seeded(0, 3000, 1, 0)), fresh);
  // A spot moved by more than 0.0001: fresh draws at seed 48, not the cache.
  table moved = contract;
  moved[2][0] += 0.001;
  const std::vector<double> redrawn = mctest::funvec(code, moved, seeded(48, 3000, 1, 0)).values;
  EXPECT_EQ(redrawn, mctest::funvec(code, moved, seeded(48, 3000, 1)).values);
  // Mode 1 frees the cache: the next mode-0 price simulates at its own seed.
  EXPECT_NE(testsupport::funrows(code, contract, seeded(49, 3000, 0, 0)).value, P);
  testsupport::funrows(code, contract, seeded(49, 3000));
}

TEST(Rainbow, AReusedSensitivityEqualsTheFreshOneOnTheSameDraws) {
  // Kept: a mode-0 price at seed 5. Asked: a neighbour within 0.0001 of it. Its sensitivities
  // from the kept draws take the unbumped value of its own terms, as a fresh run at seed 5 does
  // (the kept price of the neighbour would turn a step of 1e-6 into a delta of about 20).
  const assets kept{{100, 110}, {0.2, 0.3}, {0, 0}, 0.5, 0.05, 1.0};
  assets spot = kept, several = kept;
  spot.S[0] = 100.00005;
  several.S[1] += 0.00008;
  several.sigma[0] += 0.00005;
  several.r += 0.00003;
  const char* code = "RAINBOWBESTEO";
  const struct {
    const char* what;
    const assets& near;
    int selector;
  } cases[] = {{"delta", spot, 1},   {"gamma", spot, 2},    {"vega", spot, 3},
               {"rho", spot, 5},     {"delta", several, 1}, {"gamma", several, 2},
               {"vega", several, 3}, {"rho", several, 5}};
  for (const auto& c : cases) {
    testsupport::funrows(code, rows(code, kept), seeded(5, 2000, 0, 0));
    const std::vector<double> reused =
        mctest::funvec(code, rows(code, c.near), seeded(5, 2000, c.selector, 0)).values;
    const std::vector<double> fresh =
        mctest::funvec(code, rows(code, c.near), seeded(5, 2000, c.selector)).values;
    ASSERT_EQ(reused.size(), fresh.size()) << c.what;
    for (std::size_t i = 0; i < fresh.size(); ++i)
      EXPECT_NEAR(reused[i], fresh[i], 1e-12 * std::fabs(fresh[i])) << c.what << " " << i;
  }
  // Kept on purpose: a mode-0 price of the neighbour is the kept price.
  const double P = testsupport::funrows(code, rows(code, kept), seeded(5, 2000, 0, 0)).value;
  EXPECT_EQ(testsupport::funrows(code, rows(code, spot), seeded(5, 2000, 0, 0)).value, P);
  testsupport::funrows(code, rows(code, kept), seeded(5, 10));  // mode 1 frees the cache
}

TEST(Rainbow, CovariancesCholeskyRefusesArePricedRight) {
  // Two assets moving as one: the call on the max is the call on either, Black-Scholes; with one
  // asset of volatility 0.0003 (below Cholesky's pivot test) the call is Black-Scholes too.
  // Before the mend both ran with the covariance in place of its factor (4.05, 1.8e-6).
  const int N = 20000;
  const assets same{{100, 100}, {0.2, 0.2}, {0, 0}, 1.0, 0.05, 1.0};
  const assets quiet{{100}, {0.0003}, {0}, 1.0, 0.0, 1.0};
  const struct {
    const assets& a;
    double expected;
  } cases[] = {{same, blackscholescall(100, 100, 1, 0.2, 0.05, 0)},
               {quiet, blackscholescall(100, 100, 1, 0.0003, 0, 0)}};
  for (const auto& c : cases) {
    const double deviation =
        simulated::payoffdeviation(c.a, [](const double* X) { return std::max(X[0] - 100, 0.0); });
    const answer a = price("RAINBOWMAXECO", c.a, 100, seeded(3, N));
    EXPECT_EQ(a.out, "") << "the fallback factor prices without a message";
    EXPECT_NEAR(a.value, c.expected, 4 * deviation / std::sqrt(N)) << c.expected;
  }
  // Volatilities 0.3 and 0.4 with a correlation of 0.7: the covariance's mirrored entries
  // (0.7 x 0.3) x 0.4 and (0.7 x 0.4) x 0.3 differ in their last bit, beyond Cholesky's 1e-17
  // ("Non symmetric matrix"), and the design ran on with the covariance: 98.18 against the
  // closed form's 111.39.
  const assets mirrored{{100, 100}, {0.3, 0.4}, {0, 0}, 0.7, 0.05, 1.0};
  const answer bestof = price("RAINBOWBESTEO", mirrored, 0, seeded(3, N));
  EXPECT_EQ(bestof.out, "");
  EXPECT_NEAR(bestof.value,
              testsupport::price("RAINBOWBEST2EO", {1, 100, 100, 0.3, 0.4, 0.7, 0.05, 0, 0}),
              4 * std::exp(-0.05) * simulated::payoffdeviation(mirrored, [](const double* X) {
                return std::max(X[0], X[1]);
              }) / std::sqrt(N));
  // Perfectly opposed assets: max(X1, X2) = X1 + (X2 - X1)+, so the best-of is the spot plus an
  // exchange option (Margrabe) of volatility 0.2 + 0.2 = 0.4.
  const assets opposed{{100, 100}, {0.2, 0.2}, {0, 0}, -1.0, 0.05, 1.0};
  const double best = price("RAINBOWBESTEO", opposed, 0, seeded(3, N)).value;
  const double deviation =
      simulated::payoffdeviation(opposed, [](const double* X) { return std::max(X[0], X[1]); });
  EXPECT_NEAR(best, 100 + blackscholescall(100, 100, 1, 0.4, 0, 0),
              4 * std::exp(-0.05) * deviation / std::sqrt(N));
}

TEST(Rainbow, CorrelationsThatAreNotSemidefiniteAreRefused) {
  assets bad = three;
  table t = rows("RAINBOWBESTEO", bad);
  t[4] = {1, 1, 0.5, 1, 1, 0.2, 0.5, 0.2, 1};  // assets 0 and 1 move as one, unlike asset 2
  const std::string message = std::string(messages::notpositivedefinite) + "\n";
  CaptureStdout();
  EXPECT_TRUE(std::isnan(testsupport::funrows("RAINBOWBESTEO", t, seeded(3, 100)).value));
  EXPECT_EQ(GetCapturedStdout(), message);
  CaptureStdout();
  const std::vector<double> deltas = mctest::funvec("RAINBOWBESTEO", t, seeded(3, 100, 1)).values;
  EXPECT_EQ(GetCapturedStdout(), message);
  ASSERT_EQ(deltas.size(), 3u);
  EXPECT_TRUE(std::isnan(deltas[0]));
  EXPECT_EQ(deltas[1], 0.0);
  // At T = 0 nothing is simulated: the payoff on the spots, as the design gives it.
  table now = t;
  now[1] = {0.0};
  EXPECT_EQ(testsupport::funrows("RAINBOWBESTEO", now).value, 110.0);
}

}  // namespace
