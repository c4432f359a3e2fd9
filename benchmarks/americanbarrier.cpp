// Barrier options side by side with QuantLib, in the same run:
//   DOWNOUTAPO (American down-and-out put) on the default 100 x 50 heat grid against
//   BinomialBarrierEngine<CoxRossRubinstein> with American exercise at several step counts: the
//   counter "error" of each side, against a converged value, shows which step count matches the
//   grid's error;
//   DOWNOUTAPO re-priced at a new spot from the cached grid (mode 0) against a full solve;
//   DBKNOCKOUTECO (European double knock-out call) on the default grid against
//   AnalyticDoubleBarrierEngine (the Ikeda-Kunitomo series, exact to the last digits here).
// The put is struck at 110 with its barrier at 80, below the price where its holder exercises,
// so its value is continuous at the barrier and both sides converge to one value. The converged
// value is QuantLib's tree with 8000 steps (it agrees with an independent Crank-Nicolson grid of
// 2000 x 2000 to 2e-3). Every iteration moves the spot, so that neither library can hand back
// its previous answer.
#include <benchmark/benchmark.h>

#include <ql/experimental/barrieroption/analyticdoublebarrierengine.hpp>
#include <ql/experimental/barrieroption/doublebarrieroption.hpp>
#include <ql/quantlib.hpp>

#include "binding/parameterblock.h"
#include "finitedifference/AmericanBarrier.h"
#include "finitedifference/DoubleBarrier.h"
#include "finitedifference/fdvaluation.h"
#include "gridblock.h"
#include "reference.h"

namespace {

constexpr double T = 1.0, S = 100.0, H = 80.0, K = 110.0, sigma = 0.3, r = 0.08, q = 0.0;
constexpr double L = 80.0, U = 130.0, Kd = 100.0, sigmad = 0.2, rd = 0.05, qd = 0.02;

// A flat QuantLib market (expiry 365 days, Actual/365: T = 1) with a movable spot.
struct quantlibmarket {
  QuantLib::ext::shared_ptr<QuantLib::SimpleQuote> spot;
  QuantLib::ext::shared_ptr<QuantLib::GeneralizedBlackScholesProcess> process;
  QuantLib::Date maturity;
  quantlibmarket(double vol, double rate, double yield) {
    using namespace QuantLib;
    const Date today(15, May, 2024);
    Settings::instance().evaluationDate() = today;
    maturity = today + 365;
    const DayCounter dc = Actual365Fixed();
    spot = ext::make_shared<SimpleQuote>(S);
    process = ext::make_shared<BlackScholesMertonProcess>(
        Handle<Quote>(spot),
        Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, yield, dc)),
        Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, rate, dc)),
        Handle<BlackVolTermStructure>(
            ext::make_shared<BlackConstantVol>(today, NullCalendar(), vol, dc)));
  }
};

QuantLib::ext::shared_ptr<QuantLib::BarrierOption> quantlibdownoutput(const quantlibmarket& m,
                                                                      int steps) {
  using namespace QuantLib;
  auto option = ext::make_shared<BarrierOption>(
      Barrier::DownOut, H, 0.0, ext::make_shared<PlainVanillaPayoff>(Option::Put, K),
      ext::make_shared<AmericanExercise>(Settings::instance().evaluationDate(), m.maturity));
  option->setPricingEngine(
      ext::make_shared<
          BinomialBarrierEngine<CoxRossRubinstein, DiscretizedDermanKaniBarrierOption>>(
          m.process, steps, steps));
  return option;
}

QuantLib::ext::shared_ptr<QuantLib::DoubleBarrierOption> quantlibdoubleknockout(
    const quantlibmarket& m) {
  using namespace QuantLib;
  auto option = ext::make_shared<DoubleBarrierOption>(
      DoubleBarrier::KnockOut, L, U, 0.0, ext::make_shared<PlainVanillaPayoff>(Option::Call, Kd),
      ext::make_shared<EuropeanExercise>(m.maturity));
  option->setPricingEngine(ext::make_shared<AnalyticDoubleBarrierEngine>(m.process));
  return option;
}

