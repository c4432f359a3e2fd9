// The asymmetric power call through fun beside QuantLib's analytic European engine re-pricing the
// same contract: a call on S^i, which is lognormal with volatility i*sigma and the drift of the
// i-th power. The reference integrates (S_T^i - K)+ over the lognormal price.
// Then the accuracy per time of the symmetric call POWEREDECO (pays max(S - K, 0)^2; T 1, S 100,
// K 100, sigma 0.2, r 0.05, q 0.02): the design's tree at its default 100 steps and at 1400 steps
// (the first hundred that reach 1e-4 relative: the tree converges as 1/n), and the precise
// option at its default (the lognormal integral) and at 100 explicit steps (the smoothed,
// extrapolated tree). Counters "error" and "relerror" against the closed form derived below; a
// row further than its tolerance from it is skipped with an error before timing.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>

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

// e^(-rT) E[(S_T - K)^2 1{S_T > K}] = e^(-rT) (E[S^2 1] - 2K E[S 1] + K^2 P(S > K)), where
// e^(-rT) E[S^j 1{S > K}] = e^(-rT) F^j e^(j(j-1)s^2/2) N(d_j), d_j = (ln(F/K) + (j - 1/2)s^2)/s
// for the forward F and s = sigma sqrt(T): S^j weights the law of ln S_T by a shift of j s^2.
namespace squared {
constexpr double T = 1.0, S = 100.0, K = 100.0, sigma = 0.2, r = 0.05, q = 0.02;
}

double squaredcall() {
  const double K = squared::K, r = squared::r, T = squared::T;
  const double F = squared::S * std::exp((r - squared::q) * T), s = squared::sigma * std::sqrt(T);
  const auto moment = [&](int j) {
    const double d = (std::log(F / K) + (j - 0.5) * s * s) / s;
    return std::pow(F, j) * std::exp(j * (j - 1) * s * s / 2) * reference::cdf(d);
  };
  return std::exp(-r * T) * (moment(2) - 2 * K * moment(1) + K * K * moment(0));
}

// POWEREDECO through fun: entry 4 (steps, 0 for the default) and the precise option.
struct symmetricpowercall {
  standin::tensor T0 = standin::realtensor(
      {7, 1}, {squared::T, squared::S, squared::K, squared::sigma, squared::r, squared::q, 2.0});
  standin::tensor T1 = standin::integertensor({6}, {1, 1, 1, 1, 1, 1});
  standin::tensor T2 = standin::realtensor({6, 2}, std::vector<double>(12, 0.0));
  symmetricpowercall(double steps, bool precise) {
    if (steps > 0) {
      T1.integers[4] = 0;
      T2.reals[2 * 4] = steps;
    }
    if (precise) {
      T1.integers[5] = 0;
      T2.reals[2 * 5 + 1] = 1;
    }
  }
  double operator()() { return library().fun("POWEREDECO", T0, T1, T2).value; }
};

void powertree(benchmark::State& state, double steps, bool precise, double tolerance) {
  symmetricpowercall call(steps, precise);
  const double answer = call(), exact = squaredcall();
  const double error = std::fabs(answer - exact);
  if (!(error <= tolerance * exact)) {
    char text[160];
    std::snprintf(text, sizeof text, "%.12g against the closed form %.12g", answer, exact);
    state.SkipWithError(text);
    return;
  }
  state.counters["error"] = error;
  state.counters["relerror"] = error / exact;
  int tick = 0;
  for (auto _ : state) {
    tick = (tick + 1) & 7;
    call.T0.reals[1] = squared::S + 1e-6 * tick;
    benchmark::DoNotOptimize(call());
  }
}

void precise_POWEREDECO_design(benchmark::State& state) {
  powertree(state, static_cast<double>(state.range(0)), false, state.range(0) == 0 ? 3e-3 : 1e-4);
}
BENCHMARK(precise_POWEREDECO_design)->Arg(0)->Arg(1400)->Unit(benchmark::kMillisecond);
void precise_POWEREDECO_precise(benchmark::State& state) {
  powertree(state, static_cast<double>(state.range(0)), true, state.range(0) == 0 ? 1e-9 : 1e-4);
}
BENCHMARK(precise_POWEREDECO_precise)->Arg(0)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace

