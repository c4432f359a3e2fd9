// The call on the maximum of two assets through fun, with the default and the precise bivariate
// normal, beside QuantLib's Stulz engine re-pricing after a spot change.
#include <benchmark/benchmark.h>

#include <cmath>

#include <ql/quantlib.hpp>

#include "closedform/EuropeanRainbowTwoAsset.h"
#include "host.h"
#include "numerics/normaldistribution.h"

namespace {

constexpr double T = 0.5, S1 = 100.0, S2 = 105.0, sigma1 = 0.11, sigma2 = 0.16, rho = 0.63,
                 r = 0.05, q1 = 0.06, q2 = 0.09, X = 98.0;

void kzr_fun_RAINBOWMAX2ECO(benchmark::State& state) {
  static standin::host library;
  standin::tensor T0 =
      standin::realtensor({10, 1}, {T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X});
  standin::tensor T1 = standin::integertensor({6}, {1, 1, 1, 1, 1, 1});
  standin::tensor T2 = standin::realtensor({6, 1}, std::vector<double>(6, 0.0));
  for (auto _ : state) {
    T0.reals[1] = S1 + 1e-9 * static_cast<double>(state.iterations() & 1);
    benchmark::DoNotOptimize(library.fun("RAINBOWMAX2ECO", T0, T1, T2).value);
  }
}
BENCHMARK(kzr_fun_RAINBOWMAX2ECO);

// The bare formula, and the three bivariate normal values it takes, to show where the time goes.
void kzr_rainbowcallmax(benchmark::State& state) {
  double spot = S1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(spot);
    benchmark::DoNotOptimize(EuropeanRainbowTwoAsset::rainbowcallmax(T, spot, S2, sigma1, sigma2,
                                                                     rho, r, q1, q2, X));
  }
}
BENCHMARK(kzr_rainbowcallmax);

void kzr_rainbow_threebivariatenormals(benchmark::State& state) {
  double a = 0.3;
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(bivariatenormalcdf(a, -0.2, 0.4) + bivariatenormalcdf(0.1, a, 0.7) +
                             bivariatenormalcdf(-a, 0.5, 0.63));
  }
}
BENCHMARK(kzr_rainbow_threebivariatenormals);

// The same call in QuantLib: Stulz's engine on two flat Black-Scholes processes.
struct stulzoption {
  QuantLib::ext::shared_ptr<QuantLib::SimpleQuote> spot1, spot2;
  QuantLib::ext::shared_ptr<QuantLib::BasketOption> option;
  stulzoption() {
    using namespace QuantLib;
    const Date today(15, May, 2024);
    Settings::instance().evaluationDate() = today;
    const DayCounter dc = Actual360();
    auto rates = Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, r, dc));
    auto process = [&](const ext::shared_ptr<SimpleQuote>& spot, double q, double sigma) {
      return ext::make_shared<BlackScholesMertonProcess>(
          Handle<Quote>(spot),
          Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, q, dc)), rates,
          Handle<BlackVolTermStructure>(
              ext::make_shared<BlackConstantVol>(today, NullCalendar(), sigma, dc)));
    };
    spot1 = ext::make_shared<SimpleQuote>(S1);
    spot2 = ext::make_shared<SimpleQuote>(S2);
    option = ext::make_shared<BasketOption>(
        ext::make_shared<MaxBasketPayoff>(ext::make_shared<PlainVanillaPayoff>(Option::Call, X)),
        ext::make_shared<EuropeanExercise>(today + 180));
    option->setPricingEngine(ext::make_shared<StulzEngine>(process(spot1, q1, sigma1),
                                                           process(spot2, q2, sigma2), rho));
  }
};

// With the library options asking for the precise bivariate normal (kzr --precise), as QuantLib's
// Stulz engine uses one: the two must agree to 1e-8 before they are timed.
void kzr_fun_RAINBOWMAX2ECO_precise(benchmark::State& state) {
  static standin::host library;
  standin::tensor T0 =
      standin::realtensor({10, 1}, {T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X});
  standin::tensor T1 = standin::integertensor({6}, {1, 1, 1, 1, 1, 0});
  standin::tensor T2 = standin::realtensor({6, 2}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1});
  const double ours = library.fun("RAINBOWMAX2ECO", T0, T1, T2).value;
  const double theirs = stulzoption().option->NPV();
  state.counters["difference"] = ours - theirs;
  if (!(std::fabs(ours - theirs) <= 1e-8 * theirs)) {
    state.SkipWithError("the precise price differs from QuantLib's Stulz engine");
    return;
  }
  for (auto _ : state) {
    T0.reals[1] = S1 + 1e-9 * static_cast<double>(state.iterations() & 1);
    benchmark::DoNotOptimize(library.fun("RAINBOWMAX2ECO", T0, T1, T2).value);
  }
}
BENCHMARK(kzr_fun_RAINBOWMAX2ECO_precise);

void quantlib_StulzEngine_reprice(benchmark::State& state) {
  stulzoption stulz;
  double bump = 0.0;
  for (auto _ : state) {
    bump = bump == 0.0 ? 1e-9 : 0.0;
    stulz.spot1->setValue(S1 + bump);
    benchmark::DoNotOptimize(stulz.option->NPV());
  }
}
BENCHMARK(quantlib_StulzEngine_reprice);

}  // namespace
