// The spread call on the default two-asset lattice of 200 levels through fun, beside a plain loop
// doing the same n^3/3 node updates on two n x n arrays (the floor any lattice of this size
// meets; it prices nothing, so it has no answer to check), and QuantLib's Kirk engine for the
// same contract on futures (an approximation, shown for scale). The reference integrates over the
// second asset's price, given which the spread's expectation is a Black call on the first.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include <ql/quantlib.hpp>

#include "host.h"
#include "reference.h"

namespace {

constexpr double T = 0.5, S1 = 122.0, S2 = 120.0, X = 3.0, sigma1 = 0.2, sigma2 = 0.25, rho = 0.5,
                 r = 0.1, q1 = 0.1, q2 = 0.1;
constexpr int levels = 200;

standin::host& library() {
  static standin::host loaded;
  return loaded;
}

struct spreadcall {
  standin::tensor T0 = standin::realtensor({10, 1}, {T, S1, S2, X, sigma1, sigma2, rho, r, q1, q2});
  standin::tensor T1 = standin::integertensor({6}, {1, 1, 1, 1, 1, 1});
  standin::tensor T2 = standin::realtensor({6, 1}, std::vector<double>(6, 0.0));
  double value() { return library().fun("SPREADECO", T0, T1, T2).value; }
};

// The spread call under QuantLib's Kirk engine, on futures (the rates equal the yields here, so
// the futures are the spots).
struct quantlibspread {
  QuantLib::ext::shared_ptr<QuantLib::SimpleQuote> forward1, forward2;
  QuantLib::ext::shared_ptr<QuantLib::BasketOption> option;
  quantlibspread() {
    using namespace QuantLib;
    const Date today(15, May, 2024);
    Settings::instance().evaluationDate() = today;
    const DayCounter dc = Actual360();
    auto rates = Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, r, dc));
    auto process = [&](const ext::shared_ptr<SimpleQuote>& forward, double sigma) {
      return ext::make_shared<BlackProcess>(
          Handle<Quote>(forward), rates,
          Handle<BlackVolTermStructure>(
              ext::make_shared<BlackConstantVol>(today, NullCalendar(), sigma, dc)));
    };
    forward1 = ext::make_shared<SimpleQuote>(S1);
    forward2 = ext::make_shared<SimpleQuote>(S2);
    option = ext::make_shared<BasketOption>(
        ext::make_shared<SpreadBasketPayoff>(ext::make_shared<PlainVanillaPayoff>(Option::Call, X)),
        ext::make_shared<EuropeanExercise>(today + 180));
    option->setPricingEngine(
        ext::make_shared<KirkEngine>(process(forward1, sigma1), process(forward2, sigma2), rho));
  }
};

// e^{-rT} E[(S1_T - S2_T - X)+]: given z2 (S2_T = s2), S1_T is lognormal, and the payoff's
// expectation is a call on it struck at s2 + X.
double spreadreference() {
  const reference::lognormal first{S1, r - q1, sigma1, T}, second{S2, r - q2, sigma2, T};
  const auto given = [&](double z2) {
    const reference::conditional c = reference::given(first, rho, z2);
    return QuantLib::blackFormula(QuantLib::Option::Call, second.price(z2) + X, c.forward,
                                  c.deviation);
  };
  return std::exp(-r * T) * reference::normalexpectation(given);
}

const reference::comparison& checked() {
  // The lattice of 200 levels and Kirk's approximation each err by about 1e-3 relative.
  static const reference::comparison c = {spreadcall().value(), quantlibspread().option->NPV(),
                                          spreadreference(), 5e-3};
  return c;
}

void kzr_fun_SPREADECO_lattice200(benchmark::State& state) {
  spreadcall call;
  standin::tensor& T0 = call.T0;
  if (!reference::agree(state, checked(), call.value())) return;
  for (auto _ : state) {
    T0.reals[1] = S1 + 1e-9 * static_cast<double>(state.iterations() & 1);
    benchmark::DoNotOptimize(call.value());
  }
}
BENCHMARK(kzr_fun_SPREADECO_lattice200)->Unit(benchmark::kMillisecond);

// Terminal values, then for each level k = n-1 .. 1 every k x k node from four neighbours.
void plainloop_Spread_lattice200(benchmark::State& state) {
  const int n = levels;
  const double weights[4] = {0.26, 0.24, 0.23, 0.27};
  const double discount = std::exp(-r * T / (n - 1));
  for (auto _ : state) {
    std::vector<double> next(n * n), current(n * n);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) next[i * n + j] = std::max(2.0 * j - i - X, 0.0);
    for (int k = n - 1; k >= 1; --k) {
      for (int i = 0; i < k; ++i) {
        const double* up = &next[i * n];
        const double* down = &next[(i + 1) * n];
        double* row = &current[i * n];
        for (int j = 0; j < k; ++j)
          row[j] = std::max(discount * (weights[0] * up[j] + weights[1] * up[j + 1] +
                                        weights[2] * down[j] + weights[3] * down[j + 1]),
                            0.0);
      }
      next.swap(current);
    }
    benchmark::DoNotOptimize(next[0]);
  }
}
BENCHMARK(plainloop_Spread_lattice200)->Unit(benchmark::kMillisecond);

void quantlib_Spread_KirkEngine_reprice(benchmark::State& state) {
  quantlibspread spread;
  if (!reference::agree(state, checked(), spread.option->NPV())) return;
  double bump = 0.0;
  for (auto _ : state) {
    bump = bump == 0.0 ? 1e-9 : 0.0;
    spread.forward1->setValue(S1 + bump);
    benchmark::DoNotOptimize(spread.option->NPV());
  }
}
BENCHMARK(quantlib_Spread_KirkEngine_reprice);

}  // namespace
