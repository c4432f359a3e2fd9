// Numerical foundations beside their peers: the precise bivariate normal beside QuantLib's
// double-precision Genz routine and the default Drezner rule, over arguments that reach every
// branch; one normal draw of the random source beside a plain std::mt19937 and Box-Muller loop
// written here. Each benchmark first checks its agreement with the peer and reports it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include <ql/math/distributions/bivariatenormaldistribution.hpp>

#include "montecarlo/randomsource.h"
#include "numerics/normaldistribution.h"
#include "numerics/precisebivariatenormal.h"

namespace {

struct arguments {
  double a, b, rho;
};

// 360 triples: both tails and the centre, correlations in each quadrature rule's range and in
// the near-unit branch, both signs.
const std::vector<arguments>& bivariatearguments() {
  static const std::vector<arguments> triples = [] {
    std::vector<arguments> out;
    for (double rho : {-0.97, -0.8, -0.5, -0.2, 0.1, 0.4, 0.7, 0.85, 0.95, 0.995})
      for (double a : {-3.0, -1.2, -0.3, 0.4, 1.1, 2.5})
        for (double b : {-2.6, -0.9, -0.1, 0.6, 1.4, 3.0}) out.push_back({a, b, rho});
    return out;
  }();
  return triples;
}

const std::vector<QuantLib::BivariateCumulativeNormalDistributionWe04DP>& quantlibfunctions() {
  static const std::vector<QuantLib::BivariateCumulativeNormalDistributionWe04DP> functions = [] {
    std::vector<QuantLib::BivariateCumulativeNormalDistributionWe04DP> out;
    for (const arguments& t : bivariatearguments()) out.emplace_back(t.rho);
    return out;
  }();
  return functions;
}

// The largest difference between a routine and QuantLib's over the arguments.
template <typename routine>
double largestdifferencefromquantlib(routine M) {
  const std::vector<arguments>& triples = bivariatearguments();
  double worst = 0.0;
  for (std::size_t i = 0; i < triples.size(); ++i) {
    const arguments& t = triples[i];
    worst = std::max(worst, std::fabs(M(t.a, t.b, t.rho) - quantlibfunctions()[i](t.a, t.b)));
  }
  return worst;
}

template <typename routine>
void timebivariate(benchmark::State& state, routine M, double allowed) {
  const double difference = largestdifferencefromquantlib(M);
  state.counters["diff_vs_QuantLib"] = difference;
  if (!(difference <= allowed)) {
    state.SkipWithError("the routine and QuantLib's Genz routine disagree");
    return;
  }
  const std::vector<arguments>& triples = bivariatearguments();
  std::size_t i = 0;
  for (auto _ : state) {
    const arguments& t = triples[i];
    benchmark::DoNotOptimize(M(t.a, t.b, t.rho));
    if (++i == triples.size()) i = 0;
  }
}

void kzr_precisebivariatenormalcdf(benchmark::State& state) {
  timebivariate(state, precisebivariatenormalcdf, 1e-15);
}
BENCHMARK(kzr_precisebivariatenormalcdf);

// The default rule errs by up to about 1e-5; its counter shows by how much here.
void kzr_bivariatenormalcdf_Drezner(benchmark::State& state) {
  timebivariate(state, bivariatenormalcdf, 1e-5);
}
BENCHMARK(kzr_bivariatenormalcdf_Drezner);

void quantlib_BivariateCumulativeNormalDistributionWe04DP(benchmark::State& state) {
  const std::vector<arguments>& triples = bivariatearguments();
  const auto& functions = quantlibfunctions();
  double difference = 0.0;
  for (std::size_t i = 0; i < triples.size(); ++i) {
    const arguments& t = triples[i];
    difference = std::max(
        difference, std::fabs(functions[i](t.a, t.b) - precisebivariatenormalcdf(t.a, t.b, t.rho)));
  }
  state.counters["diff_vs_kzr"] = difference;
  if (!(difference <= 1e-15)) {
    state.SkipWithError("QuantLib's Genz routine and kzr's disagree");
    return;
  }
  std::size_t i = 0;
  for (auto _ : state) {
    const arguments& t = triples[i];
    benchmark::DoNotOptimize(functions[i](t.a, t.b));
    if (++i == triples.size()) i = 0;
  }
}
BENCHMARK(quantlib_BivariateCumulativeNormalDistributionWe04DP);

constexpr std::uint32_t drawseed = 20240615;

// The plain loop: std::mt19937's words, the open and half-open uniforms, the cosine branch.
double plainnormal(std::mt19937& words) {
  const double u1 = (words() + 0.5) * 2.3283064365386963e-10;
  const double u2 = words() * 2.3283064365386963e-10;
  return std::sqrt(-2.0 * std::log(1.0 - u1)) * std::cos(6.283185307179586 * u2);
}

// The first 100,000 normals of both, bit for bit.
bool drawsagree() {
  randomsource source(std::int64_t{drawseed});
  std::mt19937 words(drawseed);
  for (int i = 0; i < 100000; ++i)
    if (source.normaldraw(0.0, 1.0) != plainnormal(words)) return false;
  return true;
}

void kzr_randomsource_normaldraw(benchmark::State& state) {
  if (!drawsagree()) {
    state.SkipWithError("the random source and the plain loop draw different normals");
    return;
  }
  randomsource source(std::int64_t{drawseed});
  // A simulation takes its standard normals as normaldraw(0, 1).
  for (auto _ : state) benchmark::DoNotOptimize(source.normaldraw(0.0, 1.0));
}
BENCHMARK(kzr_randomsource_normaldraw);

void plain_mt19937_boxmuller_normal(benchmark::State& state) {
  if (!drawsagree()) {
    state.SkipWithError("the random source and the plain loop draw different normals");
    return;
  }
  std::mt19937 words(drawseed);
  for (auto _ : state) benchmark::DoNotOptimize(plainnormal(words));
}
BENCHMARK(plain_mt19937_boxmuller_normal);

}  // namespace
