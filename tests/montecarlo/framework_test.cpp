// The pieces of the simulation engine below the valuation: the market record's copies and its
// sameness, the memory limit on paths and steps, a path's evolution, the covariance factor, and
// the price and sensitivity formulas of the instrument base.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <tuple>
#include <vector>

#include "mctestsupport.h"
#include "montecarlo/EuropeanAsian.h"
#include "montecarlo/EuropeanMountainRange.h"
#include "montecarlo/EuropeanRainbow.h"
#include "montecarlo/mcbase.h"
#include "montecarlo/pathsimulation.h"
#include "numerics/linearalgebra.h"
#include "numerics/messages.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
namespace mr = EuropeanMountainRange;

const double nan = std::numeric_limits<double>::quiet_NaN();

struct threeassets {
  std::vector<double> spots{100, 90, 110}, sigma{0.2, 0.3, 0.25}, q{0.01, 0.02, 0.0};
  std::vector<double> rho{1, 0.5, 0.2, 0.5, 1, 0.3, 0.2, 0.3, 1};
  marketdata record() {
    return marketdata(3, 1.5, spots.data(), 1.0, sigma.data(), rho.data(), 0.05, q.data());
  }
};

TEST(MarketData, ACopyOwnsItsArraysAndBumpsThemAlone) {
  threeassets a;
  const marketdata borrowed = a.record();
  EXPECT_FALSE(borrowed.ownsarrays);
  EXPECT_EQ(borrowed.spots, a.spots.data());
  marketdata copy(borrowed);
  EXPECT_TRUE(copy.ownsarrays);
  EXPECT_NE(copy.spots, a.spots.data());
  copy.bump(bumpedterm::spot, 1, 2.5);
  copy.bump(bumpedterm::volatility, 2, 0.01);
  copy.bump(bumpedterm::expiry, 0, 0.25);
  copy.bump(bumpedterm::rate, 0, -0.01);
  EXPECT_EQ(copy.spots[1], 92.5);
  EXPECT_EQ(copy.volatilities[2], 0.25 + 0.01);
  EXPECT_EQ(copy.expiry, 1.75);
  EXPECT_EQ(copy.rate, 0.05 - 0.01);
  EXPECT_EQ(a.spots[1], 90.0) << "the handler's rows are never bumped";
  EXPECT_EQ(copy.correlations[5], 0.3);
  EXPECT_EQ(copy.dividends[1], 0.02);
}

TEST(MarketData, TheSameContractWithinTheToleranceTermByTerm) {
  threeassets a;
  const marketdata base = a.record();
  // Every term, one at a time: 0.00005 apart is the same contract, 0.0002 apart is not.
  const auto sameafter = [&](auto change) {
    threeassets b;
    marketdata other = b.record();
    change(b, other);
    return samemarket(base, other);
  };
  EXPECT_TRUE(sameafter([](threeassets& b, marketdata&) { b.spots[2] += 0.00005; }));
  EXPECT_FALSE(sameafter([](threeassets& b, marketdata&) { b.spots[2] += 0.0002; }));
  EXPECT_FALSE(sameafter([](threeassets& b, marketdata&) { b.sigma[0] -= 0.0002; }));
  EXPECT_FALSE(sameafter([](threeassets& b, marketdata&) { b.q[1] += 0.0002; }));
  EXPECT_FALSE(sameafter([](threeassets& b, marketdata&) { b.rho[7] += 0.0002; }));
  EXPECT_FALSE(sameafter([](threeassets&, marketdata& m) { m.expiry += 0.0002; }));
  EXPECT_FALSE(sameafter([](threeassets&, marketdata& m) { m.rate += 0.0002; }));
  EXPECT_FALSE(sameafter([](threeassets&, marketdata& m) { m.strike += 0.0002; }));
  EXPECT_FALSE(sameafter([](threeassets&, marketdata& m) { m.count = 2; }));
  // Decision: a NaN term is never the same, so a cached NaN run answers for nothing else.
  EXPECT_FALSE(sameafter([](threeassets& b, marketdata&) { b.sigma[1] = nan; }));
  EXPECT_FALSE(sameafter([](threeassets&, marketdata& m) { m.rate = nan; }));
  // Every term's NaN is seen, in a borrowed record and in its copy.
  const auto nanafter = [&](auto change) {
    threeassets b;
    marketdata other = b.record();
    change(b, other);
    return other.hasnan() && marketdata(other).hasnan();
  };
  EXPECT_FALSE(nanafter([](threeassets&, marketdata&) {}));
  EXPECT_TRUE(nanafter([](threeassets& b, marketdata&) { b.spots[2] = nan; }));
  EXPECT_TRUE(nanafter([](threeassets& b, marketdata&) { b.sigma[0] = nan; }));
  EXPECT_TRUE(nanafter([](threeassets& b, marketdata&) { b.rho[5] = nan; }));
  EXPECT_TRUE(nanafter([](threeassets& b, marketdata&) { b.q[1] = nan; }));
  EXPECT_TRUE(nanafter([](threeassets&, marketdata& m) { m.expiry = nan; }));
  EXPECT_TRUE(nanafter([](threeassets&, marketdata& m) { m.strike = nan; }));
  EXPECT_TRUE(nanafter([](threeassets&, marketdata& m) { m.rate = nan; }));
}

