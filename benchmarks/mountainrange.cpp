// The Everest and Himalaya codes, five correlated assets and 1,000,000 paths, through fun at a
// fixed seed, beside QuantLib's MCEverestEngine and MCHimalayaEngine with a pseudo-random
// generator and the same paths, and beside a plain loop written here that draws the same normals
// (std::mt19937 and Box-Muller), correlates them by a Cholesky factor and pays the same payoff.
// At the same seed the loop's price is the library's, draw for draw; QuantLib's must lie within a
// few standard errors of it. QuantLib's Himalaya option is a call on the mean of the chosen assets'
// prices, not our log growth: the loop prices both from the same paths, so that each side is
// checked against its own contract before it is timed.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include <ql/quantlib.hpp>

#include "fiveassets.h"
#include "host.h"

namespace {

using fiveassets::n, fiveassets::sigma, fiveassets::q, fiveassets::rho;
constexpr std::int64_t paths = 1000000;
constexpr double T = 1.0, r = 0.05, notional = 100.0, strike = 100.0;
constexpr std::uint32_t seed = 42;

// The contract's rows for fun: n, T, notional, sigma_i, rho_ij, r, q_i.
std::vector<std::vector<double>> contractrows() {
  return {{double(n)}, {T},       {notional}, {sigma, sigma + n}, fiveassets::correlationrow(),
          {r},         {q, q + n}};
}

// The contract through fun at the fixed seed with the given paths.
double kzrprice(standin::host& library, const char* code, std::int64_t count) {
  standin::tensor T0 = standin::realtable(contractrows());
  standin::tensor T1 = standin::integertensor({6}, {1, 1, 1, 0, 1, 0});
  standin::tensor T2 =
      standin::realtensor({6, 2}, {0, 0, 0, 0, 0, 0, double(count), 0, 0, 0, double(seed), 0});
  return library.fun(code, T0, T1, T2).value;
}

// The plain loop: `points` points per path a step T / points apart, each a one-period growth
// factor; sums of the Everest payoff (points = 1), or of our Himalaya log growth and QuantLib's
// Himalaya call (points = n), and the sum of squares of the latter for its standard error.
struct loopsums {
  double everest = 0.0, himalaya = 0.0, call = 0.0, callsquares = 0.0;
};
loopsums plainloop(std::int64_t count, int points) {
  double L[n][n];
  fiveassets::covariancefactor(L);
  const double dt = T / points, root = std::sqrt(dt);
  double drift[n];
  for (int i = 0; i < n; ++i) drift[i] = (r - q[i] - sigma[i] * sigma[i] / 2) * dt;
  std::mt19937 words(seed);
  const double scale = 2.3283064365386963e-10;
  loopsums sums;
  double growth[n][n], z[n];
  for (std::int64_t p = 0; p < count; ++p) {
    for (int t = 0; t < points; ++t) {
      for (double& x : z) {
        const double u1 = (words() + 0.5) * scale, u2 = words() * scale;
        x = std::sqrt(-2.0 * std::log(1.0 - u1)) * std::cos(6.283185307179586 * u2);
      }
      for (int i = 0; i < n; ++i) {
        double w = 0.0;
        for (int k = 0; k <= i; ++k) w += L[i][k] * z[k];
        growth[i][t] = std::exp(drift[i] + root * w);
      }
    }
    if (points == 1) {
      double worst = growth[0][0];
      for (int i = 1; i < n; ++i) worst = std::min(worst, growth[i][0]);
      sums.everest += notional * worst;
      continue;
    }
    bool taken[n] = {};
    double level[n] = {1, 1, 1, 1, 1}, product = 1.0, mean = 0.0;
    for (int t = 0; t < points; ++t) {
      int best = -1;
      for (int i = 0; i < n; ++i) {
        level[i] *= growth[i][t];
        if (!taken[i] && (best < 0 || growth[i][t] > growth[best][t])) best = i;
      }
      taken[best] = true;
      product *= growth[best][t];
      mean += strike * level[best] / points;  // spots of 100 in QuantLib's contract
    }
    sums.himalaya += std::log(product);
    const double call = std::max(mean - strike, 0.0);
    sums.call += call;
    sums.callsquares += call * call;
  }
  return sums;
}

// QuantLib's processes for the five assets (365 days of Actual/365: T = 1).
struct quantlibmarket {
  QuantLib::Date today{15, QuantLib::May, 2024};
  QuantLib::ext::shared_ptr<QuantLib::StochasticProcessArray> processes;
  quantlibmarket() {
    using namespace QuantLib;
    Settings::instance().evaluationDate() = today;
    const DayCounter dc = Actual365Fixed();
    auto rates = Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, r, dc));
    std::vector<ext::shared_ptr<StochasticProcess1D>> assets;
    for (int i = 0; i < n; ++i)
      assets.push_back(ext::make_shared<BlackScholesMertonProcess>(
          Handle<Quote>(ext::make_shared<SimpleQuote>(strike)),
          Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, q[i], dc)), rates,
          Handle<BlackVolTermStructure>(
              ext::make_shared<BlackConstantVol>(today, NullCalendar(), sigma[i], dc))));
    Matrix matrix(n, n);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) matrix[i][j] = rho(i, j);
    processes = ext::make_shared<StochasticProcessArray>(assets, matrix);
  }
};

