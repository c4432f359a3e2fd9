// The fixed-rate quanto call through fun beside QuantLib's quanto engine over its analytic
// European engine, re-pricing after a spot change. The reference integrates Ep (S_T - X)+ over
// the price under the domestic measure, whose drift is rf - q - rho sigmaS sigmaE.
#include <benchmark/benchmark.h>

#include <ql/quantlib.hpp>

#include "host.h"
#include "reference.h"

namespace {

constexpr double T = 0.5, S = 100.0, Ep = 1.5, X = 105.0, sigmaS = 0.2, sigmaE = 0.1, rho = 0.3,
                 r = 0.08, q = 0.04, rf = 0.05;

// QuantLib's quanto call, expiring in 180 days of Actual/360 (T = 0.5).
struct quantlibquanto {
  QuantLib::ext::shared_ptr<QuantLib::SimpleQuote> spot;
  QuantLib::ext::shared_ptr<QuantLib::QuantoVanillaOption> option;
  quantlibquanto() {
    using namespace QuantLib;
    const Date today(15, May, 2024);
    Settings::instance().evaluationDate() = today;
    const DayCounter dc = Actual360();
    auto flat = [&](double rate) {
      return Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, rate, dc));
    };
    auto vol = [&](double s) {
      return Handle<BlackVolTermStructure>(
          ext::make_shared<BlackConstantVol>(today, NullCalendar(), s, dc));
    };
    spot = ext::make_shared<SimpleQuote>(S);
    auto process = ext::make_shared<BlackScholesMertonProcess>(Handle<Quote>(spot), flat(q),
                                                               flat(r), vol(sigmaS));
    option =
        ext::make_shared<QuantoVanillaOption>(ext::make_shared<PlainVanillaPayoff>(Option::Call, X),
                                              ext::make_shared<EuropeanExercise>(today + 180));
    option->setPricingEngine(ext::make_shared<QuantoEngine<VanillaOption, AnalyticEuropeanEngine>>(
        process, flat(rf), vol(sigmaE), Handle<Quote>(ext::make_shared<SimpleQuote>(rho))));
  }
};

standin::tensor data() {
  return standin::realtensor({10, 1}, {T, S, Ep, X, sigmaS, sigmaE, rho, r, q, rf});
}

standin::host& library() {
  static standin::host loaded;
  return loaded;
}

const reference::comparison& checked() {
  static const reference::comparison c = [] {
    standin::tensor T0 = data();
    standin::tensor T1 = standin::integertensor({6}, {1, 1, 1, 1, 1, 1});
    standin::tensor T2 = standin::realtensor({6, 1}, std::vector<double>(6, 0.0));
    const reference::lognormal law{S, rf - q - rho * sigmaS * sigmaE, sigmaS, T};
    return reference::comparison{library().fun("QUANTOFXFEECO", T0, T1, T2).value,
                                 Ep * quantlibquanto().option->NPV(),
                                 Ep * std::exp(-r * T) *
                                     reference::lognormalexpectation(
                                         [](double ST) { return std::max(ST - X, 0.0); }, law, {X}),
                                 1e-10};
  }();
  return c;
}

void kzr_fun_QUANTOFXFEECO(benchmark::State& state) {
  standin::tensor T0 = data();
  standin::tensor T1 = standin::integertensor({6}, {1, 1, 1, 1, 1, 1});
  standin::tensor T2 = standin::realtensor({6, 1}, std::vector<double>(6, 0.0));
  standin::host& host = library();
  if (!reference::agree(state, checked(), host.fun("QUANTOFXFEECO", T0, T1, T2).value)) return;
  for (auto _ : state) {
    T0.reals[1] = S + 1e-9 * static_cast<double>(state.iterations() & 1);
    benchmark::DoNotOptimize(host.fun("QUANTOFXFEECO", T0, T1, T2).value);
  }
}
BENCHMARK(kzr_fun_QUANTOFXFEECO);

void quantlib_QuantoEngine_reprice(benchmark::State& state) {
  quantlibquanto quanto;
  if (!reference::agree(state, checked(), Ep * quanto.option->NPV())) return;
  double bump = 0.0;
  for (auto _ : state) {
    bump = bump == 0.0 ? 1e-9 : 0.0;
    quanto.spot->setValue(S + bump);
    benchmark::DoNotOptimize(Ep * quanto.option->NPV());
  }
}
BENCHMARK(quantlib_QuantoEngine_reprice);

}  // namespace