TEST(TermLists, EveryOwnTermDecidesSamenessAndNaN) {
  // Each instrument's own terms, one at a time: 0.00005 apart is the same contract, 0.0002 apart
  // (or another sign, side or class of payoff) is not, and a NaN is never the same and is seen.
  threeassets a;
  marketdata record = a.record();
  mctest::block params;
  namespace rb = EuropeanRainbow;
  namespace as = EuropeanAsian;
  const double barriers[] = {140, 130, 150}, near[] = {140, 130.00005, 150},
               far[] = {140, 130.0002, 150}, nanbarrier[] = {140, nan, 150};
  marketdata one(1, 1.5, a.spots.data(), 100.0, a.sigma.data(), a.rho.data(), 0.05, a.q.data());
  struct variant {
    const char* what;
    std::unique_ptr<mcbase> base, same, other;
    std::unique_ptr<mcbase> withnan;  // null where the term cannot be NaN
  };
  const auto own = [](auto* instrument) { return std::unique_ptr<mcbase>(instrument); };
  auto& b = *params.get();
  std::vector<variant> variants;
  variants.push_back({"callput", own(new rb::rainbowminmax(record, +1, 1, b)),
                      own(new rb::rainbowminmax(record, +1, 1, b)),
                      own(new rb::rainbowminmax(record, -1, 1, b)), nullptr});
  variants.push_back({"usemax", own(new rb::rainbowminmax(record, +1, 1, b)),
                      own(new rb::rainbowminmax(record, +1, 1, b)),
                      own(new rb::rainbowminmax(record, +1, 0, b)), nullptr});
  variants.push_back({"best", own(new rb::rainbowbestworst(record, 1, b)),
                      own(new rb::rainbowbestworst(record, 1, b)),
                      own(new rb::rainbowbestworst(record, 0, b)), nullptr});
  variants.push_back({"cash", own(new rb::rainbowbestmoney(record, 110, b)),
                      own(new rb::rainbowbestmoney(record, 110.00005, b)),
                      own(new rb::rainbowbestmoney(record, 110.0002, b)),
                      own(new rb::rainbowbestmoney(record, nan, b))});
  variants.push_back({"asian callput", own(new as::asianarithmetic(one, +1, 2, 98, b)),
                      own(new as::asianarithmetic(one, +1, 2, 98, b)),
                      own(new as::asianarithmetic(one, -1, 2, 98, b)), nullptr});
  variants.push_back({"averaging period", own(new as::asianarithmetic(one, +1, 2, 98, b)),
                      own(new as::asianarithmetic(one, +1, 2.00005, 98, b)),
                      own(new as::asianarithmetic(one, +1, 2.0002, 98, b)),
                      own(new as::asianarithmetic(one, +1, nan, 98, b))});
  variants.push_back({"past average", own(new as::asianarithmetic(one, +1, 2, 98, b)),
                      own(new as::asianarithmetic(one, +1, 2, 98.00005, b)),
                      own(new as::asianarithmetic(one, +1, 2, 98.0002, b)),
                      own(new as::asianarithmetic(one, +1, 2, nan, b))});
  variants.push_back({"barrier", own(new mr::altiplano(record, barriers, 10, b)),
                      own(new mr::altiplano(record, near, 10, b)),
                      own(new mr::altiplano(record, far, 10, b)),
                      own(new mr::altiplano(record, nanbarrier, 10, b))});
  variants.push_back({"coupon", own(new mr::annapurna(record, barriers, 10, b)),
                      own(new mr::annapurna(record, barriers, 10.00005, b)),
                      own(new mr::annapurna(record, barriers, 10.0002, b)),
                      own(new mr::annapurna(record, barriers, nan, b))});
  variants.push_back(
      {"notional", own(new mr::everest(record, 100, b)), own(new mr::everest(record, 100.00005, b)),
       own(new mr::everest(record, 100.0002, b)), own(new mr::everest(record, nan, b))});
  variants.push_back({"class", own(new mr::atlas(record, 100, b)),
                      own(new mr::atlas(record, 100, b)), own(new mr::everest(record, 100, b)),
                      nullptr});
  for (const variant& v : variants) {
    // The working copies, as the cache compares them (their arrays their own).
    const std::unique_ptr<mcbase> base = v.base->copy();
    EXPECT_TRUE(base->issame(v.same->clone.get())) << v.what;
    EXPECT_TRUE(v.same->clone->issame(base.get())) << v.what;
    EXPECT_FALSE(base->issame(v.other->clone.get())) << v.what;
    EXPECT_FALSE(v.other->clone->issame(base.get())) << v.what;
    EXPECT_FALSE(base->nanterms()) << v.what;
    if (v.withnan) {
      EXPECT_TRUE(v.withnan->nanterms()) << v.what;
      EXPECT_TRUE(v.withnan->clone->nanterms()) << v.what;
      EXPECT_FALSE(base->issame(v.withnan->clone.get())) << v.what;
      EXPECT_FALSE(v.withnan->clone->issame(v.withnan->clone.get())) << v.what;
    }
  }
  // The lists cover their records, field for field (a missing field stops the build).
  static_assert(termlist::fieldcount<marketterms>() == 8);
  static_assert(std::tuple_size_v<decltype(marketfields::terms)> == 8);
  static_assert(termlist::fieldcount<mr::couponterms>() == 2);
}

