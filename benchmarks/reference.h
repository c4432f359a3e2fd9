// What every benchmark checks once, before it times anything: that its answer and its peer's
// agree, and how far its own answer lies from a fine reference value, computed here by quadrature
// independently of both. A fast wrong answer cannot win: a benchmark whose sides disagree is
// skipped with an error, and each side's error is shown beside its time as the counter "error".
#ifndef KZR_BENCHMARKS_REFERENCE_H
#define KZR_BENCHMARKS_REFERENCE_H

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <ql/pricingengines/blackformula.hpp>

namespace reference {

// The standard normal law.
inline double density(double x) { return std::exp(-0.5 * x * x) / std::sqrt(2.0 * M_PI); }
inline double cdf(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

// A European call or put on a dividend-paying stock by QuantLib's blackFormula.
inline double black(QuantLib::Option::Type type, double S, double K, double tau, double sigma,
                    double r, double q) {
  return QuantLib::blackFormula(type, K, S * std::exp((r - q) * tau), sigma * std::sqrt(tau),
                                std::exp(-r * tau));
}

// The two answers of a comparison, the reference value and how far apart (relative to the
// reference, or absolute below 1) the two answers may lie.
struct comparison {
  double kzr;
  double peer;
  double reference;
  double tolerance;
};

// Skips the benchmark with an error when the two sides disagree; otherwise sets its counter
// "error" to |own - reference| and returns true. Call once, before the timing loop.
inline bool agree(benchmark::State& state, const comparison& c, double own) {
  const double scale = std::max(1.0, std::fabs(c.reference));
  if (!(std::fabs(c.kzr - c.peer) <= c.tolerance * scale)) {  // a NaN disagrees too
    char text[160];
    std::snprintf(text, sizeof text, "the sides disagree: kzr %.12g, peer %.12g", c.kzr, c.peer);
    state.SkipWithError(text);
    return false;
  }
  state.counters["error"] = std::fabs(own - c.reference);
  return true;
}

// Composite Simpson rule over [a, b] with n and 2n intervals (n even), extrapolated (Romberg):
// accurate to about h^6 for a smooth f.
template <typename function>
double simpson(function f, double a, double b, int n = 2000) {
  const auto rule = [&](int m) {
    const double h = (b - a) / m;
    double sum = f(a) + f(b);
    for (int i = 1; i < m; ++i) sum += f(a + i * h) * (i % 2 == 1 ? 4.0 : 2.0);
    return sum * h / 3.0;
  };
  const double coarse = rule(n), fine = rule(2 * n);
  return fine + (fine - coarse) / 15.0;
}

// The points of [a, b] where g changes sign (found on a scan of 4000 steps, then bisected).
template <typename function>
std::vector<double> signchanges(function g, double a, double b) {
  std::vector<double> roots;
  const int steps = 4000;
  double left = a, gleft = g(a);
  for (int i = 1; i <= steps; ++i) {
    const double right = a + (b - a) * i / steps, gright = g(right);
    if ((gleft < 0) != (gright < 0)) {
      double lo = left, hi = right;
      for (int k = 0; k < 200 && lo < hi; ++k) {
        const double mid = 0.5 * (lo + hi);
        if (mid <= lo || mid >= hi) break;
        ((g(mid) < 0) == (gleft < 0) ? lo : hi) = mid;
      }
      roots.push_back(0.5 * (lo + hi));
    }
    left = right;
    gleft = gright;
  }
  return roots;
}

// The integral of f(z) times the standard normal density over z in [-12, 12], Simpson on each
// piece between the points `breaks` (where f has a kink or a jump). Each piece stops 1e-9 short
// of a break, so that f is never taken on the wrong side of a jump.
template <typename function>
double normalexpectation(function f, std::vector<double> breaks = {}) {
  constexpr double gap = 1e-9;
  std::vector<double> edges = {-12.0, 12.0};
  for (double z : breaks)
    if (z > -12.0 && z < 12.0) edges.push_back(z);
  std::sort(edges.begin(), edges.end());
  double sum = 0.0;
  for (std::size_t i = 0; i + 1 < edges.size(); ++i)
    sum += simpson([&](double z) { return f(z) * density(z); }, edges[i] + gap, edges[i + 1] - gap);
  return sum;
}

// The price at time T of a lognormal law: S exp((b - sigma^2/2) T + sigma sqrt(T) z).
struct lognormal {
  double S, b, sigma, T;
  double drift() const { return (b - 0.5 * sigma * sigma) * T; }
  double spread() const { return sigma * std::sqrt(T); }
  double price(double z) const { return S * std::exp(drift() + spread() * z); }
  double z(double price) const { return (std::log(price / S) - drift()) / spread(); }
};

// The law of the price at T given the standard normal z of another price whose logarithm is
// correlated rho with its own: lognormal, with this forward and deviation of its logarithm.
struct conditional {
  double forward, deviation;
};
inline conditional given(const lognormal& law, double rho, double z) {
  const double deviation = law.spread() * std::sqrt(1 - rho * rho);
  return {law.S * std::exp(law.drift() + law.spread() * rho * z + 0.5 * deviation * deviation),
          deviation};
}

// The prices at which g(S_T) changes sign, over z in [-12, 12].
template <typename function>
std::vector<double> pricekinks(function g, const lognormal& law) {
  std::vector<double> prices;
  for (double z : signchanges([&](double x) { return g(law.price(x)); }, -12.0, 12.0))
    prices.push_back(law.price(z));
  return prices;
}

// E[f(S_T)], with f's kinks or jumps at the prices `kinks`.
template <typename function>
double lognormalexpectation(function f, const lognormal& law,
                            const std::vector<double>& kinks = {}) {
  std::vector<double> breaks;
  for (double k : kinks) breaks.push_back(law.z(k));
  return normalexpectation([&](double z) { return f(law.price(z)); }, breaks);
}

}  // namespace reference

#endif  // KZR_BENCHMARKS_REFERENCE_H
