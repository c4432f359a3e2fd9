// The call on the maximum of two assets through fun, with the default and the precise bivariate
// normal, beside QuantLib's Stulz engine re-pricing after a spot change. The reference integrates
// over the first asset's price, given which the second's is lognormal and the payoff's expectation
// a Black value.
#include <benchmark/benchmark.h>

#include <cmath>

#include <ql/quantlib.hpp>

#include "closedform/EuropeanRainbowTwoAsset.h"
#include "host.h"
#include "numerics/normaldistribution.h"
#include "reference.h"

namespace {

constexpr double T = 0.5, S1 = 100.0, S2 = 105.0, sigma1 = 0.11, sigma2 = 0.16, rho = 0.63,
                 r = 0.05, q1 = 0.06, q2 = 0.09, X = 98.0;

// e^{-rT} E[(max(S1_T, S2_T) - X)+]: given z1 (S1_T = s1), S2_T is lognormal, so the payoff's
// expectation is s1 - X plus a call on S2 struck at s1 (s1 above X), or a call on S2 struck at X.
double callmaxreference() {
  const reference::lognormal first{S1, r - q1, sigma1, T}, second{S2, r - q2, sigma2, T};
  const auto given = [&](double z1) {
    const double s1 = first.price(z1);
    const reference::conditional c = reference::given(second, rho, z1);
    if (s1 > X)
      return s1 - X + QuantLib::blackFormula(QuantLib::Option::Call, s1, c.forward, c.deviation);
    return QuantLib::blackFormula(QuantLib::Option::Call, X, c.forward, c.deviation);
  };
  return std::exp(-r * T) * reference::normalexpectation(given, {first.z(X)});
}

// The two-asset call under QuantLib's Stulz engine (180 days of Actual/360: T = 0.5).
struct quantlibcallmax {
  QuantLib::ext::shared_ptr<QuantLib::SimpleQuote> spot1, spot2;
  QuantLib::ext::shared_ptr<QuantLib::BasketOption> option;
  quantlibcallmax() {
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
    option->setPricingEngine(
        ext::make_shared<StulzEngine>(process(spot1, q1, sigma1), process(spot2, q2, sigma2), rho));
  }
};

const reference::comparison& checked() {
  // Stulz's formula on QuantLib's bivariate normal against Drezner's rule: 1e-4 apart at most.
  static const reference::comparison c = {
      EuropeanRainbowTwoAsset::rainbowcallmax(T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X),
      quantlibcallmax().option->NPV(), callmaxreference(), 1e-4};
  return c;
}

void kzr_fun_RAINBOWMAX2ECO(benchmark::State& state) {
  static standin::host library;
  standin::tensor T0 = standin::realtensor({10, 1}, {T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X});
  standin::tensor T1 = standin::integertensor({6}, {1, 1, 1, 1, 1, 1});
  standin::tensor T2 = standin::realtensor({6, 1}, std::vector<double>(6, 0.0));
  if (!reference::agree(state, checked(), library.fun("RAINBOWMAX2ECO", T0, T1, T2).value)) return;
  for (auto _ : state) {
    T0.reals[1] = S1 + 1e-9 * static_cast<double>(state.iterations() & 1);
    benchmark::DoNotOptimize(library.fun("RAINBOWMAX2ECO", T0, T1, T2).value);
  }
}
BENCHMARK(kzr_fun_RAINBOWMAX2ECO);

// The bare formula, and the three bivariate normal values it takes, to show where the time goes.
void kzr_rainbowcallmax(benchmark::State& state) {
  double spot = S1;
  if (!reference::agree(state, checked(), checked().kzr)) return;
  for (auto _ : state) {
    benchmark::DoNotOptimize(spot);
    benchmark::DoNotOptimize(
        EuropeanRainbowTwoAsset::rainbowcallmax(T, spot, S2, sigma1, sigma2, rho, r, q1, q2, X));
  }
}
BENCHMARK(kzr_rainbowcallmax);

// Its counter "error" is the largest distance of the three from QuantLib's precise rule.
void kzr_rainbow_threebivariatenormals(benchmark::State& state) {
  double a = 0.3;
  const double arguments[3][3] = {{a, -0.2, 0.4}, {0.1, a, 0.7}, {-a, 0.5, 0.63}};
  double error = 0.0;
  for (const auto& x : arguments) {
    const QuantLib::BivariateCumulativeNormalDistributionWe04DP precise(x[2]);
    error = std::max(error, std::fabs(bivariatenormalcdf(x[0], x[1], x[2]) - precise(x[0], x[1])));
  }
  if (!(error < 1e-5)) {
    state.SkipWithError("the bivariate normal strays from QuantLib's precise rule");
    return;
  }
  state.counters["error"] = error;
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(bivariatenormalcdf(a, -0.2, 0.4) + bivariatenormalcdf(0.1, a, 0.7) +
                             bivariatenormalcdf(-a, 0.5, 0.63));
  }
}
BENCHMARK(kzr_rainbow_threebivariatenormals);

// With the library options asking for the precise bivariate normal (kzr --precise), as QuantLib's
// Stulz engine uses one: the two must agree to 1e-8 before they are timed.
void kzr_fun_RAINBOWMAX2ECO_precise(benchmark::State& state) {
  static standin::host library;
  standin::tensor T0 = standin::realtensor({10, 1}, {T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X});
  standin::tensor T1 = standin::integertensor({6}, {1, 1, 1, 1, 1, 0});
  standin::tensor T2 = standin::realtensor({6, 2}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1});
  const double ours = library.fun("RAINBOWMAX2ECO", T0, T1, T2).value;
  const double theirs = quantlibcallmax().option->NPV();
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
  quantlibcallmax callmax;
  if (!reference::agree(state, checked(), callmax.option->NPV())) return;
  double bump = 0.0;
  for (auto _ : state) {
    bump = bump == 0.0 ? 1e-9 : 0.0;
    callmax.spot1->setValue(S1 + bump);
    benchmark::DoNotOptimize(callmax.option->NPV());
  }
}
BENCHMARK(quantlib_StulzEngine_reprice);

}  // namespace