TEST(MemoryLimit, CountsThatFitAreKept) {
  const pathcounts counts = limitmemory(
      {
          20000,
          300,
      },
      20, true, true, stepcount::adjustable);
  EXPECT_EQ(counts.paths, 20000);  // 20,000 x 300 x 20 x 8 = 960,000,000 bytes
  EXPECT_EQ(counts.steps, 300);
}

TEST(MemoryLimit, CutsByTheRuleOfTheInstrument) {
  struct cut {
    pathcounts asked;
    int n;
    bool pathsdefaulted, stepsdefaulted;
    stepcount kind;
    pathcounts expected;
    bool said;  // a count the caller gave was changed: the valuation writes its line
  };
  const cut cuts[] = {
      // 30 assets at the default 20,000 paths and 300 steps: the steps give way.
      {{20000, 300}, 30, true, true, stepcount::adjustable, {20000, 208}, false},
      {{20000, 400}, 30, true, false, stepcount::adjustable, {20000, 208}, true},
      // Both counts from the table: 500 steps and the paths that fit.
      {{100000, 1000}, 30, false, false, stepcount::adjustable, {8333, 500}, true},
      // Raised to 500: a change of the caller's steps all the same.
      {{2000000, 100}, 30, false, false, stepcount::adjustable, {8333, 500}, true},
      // Paths from the table, steps defaulted: the paths give way.
      {{100000, 300}, 30, false, true, stepcount::adjustable, {13888, 300}, true},
      // Fixed steps: the paths give way.
      {{1000000, 2}, 100, true, true, stepcount::fixed, {625000, 2}, false},
      {{2147483647, 2}, 5, false, true, stepcount::fixed, {12500000, 2}, true},
      {{1000000, 30}, 30, true, true, stepcount::fixed, {138888, 30}, false},
      // A cut can reach zero; the valuation refuses zero steps.
      {{20000, 300}, 7000, true, true, stepcount::adjustable, {20000, 0}, false},
      // Decision: negative counts stay as they are, for their messages.
      {{-2000000, -300}, 30, false, false, stepcount::adjustable, {-2000000, -300}, false},
  };
  for (const cut& c : cuts) {
    const pathcounts got = limitmemory(c.asked, c.n, c.pathsdefaulted, c.stepsdefaulted, c.kind);
    EXPECT_EQ(got.paths, c.expected.paths) << c.asked.paths << " paths, n " << c.n;
    EXPECT_EQ(got.steps, c.expected.steps) << c.asked.steps << " steps, n " << c.n;
    EXPECT_EQ(got.callercut, c.said) << c.asked.paths << " paths, n " << c.n;
    if (got.paths > 0 && got.steps > 0) {
      EXPECT_LE(double(got.paths) * got.steps * c.n * 8, memorylimit);
    }
  }
}

