// American puts side by side with QuantLib, in the same run:
//   BINAPO, 100 steps          against BinomialVanillaEngine<CoxRossRubinstein>, 100 steps;
//   BSAPO, 100 x 50 grid       against FdBlackScholesVanillaEngine, 100 space x 50 time points;
//   BSAPO re-priced at a new spot from the cached grid (mode 0) against a full solve;
//   BSAPO under the precise option re-priced at a new spot from the kept boundary (mode 0)
//   against a fresh precise valuation, beside QuantLib's QdFpAmericanEngine;
//   the tree bisection's worst cases (a put with K = 1e300, a call with q = 0.00002) against one
//   tree of the same 2000 steps: their ratio is the number of trees a critical price costs.
// Every iteration moves the spot, so that neither library can hand back its previous answer.
// The reference is QuantLib's finite-difference engine on a fine grid (1000 x 1000).
#include <benchmark/benchmark.h>

#include <ql/quantlib.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "binding/parameterblock.h"
#include "finitedifference/AmericanVanilla.h"
#include "finitedifference/fdvaluation.h"
#include "gridblock.h"
#include "numerics/americanboundary.h"
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

// A block with the grid sizes, the tree steps or the precise option set (its T2 two columns
// wide), caching (mode 0) or not.
struct fiveblock {
  gridblock block;
  std::int64_t dims[2] = {6, 2};
  fiveblock(double nspace, double ntime, double steps, bool precise, bool caching = false)
      : block(caching) {
    block.words.rank = 2;
    block.words.dims = dims;
    block.words.elementsize = 8;
    if (nspace > 0) {
      block.words.entries[entrygrid].flag = 0;
      block.rows[entrygrid][0] = nspace;
      block.rows[entrygrid][1] = ntime;
    }
    if (steps > 0) {
      block.words.entries[entrysteps].flag = 0;
      block.rows[entrysteps][0] = steps;
    }
    if (precise) {
      block.words.entries[entryoptions].flag = 0;
      block.rows[entryoptions][1] = 1;
    }
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

// Under the precise option: a re-price at a new spot from the boundary kept in mode 0 (one
// integral) against a fresh valuation (a new boundary and its integral), both checked first
// against QuantLib's fixed-point engine at its high-precision scheme (the peer, which also
// solves a new boundary for each price).
const reference::comparison& precisecomparison() {
  static const reference::comparison c = [] {
    fiveblock params(0, 0, 0, true);
    const double qdfp = quantlibvalue<QuantLib::QdFpAmericanEngine>(
        S - 3.0, QuantLib::QdFpAmericanEngine::highPrecisionScheme());
    return reference::comparison{
        AmericanVanilla::gridput(T, S - 3.0, K, sigma, r, q, &params.block.words), qdfp, qdfp,
        1e-8};
  }();
  return c;
}

void americanvanilla_kzr_BSAPO_precise_cachedreprice(benchmark::State& state) {
  fiveblock params(0, 0, 0, true, true);
  AmericanVanilla::gridput(T, S, K, sigma, r, q, &params.block.words);  // solves and keeps
  const double cached = AmericanVanilla::gridput(T, S - 3.0, K, sigma, r, q, &params.block.words);
  if (!reference::agree(state, precisecomparison(), cached)) return;
  movingspot spotof{S};
  for (auto _ : state)
    benchmark::DoNotOptimize(
        AmericanVanilla::gridput(T, spotof() - 3.0, K, sigma, r, q, &params.block.words));
}
BENCHMARK(americanvanilla_kzr_BSAPO_precise_cachedreprice)->Unit(benchmark::kMicrosecond);

void americanvanilla_kzr_BSAPO_precise_fresh(benchmark::State& state) {
  fiveblock params(0, 0, 0, true);
  const double fresh = AmericanVanilla::gridput(T, S - 3.0, K, sigma, r, q, &params.block.words);
  if (!reference::agree(state, precisecomparison(), fresh)) return;
  movingspot spotof{S};
  for (auto _ : state)
    benchmark::DoNotOptimize(
        AmericanVanilla::gridput(T, spotof() - 3.0, K, sigma, r, q, &params.block.words));
}
BENCHMARK(americanvanilla_kzr_BSAPO_precise_fresh)->Unit(benchmark::kMicrosecond);

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

// A contract of the accuracy table: a whole number of days over 365.
struct fdcontract {
  int days;
  double S, K, sigma, r, q;
  double T() const { return days / 365.0; }
};

// Accuracy per time: the American put over five contracts (each iteration prices all five),
// error against QuantLib's QdFpAmericanEngine at its high-precision scheme. The design's tree and
// grid at their defaults and at sizes that reach about 1e-4, the precise option, the boundary
// method at two smaller schemes (the sizes that match QuantLib's fast and accurate schemes), and
// QuantLib's finite-difference and fixed-point engines. Counters: the largest error relative to
// the price ("relerror") and in money ("error"). Each benchmark checks its answers against the
// reference before timing.
namespace {

// The five contracts (whole days over 365), on which the high-precision scheme agrees with a
// finer scheme of QuantLib's own to 1e-11 K.
const fdcontract fivecontracts[] = {
    {182, 100, 95, 0.15, 0.08, 0.04},  {365, 100, 100, 0.2, 0.05, 0.02},
    {91, 60, 100, 0.4, 0.05, 0.1},     {730, 100, 100, 0.2, 0.02, 0.08},
    {1825, 130, 100, 0.2, 0.02, 0.05},
};

// QuantLib's American put on one contract, its spot movable.
struct quantlibcontract {
  QuantLib::ext::shared_ptr<QuantLib::SimpleQuote> spot;
  QuantLib::ext::shared_ptr<QuantLib::GeneralizedBlackScholesProcess> process;
  QuantLib::ext::shared_ptr<QuantLib::VanillaOption> option;
  explicit quantlibcontract(const fdcontract& c) {
    using namespace QuantLib;
    const Date today(15, May, 2024);
    Settings::instance().evaluationDate() = today;
    const DayCounter dc = Actual365Fixed();
    spot = ext::make_shared<SimpleQuote>(c.S);
    process = ext::make_shared<BlackScholesMertonProcess>(
        Handle<Quote>(spot),
        Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, c.q, dc)),
        Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, c.r, dc)),
        Handle<BlackVolTermStructure>(
            ext::make_shared<BlackConstantVol>(today, NullCalendar(), c.sigma, dc)));
    option =
        ext::make_shared<VanillaOption>(ext::make_shared<PlainVanillaPayoff>(Option::Put, c.K),
                                        ext::make_shared<AmericanExercise>(today, today + c.days));
  }
};

