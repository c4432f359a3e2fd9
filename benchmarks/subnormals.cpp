// Trees and grids whose far nodes pass through subnormal numbers, beside QuantLib:
//   BINACO and BINAPO at 20,000 steps (the call's low nodes decay through the subnormal band:
//   without the flush its time was some ten times the put's on processors that take subnormal
//   operands slowly), each against BinomialVanillaEngine<CoxRossRubinstein> at 20,000 steps;
//   BSAPO on a 2000 x 2000 grid at r = 0 against FdBlackScholesVanillaEngine on the same sizes.
// The sides agree to 1e-3 before anything is timed; the reference is QuantLib's
// finite-difference engine on a 4000 x 4000 grid.
#include <benchmark/benchmark.h>

#include <ql/quantlib.hpp>

#include "binding/parameterblock.h"
#include "finitedifference/AmericanVanilla.h"
#include "finitedifference/fdvaluation.h"
#include "gridblock.h"
#include "reference.h"

namespace {

constexpr double T = 1.0, S = 100.0, K = 100.0, sigma = 0.2, q = 0.02;
constexpr int treesteps = 20000, gridsize = 2000;

// QuantLib's American option (expiry 365 days, Actual/365: T = 1) on a flat market at rate r.
struct quantliboption {
  QuantLib::ext::shared_ptr<QuantLib::GeneralizedBlackScholesProcess> process;
  QuantLib::ext::shared_ptr<QuantLib::VanillaOption> option;
  quantliboption(QuantLib::Option::Type type, double r) {
    using namespace QuantLib;
    const Date today(15, May, 2024);
    Settings::instance().evaluationDate() = today;
    const DayCounter dc = Actual365Fixed();
    process = ext::make_shared<BlackScholesMertonProcess>(
        Handle<Quote>(ext::make_shared<SimpleQuote>(S)),
        Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, q, dc)),
        Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, r, dc)),
        Handle<BlackVolTermStructure>(
            ext::make_shared<BlackConstantVol>(today, NullCalendar(), sigma, dc)));
    option =
        ext::make_shared<VanillaOption>(ext::make_shared<PlainVanillaPayoff>(type, K),
                                        ext::make_shared<AmericanExercise>(today, today + 365));
  }
  template <typename engine, typename... sizes>
  double value(sizes... gridsizes) {
    option->setPricingEngine(QuantLib::ext::make_shared<engine>(process, gridsizes...));
    return option->NPV();
  }
};

double fine(QuantLib::Option::Type type, double r) {
  return quantliboption(type, r).value<QuantLib::FdBlackScholesVanillaEngine>(4000, 4000);
}

double tree(int callput, double r) {
  gridblock params;
  params.words.entries[entrysteps].flag = 0;
  params.rows[entrysteps][0] = treesteps;
  return callput > 0 ? AmericanVanilla::binomialcall(T, S, K, sigma, r, q, &params.words)
                     : AmericanVanilla::binomialput(T, S, K, sigma, r, q, &params.words);
}

double grid(double r) {
  gridblock params;
  params.words.entries[entrygrid].flag = 0;
  params.rows[entrygrid][0] = gridsize;
  params.rows[entrygrid][1] = gridsize;
  return AmericanVanilla::gridput(T, S, K, sigma, r, q, &params.words);
}

const reference::comparison& treecomparison(int callput) {
  static const auto make = [](int side) {
    const QuantLib::Option::Type type = side > 0 ? QuantLib::Option::Call : QuantLib::Option::Put;
    return reference::comparison{
        tree(side, 0.05),
        quantliboption(type, 0.05)
            .value<QuantLib::BinomialVanillaEngine<QuantLib::CoxRossRubinstein>>(treesteps),
        fine(type, 0.05), 1e-3};
  };
  static const reference::comparison call = make(1), put = make(-1);
  return callput > 0 ? call : put;
}

const reference::comparison& gridcomparison() {
  static const reference::comparison c{
      grid(0.0),
      quantliboption(QuantLib::Option::Put, 0.0)
          .value<QuantLib::FdBlackScholesVanillaEngine>(gridsize, gridsize),
      fine(QuantLib::Option::Put, 0.0), 1e-3};
  return c;
}

void subnormals_kzr_BINACO_20000steps(benchmark::State& state) {
  if (!reference::agree(state, treecomparison(1), treecomparison(1).kzr)) return;
  for (auto _ : state) benchmark::DoNotOptimize(tree(1, 0.05));
}
BENCHMARK(subnormals_kzr_BINACO_20000steps)->Unit(benchmark::kMillisecond);

void subnormals_kzr_BINAPO_20000steps(benchmark::State& state) {
  if (!reference::agree(state, treecomparison(-1), treecomparison(-1).kzr)) return;
  for (auto _ : state) benchmark::DoNotOptimize(tree(-1, 0.05));
}
BENCHMARK(subnormals_kzr_BINAPO_20000steps)->Unit(benchmark::kMillisecond);

void subnormals_quantlib_BinomialCRR_call_20000steps(benchmark::State& state) {
  if (!reference::agree(state, treecomparison(1), treecomparison(1).peer)) return;
  quantliboption call(QuantLib::Option::Call, 0.05);
  for (auto _ : state)
    benchmark::DoNotOptimize(
        call.value<QuantLib::BinomialVanillaEngine<QuantLib::CoxRossRubinstein>>(treesteps));
}
BENCHMARK(subnormals_quantlib_BinomialCRR_call_20000steps)->Unit(benchmark::kMillisecond);

void subnormals_quantlib_BinomialCRR_put_20000steps(benchmark::State& state) {
  if (!reference::agree(state, treecomparison(-1), treecomparison(-1).peer)) return;
  quantliboption put(QuantLib::Option::Put, 0.05);
  for (auto _ : state)
    benchmark::DoNotOptimize(
        put.value<QuantLib::BinomialVanillaEngine<QuantLib::CoxRossRubinstein>>(treesteps));
}
BENCHMARK(subnormals_quantlib_BinomialCRR_put_20000steps)->Unit(benchmark::kMillisecond);

void subnormals_kzr_BSAPO_2000x2000_r0(benchmark::State& state) {
  if (!reference::agree(state, gridcomparison(), gridcomparison().kzr)) return;
  for (auto _ : state) benchmark::DoNotOptimize(grid(0.0));
}
BENCHMARK(subnormals_kzr_BSAPO_2000x2000_r0)->Unit(benchmark::kMillisecond);

void subnormals_quantlib_FdBlackScholesVanilla_2000x2000_r0(benchmark::State& state) {
  if (!reference::agree(state, gridcomparison(), gridcomparison().peer)) return;
  quantliboption put(QuantLib::Option::Put, 0.0);
  for (auto _ : state)
    benchmark::DoNotOptimize(put.value<QuantLib::FdBlackScholesVanillaEngine>(gridsize, gridsize));
}
BENCHMARK(subnormals_quantlib_FdBlackScholesVanilla_2000x2000_r0)->Unit(benchmark::kMillisecond);

}  // namespace
