// American puts side by side with QuantLib, in the same run:
//   BINAPO, 100 steps          against BinomialVanillaEngine<CoxRossRubinstein>, 100 steps;
//   BSAPO, 100 x 50 grid       against FdBlackScholesVanillaEngine, 100 space x 50 time points;
//   BSAPO re-priced at a new spot from the cached grid (mode 0) against a full solve;
//   the tree bisection's worst cases (a put with K = 1e300, a call with q = 0.00002) against one
//   tree of the same 2000 steps: their ratio is the number of trees a critical price costs.
// Every iteration moves the spot, so that neither library can hand back its previous answer.
// The reference is QuantLib's finite-difference engine on a fine grid (1000 x 1000).
#include <benchmark/benchmark.h>

#include <ql/quantlib.hpp>

#include "binding/parameterblock.h"
#include "finitedifference/AmericanVanilla.h"
#include "finitedifference/fdvaluation.h"
#include "gridblock.h"
#include "reference.h"

namespace {

constexpr double T = 1.0, S = 100.0, K = 100.0, sigma = 0.2, r = 0.05, q = 0.02;

// QuantLib's American put (expiry 365 days, Actual/365: T = 1) on a flat market.
struct quantlibput {
  QuantLib::ext::shared_ptr<QuantLib::SimpleQuote> spot;
  QuantLib::ext::shared_ptr<QuantLib::GeneralizedBlackScholesProcess> process;
  QuantLib::ext::shared_ptr<QuantLib::VanillaOption> option;
  quantlibput() {
    using namespace QuantLib;
    const Date today(15, May, 2024);
    Settings::instance().evaluationDate() = today;
    const DayCounter dc = Actual365Fixed();
    spot = ext::make_shared<SimpleQuote>(S);
    process = ext::make_shared<BlackScholesMertonProcess>(
        Handle<Quote>(spot),
        Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, q, dc)),
        Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, r, dc)),
        Handle<BlackVolTermStructure>(
            ext::make_shared<BlackConstantVol>(today, NullCalendar(), sigma, dc)));
    option =
        ext::make_shared<VanillaOption>(ext::make_shared<PlainVanillaPayoff>(Option::Put, K),
                                        ext::make_shared<AmericanExercise>(today, today + 365));
  }
};

// QuantLib's American put at spot s with the given engine.
template <typename engine, typename... sizes>
double quantlibvalue(double s, sizes... gridsizes) {
  quantlibput put;
  put.spot->setValue(s);
  put.option->setPricingEngine(QuantLib::ext::make_shared<engine>(put.process, gridsizes...));
  return put.option->NPV();
}

double finereference(double s) {
  return quantlibvalue<QuantLib::FdBlackScholesVanillaEngine>(s, 1000, 1000);
}

// The two sides of each pair, computed once. The tree and the grid are coarse on both sides, so
// the sides may lie a few per cent apart; the counters show which lies nearer the reference.
const reference::comparison& treecomparison() {
  static const reference::comparison c = [] {
    gridblock params;
    return reference::comparison{
        AmericanVanilla::binomialput(T, S, K, sigma, r, q, &params.words),
        quantlibvalue<QuantLib::BinomialVanillaEngine<QuantLib::CoxRossRubinstein>>(S, 100),
        finereference(S), 0.01};
  }();
  return c;
}

const reference::comparison& gridcomparison(double s) {
  static const reference::comparison atS = [] {
    gridblock params;
    return reference::comparison{AmericanVanilla::gridput(T, S, K, sigma, r, q, &params.words),
                                 quantlibvalue<QuantLib::FdBlackScholesVanillaEngine>(S, 50, 100),
                                 finereference(S), 0.05};
  }();
  static const reference::comparison below = [] {
    gridblock params;
    return reference::comparison{
        AmericanVanilla::gridput(T, S - 3.0, K, sigma, r, q, &params.words),
        quantlibvalue<QuantLib::FdBlackScholesVanillaEngine>(S - 3.0, 50, 100),
        finereference(S - 3.0), 0.05};
  }();
  return s == S ? atS : below;
}

void americanvanilla_kzr_BINAPO_100steps(benchmark::State& state) {
  gridblock params;
  movingspot spotof{S};
  if (!reference::agree(state, treecomparison(), treecomparison().kzr)) return;
  for (auto _ : state)
    benchmark::DoNotOptimize(
        AmericanVanilla::binomialput(T, spotof(), K, sigma, r, q, &params.words));
}
BENCHMARK(americanvanilla_kzr_BINAPO_100steps);