double converged() {
  static const double value = [] {
    quantlibmarket m(sigma, r, q);
    return quantlibdownoutput(m, 8000)->NPV();
  }();
  return value;
}

// The default grid errs by about 2.7% on this contract (the barrier's zero edge one spacing from
// an exercised node); the sides agree within 5%.
reference::comparison putcomparison(int steps) {
  gridblock params;
  quantlibmarket m(sigma, r, q);
  return {AmericanBarrier::downoutput(T, S, H, K, sigma, r, q, &params.words),
          quantlibdownoutput(m, steps)->NPV(), converged(), 0.05};
}

void americanbarrier_kzr_DOWNOUTAPO_100x50(benchmark::State& state) {
  const reference::comparison c = putcomparison(100);
  if (!reference::agree(state, c, c.kzr)) return;
  gridblock params;
  movingspot spotof{S};
  for (auto _ : state)
    benchmark::DoNotOptimize(
        AmericanBarrier::downoutput(T, spotof(), H, K, sigma, r, q, &params.words));
}
BENCHMARK(americanbarrier_kzr_DOWNOUTAPO_100x50);

void americanbarrier_quantlib_BinomialBarrierAmerican(benchmark::State& state) {
  const int steps = static_cast<int>(state.range(0));
  const reference::comparison c = putcomparison(steps);
  if (!reference::agree(state, c, c.peer)) return;
  quantlibmarket m(sigma, r, q);
  auto option = quantlibdownoutput(m, steps);
  movingspot spotof{S};
  for (auto _ : state) {
    m.spot->setValue(spotof());
    benchmark::DoNotOptimize(option->NPV());
  }
}
BENCHMARK(americanbarrier_quantlib_BinomialBarrierAmerican)->Arg(10)->Arg(20)->Arg(50)->Arg(100);

void americanbarrier_kzr_DOWNOUTAPO_cachedreprice(benchmark::State& state) {
  gridblock params(true);
  const double first = AmericanBarrier::downoutput(T, S, H, K, sigma, r, q, &params.words);
  gridblock fresh;
  if (first != AmericanBarrier::downoutput(T, S, H, K, sigma, r, q, &fresh.words)) {
    state.SkipWithError("the cached grid differs from a fresh solve");
    return;
  }
  state.counters["error"] = std::fabs(first - converged());
  movingspot spotof{S};
  for (auto _ : state)
    benchmark::DoNotOptimize(
        AmericanBarrier::downoutput(T, spotof() - 3.0, H, K, sigma, r, q, &params.words));
}
BENCHMARK(americanbarrier_kzr_DOWNOUTAPO_cachedreprice);

reference::comparison doublecomparison() {
  gridblock params;
  quantlibmarket m(sigmad, rd, qd);
  const double series = quantlibdoubleknockout(m)->NPV();
  return {EuropeanDoubleBarrier::knockoutcall(T, S, L, U, Kd, sigmad, rd, qd, &params.words),
          series, series, 0.005};
}

void americanbarrier_kzr_DBKNOCKOUTECO_100x50(benchmark::State& state) {
  const reference::comparison c = doublecomparison();
  if (!reference::agree(state, c, c.kzr)) return;
  gridblock params;
  movingspot spotof{S};
  for (auto _ : state)
    benchmark::DoNotOptimize(
        EuropeanDoubleBarrier::knockoutcall(T, spotof(), L, U, Kd, sigmad, rd, qd, &params.words));
}
BENCHMARK(americanbarrier_kzr_DBKNOCKOUTECO_100x50);

void americanbarrier_quantlib_AnalyticDoubleBarrier(benchmark::State& state) {
  const reference::comparison c = doublecomparison();
  if (!reference::agree(state, c, c.peer)) return;
  quantlibmarket m(sigmad, rd, qd);
  auto option = quantlibdoubleknockout(m);
  movingspot spotof{S};
  for (auto _ : state) {
    m.spot->setValue(spotof());
    benchmark::DoNotOptimize(option->NPV());
  }
}
BENCHMARK(americanbarrier_quantlib_AnalyticDoubleBarrier);

}  // namespace