double quantlibeverest() {
  using namespace QuantLib;
  quantlibmarket m;
  EverestOption option(notional, 0.0, ext::make_shared<EuropeanExercise>(m.today + 365));
  option.setPricingEngine(MakeMCEverestEngine<PseudoRandom>(m.processes)
                              .withSteps(1)
                              .withSamples(paths)
                              .withSeed(seed));
  return option.NPV();
}

double quantlibhimalaya() {
  using namespace QuantLib;
  quantlibmarket m;
  std::vector<Date> fixings;
  for (int k = 1; k <= n; ++k) fixings.push_back(m.today + 73 * k);
  HimalayaOption option(fixings, strike);
  option.setPricingEngine(
      MakeMCHimalayaEngine<PseudoRandom>(m.processes).withSamples(paths).withSeed(seed));
  return option.NPV();
}

const loopsums& everestloop() {
  static const loopsums sums = plainloop(paths, 1);
  return sums;
}
const loopsums& himalayaloop() {
  static const loopsums sums = plainloop(paths, n);
  return sums;
}

// Skips with an error unless value lies within tolerance of expected.
bool near(benchmark::State& state, double value, double expected, double tolerance) {
  state.counters["difference"] = value - expected;
  if (std::fabs(value - expected) <= tolerance) return true;
  state.SkipWithError("the price strays from the plain loop's");
  return false;
}

const double discount = std::exp(-r * T);

void kzr_fun_EVERESTEO(benchmark::State& state) {
  static standin::host library;
  const double expected = discount * everestloop().everest / paths;
  if (!near(state, kzrprice(library, "EVERESTEO", paths), expected, 1e-9 * expected)) return;
  for (auto _ : state) benchmark::DoNotOptimize(kzrprice(library, "EVERESTEO", paths));
}
BENCHMARK(kzr_fun_EVERESTEO)->Unit(benchmark::kMillisecond);

void plain_loop_everest(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(plainloop(paths, 1).everest);
}
BENCHMARK(plain_loop_everest)->Unit(benchmark::kMillisecond);

void quantlib_MCEverestEngine(benchmark::State& state) {
  // Another generator: within 0.2 of a notional of 100, about ten standard errors.
  const double expected = discount * everestloop().everest / paths;
  if (!near(state, quantlibeverest(), expected, 0.2)) return;
  for (auto _ : state) benchmark::DoNotOptimize(quantlibeverest());
}
BENCHMARK(quantlib_MCEverestEngine)->Unit(benchmark::kMillisecond);

void kzr_fun_HIMALAYAEO(benchmark::State& state) {
  static standin::host library;
  const double expected = discount * notional * (std::exp(himalayaloop().himalaya / paths) - 1);
  if (!near(state, kzrprice(library, "HIMALAYAEO", paths), expected, 1e-9 * expected)) return;
  for (auto _ : state) benchmark::DoNotOptimize(kzrprice(library, "HIMALAYAEO", paths));
}
BENCHMARK(kzr_fun_HIMALAYAEO)->Unit(benchmark::kMillisecond);

void plain_loop_himalaya(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(plainloop(paths, n).himalaya);
}
BENCHMARK(plain_loop_himalaya)->Unit(benchmark::kMillisecond);

void quantlib_MCHimalayaEngine(benchmark::State& state) {
  const loopsums& sums = himalayaloop();
  const double mean = sums.call / paths;
  const double error = discount * std::sqrt((sums.callsquares / paths - mean * mean) / paths);
  if (!near(state, quantlibhimalaya(), discount * mean, 5 * error)) return;
  for (auto _ : state) benchmark::DoNotOptimize(quantlibhimalaya());
}
BENCHMARK(quantlib_MCHimalayaEngine)->Unit(benchmark::kMillisecond);

}  // namespace
