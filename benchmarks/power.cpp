// The asymmetric power call through fun beside QuantLib's analytic European engine re-pricing the
// same contract: a call on S^i, which is lognormal with volatility i*sigma and the drift of the
// i-th power. The reference integrates (S_T^i - K)+ over the lognormal price.
#include <benchmark/benchmark.h>

#include <cmath>

#include <ql/quantlib.hpp>

#include "host.h"
#include "reference.h"

namespace {

constexpr double T = 0.5, S = 10.0, K = 100.0, sigma = 0.2, r = 0.08, q = 0.02, i = 2.0;

// QuantLib's call on S^i, expiring in 180 days of Actual/360 (T = 0.5).
struct quantlibpower {
  QuantLib::ext::shared_ptr<QuantLib::SimpleQuote> spot;
  QuantLib::ext::shared_ptr<QuantLib::EuropeanOption> option;
  quantlibpower() {
    using namespace QuantLib;
    const Date today(15, May, 2024);
    Settings::instance().evaluationDate() = today;
    const DayCounter dc = Actual360();
    // S^i grows at i(r - q) + i(i - 1) sigma^2 / 2: a yield r minus that.
    const double poweryield = r - (i * (r - q) + i * (i - 1) * sigma * sigma / 2);
    spot = ext::make_shared<SimpleQuote>(std::pow(S, i));
    auto process = ext::make_shared<BlackScholesMertonProcess>(
        Handle<Quote>(spot),
        Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, poweryield, dc)),
        Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, r, dc)),
        Handle<BlackVolTermStructure>(
            ext::make_shared<BlackConstantVol>(today, NullCalendar(), i * sigma, dc)));
    option = ext::make_shared<EuropeanOption>(ext::make_shared<PlainVanillaPayoff>(Option::Call, K),
                                              ext::make_shared<EuropeanExercise>(today + 180));
    option->setPricingEngine(ext::make_shared<AnalyticEuropeanEngine>(process));
  }
};

standin::host& library() {
  static standin::host loaded;
  return loaded;
}

const reference::comparison& checked() {
  static const reference::comparison c = [] {
    standin::tensor T0 = standin::realtensor({7, 1}, {T, S, K, sigma, r, q, i});
    standin::tensor T1 = standin::integertensor({6}, {1, 1, 1, 1, 1, 1});
    standin::tensor T2 = standin::realtensor({6, 1}, std::vector<double>(6, 0.0));
    return reference::comparison{
        library().fun("POWERECO", T0, T1, T2).value, quantlibpower().option->NPV(),
        std::exp(-r * T) * reference::lognormalexpectation(
                               [](double ST) { return std::max(std::pow(ST, i) - K, 0.0); },
                               reference::lognormal{S, r - q, sigma, T}, {std::pow(K, 1 / i)}),
        1e-10};
  }();
  return c;
}

void kzr_fun_POWERECO(benchmark::State& state) {
  standin::tensor T0 = standin::realtensor({7, 1}, {T, S, K, sigma, r, q, i});
  standin::tensor T1 = standin::integertensor({6}, {1, 1, 1, 1, 1, 1});
  standin::tensor T2 = standin::realtensor({6, 1}, std::vector<double>(6, 0.0));
  standin::host& host = library();
  if (!reference::agree(state, checked(), host.fun("POWERECO", T0, T1, T2).value)) return;
  for (auto _ : state) {
    T0.reals[1] = S + 1e-9 * static_cast<double>(state.iterations() & 1);
    benchmark::DoNotOptimize(host.fun("POWERECO", T0, T1, T2).value);
  }
}
BENCHMARK(kzr_fun_POWERECO);

void quantlib_power_AnalyticEuropeanEngine_reprice(benchmark::State& state) {
  quantlibpower power;
  if (!reference::agree(state, checked(), power.option->NPV())) return;
  const double powerspot = power.spot->value();
  double bump = 0.0;
  for (auto _ : state) {
    bump = bump == 0.0 ? 1e-9 : 0.0;
    power.spot->setValue(powerspot + bump);
    benchmark::DoNotOptimize(power.option->NPV());
  }
}
BENCHMARK(quantlib_power_AnalyticEuropeanEngine_reprice);

}  // namespace