enum class qdfp { fast, accurate, highprecision };

QuantLib::ext::shared_ptr<QuantLib::PricingEngine> qdfpengine(
    const QuantLib::ext::shared_ptr<QuantLib::GeneralizedBlackScholesProcess>& process,
    qdfp scheme) {
  using namespace QuantLib;
  return ext::make_shared<QdFpAmericanEngine>(
      process, scheme == qdfp::fast       ? QdFpAmericanEngine::fastScheme()
               : scheme == qdfp::accurate ? QdFpAmericanEngine::accurateScheme()
                                          : QdFpAmericanEngine::highPrecisionScheme());
}

const std::vector<double>& fivereferences() {
  static const std::vector<double> values = [] {
    std::vector<double> v;
    for (const fdcontract& c : fivecontracts) {
      quantlibcontract ql(c);
      ql.option->setPricingEngine(qdfpengine(ql.process, qdfp::highprecision));
      v.push_back(ql.option->NPV());
    }
    return v;
  }();
  return values;
}

// Sets the error counters from the five answers at the contracts' spots; false (the benchmark
// skipped) when an answer lies further than tolerance, relative, from the reference.
bool fiveagree(benchmark::State& state, const std::vector<double>& answers, double tolerance) {
  double relative = 0.0, absolute = 0.0;
  for (std::size_t i = 0; i < answers.size(); ++i) {
    const double reference = fivereferences()[i], error = std::fabs(answers[i] - reference);
    if (!(error <= tolerance * reference)) {
      char text[160];
      std::snprintf(text, sizeof text, "contract %zu: %.12g against the reference %.12g", i,
                    answers[i], reference);
      state.SkipWithError(text);
      return false;
    }
    relative = std::max(relative, error / reference);
    absolute = std::max(absolute, error);
  }
  state.counters["relerror"] = relative;
  state.counters["error"] = absolute;
  return true;
}

// Ours through a pricing function of the family with a block of the given entries.
template <typename pricing>
void fiveofours(benchmark::State& state, pricing price, double tolerance) {
  std::vector<double> answers;
  for (const fdcontract& c : fivecontracts) answers.push_back(price(c, c.S));
  if (!fiveagree(state, answers, tolerance)) return;
  int tick = 0;
  for (auto _ : state) {
    tick = (tick + 1) & 7;
    for (const fdcontract& c : fivecontracts) benchmark::DoNotOptimize(price(c, c.S + 1e-6 * tick));
  }
}

