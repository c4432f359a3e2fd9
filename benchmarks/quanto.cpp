// The fixed-rate quanto call through fun beside QuantLib's quanto engine over its analytic
// European engine, re-pricing after a spot change.
#include <benchmark/benchmark.h>

#include <ql/quantlib.hpp>

#include "host.h"

namespace {

constexpr double T = 0.5, S = 100.0, Ep = 1.5, X = 105.0, sigmaS = 0.2, sigmaE = 0.1, rho = 0.3,
                 r = 0.08, q = 0.04, rf = 0.05;

void kzr_fun_QUANTOFXFEECO(benchmark::State& state) {
  static standin::host library;
  standin::tensor T0 =
      standin::realtensor({10, 1}, {T, S, Ep, X, sigmaS, sigmaE, rho, r, q, rf});
  standin::tensor T1 = standin::integertensor({6}, {1, 1, 1, 1, 1, 1});
  standin::tensor T2 = standin::realtensor({6, 1}, std::vector<double>(6, 0.0));
  for (auto _ : state) {
    T0.reals[1] = S + 1e-9 * static_cast<double>(state.iterations() & 1);
    benchmark::DoNotOptimize(library.fun("QUANTOFXFEECO", T0, T1, T2).value);
  }
}
BENCHMARK(kzr_fun_QUANTOFXFEECO);

void quantlib_QuantoEngine_reprice(benchmark::State& state) {
  using namespace QuantLib;
  const Date today(15, May, 2024);
  Settings::instance().evaluationDate() = today;
  const DayCounter dc = Actual365Fixed();
  auto flat = [&](double rate) {
    return Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, rate, dc));
  };
  auto vol = [&](double s) {
    return Handle<BlackVolTermStructure>(
        ext::make_shared<BlackConstantVol>(today, NullCalendar(), s, dc));
  };
  auto spot = ext::make_shared<SimpleQuote>(S);
  auto process =
      ext::make_shared<BlackScholesMertonProcess>(Handle<Quote>(spot), flat(q), flat(r), vol(sigmaS));
  QuantoVanillaOption option(ext::make_shared<PlainVanillaPayoff>(Option::Call, X),
                             ext::make_shared<EuropeanExercise>(today + 182));
  option.setPricingEngine(ext::make_shared<QuantoEngine<VanillaOption, AnalyticEuropeanEngine>>(
      process, flat(rf), vol(sigmaE), Handle<Quote>(ext::make_shared<SimpleQuote>(rho))));
  double bump = 0.0;
  for (auto _ : state) {
    bump = bump == 0.0 ? 1e-9 : 0.0;
    spot->setValue(S + bump);
    benchmark::DoNotOptimize(Ep * option.NPV());
  }
}
BENCHMARK(quantlib_QuantoEngine_reprice);

}  // namespace
