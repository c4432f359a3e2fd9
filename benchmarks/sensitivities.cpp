// Greeks and implied inputs through the entry points (tools/sensitivities), beside QuantLib:
//   one BSAPO price; its delta and gamma (one solve: read off the kept grid); all five greeks;
//   QuantLib's finite-difference engine giving price, delta and gamma from one solve;
//   the implied volatility of BSECO against QuantLib's blackFormulaImpliedStdDev: the whole solve
//   (the rational method, and one Newton step on a price through fun where a small vega asks for
//   it: none here), and the rational method alone, at the money and in each branch away from it.
// Every iteration moves the volatility by more than the caches' tolerance (the grid's cache
// keeps one contract and compares the volatility, not the spot), so that each price solves.
#include <benchmark/benchmark.h>

#include <ql/pricingengines/blackformula.hpp>
#include <ql/quantlib.hpp>

#include "greeks.h"
#include "impliedinput.h"
#include "letsberational.h"
#include "reference.h"

namespace {

using namespace sensitivities;

constexpr double T = 1.0, S = 100.0, K = 100.0, sigma = 0.2, r = 0.05, q = 0.02;

standin::host& library() {
  static standin::host loaded;
  return loaded;
}

pricingcall contract(const std::string& code, double volatility) {
  pricingcall call;
  call.code = code;
  for (double value : {T, S, K, volatility, r, q}) call.rows.push_back({value});
  return call;
}

// The volatility of the next iteration: round a cycle of eight, 0.001 apart.
struct movingvolatility {
  int tick = 0;
  double operator()() {
    tick = (tick + 1) & 7;
    return sigma + 1e-3 * tick;
  }
};

double valueof(const greeksreport& report, greek which) {
  for (const sensitivity& s : report.sensitivities)
    if (s.which == which && s.available) return s.value;
  return std::nan("");
}

// QuantLib's American put on a flat market (expiry 365 days, Actual/365: T = 1).
struct quantlibput {
  QuantLib::ext::shared_ptr<QuantLib::SimpleQuote> volatility;
  QuantLib::ext::shared_ptr<QuantLib::GeneralizedBlackScholesProcess> process;
  QuantLib::VanillaOption option;
  quantlibput(QuantLib::Size timesteps, QuantLib::Size spacesteps)
      : volatility(QuantLib::ext::make_shared<QuantLib::SimpleQuote>(sigma)),
        process(makeprocess()),
        option(QuantLib::ext::make_shared<QuantLib::PlainVanillaPayoff>(QuantLib::Option::Put, K),
               QuantLib::ext::make_shared<QuantLib::AmericanExercise>(today(), today() + 365)) {
    option.setPricingEngine(QuantLib::ext::make_shared<QuantLib::FdBlackScholesVanillaEngine>(
        process, timesteps, spacesteps));
  }

 private:
  static QuantLib::Date today() { return QuantLib::Date(15, QuantLib::May, 2024); }
  QuantLib::ext::shared_ptr<QuantLib::GeneralizedBlackScholesProcess> makeprocess() {
    using namespace QuantLib;
    Settings::instance().evaluationDate() = today();
    const DayCounter dc = Actual365Fixed();
    return ext::make_shared<BlackScholesMertonProcess>(
        Handle<Quote>(ext::make_shared<SimpleQuote>(S)),
        Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today(), q, dc)),
        Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today(), r, dc)),
        Handle<BlackVolTermStructure>(ext::make_shared<BlackConstantVol>(
            today(), NullCalendar(), Handle<Quote>(volatility), dc)));
  }
};

// Delta of the American put: ours (default grid) beside QuantLib's engine on a grid of the same
// order, the reference QuantLib's engine on a fine grid.
const reference::comparison& deltacomparison() {
  static const reference::comparison c = [] {
    hostpricer calls(library());
    const greeksreport ours = greeksof(calls, contract("BSAPO", sigma),
                                       greekselection{bitof(greek::delta) | bitof(greek::gamma)});
    quantlibput coarse(100, 200), fine(1000, 2000);
    return reference::comparison{valueof(ours, greek::delta), coarse.option.delta(),
                                 fine.option.delta(), 0.01};
  }();
  return c;
}

