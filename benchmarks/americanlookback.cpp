// The American floating lookback put side by side with QuantLib, in the same run:
//   LBFLSTAPO on the default 100 x 50 similarity grid;
//   QuantLib's analytic continuous floating lookback (Goldman, Sosin and Gatto), the nearest
//   engine it has: it prices the European contract only, a lower bound of the American one.
// The reference is the American value on the one-state lattice of the tests (2000 and 8000
// steps, extrapolated); each side's "error" counter is its distance from it, so QuantLib's error
// is the early-exercise premium it leaves out. Every iteration moves the spot a little.
#include <benchmark/benchmark.h>

#include <ql/quantlib.hpp>

#include "../tests/finitedifference/lookbacktree.h"
#include "binding/parameterblock.h"
#include "finitedifference/AmericanLookback.h"
#include "finitedifference/fdvaluation.h"
#include "reference.h"

namespace {

// At the maximum so far (S = M), expiry 365 days (Actual/365: T = 1).
constexpr double T = 1.0, S = 100.0, M = 100.0, sigma = 0.3, r = 0.05, q = 0.04;

struct block {
  parameterblock words{};
  double rows[parameterentrycount][2]{};
  block() {
    for (int e = 0; e < parameterentrycount; ++e) words.entries[e] = {1, rows[e]};
  }
  ~block() { gridcache::freecache(words); }
};

struct quantlibeuropean {
  QuantLib::ext::shared_ptr<QuantLib::SimpleQuote> spot;
  QuantLib::ext::shared_ptr<QuantLib::ContinuousFloatingLookbackOption> option;
  quantlibeuropean() {
    using namespace QuantLib;
    const Date today(15, May, 2024);
    Settings::instance().evaluationDate() = today;
    const DayCounter dc = Actual365Fixed();
    spot = ext::make_shared<SimpleQuote>(S);
    auto process = ext::make_shared<BlackScholesMertonProcess>(
        Handle<Quote>(spot),
        Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, q, dc)),
        Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, r, dc)),
        Handle<BlackVolTermStructure>(
            ext::make_shared<BlackConstantVol>(today, NullCalendar(), sigma, dc)));
    option = ext::make_shared<ContinuousFloatingLookbackOption>(
        M, ext::make_shared<FloatingTypePayoff>(Option::Put),
        ext::make_shared<EuropeanExercise>(today + 365));
    option->setPricingEngine(ext::make_shared<AnalyticContinuousFloatingLookbackEngine>(process));
  }
};

// The spots of the iterations: below the maximum, moving by 1e-6 round a cycle of eight.
struct movingspot {
  int tick = 0;
  double operator()() {
    tick = (tick + 1) & 7;
    return S - 1e-6 * tick;
  }
};

// The European value lies below the American one by the early-exercise premium (a few per
// cent here): the sides must agree within 15 per cent and the American side must be the larger.
const reference::comparison& lookbackcomparison() {
  static const reference::comparison c = [] {
    block params;
    quantlibeuropean european;
    return reference::comparison{
        AmericanLookback::lookbackput(T, S, M, sigma, r, q, &params.words), european.option->NPV(),
        lookbacktree::extrapolated(-1, true, T, S, sigma, r, q, 2000, 0), 0.15};
  }();
  return c;
}

bool ordered(benchmark::State& state) {
  if (lookbackcomparison().kzr >= lookbackcomparison().peer) return true;
  state.SkipWithError("the American value lies below the European one");
  return false;
}

void americanlookback_kzr_LBFLSTAPO_100x50(benchmark::State& state) {
  if (!ordered(state) || !reference::agree(state, lookbackcomparison(), lookbackcomparison().kzr))
    return;
  block params;
  movingspot spotof;
  for (auto _ : state)
    benchmark::DoNotOptimize(
        AmericanLookback::lookbackput(T, spotof(), M, sigma, r, q, &params.words));
}
BENCHMARK(americanlookback_kzr_LBFLSTAPO_100x50);

void americanlookback_quantlib_AnalyticContinuousFloatingLookback(benchmark::State& state) {
  if (!ordered(state) || !reference::agree(state, lookbackcomparison(), lookbackcomparison().peer))
    return;
  quantlibeuropean european;
  movingspot spotof;
  for (auto _ : state) {
    european.spot->setValue(spotof());
    benchmark::DoNotOptimize(european.option->NPV());
  }
}
BENCHMARK(americanlookback_quantlib_AnalyticContinuousFloatingLookback);

}  // namespace
