// European barriers, compounds, the complex chooser, lookbacks and extendibles: each family
// through fun (host call included) beside QuantLib's analytic engine re-pricing the same contract
// after a spot change.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include <ql/quantlib.hpp>

#include "host.h"

namespace {

using namespace QuantLib;

// fun on one contract, the spot (input spotrow) nudged every other call so nothing is cached.
void runfun(benchmark::State& state, const std::string& code, std::vector<double> inputs,
            int spotrow) {
  static standin::host library;
  const auto rows = static_cast<std::int64_t>(inputs.size());
  const double spot = inputs[spotrow];
  standin::tensor T0 = standin::realtensor({rows, 1}, inputs);
  standin::tensor T1 = standin::integertensor({6}, {1, 1, 1, 1, 1, 1});
  standin::tensor T2 = standin::realtensor({6, 1}, std::vector<double>(6, 0.0));
  for (auto _ : state) {
    T0.reals[spotrow] = spot + 1e-9 * static_cast<double>(state.iterations() & 1);
    benchmark::DoNotOptimize(library.fun(code, T0, T1, T2).value);
  }
}

// A flat market of Actual/360 days, as in the tests.
struct market {
  Date today{15, May, 2024};
  DayCounter daycount = Actual360();
  ext::shared_ptr<SimpleQuote> spot;
  ext::shared_ptr<GeneralizedBlackScholesProcess> process;
  market(double S, double sigma, double r, double q) {
    Settings::instance().evaluationDate() = today;
    spot = ext::make_shared<SimpleQuote>(S);
    Handle<YieldTermStructure> rates(ext::make_shared<FlatForward>(today, r, daycount));
    Handle<YieldTermStructure> dividends(ext::make_shared<FlatForward>(today, q, daycount));
    Handle<BlackVolTermStructure> vol(
        ext::make_shared<BlackConstantVol>(today, NullCalendar(), sigma, daycount));
    process = ext::make_shared<BlackScholesMertonProcess>(Handle<Quote>(spot), dividends, rates,
                                                          vol);
  }
  Date at(double T) const { return today + static_cast<Integer>(T * 360.0 + 0.5); }
  ext::shared_ptr<Exercise> expiry(double T) const {
    return ext::make_shared<EuropeanExercise>(at(T));
  }
};

void reprice(benchmark::State& state, Instrument& option, SimpleQuote& spot) {
  const double S = spot.value();
  double bump = 0.0;
  for (auto _ : state) {
    bump = bump == 0.0 ? 1e-9 : 0.0;
    spot.setValue(S + bump);
    benchmark::DoNotOptimize(option.NPV());
  }
}

// Down-and-out call, Haug's table: T 0.5, S 100, H 95, X 90, sigma 0.25, r 0.08, q 0.04, R 3.
void kzr_fun_DOWNOUTECO(benchmark::State& state) {
  runfun(state, "DOWNOUTECO", {0.5, 100, 95, 90, 0.25, 0.08, 0.04, 3}, 1);
}
BENCHMARK(kzr_fun_DOWNOUTECO);

void quantlib_AnalyticBarrierEngine_reprice(benchmark::State& state) {
  market m(100, 0.25, 0.08, 0.04);
  BarrierOption option(Barrier::DownOut, 95, 3, ext::make_shared<PlainVanillaPayoff>(Option::Call, 90),
                       m.expiry(0.5));
  option.setPricingEngine(ext::make_shared<AnalyticBarrierEngine>(m.process));
  reprice(state, option, *m.spot);
}
BENCHMARK(quantlib_AnalyticBarrierEngine_reprice);

// Put on a call, Haug's example: T 0.5, t 0.25, S 500, K 520, k 50, sigma 0.35, r 0.08, q 0.03.
void kzr_fun_POCEO(benchmark::State& state) {
  runfun(state, "POCEO", {0.5, 0.25, 500, 520, 50, 0.35, 0.08, 0.03}, 2);
}
BENCHMARK(kzr_fun_POCEO);

void quantlib_AnalyticCompoundOptionEngine_reprice(benchmark::State& state) {
  market m(500, 0.35, 0.08, 0.03);
  CompoundOption option(ext::make_shared<PlainVanillaPayoff>(Option::Put, 50), m.expiry(0.25),
                        ext::make_shared<PlainVanillaPayoff>(Option::Call, 520), m.expiry(0.5));
  option.setPricingEngine(ext::make_shared<AnalyticCompoundOptionEngine>(m.process));
  reprice(state, option, *m.spot);
}
BENCHMARK(quantlib_AnalyticCompoundOptionEngine_reprice);

// Complex chooser: t 0.25, S 50, Tc 0.5, Kc 55, Tp 0.75, Kp 48, sigma 0.35, r 0.1, q 0.05.
void kzr_fun_CHOOSER(benchmark::State& state) {
  runfun(state, "CHOOSER", {0.25, 50, 0.5, 55, 0.75, 48, 0.35, 0.1, 0.05}, 1);
}
BENCHMARK(kzr_fun_CHOOSER);

void quantlib_AnalyticComplexChooserEngine_reprice(benchmark::State& state) {
  market m(50, 0.35, 0.1, 0.05);
  // This engine reads each expiry date as the choice date plus the expiry.
  const ext::shared_ptr<Exercise> call = m.expiry(0.25 + 0.5), put = m.expiry(0.25 + 0.75);
  ComplexChooserOption option(m.at(0.25), 55, 48, call, put);
  option.setPricingEngine(ext::make_shared<AnalyticComplexChooserEngine>(m.process));
  reprice(state, option, *m.spot);
}
BENCHMARK(quantlib_AnalyticComplexChooserEngine_reprice);

// Floating-strike lookback call: T 0.5, S 120, minimum 100, sigma 0.3, r 0.1, q 0.06.
void kzr_fun_LBFLSTECO(benchmark::State& state) {
  runfun(state, "LBFLSTECO", {0.5, 120, 100, 0.3, 0.1, 0.06}, 1);
}
BENCHMARK(kzr_fun_LBFLSTECO);

void quantlib_AnalyticContinuousFloatingLookbackEngine_reprice(benchmark::State& state) {
  market m(120, 0.3, 0.1, 0.06);
  ContinuousFloatingLookbackOption option(100, ext::make_shared<FloatingTypePayoff>(Option::Call),
                                          m.expiry(0.5));
  option.setPricingEngine(ext::make_shared<AnalyticContinuousFloatingLookbackEngine>(m.process));
  reprice(state, option, *m.spot);
}
BENCHMARK(quantlib_AnalyticContinuousFloatingLookbackEngine_reprice);

// Fixed-strike lookback call: T 0.5, S 100, maximum 110, X 105, sigma 0.3, r 0.1, q 0.04.
void kzr_fun_LBFXSTECO(benchmark::State& state) {
  runfun(state, "LBFXSTECO", {0.5, 100, 110, 105, 0.3, 0.1, 0.04}, 1);
}
BENCHMARK(kzr_fun_LBFXSTECO);

void quantlib_AnalyticContinuousFixedLookbackEngine_reprice(benchmark::State& state) {
  market m(100, 0.3, 0.1, 0.04);
  ContinuousFixedLookbackOption option(110, ext::make_shared<PlainVanillaPayoff>(Option::Call, 105),
                                       m.expiry(0.5));
  option.setPricingEngine(ext::make_shared<AnalyticContinuousFixedLookbackEngine>(m.process));
  reprice(state, option, *m.spot);
}
BENCHMARK(quantlib_AnalyticContinuousFixedLookbackEngine_reprice);

// Holder-extendible call: t1 0.5, T2 1, S 100, X1 100, X2 100, sigma 0.3, r 0.05, q 0, A 2.
void kzr_fun_EXTHECO(benchmark::State& state) {
  runfun(state, "EXTHECO", {0.5, 1, 100, 100, 100, 0.3, 0.05, 0, 2}, 2);
}
BENCHMARK(kzr_fun_EXTHECO);

void quantlib_AnalyticHolderExtensibleOptionEngine_reprice(benchmark::State& state) {
  market m(100, 0.3, 0.05, 0.0);
  HolderExtensibleOption option(Option::Call, 2, m.at(1), 100,
                                ext::make_shared<PlainVanillaPayoff>(Option::Call, 100),
                                m.expiry(0.5));
  option.setPricingEngine(ext::make_shared<AnalyticHolderExtensibleOptionEngine>(m.process));
  reprice(state, option, *m.spot);
}
BENCHMARK(quantlib_AnalyticHolderExtensibleOptionEngine_reprice);

// Writer-extendible call, Haug's example: t1 0.5, T2 0.75, S 80, X1 90, X2 82, sigma 0.3, r 0.1.
void kzr_fun_EXTWECO(benchmark::State& state) {
  runfun(state, "EXTWECO", {0.5, 0.75, 80, 90, 82, 0.3, 0.1, 0}, 2);
}
BENCHMARK(kzr_fun_EXTWECO);

void quantlib_AnalyticWriterExtensibleOptionEngine_reprice(benchmark::State& state) {
  market m(80, 0.3, 0.1, 0.0);
  WriterExtensibleOption option(ext::make_shared<PlainVanillaPayoff>(Option::Call, 90),
                                m.expiry(0.5),
                                ext::make_shared<PlainVanillaPayoff>(Option::Call, 82),
                                m.expiry(0.75));
  option.setPricingEngine(ext::make_shared<AnalyticWriterExtensibleOptionEngine>(m.process));
  reprice(state, option, *m.spot);
}
BENCHMARK(quantlib_AnalyticWriterExtensibleOptionEngine_reprice);

}  // namespace
