// The simulated Asian and rainbow codes through fun at a fixed seed, beside their QuantLib peers
// and beside a plain loop written here that draws the same normals (std::mt19937 and the cosine
// branch of Box-Muller), correlates them and pays the same payoff:
//   RAINBOWMAXECO on 5 assets, 100,000 paths    QuantLib's MCEuropeanBasketEngine, max basket
//   ASIANAARECO, 10,000 paths of 500 points     QuantLib's MCDiscreteArithmeticAPEngine on the
//                                               same 500 fixing dates (today to the expiry)
//   ASIANGARECO after a spot change             QuantLib's analytic continuous geometric engine
// Before timing, the library's price must equal the loop's to 1e-12 (the same draws) and the
// peer's must lie within four standard errors of it (the geometric codes: within 1e-10).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include <ql/quantlib.hpp>

#include "fiveassets.h"
#include "host.h"
#include "montecarlo/EuropeanAsian.h"

namespace {

constexpr std::uint32_t seed = 42;

// The library's normal draw, written out: two words of std::mt19937, the cosine branch.
struct plainnormals {
  std::mt19937 words{seed};
  double operator()() {
    const double scale = 2.3283064365386963e-10;  // 2^-32
    const double u1 = (words() + 0.5) * scale, u2 = words() * scale;
    return std::sqrt(-2.0 * std::log(1.0 - u1)) * std::cos(6.283185307179586 * u2);
  }
};

// fun at the fixed seed; paths and steps set when positive.
double kzrprice(standin::host& library, const char* code,
                const std::vector<std::vector<double>>& rows, double paths, double steps) {
  standin::tensor T0 = standin::realtable(rows);
  standin::tensor T1 =
      standin::integertensor({6}, {1, 1, 1, paths > 0 ? 0 : 1, steps > 0 ? 0 : 1, 0});
  standin::tensor T2 =
      standin::realtensor({6, 2}, {0, 0, 0, 0, 0, 0, paths, 0, steps, 0, double(seed), 0});
  return library.fun(code, T0, T1, T2).value;
}

// Skips the benchmark unless the library matches the loop and the peer lies within four of its
// standard errors; sets the counter "error" to the peer's distance in standard errors.
bool checked(benchmark::State& state, double kzr, double loop, double peer, double stderror) {
  char text[200];
  if (!(std::fabs(kzr - loop) <= 1e-12 * std::fabs(loop))) {
    std::snprintf(text, sizeof text, "not the loop's draws: kzr %.15g, loop %.15g", kzr, loop);
    state.SkipWithError(text);
    return false;
  }
  if (!(std::fabs(peer - loop) <= 4 * stderror)) {
    std::snprintf(text, sizeof text, "the sides disagree: kzr %.12g, peer %.12g", kzr, peer);
    state.SkipWithError(text);
    return false;
  }
  state.counters["stderrs"] = std::fabs(peer - loop) / stderror;
  return true;
}

QuantLib::ext::shared_ptr<QuantLib::BlackScholesMertonProcess> process(
    const QuantLib::Date& today, const QuantLib::DayCounter& dc,
    const QuantLib::ext::shared_ptr<QuantLib::SimpleQuote>& spot, double sigma, double r,
    double q) {
  using namespace QuantLib;
  Settings::instance().evaluationDate() = today;
  return ext::make_shared<BlackScholesMertonProcess>(
      Handle<Quote>(spot), Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, q, dc)),
      Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, r, dc)),
      Handle<BlackVolTermStructure>(
          ext::make_shared<BlackConstantVol>(today, NullCalendar(), sigma, dc)));
}