TEST(MemoryLimit, InstrumentsTakeTheirCountsFromTheBlock) {
  const mctest::market m = mctest::equicorrelated(30, 1.0, 0.2, 0.3, 0.05, 0.0);
  const std::vector<double> spots(30, 100.0), barriers(30, 150.0);
  marketdata record(m.view(), spots.data(), 1.0);
  mctest::block params;
  const mr::altiplano defaulted(record, barriers.data(), 10.0, *params.get());
  EXPECT_EQ(defaulted.paths, 20000);
  EXPECT_EQ(defaulted.steps, 208);
  params.set(entrypaths, 1e12).set(entrysteps, 4294967396.0);  // held to 32 bits, then cut
  const mr::altiplano asked(record, barriers.data(), 10.0, *params.get());
  EXPECT_EQ(asked.paths, 8333);
  EXPECT_EQ(asked.steps, 500);
  params.set(entrysteps, 999);  // himalaya reads no steps: its points are its assets
  const mr::himalaya best(record, 1.0, *params.get());
  EXPECT_EQ(best.steps, 30);
  EXPECT_EQ(best.paths, 138888);
  EXPECT_TRUE(best.stepfactors);
  EXPECT_EQ(best.clone->paths, best.paths) << "the working copy keeps the counts";
}

TEST(Evolve, SingleAndMultiStepPaths) {
  threeassets a;
  marketdata record = a.record();
  mctest::block params;
  const mr::everest single(record, 1.0, *params.get());
  const mr::altiplano multi(record, a.spots.data(), 1.0, *params.get());
  const mr::himalaya factors(record, 1.0, *params.get());
  const double w = 0.37, T = 1.5, r = 0.05;
  for (int j = 0; j < 3; ++j) {
    const double mu = r - a.q[j] - a.sigma[j] * a.sigma[j] / 2;
    // Single step: the growth factor to expiry, whatever the previous value.
    const double growth = std::exp(mu * T + std::sqrt(T) * w);
    EXPECT_EQ(single.evolve(j, w, 2, 123.0), growth);
    EXPECT_EQ(single.evolve(j, w, 2, 0.0), growth);
    // Multi step: T / M apart, from the previous point; as factors, the growth alone.
    const double dt = T / 300;
    const double step = std::exp(mu * dt + std::sqrt(dt) * w);
    EXPECT_EQ(multi.evolve(j, w, 300, 80.0), 80.0 * step);
    EXPECT_EQ(factors.evolve(j, w, 300, 80.0), step);
  }
  EXPECT_EQ(single.start(), 1);
  EXPECT_EQ(multi.start(), 1);
  EXPECT_EQ(factors.start(), 0);
}

TEST(CovarianceFactor, FactorsTheCovarianceOfTheAssets) {
  threeassets a;
  const covariancefactor L(a.record());
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      double product = 0.0;
      for (int k = 0; k < 3; ++k) product += L.at(i, k) * L.at(j, k);
      EXPECT_NEAR(product, a.rho[i * 3 + j] * a.sigma[i] * a.sigma[j], 1e-15);
      if (j > i) {
        EXPECT_EQ(L.at(i, j), 0.0);
      }
    }
  const double z[3] = {0.3, -1.2, 0.7};
  double w[3];
  L.correlate(z, w);
  EXPECT_EQ(w[0], L.at(0, 0) * z[0]);
  EXPECT_NEAR(w[2], L.at(2, 0) * z[0] + L.at(2, 1) * z[1] + L.at(2, 2) * z[2], 1e-16);
}