void sensitivities_kzr_BSAPO_price(benchmark::State& state) {
  hostpricer calls(library());
  movingvolatility volatility;
  pricingcall call = contract("BSAPO", sigma);
  call.set(entrymode, 1);
  if (!reference::agree(state, deltacomparison(), deltacomparison().kzr)) return;
  for (auto _ : state) {
    call.rows[3][0] = volatility();
    benchmark::DoNotOptimize(calls.fun(call).value);
  }
}
BENCHMARK(sensitivities_kzr_BSAPO_price)->Unit(benchmark::kMicrosecond);

void greeksbenchmark(benchmark::State& state, const greekselection& which) {
  hostpricer calls(library());
  movingvolatility volatility;
  pricingcall call = contract("BSAPO", sigma);
  call.set(entryoptions, 1);  // one seed: no draw from the system per request
  if (!reference::agree(state, deltacomparison(), deltacomparison().kzr)) return;
  for (auto _ : state) {
    call.rows[3][0] = volatility();
    benchmark::DoNotOptimize(greeksof(calls, call, which).price);
  }
}

void sensitivities_kzr_BSAPO_deltagamma(benchmark::State& state) {
  greeksbenchmark(state, greekselection{bitof(greek::delta) | bitof(greek::gamma)});
}
BENCHMARK(sensitivities_kzr_BSAPO_deltagamma)->Unit(benchmark::kMicrosecond);

void sensitivities_kzr_BSAPO_allgreeks(benchmark::State& state) {
  greeksbenchmark(state, greekselection{});
}
BENCHMARK(sensitivities_kzr_BSAPO_allgreeks)->Unit(benchmark::kMicrosecond);

// QuantLib's engine gives price, delta and gamma from one solve; its grid of 100 x 200 is of the
// order of ours.
void sensitivities_quantlib_FdBlackScholesVanilla_deltagamma(benchmark::State& state) {
  quantlibput put(100, 200);
  if (!reference::agree(state, deltacomparison(), put.option.delta())) return;
  movingvolatility volatility;
  for (auto _ : state) {
    put.volatility->setValue(volatility());
    benchmark::DoNotOptimize(put.option.delta() + put.option.gamma());
  }
}
BENCHMARK(sensitivities_quantlib_FdBlackScholesVanilla_deltagamma)->Unit(benchmark::kMicrosecond);

// QuantLib's implied standard deviation of a BSECO price, asked to the accuracy of ours (its
// default, 1e-6 in the price, stops some 2e-7 from the volatility).
double quantlibimplied(double price) {
  return QuantLib::blackFormulaImpliedStdDev(QuantLib::Option::Call, K, S * std::exp((r - q) * T),
                                             price, std::exp(-r * T), 0.0,
                                             QuantLib::Null<QuantLib::Real>(), 1e-12, 100);
}

// The implied volatility of the BSECO price at sigma = 0.2 (moved by 1e-4 round a cycle of
// eight), found from a guess of 0.3 in the rows.
const reference::comparison& impliedcomparison() {
  static const reference::comparison c = [] {
    const double target = reference::black(QuantLib::Option::Call, S, K, T, sigma, r, q);
    hostpricer calls(library());
    const double ours = solvefor(calls, contract("BSECO", 0.3), {"sigma", target, {}}).value;
    const double peer = quantlibimplied(target) / std::sqrt(T);
    return reference::comparison{ours, peer, sigma, 1e-8};
  }();
  return c;
}

double movedtarget(int tick) {
  return reference::black(QuantLib::Option::Call, S, K, T, sigma, r, q) + 1e-4 * tick;
}

void sensitivities_kzr_BSECO_impliedvolatility(benchmark::State& state) {
  if (!reference::agree(state, impliedcomparison(), impliedcomparison().kzr)) return;
  hostpricer calls(library());
  const pricingcall call = contract("BSECO", 0.3);
  int tick = 0;
  for (auto _ : state) {
    tick = (tick + 1) & 7;
    benchmark::DoNotOptimize(solvefor(calls, call, {"sigma", movedtarget(tick), {}}).value);
  }
}
BENCHMARK(sensitivities_kzr_BSECO_impliedvolatility)->Unit(benchmark::kMicrosecond);