// The rainbow: a call on the maximum of five assets, a year (365 days of Actual/365) to expiry.
namespace rainbow {

using fiveassets::n, fiveassets::sigma, fiveassets::q, fiveassets::rho;
constexpr std::int64_t paths = 100000;
constexpr double T = 1.0, r = 0.05, K = 100.0;
const double S[n] = {100, 95, 105, 110, 90};

std::vector<std::vector<double>> rows() {
  return {{double(n)}, {T},       {S, S + n}, {K}, {sigma, sigma + n}, fiveassets::correlationrow(),
          {r},         {q, q + n}};
}

struct estimate {
  double price, stderror;
};

// The plain loop: the Cholesky factor of the covariance, one point per asset per path.
estimate plainloop() {
  double L[n][n];
  fiveassets::covariancefactor(L);
  double drift[n];
  for (int i = 0; i < n; ++i) drift[i] = (r - q[i] - sigma[i] * sigma[i] / 2) * T;
  const double root = std::sqrt(T);
  plainnormals normal;
  double sum = 0.0, squares = 0.0, z[n];
  for (std::int64_t p = 0; p < paths; ++p) {
    for (double& x : z) x = normal();
    double best = 0.0;
    for (int i = 0; i < n; ++i) {
      double w = 0.0;
      for (int k = 0; k <= i; ++k) w += L[i][k] * z[k];
      const double X = S[i] * std::exp(drift[i] + root * w);
      best = i == 0 ? X : std::max(best, X);
    }
    const double payoff = std::max(best - K, 0.0);
    sum += payoff;
    squares += payoff * payoff;
  }
  const double mean = sum / paths, D = std::exp(-r * T);
  return {D * sum / paths, D * std::sqrt((squares / paths - mean * mean) / paths)};
}

estimate quantlib() {
  using namespace QuantLib;
  const Date today(15, May, 2024);
  const DayCounter dc = Actual365Fixed();
  std::vector<ext::shared_ptr<StochasticProcess1D>> assets;
  for (int i = 0; i < n; ++i)
    assets.push_back(process(today, dc, ext::make_shared<SimpleQuote>(S[i]), sigma[i], r, q[i]));
  Matrix matrix(n, n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) matrix[i][j] = rho(i, j);
  BasketOption option(
      ext::make_shared<MaxBasketPayoff>(ext::make_shared<PlainVanillaPayoff>(Option::Call, K)),
      ext::make_shared<EuropeanExercise>(today + 365));
  option.setPricingEngine(MakeMCEuropeanBasketEngine<PseudoRandom>(
                              ext::make_shared<StochasticProcessArray>(assets, matrix))
                              .withSteps(1)
                              .withSamples(paths)
                              .withSeed(seed));
  return {option.NPV(), option.errorEstimate()};
}

}  // namespace rainbow

// The Asian: 500 points a day apart (Actual/360), today's price and the expiry's included.
namespace asian {

constexpr int points = 500;
constexpr std::int64_t paths = 10000;
constexpr double T = (points - 1) / 360.0, S = 100, A = 100, K = 100, sigma = 0.2, r = 0.05,
                 q = 0.02;

std::vector<std::vector<double>> rows() { return {{T}, {T}, {S}, {A}, {K}, {sigma}, {r}, {q}}; }

rainbow::estimate plainloop() {
  const double dt = T / (points - 1), drift = (r - q - sigma * sigma / 2) * dt;
  const double root = std::sqrt(dt), L = std::sqrt(sigma * sigma);
  plainnormals normal;
  double sum = 0.0, squares = 0.0;
  for (std::int64_t p = 0; p < paths; ++p) {
    double level = S, total = S;
    for (int t = 1; t < points; ++t) {
      level *= std::exp(drift + root * (L * normal()));
      total += level;
    }
    const double payoff = std::max(total / points - K, 0.0);
    sum += payoff;
    squares += payoff * payoff;
  }
  const double mean = sum / paths, D = std::exp(-r * T);
  return {D * sum / paths, D * std::sqrt((squares / paths - mean * mean) / paths)};
}

rainbow::estimate quantlib() {
  using namespace QuantLib;
  const Date today(15, May, 2024);
  std::vector<Date> fixings;
  for (int k = 0; k < points; ++k) fixings.push_back(today + k);
  DiscreteAveragingAsianOption option(Average::Arithmetic, 0.0, 0, fixings,
                                      ext::make_shared<PlainVanillaPayoff>(Option::Call, K),
                                      ext::make_shared<EuropeanExercise>(fixings.back()));
  option.setPricingEngine(
      MakeMCDiscreteArithmeticAPEngine<PseudoRandom>(
          process(today, Actual360(), ext::make_shared<SimpleQuote>(S), sigma, r, q))
          .withSamples(paths)
          .withSeed(seed));
  return {option.NPV(), option.errorEstimate()};
}

}  // namespace asian

void kzr_fun_RAINBOWMAXECO_5assets(benchmark::State& state) {
  static standin::host library;
  const auto rows = rainbow::rows();
  const rainbow::estimate loop = rainbow::plainloop(), peer = rainbow::quantlib();
  if (!checked(state, kzrprice(library, "RAINBOWMAXECO", rows, rainbow::paths, 0), loop.price,
               peer.price, std::sqrt(2.0) * peer.stderror))
    return;
  for (auto _ : state)
    benchmark::DoNotOptimize(kzrprice(library, "RAINBOWMAXECO", rows, rainbow::paths, 0));
}

void plainloop_maxcall_5assets(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(rainbow::plainloop());
}

void quantlib_MCEuropeanBasketEngine_max_5assets(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(rainbow::quantlib());
}