TEST(CovarianceFactor, WhereCholeskyFailsTheCorrelationsAreFactoredAndScaled) {
  // Where Cholesky factors the covariance its factor is kept as it is, bit for bit.
  {
    threeassets a;
    std::vector<double> C(9);
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) C[i * 3 + j] = a.rho[i * 3 + j] * a.sigma[i] * a.sigma[j];
    choleskyfactor(3, C.data());
    const covariancefactor L(a.record());
    ASSERT_TRUE(L.valid());
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) EXPECT_EQ(L.at(i, j), C[i * 3 + j]);
  }
  // Unit correlations (a singular covariance), tiny volatilities (pivots below Cholesky's
  // absolute 1e-7) and a covariance asymmetric in its last bits: a factor of the covariance all
  // the same, and no message.
  const struct {
    std::vector<double> rho, sigma;
  } cases[] = {
      {{1, 1, 0.2, 1, 1, 0.2, 0.2, 0.2, 1}, {0.2, 0.3, 0.25}},
      {{1, -1, 0.2, -1, 1, -0.2, 0.2, -0.2, 1}, {0.2, 0.3, 0.25}},
      {{1, 0.5, 0.2, 0.5, 1, 0.3, 0.2, 0.3, 1}, {0.0003, 0.0001, 0.25}},
      // (0.7 x 0.3) x 0.4 and (0.7 x 0.4) x 0.3 differ in the last bit: "Non symmetric matrix".
      {{1, 0.7, 0.2, 0.7, 1, 0.3, 0.2, 0.3, 1}, {0.3, 0.4, 0.25}},
      {{1, 1, 1, 1, 1, 1, 1, 1, 1}, {1e-6, 1e-6, 1e-6}},
  };
  for (const auto& c : cases) {
    threeassets a;
    a.rho = c.rho;
    a.sigma = c.sigma;
    CaptureStdout();
    const covariancefactor L(a.record());
    EXPECT_EQ(GetCapturedStdout(), "");
    ASSERT_TRUE(L.valid());
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) {
        double product = 0.0;
        for (int k = 0; k < 3; ++k) product += L.at(i, k) * L.at(j, k);
        const double C = a.rho[i * 3 + j] * a.sigma[i] * a.sigma[j];
        EXPECT_NEAR(product, C, 1e-15 * a.sigma[i] * a.sigma[j]) << i << "," << j;
        if (j > i) {
          EXPECT_EQ(L.at(i, j), 0.0);
        }
      }
  }
  // Correlations that are not positive semi-definite have no factor.
  threeassets bad;
  bad.rho = {1, 1, 0.5, 1, 1, 0.2, 0.5, 0.2, 1};
  EXPECT_FALSE(covariancefactor(bad.record()).valid());
}

TEST(PriceFormulas, DiscountedMeanAndTheSensitivities) {
  threeassets a;
  marketdata record = a.record();
  mctest::block params;
  params.set(entrypaths, 1000);
  const mr::everest e(record, 1.0, *params.get());
  const double T = 1.5, r = 0.05, N = 1000, D = std::exp(-r * T);
  const double sum = 1234.5, sum1 = 1240.0, sum2 = 1229.0, P = D * sum / N, h = 0.01;
  EXPECT_EQ(e.discountedmean(sum), D * sum / N);
  EXPECT_EQ(e.sensitivity(0, sum1, sum2, P, h), P);
  EXPECT_EQ(e.sensitivity(1, sum1, sum2, P, h), (D * sum1 / N - P) / h);
  EXPECT_EQ(e.sensitivity(2, sum1, sum2, P, h), (D * (sum1 + sum2) / N - 2 * P) / (h * h));
  EXPECT_EQ(e.sensitivity(3, sum1, sum2, P, h), (D * sum1 / N - P) / h);
  EXPECT_EQ(e.sensitivity(4, sum1, sum2, P, h), (std::exp(-r * (T + h)) * sum1 / N - P) / -h);
  EXPECT_EQ(e.sensitivity(5, sum1, sum2, P, h), (std::exp(-(r + h) * T) * sum1 / N - P) / h);
  // Himalaya's sums are of log growth: the mean growth exp(sum / N) - 1 carries the notional.
  const mr::himalaya hm(record, 50.0, *params.get());
  const double E1 = std::exp(sum1 / N), E2 = std::exp(sum2 / N), D50 = D * 50.0;
  EXPECT_EQ(hm.discountedmean(sum), D * 50.0 * (std::exp(sum / N) - 1.0));
  EXPECT_EQ(hm.sensitivity(1, sum1, sum2, P, h), (D50 * (E1 - 1) - P) / h);
  EXPECT_EQ(hm.sensitivity(2, sum1, sum2, P, h), (D50 * (E1 + E2 - 2) - 2 * P) / (h * h));
  EXPECT_EQ(hm.sensitivity(4, sum1, sum2, P, h),
            (std::exp(-r * (T + h)) * 50.0 * (E1 - 1) - P) / -h);
  EXPECT_EQ(hm.sensitivity(5, sum1, sum2, P, h),
            (std::exp(-(r + h) * T) * 50.0 * (E1 - 1) - P) / h);
}

}  // namespace
