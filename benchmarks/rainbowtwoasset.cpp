// The call on the maximum of two assets through fun beside QuantLib's Stulz engine re-pricing
// after a spot change.
#include <benchmark/benchmark.h>

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

void quantlib_StulzEngine_reprice(benchmark::State& state) {
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
  auto spot1 = ext::make_shared<SimpleQuote>(S1);
  auto spot2 = ext::make_shared<SimpleQuote>(S2);
  BasketOption option(
      ext::make_shared<MaxBasketPayoff>(ext::make_shared<PlainVanillaPayoff>(Option::Call, X)),
      ext::make_shared<EuropeanExercise>(today + 180));
  option.setPricingEngine(ext::make_shared<StulzEngine>(process(spot1, q1, sigma1),
                                                        process(spot2, q2, sigma2), rho));
  double bump = 0.0;
  for (auto _ : state) {
    bump = bump == 0.0 ? 1e-9 : 0.0;
    spot1->setValue(S1 + bump);
    benchmark::DoNotOptimize(option.NPV());
  }
}
BENCHMARK(quantlib_StulzEngine_reprice);

}  // namespace