// The rational method alone on the same targets: what the solve costs beyond its one price.
void sensitivities_kzr_BSECO_impliedvolatility_rationalonly(benchmark::State& state) {
  const double forward = S * std::exp((r - q) * T), discount = std::exp(-r * T);
  auto implied = [&](double price) {
    return impliedblackvolatility(price, forward, K, T, discount, 1.0);
  };
  const reference::comparison& c = impliedcomparison();
  if (!reference::agree(state, {implied(movedtarget(0)), c.peer, c.reference, c.tolerance},
                        implied(movedtarget(0))))
    return;
  int tick = 0;
  for (auto _ : state) {
    tick = (tick + 1) & 7;
    benchmark::DoNotOptimize(implied(movedtarget(tick)));
  }
}
BENCHMARK(sensitivities_kzr_BSECO_impliedvolatility_rationalonly)->Unit(benchmark::kMicrosecond);

// Away from the money: calls struck at K = 100, 160 and 400 on the same market at sigma = 0.2
// (the upper middle, lower middle and lowest branches of the rational method's initial guess),
// the rational method against QuantLib's solver on each.
constexpr double awaystrikes[] = {100.0, 160.0, 400.0};

double awaytarget(double strike, int tick) {
  return reference::black(QuantLib::Option::Call, S, strike, T, sigma + 1e-4 * tick, r, q);
}

double quantlibaway(double strike, double price) {
  return QuantLib::blackFormulaImpliedStdDev(QuantLib::Option::Call, strike,
                                             S * std::exp((r - q) * T), price, std::exp(-r * T),
                                             0.0, QuantLib::Null<QuantLib::Real>(), 1e-12, 100);
}

void sensitivities_kzr_impliedvolatility_rationalonly_away(benchmark::State& state) {
  const double strike = awaystrikes[state.range(0)];
  const double forward = S * std::exp((r - q) * T), discount = std::exp(-r * T);
  const double ours =
      impliedblackvolatility(awaytarget(strike, 0), forward, strike, T, discount, 1.0);
  if (!reference::agree(state, {ours, quantlibaway(strike, awaytarget(strike, 0)), sigma, 1e-8},
                        ours))
    return;
  int tick = 0;
  for (auto _ : state) {
    tick = (tick + 1) & 7;
    benchmark::DoNotOptimize(
        impliedblackvolatility(awaytarget(strike, tick), forward, strike, T, discount, 1.0));
  }
}
BENCHMARK(sensitivities_kzr_impliedvolatility_rationalonly_away)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMicrosecond);

void sensitivities_quantlib_blackFormulaImpliedStdDev_away(benchmark::State& state) {
  const double strike = awaystrikes[state.range(0)];
  const double peer = quantlibaway(strike, awaytarget(strike, 0));
  const double forward = S * std::exp((r - q) * T), discount = std::exp(-r * T);
  const double ours =
      impliedblackvolatility(awaytarget(strike, 0), forward, strike, T, discount, 1.0);
  if (!reference::agree(state, {ours, peer, sigma, 1e-8}, peer)) return;
  int tick = 0;
  for (auto _ : state) {
    tick = (tick + 1) & 7;
    benchmark::DoNotOptimize(quantlibaway(strike, awaytarget(strike, tick)));
  }
}
BENCHMARK(sensitivities_quantlib_blackFormulaImpliedStdDev_away)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMicrosecond);

void sensitivities_quantlib_blackFormulaImpliedStdDev(benchmark::State& state) {
  if (!reference::agree(state, impliedcomparison(), impliedcomparison().peer)) return;
  int tick = 0;
  for (auto _ : state) {
    tick = (tick + 1) & 7;
    benchmark::DoNotOptimize(quantlibimplied(movedtarget(tick)));
  }
}
BENCHMARK(sensitivities_quantlib_blackFormulaImpliedStdDev)->Unit(benchmark::kMicrosecond);

}  // namespace
