// The Black-Scholes call four ways: through fun with the host call included, the bare formula,
// QuantLib's blackFormula, and QuantLib's analytic engine re-pricing after a spot change. The
// reference is the discounted payoff integrated over the lognormal price. Then the cash-or-nothing
// digital call and the Black-76 call through fun beside QuantLib's analytic engine re-pricing the
// same contract (a cash-or-nothing payoff; a Black process on the forward).
#include <benchmark/benchmark.h>

#include <ql/quantlib.hpp>

#include "closedform/BlackScholes.h"
#include "host.h"
#include "reference.h"

namespace {

constexpr double T = 1.0, S = 100.0, K = 100.0, sigma = 0.2, r = 0.05, q = 0.02;

double quantlibcall(double spot) {
  const double forward = spot * std::exp((r - q) * T);
  return QuantLib::blackFormula(QuantLib::Option::Call, K, forward, sigma * std::sqrt(T),
                                std::exp(-r * T));
}

const reference::comparison& checked() {
  static const reference::comparison c = {
      BlackScholes::blackscholescall(T, S, K, sigma, r, q), quantlibcall(S),
      std::exp(-r * T) *
          reference::lognormalexpectation([](double ST) { return std::max(ST - K, 0.0); },
                                          reference::lognormal{S, r - q, sigma, T}, {K}),
      1e-10};
  return c;
}

void kzr_fun_BSECO(benchmark::State& state) {
  static standin::host library;
  standin::tensor T0 = standin::realtensor({6, 1}, {T, S, K, sigma, r, q});
  standin::tensor T1 = standin::integertensor({6}, {1, 1, 1, 1, 1, 1});
  standin::tensor T2 = standin::realtensor({6, 1}, std::vector<double>(6, 0.0));
  if (!reference::agree(state, checked(), library.fun("BSECO", T0, T1, T2).value)) return;
  for (auto _ : state) {
    T0.reals[1] = S + 1e-9 * static_cast<double>(state.iterations() & 1);
    benchmark::DoNotOptimize(library.fun("BSECO", T0, T1, T2).value);
  }
}
BENCHMARK(kzr_fun_BSECO);

void kzr_blackscholescall(benchmark::State& state) {
  double spot = S;
  if (!reference::agree(state, checked(), checked().kzr)) return;
  for (auto _ : state) {
    benchmark::DoNotOptimize(spot);
    benchmark::DoNotOptimize(BlackScholes::blackscholescall(T, spot, K, sigma, r, q));
  }
}
BENCHMARK(kzr_blackscholescall);

void quantlib_blackFormula(benchmark::State& state) {
  double spot = S;
  if (!reference::agree(state, checked(), checked().peer)) return;
  for (auto _ : state) {
    benchmark::DoNotOptimize(spot);
    benchmark::DoNotOptimize(quantlibcall(spot));
  }
}
BENCHMARK(quantlib_blackFormula);

void quantlib_AnalyticEuropeanEngine_reprice(benchmark::State& state) {
  using namespace QuantLib;
  const Date today(15, May, 2024);
  Settings::instance().evaluationDate() = today;
  const DayCounter dc = Actual365Fixed();
  auto spot = ext::make_shared<SimpleQuote>(S);
  Handle<YieldTermStructure> rates(ext::make_shared<FlatForward>(today, r, dc));
  Handle<YieldTermStructure> dividends(ext::make_shared<FlatForward>(today, q, dc));
  Handle<BlackVolTermStructure> vol(
      ext::make_shared<BlackConstantVol>(today, NullCalendar(), sigma, dc));
  auto process =
      ext::make_shared<BlackScholesMertonProcess>(Handle<Quote>(spot), dividends, rates, vol);
  EuropeanOption option(ext::make_shared<PlainVanillaPayoff>(Option::Call, K),
                        ext::make_shared<EuropeanExercise>(today + 365));
  option.setPricingEngine(ext::make_shared<AnalyticEuropeanEngine>(process));
  if (!reference::agree(state, checked(), option.NPV())) return;
  double bump = 0.0;
  for (auto _ : state) {
    bump = bump == 0.0 ? 1e-9 : 0.0;
    spot->setValue(S + bump);
    benchmark::DoNotOptimize(option.NPV());
  }
}
BENCHMARK(quantlib_AnalyticEuropeanEngine_reprice);

// QuantLib's analytic European engine on a payoff and a process of its own, re-pricing after a
// change of its first quote.
struct quantlibreprice {
  QuantLib::ext::shared_ptr<QuantLib::SimpleQuote> quote;
  QuantLib::ext::shared_ptr<QuantLib::EuropeanOption> option;
};

quantlibreprice quantliboption(const QuantLib::ext::shared_ptr<QuantLib::StrikedTypePayoff>& payoff,
                               double first, bool forward) {
  using namespace QuantLib;
  const Date today(15, May, 2024);
  Settings::instance().evaluationDate() = today;
  const DayCounter dc = Actual365Fixed();
  auto quote = ext::make_shared<SimpleQuote>(first);
  Handle<YieldTermStructure> rates(ext::make_shared<FlatForward>(today, r, dc));
  Handle<YieldTermStructure> dividends(ext::make_shared<FlatForward>(today, q, dc));
  Handle<BlackVolTermStructure> vol(
      ext::make_shared<BlackConstantVol>(today, NullCalendar(), sigma, dc));
  ext::shared_ptr<GeneralizedBlackScholesProcess> process;
  if (forward)
    process = ext::make_shared<BlackProcess>(Handle<Quote>(quote), rates, vol);
  else
    process =
        ext::make_shared<BlackScholesMertonProcess>(Handle<Quote>(quote), dividends, rates, vol);
  auto option =
      ext::make_shared<EuropeanOption>(payoff, ext::make_shared<EuropeanExercise>(today + 365));
  option->setPricingEngine(ext::make_shared<AnalyticEuropeanEngine>(process));
  return {quote, option};
}

// One contract through fun and through QuantLib's engine; the reference integrates the payoff.
void timefun(benchmark::State& state, const char* code, std::vector<double> inputs,
             const reference::comparison& c) {
  static standin::host library;
  standin::tensor T0 = standin::realtensor({static_cast<hostinteger>(inputs.size()), 1}, inputs);
  standin::tensor T1 = standin::integertensor({6}, {1, 1, 1, 1, 1, 1});
  standin::tensor T2 = standin::realtensor({6, 1}, std::vector<double>(6, 0.0));
  const std::string name = code;
  if (!reference::agree(state, c, library.fun(name, T0, T1, T2).value)) return;
  const double first = T0.reals[1];
  for (auto _ : state) {
    T0.reals[1] = first + 1e-9 * static_cast<double>(state.iterations() & 1);
    benchmark::DoNotOptimize(library.fun(name, T0, T1, T2).value);
  }
}

void timequantlib(benchmark::State& state, quantlibreprice priced, double first,
                  const reference::comparison& c) {
  if (!reference::agree(state, c, priced.option->NPV())) return;
  double bump = 0.0;
  for (auto _ : state) {
    bump = bump == 0.0 ? 1e-9 : 0.0;
    priced.quote->setValue(first + bump);
    benchmark::DoNotOptimize(priced.option->NPV());
  }
}

quantlibreprice quantlibdigital() {
  return quantliboption(
      QuantLib::ext::make_shared<QuantLib::CashOrNothingPayoff>(QuantLib::Option::Call, K, 1.0), S,
      false);
}

constexpr double F = 105.0;  // the forward of the Black-76 call

quantlibreprice quantlibblack76() {
  return quantliboption(
      QuantLib::ext::make_shared<QuantLib::PlainVanillaPayoff>(QuantLib::Option::Call, K), F, true);
}

const reference::comparison& checkeddigital() {
  static const reference::comparison c = {
      BlackScholes::digitalcall(T, S, K, sigma, r, q, 0), quantlibdigital().option->NPV(),
      std::exp(-r * T) *
          reference::lognormalexpectation([](double ST) { return ST > K ? 1.0 : 0.0; },
                                          reference::lognormal{S, r - q, sigma, T}, {K}),
      1e-10};
  return c;
}

const reference::comparison& checkedblack76() {
  static const reference::comparison c = {
      BlackScholes::black76call(T, F, K, sigma, r), quantlibblack76().option->NPV(),
      std::exp(-r * T) *
          reference::lognormalexpectation([](double FT) { return std::max(FT - K, 0.0); },
                                          reference::lognormal{F, 0.0, sigma, T}, {K}),
      1e-10};
  return c;
}

void kzr_fun_BSEDCO(benchmark::State& state) {
  timefun(state, "BSEDCO", {T, S, K, sigma, r, q, 0}, checkeddigital());
}
BENCHMARK(kzr_fun_BSEDCO);

void quantlib_CashOrNothing_AnalyticEuropeanEngine_reprice(benchmark::State& state) {
  timequantlib(state, quantlibdigital(), S, checkeddigital());
}
BENCHMARK(quantlib_CashOrNothing_AnalyticEuropeanEngine_reprice);

void kzr_fun_BLACK76ECO(benchmark::State& state) {
  timefun(state, "BLACK76ECO", {T, F, K, sigma, r}, checkedblack76());
}
BENCHMARK(kzr_fun_BLACK76ECO);

void quantlib_Black76_AnalyticEuropeanEngine_reprice(benchmark::State& state) {
  timequantlib(state, quantlibblack76(), F, checkedblack76());
}
BENCHMARK(quantlib_Black76_AnalyticEuropeanEngine_reprice);

}  // namespace
