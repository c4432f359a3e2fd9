// European barriers, compounds, the complex chooser, lookbacks and extendibles: each family
// through fun (host call included) beside QuantLib's analytic engine re-pricing the same contract
// after a spot change. The references integrate each payoff over the law it depends on: the
// price at the first expiry (compound, chooser, extendibles), the price with its running minimum
// or maximum (lookbacks), the price that never touched the barrier and the time it first did
// (barrier).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include <ql/quantlib.hpp>

#include "host.h"
#include "reference.h"

namespace {

using namespace QuantLib;
using reference::black;

standin::host& library() {
  static standin::host loaded;
  return loaded;
}

// fun on one contract with every parameter entry at its default.
struct funcall {
  standin::tensor T0, T1, T2;
  explicit funcall(const std::vector<double>& inputs)
      : T0(standin::realtensor({static_cast<std::int64_t>(inputs.size()), 1}, inputs)),
        T1(standin::integertensor({6}, {1, 1, 1, 1, 1, 1})),
        T2(standin::realtensor({6, 1}, std::vector<double>(6, 0.0))) {}
  double value(const std::string& code) { return library().fun(code, T0, T1, T2).value; }
};

double kzrvalue(const std::string& code, const std::vector<double>& inputs) {
  return funcall(inputs).value(code);
}

// fun on one contract, the spot (input spotrow) nudged every other call so nothing is cached.
void runfun(benchmark::State& state, const std::string& code, const std::vector<double>& inputs,
            int spotrow, const reference::comparison& checked) {
  funcall call(inputs);
  const double spot = inputs[spotrow];
  if (!reference::agree(state, checked, call.value(code))) return;
  standin::tensor& T0 = call.T0;
  for (auto _ : state) {
    T0.reals[spotrow] = spot + 1e-9 * static_cast<double>(state.iterations() & 1);
    benchmark::DoNotOptimize(library().fun(code, T0, call.T1, call.T2).value);
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
    process =
        ext::make_shared<BlackScholesMertonProcess>(Handle<Quote>(spot), dividends, rates, vol);
  }
  Date at(double T) const { return today + static_cast<Integer>(T * 360.0 + 0.5); }
  ext::shared_ptr<Exercise> expiry(double T) const {
    return ext::make_shared<EuropeanExercise>(at(T));
  }
};

// A QuantLib contract on its market.
struct quantlibcontract {
  market m;
  ext::shared_ptr<Instrument> option;
  std::vector<ext::shared_ptr<Exercise>> exercises;  // what the contract refers to, kept alive
};

void reprice(benchmark::State& state, quantlibcontract contract,
             const reference::comparison& checked) {
  Instrument& option = *contract.option;
  SimpleQuote& spot = *contract.m.spot;
  if (!reference::agree(state, checked, option.NPV())) return;
  const double S = spot.value();
  double bump = 0.0;
  for (auto _ : state) {
    bump = bump == 0.0 ? 1e-9 : 0.0;
    spot.setValue(S + bump);
    benchmark::DoNotOptimize(option.NPV());
  }
}

// Down-and-out call, Haug's table: T 0.5, S 100, H 95, X 90, sigma 0.25, r 0.08, q 0.04, R 3.
const std::vector<double> downout = {0.5, 100, 95, 90, 0.25, 0.08, 0.04, 3};

quantlibcontract quantlibdownout() {
  market m(100, 0.25, 0.08, 0.04);
  auto option = ext::make_shared<BarrierOption>(
      Barrier::DownOut, 95, 3, ext::make_shared<PlainVanillaPayoff>(Option::Call, 90),
      m.expiry(0.5));
  option->setPricingEngine(ext::make_shared<AnalyticBarrierEngine>(m.process));
  return {m, option, {}};
}

// The payoff over the law of x = ln(S_T / S) killed at h = ln(H / S) (reflection), and the rebate
// over the law of the first time x reaches h.
double downoutreference() {
  const double T = 0.5, S = 100, H = 95, X = 90, sigma = 0.25, r = 0.08, q = 0.04, R = 3;
  const double nu = r - q - 0.5 * sigma * sigma, s = sigma * std::sqrt(T), h = std::log(H / S);
  const auto alive = [&](double x) {
    return (reference::density((x - nu * T) / s) -
            std::exp(2 * nu * h / (sigma * sigma)) * reference::density((x - 2 * h - nu * T) / s)) /
           s;
  };
  const double low = std::max(h, std::log(X / S));
  const double payoff = reference::simpson(
      [&](double x) { return (S * std::exp(x) - X) * alive(x); }, low, nu * T + 12 * s, 8000);
  const double rebate = reference::simpson(
      [&](double t) {
        if (t <= 0) return 0.0;
        const double spread = sigma * std::sqrt(t);
        return -h / (spread * t) * reference::density((h - nu * t) / spread) * std::exp(-r * t);
      },
      0.0, T, 8000);
  return std::exp(-r * T) * payoff + R * rebate;
}

const reference::comparison& downoutcomparison() {
  static const reference::comparison c = {
      kzrvalue("DOWNOUTECO", downout), quantlibdownout().option->NPV(), downoutreference(), 1e-10};
  return c;
}

void kzr_fun_DOWNOUTECO(benchmark::State& state) {
  runfun(state, "DOWNOUTECO", downout, 1, downoutcomparison());
}
BENCHMARK(kzr_fun_DOWNOUTECO);

void quantlib_AnalyticBarrierEngine_reprice(benchmark::State& state) {
  reprice(state, quantlibdownout(), downoutcomparison());
}
BENCHMARK(quantlib_AnalyticBarrierEngine_reprice);

// Put on a call, Haug's example: T 0.5, t 0.25, S 500, K 520, k 50, sigma 0.35, r 0.08, q 0.03.
const std::vector<double> putoncall = {0.5, 0.25, 500, 520, 50, 0.35, 0.08, 0.03};

quantlibcontract quantlibputoncall() {
  market m(500, 0.35, 0.08, 0.03);
  auto option = ext::make_shared<CompoundOption>(
      ext::make_shared<PlainVanillaPayoff>(Option::Put, 50), m.expiry(0.25),
      ext::make_shared<PlainVanillaPayoff>(Option::Call, 520), m.expiry(0.5));
  option->setPricingEngine(ext::make_shared<AnalyticCompoundOptionEngine>(m.process));
  return {m, option, {}};
}

// The put's payoff on the call's value, over the price at the put's expiry.
double putoncallreference() {
  const double T = 0.5, t = 0.25, K = 520, k = 50, sigma = 0.35, r = 0.08, q = 0.03;
  const auto gap = [&](double St) { return k - black(Option::Call, St, K, T - t, sigma, r, q); };
  const reference::lognormal law{500, r - q, sigma, t};
  return std::exp(-r * t) *
         reference::lognormalexpectation([&](double St) { return std::max(gap(St), 0.0); }, law,
                                         reference::pricekinks(gap, law));
}

const reference::comparison& putoncallcomparison() {
  // Both sides rest on approximate bivariate normals; their answers lie 1e-4 apart (relative).
  static const reference::comparison c = {
      kzrvalue("POCEO", putoncall), quantlibputoncall().option->NPV(), putoncallreference(), 2e-4};
  return c;
}

void kzr_fun_POCEO(benchmark::State& state) {
  runfun(state, "POCEO", putoncall, 2, putoncallcomparison());
}
BENCHMARK(kzr_fun_POCEO);

void quantlib_AnalyticCompoundOptionEngine_reprice(benchmark::State& state) {
  reprice(state, quantlibputoncall(), putoncallcomparison());
}
BENCHMARK(quantlib_AnalyticCompoundOptionEngine_reprice);

// Complex chooser: t 0.25, S 50, Tc 0.5, Kc 55, Tp 0.75, Kp 48, sigma 0.35, r 0.1, q 0.05.
const std::vector<double> chooser = {0.25, 50, 0.5, 55, 0.75, 48, 0.35, 0.1, 0.05};

quantlibcontract quantlibchooser() {
  market m(50, 0.35, 0.1, 0.05);
  // This engine reads each expiry date as the choice date plus the expiry. The option holds its
  // exercises by reference: they live in the returned contract.
  quantlibcontract contract{m, nullptr, {m.expiry(0.25 + 0.5), m.expiry(0.25 + 0.75)}};
  contract.option = ext::make_shared<ComplexChooserOption>(
      m.at(0.25), 55, 48, contract.exercises[0], contract.exercises[1]);
  contract.option->setPricingEngine(ext::make_shared<AnalyticComplexChooserEngine>(m.process));
  return contract;
}

// The better of the call and the put at the choice date, over the price then.
double chooserreference() {
  const double t = 0.25, Tc = 0.5, Kc = 55, Tp = 0.75, Kp = 48, sigma = 0.35, r = 0.1, q = 0.05;
  const auto call = [&](double St) { return black(Option::Call, St, Kc, Tc - t, sigma, r, q); };
  const auto put = [&](double St) { return black(Option::Put, St, Kp, Tp - t, sigma, r, q); };
  const reference::lognormal law{50, r - q, sigma, t};
  return std::exp(-r * t) *
         reference::lognormalexpectation(
             [&](double St) { return std::max(call(St), put(St)); }, law,
             reference::pricekinks([&](double St) { return call(St) - put(St); }, law));
}

const reference::comparison& choosercomparison() {
  static const reference::comparison c = {
      kzrvalue("CHOOSER", chooser), quantlibchooser().option->NPV(), chooserreference(), 1e-4};
  return c;
}

void kzr_fun_CHOOSER(benchmark::State& state) {
  runfun(state, "CHOOSER", chooser, 1, choosercomparison());
}
BENCHMARK(kzr_fun_CHOOSER);

void quantlib_AnalyticComplexChooserEngine_reprice(benchmark::State& state) {
  reprice(state, quantlibchooser(), choosercomparison());
}
BENCHMARK(quantlib_AnalyticComplexChooserEngine_reprice);

// The probability that the running minimum of the price over T stays above y (below S), or that
// its running maximum rises above y (above S): the reflection principle for ln(S_t / S).
double minimumabove(double y, double S, double sigma, double nu, double T) {
  if (y <= 0) return 1.0;
  const double s = sigma * std::sqrt(T), b = std::log(y / S);
  return reference::cdf((-b + nu * T) / s) -
         std::exp(2 * nu * b / (sigma * sigma)) * reference::cdf((b + nu * T) / s);
}
double maximumabove(double y, double S, double sigma, double nu, double T) {
  const double s = sigma * std::sqrt(T), a = std::log(y / S);
  return reference::cdf((-a + nu * T) / s) +
         std::exp(2 * nu * a / (sigma * sigma)) * reference::cdf((-a - nu * T) / s);
}

// Floating-strike lookback call: T 0.5, S 120, minimum 100, sigma 0.3, r 0.1, q 0.06.
const std::vector<double> floatinglookback = {0.5, 120, 100, 0.3, 0.1, 0.06};

quantlibcontract quantlibfloatinglookback() {
  market m(120, 0.3, 0.1, 0.06);
  auto option = ext::make_shared<ContinuousFloatingLookbackOption>(
      100, ext::make_shared<FloatingTypePayoff>(Option::Call), m.expiry(0.5));
  option->setPricingEngine(ext::make_shared<AnalyticContinuousFloatingLookbackEngine>(m.process));
  return {m, option, {}};
}

// e^{-rT} (E[S_T] - E[min(m, minimum over T)]), the second term the integral over y in [0, m] of
// the probability that the minimum stays above y.
double floatinglookbackreference() {
  const double T = 0.5, S = 120, m = 100, sigma = 0.3, r = 0.1, q = 0.06;
  const double nu = r - q - 0.5 * sigma * sigma;
  const double minimum =
      reference::simpson([&](double y) { return minimumabove(y, S, sigma, nu, T); }, 0.0, m, 8000);
  return std::exp(-r * T) * (S * std::exp((r - q) * T) - minimum);
}

const reference::comparison& floatinglookbackcomparison() {
  static const reference::comparison c = {kzrvalue("LBFLSTECO", floatinglookback),
                                          quantlibfloatinglookback().option->NPV(),
                                          floatinglookbackreference(), 1e-10};
  return c;
}

void kzr_fun_LBFLSTECO(benchmark::State& state) {
  runfun(state, "LBFLSTECO", floatinglookback, 1, floatinglookbackcomparison());
}
BENCHMARK(kzr_fun_LBFLSTECO);

void quantlib_AnalyticContinuousFloatingLookbackEngine_reprice(benchmark::State& state) {
  reprice(state, quantlibfloatinglookback(), floatinglookbackcomparison());
}
BENCHMARK(quantlib_AnalyticContinuousFloatingLookbackEngine_reprice);

// Fixed-strike lookback call: T 0.5, S 100, maximum 110, X 105, sigma 0.3, r 0.1, q 0.04.
const std::vector<double> fixedlookback = {0.5, 100, 110, 105, 0.3, 0.1, 0.04};

quantlibcontract quantlibfixedlookback() {
  market m(100, 0.3, 0.1, 0.04);
  auto option = ext::make_shared<ContinuousFixedLookbackOption>(
      110, ext::make_shared<PlainVanillaPayoff>(Option::Call, 105), m.expiry(0.5));
  option->setPricingEngine(ext::make_shared<AnalyticContinuousFixedLookbackEngine>(m.process));
  return {m, option, {}};
}

// e^{-rT} E[max(M, maximum over T) - X] with M above X: (M - X) plus the integral over y above M
// of the probability that the maximum rises above y (taken over a = ln(y / S)).
double fixedlookbackreference() {
  const double T = 0.5, S = 100, M = 110, X = 105, sigma = 0.3, r = 0.1, q = 0.04;
  const double nu = r - q - 0.5 * sigma * sigma, a0 = std::log(M / S);
  const double beyond = reference::simpson(
      [&](double a) { return maximumabove(S * std::exp(a), S, sigma, nu, T) * S * std::exp(a); },
      a0, a0 + 15 * sigma * std::sqrt(T), 8000);
  return std::exp(-r * T) * (M - X + beyond);
}

const reference::comparison& fixedlookbackcomparison() {
  static const reference::comparison c = {kzrvalue("LBFXSTECO", fixedlookback),
                                          quantlibfixedlookback().option->NPV(),
                                          fixedlookbackreference(), 1e-10};
  return c;
}

void kzr_fun_LBFXSTECO(benchmark::State& state) {
  runfun(state, "LBFXSTECO", fixedlookback, 1, fixedlookbackcomparison());
}
BENCHMARK(kzr_fun_LBFXSTECO);

void quantlib_AnalyticContinuousFixedLookbackEngine_reprice(benchmark::State& state) {
  reprice(state, quantlibfixedlookback(), fixedlookbackcomparison());
}
BENCHMARK(quantlib_AnalyticContinuousFixedLookbackEngine_reprice);

// Holder-extendible call: t1 0.5, T2 1, S 100, X1 100, X2 100, sigma 0.3, r 0.05, q 0, A 2.
const std::vector<double> holder = {0.5, 1, 100, 100, 100, 0.3, 0.05, 0, 2};

quantlibcontract quantlibholder() {
  market m(100, 0.3, 0.05, 0.0);
  auto option = ext::make_shared<HolderExtensibleOption>(
      Option::Call, 2, m.at(1), 100, ext::make_shared<PlainVanillaPayoff>(Option::Call, 100),
      m.expiry(0.5));
  option->setPricingEngine(ext::make_shared<AnalyticHolderExtensibleOptionEngine>(m.process));
  return {m, option, {}};
}

// The holder's choice at t1 (exercise, extend for the fee, or let lapse), over the price then.
double holderreference() {
  const double t1 = 0.5, T2 = 1, X1 = 100, X2 = 100, sigma = 0.3, r = 0.05, q = 0, A = 2;
  const auto exercised = [&](double S1) { return S1 - X1; };
  const auto extended = [&](double S1) {
    return black(Option::Call, S1, X2, T2 - t1, sigma, r, q) - A;
  };
  const reference::lognormal law{100, r - q, sigma, t1};
  std::vector<double> kinks = reference::pricekinks(exercised, law);
  for (double k : reference::pricekinks(extended, law)) kinks.push_back(k);
  for (double k :
       reference::pricekinks([&](double S1) { return exercised(S1) - extended(S1); }, law))
    kinks.push_back(k);
  return std::exp(-r * t1) * reference::lognormalexpectation(
                                 [&](double S1) {
                                   return std::max({exercised(S1), extended(S1), 0.0});
                                 },
                                 law, kinks);
}

const reference::comparison& holdercomparison() {
  static const reference::comparison c = {kzrvalue("EXTHECO", holder),
                                          quantlibholder().option->NPV(), holderreference(), 1e-4};
  return c;
}

void kzr_fun_EXTHECO(benchmark::State& state) {
  runfun(state, "EXTHECO", holder, 2, holdercomparison());
}
BENCHMARK(kzr_fun_EXTHECO);

void quantlib_AnalyticHolderExtensibleOptionEngine_reprice(benchmark::State& state) {
  reprice(state, quantlibholder(), holdercomparison());
}
BENCHMARK(quantlib_AnalyticHolderExtensibleOptionEngine_reprice);

// Writer-extendible call, Haug's example: t1 0.5, T2 0.75, S 80, X1 90, X2 82, sigma 0.3, r 0.1.
const std::vector<double> writer = {0.5, 0.75, 80, 90, 82, 0.3, 0.1, 0};

quantlibcontract quantlibwriter() {
  market m(80, 0.3, 0.1, 0.0);
  auto option = ext::make_shared<WriterExtensibleOption>(
      ext::make_shared<PlainVanillaPayoff>(Option::Call, 90), m.expiry(0.5),
      ext::make_shared<PlainVanillaPayoff>(Option::Call, 82), m.expiry(0.75));
  option->setPricingEngine(ext::make_shared<AnalyticWriterExtensibleOptionEngine>(m.process));
  return {m, option, {}};
}

// At t1 the call pays S - X1 in the money, else it is extended to a call struck at X2.
double writerreference() {
  const double t1 = 0.5, T2 = 0.75, X1 = 90, X2 = 82, sigma = 0.3, r = 0.1, q = 0;
  const reference::lognormal law{80, r - q, sigma, t1};
  return std::exp(-r * t1) *
         reference::lognormalexpectation(
             [&](double S1) {
               return S1 >= X1 ? S1 - X1 : black(Option::Call, S1, X2, T2 - t1, sigma, r, q);
             },
             law, {X1});
}

const reference::comparison& writercomparison() {
  static const reference::comparison c = {kzrvalue("EXTWECO", writer),
                                          quantlibwriter().option->NPV(), writerreference(), 1e-4};
  return c;
}

void kzr_fun_EXTWECO(benchmark::State& state) {
  runfun(state, "EXTWECO", writer, 2, writercomparison());
}
BENCHMARK(kzr_fun_EXTWECO);

void quantlib_AnalyticWriterExtensibleOptionEngine_reprice(benchmark::State& state) {
  reprice(state, quantlibwriter(), writercomparison());
}
BENCHMARK(quantlib_AnalyticWriterExtensibleOptionEngine_reprice);

}  // namespace