void americanvanilla_quantlib_BinomialCRR_100steps(benchmark::State& state) {
  using namespace QuantLib;
  quantlibput put;
  put.option->setPricingEngine(
      ext::make_shared<BinomialVanillaEngine<CoxRossRubinstein>>(put.process, 100));
  if (!reference::agree(state, treecomparison(), put.option->NPV())) return;
  movingspot spotof{S};
  for (auto _ : state) {
    put.spot->setValue(spotof());
    benchmark::DoNotOptimize(put.option->NPV());
  }
}
BENCHMARK(americanvanilla_quantlib_BinomialCRR_100steps);

void americanvanilla_kzr_BSAPO_100x50(benchmark::State& state) {
  gridblock params;
  movingspot spotof{S};
  if (!reference::agree(state, gridcomparison(S), gridcomparison(S).kzr)) return;
  for (auto _ : state)
    benchmark::DoNotOptimize(AmericanVanilla::gridput(T, spotof(), K, sigma, r, q, &params.words));
}
BENCHMARK(americanvanilla_kzr_BSAPO_100x50);

void americanvanilla_quantlib_FdBlackScholesVanilla_100x50(benchmark::State& state) {
  using namespace QuantLib;
  quantlibput put;
  put.option->setPricingEngine(
      ext::make_shared<FdBlackScholesVanillaEngine>(put.process, 50, 100));  // tGrid, xGrid
  if (!reference::agree(state, gridcomparison(S), put.option->NPV())) return;
  movingspot spotof{S};
  for (auto _ : state) {
    put.spot->setValue(spotof());
    benchmark::DoNotOptimize(put.option->NPV());
  }
}
BENCHMARK(americanvanilla_quantlib_FdBlackScholesVanilla_100x50);

void americanvanilla_kzr_BSAPO_cachedreprice(benchmark::State& state) {
  gridblock params(true);
  AmericanVanilla::gridput(T, S, K, sigma, r, q, &params.words);  // solves and caches
  const double cached = AmericanVanilla::gridput(T, S - 3.0, K, sigma, r, q, &params.words);
  if (!reference::agree(state, gridcomparison(S - 3.0), cached)) return;
  movingspot spotof{S};
  for (auto _ : state)
    benchmark::DoNotOptimize(
        AmericanVanilla::gridput(T, spotof() - 3.0, K, sigma, r, q, &params.words));
}
BENCHMARK(americanvanilla_kzr_BSAPO_cachedreprice);

constexpr double bisectionsteps = 2000;

void americanvanilla_kzr_BINAPO_onetree_2000steps(benchmark::State& state) {
  gridblock params;
  params.words.entries[entrysteps].flag = 0;
  params.rows[entrysteps][0] = bisectionsteps;
  movingspot spotof{S};
  for (auto _ : state)
    benchmark::DoNotOptimize(
        AmericanVanilla::binomialput(T, spotof(), K, sigma, r, q, &params.words));
}
BENCHMARK(americanvanilla_kzr_BINAPO_onetree_2000steps)->Unit(benchmark::kMillisecond);

// Worst cases of the bisection: brackets far wider than 0.0001 x 2^24.
void americanvanilla_kzr_Crit_worstcase_2000steps(benchmark::State& state) {
  const bool call = state.range(0) == 1;
  const double strike = call ? K : 1e300, yield = call ? 0.00002 : q;
  gridblock params;
  params.words.entries[entrysteps].flag = 0;
  params.rows[entrysteps][0] = bisectionsteps;
  auto critical = [&] {
    return call ? AmericanVanilla::binomialcallcritical(T, strike, sigma, r, yield, &params.words)
                : AmericanVanilla::binomialputcritical(T, strike, sigma, r, yield, &params.words);
  };
  // Before timing: an answer inside the bracket.
  const double first = critical();
  const double top = call ? AmericanVanilla::perpetualcalllevel(strike, sigma, r, yield) : strike;
  if (!(first > (call ? strike : 0.0) && first < top)) {
    state.SkipWithError("critical price outside its bracket");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(critical());
}
BENCHMARK(americanvanilla_kzr_Crit_worstcase_2000steps)
    ->Arg(0)  // BINAPOCrit, K = 1e300
    ->Arg(1)  // BINACOCrit, q = 0.00002
    ->Unit(benchmark::kMillisecond);

}  // namespace