void five_kzr_BSAPO(benchmark::State& state) {
  fiveblock params(static_cast<double>(state.range(0)), static_cast<double>(state.range(1)), 0,
                   false);
  fiveofours(
      state,
      [&](const fdcontract& c, double s) {
        return AmericanVanilla::gridput(c.T(), s, c.K, c.sigma, c.r, c.q, &params.block.words);
      },
      0.25);
}
BENCHMARK(five_kzr_BSAPO)->Args({100, 50})->Args({3200, 1600})->Unit(benchmark::kMicrosecond);

void five_kzr_BINAPO(benchmark::State& state) {
  fiveblock params(0, 0, static_cast<double>(state.range(0)), false);
  fiveofours(
      state,
      [&](const fdcontract& c, double s) {
        return AmericanVanilla::binomialput(c.T(), s, c.K, c.sigma, c.r, c.q, &params.block.words);
      },
      0.01);
}
BENCHMARK(five_kzr_BINAPO)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

void five_kzr_BSAPO_precise(benchmark::State& state) {
  fiveblock params(0, 0, 0, true);
  fiveofours(
      state,
      [&](const fdcontract& c, double s) {
        return AmericanVanilla::gridput(c.T(), s, c.K, c.sigma, c.r, c.q, &params.block.words);
      },
      1e-8);
}
BENCHMARK(five_kzr_BSAPO_precise)->Unit(benchmark::kMicrosecond);

// The boundary method at smaller schemes than the precise option's (not reachable from the
// library: they show the cost at the error levels of QuantLib's fast and accurate schemes).
const boundaryscheme smallerschemes[] = {
    {5, 12, 1, 7, 12, 1, 1e-5},  // about QuantLib's fast scheme's error
    {8, 20, 1, 8, 16, 1, 1e-8},  // about its accurate scheme's
};

void five_kzr_boundarymethod_smaller(benchmark::State& state) {
  const boundaryscheme& scheme = smallerschemes[state.range(0)];
  fiveofours(
      state,
      [&](const fdcontract& c, double s) {
        return americanputboundary(c.T(), c.K, c.sigma, c.r, c.q, scheme).value(s);
      },
      1e-3);
}
BENCHMARK(five_kzr_boundarymethod_smaller)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

template <typename makeengine>
void fiveofquantlib(benchmark::State& state, makeengine engine, double tolerance) {
  std::vector<quantlibcontract> contracts;
  std::vector<double> answers;
  for (const fdcontract& c : fivecontracts) {
    contracts.emplace_back(c);
    contracts.back().option->setPricingEngine(engine(contracts.back().process));
    answers.push_back(contracts.back().option->NPV());
  }
  if (!fiveagree(state, answers, tolerance)) return;
  int tick = 0;
  for (auto _ : state) {
    tick = (tick + 1) & 7;
    for (std::size_t i = 0; i < contracts.size(); ++i) {
      contracts[i].spot->setValue(fivecontracts[i].S + 1e-6 * tick);
      benchmark::DoNotOptimize(contracts[i].option->NPV());
    }
  }
}

void five_quantlib_QdFp(benchmark::State& state) {
  const qdfp scheme = static_cast<qdfp>(state.range(0));
  fiveofquantlib(
      state, [&](const auto& process) { return qdfpengine(process, scheme); }, 1e-3);
}
BENCHMARK(five_quantlib_QdFp)
    ->Arg(0)  // fast scheme
    ->Arg(1)  // accurate scheme
    ->Arg(2)  // high-precision scheme (the reference itself)
    ->Unit(benchmark::kMicrosecond);

void five_quantlib_FdBlackScholesVanilla(benchmark::State& state) {
  const QuantLib::Size tgrid = static_cast<QuantLib::Size>(state.range(0));
  const QuantLib::Size xgrid = static_cast<QuantLib::Size>(state.range(1));
  fiveofquantlib(
      state,
      [&](const auto& process) {
        return QuantLib::ext::make_shared<QuantLib::FdBlackScholesVanillaEngine>(process, tgrid,
                                                                                 xgrid);
      },
      0.01);
}
BENCHMARK(five_quantlib_FdBlackScholesVanilla)
    ->Args({100, 100})  // the engine's defaults
    ->Args({800, 800})  // about 1e-4
    ->Unit(benchmark::kMicrosecond);

}  // namespace