void kzr_fun_ASIANAARECO_500steps(benchmark::State& state) {
  static standin::host library;
  const auto rows = asian::rows();
  const rainbow::estimate loop = asian::plainloop(), peer = asian::quantlib();
  if (!checked(state, kzrprice(library, "ASIANAARECO", rows, 0, 0), loop.price, peer.price,
               std::sqrt(2.0) * peer.stderror))
    return;
  for (auto _ : state) benchmark::DoNotOptimize(kzrprice(library, "ASIANAARECO", rows, 0, 0));
}

void plainloop_arithmeticasian_500steps(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(asian::plainloop());
}

void quantlib_MCDiscreteArithmeticAPEngine_500fixings(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(asian::quantlib());
}

// The geometric average over half a year (180 days of Actual/360), re-priced after a spot change.
namespace geometric {
constexpr double T = 0.5, S = 100, K = 100, sigma = 0.2, r = 0.05, q = 0.02;
}

void kzr_fun_ASIANGARECO(benchmark::State& state) {
  using namespace geometric;
  static standin::host library;
  standin::tensor T0 = standin::realtensor({8, 1}, {T, T, S, 1.0, K, sigma, r, q});
  standin::tensor T1 = standin::integertensor({6}, {1, 1, 1, 1, 1, 1});
  standin::tensor T2 = standin::realtensor({6, 1}, std::vector<double>(6, 0.0));
  using namespace QuantLib;
  const Date today(15, May, 2024);
  ContinuousAveragingAsianOption option(Average::Geometric,
                                        ext::make_shared<PlainVanillaPayoff>(Option::Call, K),
                                        ext::make_shared<EuropeanExercise>(today + 180));
  option.setPricingEngine(ext::make_shared<AnalyticContinuousGeometricAveragePriceAsianEngine>(
      process(today, Actual360(), ext::make_shared<SimpleQuote>(S), sigma, r, q)));
  const double kzr = library.fun("ASIANGARECO", T0, T1, T2).value;
  if (!(std::fabs(kzr - option.NPV()) <= 1e-10 * S)) {
    state.SkipWithError("the sides disagree");
    return;
  }
  std::uint64_t count = 0;
  for (auto _ : state) {
    T0.reals[2] = S + 1e-9 * static_cast<double>(++count & 1);
    benchmark::DoNotOptimize(library.fun("ASIANGARECO", T0, T1, T2).value);
  }
}

// The bare formula, without the host's call.
void kzr_geometriccall(benchmark::State& state) {
  using namespace geometric;
  double spot = S;
  std::uint64_t count = 0;
  for (auto _ : state) {
    spot = S + 1e-9 * static_cast<double>(++count & 1);
    benchmark::DoNotOptimize(EuropeanAsian::geometriccall(T, T, spot, 1.0, K, sigma, r, q));
  }
}

void quantlib_AnalyticContinuousGeometricAveragePriceAsianEngine(benchmark::State& state) {
  using namespace geometric;
  using namespace QuantLib;
  const Date today(15, May, 2024);
  const auto spot = ext::make_shared<SimpleQuote>(S);
  ContinuousAveragingAsianOption option(Average::Geometric,
                                        ext::make_shared<PlainVanillaPayoff>(Option::Call, K),
                                        ext::make_shared<EuropeanExercise>(today + 180));
  option.setPricingEngine(ext::make_shared<AnalyticContinuousGeometricAveragePriceAsianEngine>(
      process(today, Actual360(), spot, sigma, r, q)));
  std::uint64_t count = 0;
  for (auto _ : state) {
    spot->setValue(S + 1e-9 * static_cast<double>(++count & 1));  // a new value: a new price
    benchmark::DoNotOptimize(option.NPV());
  }
}

}  // namespace

BENCHMARK(kzr_fun_RAINBOWMAXECO_5assets)->Unit(benchmark::kMillisecond);
BENCHMARK(plainloop_maxcall_5assets)->Unit(benchmark::kMillisecond);
BENCHMARK(quantlib_MCEuropeanBasketEngine_max_5assets)->Unit(benchmark::kMillisecond);
BENCHMARK(kzr_fun_ASIANAARECO_500steps)->Unit(benchmark::kMillisecond);
BENCHMARK(plainloop_arithmeticasian_500steps)->Unit(benchmark::kMillisecond);
BENCHMARK(quantlib_MCDiscreteArithmeticAPEngine_500fixings)->Unit(benchmark::kMillisecond);
BENCHMARK(kzr_fun_ASIANGARECO)->Unit(benchmark::kMicrosecond);
BENCHMARK(kzr_geometriccall)->Unit(benchmark::kMicrosecond);
BENCHMARK(quantlib_AnalyticContinuousGeometricAveragePriceAsianEngine)
    ->Unit(benchmark::kMicrosecond);
