// An independent value of the American (or European) floating-strike lookback: the one-state
// binomial lattice in the share numeraire (Cheuk and Vorst 1997; Babbs 2000). The state j counts
// the lattice steps between the price and its extreme, so the extreme is S u^j (put) or S u^-j
// (call); the lattice monitors the extreme once a step, and two step counts n and 4n extrapolated
// in sqrt(dt) (2 V(4n) - V(n)) remove most of that discrete-monitoring bias.
#ifndef KZR_TESTS_LOOKBACKTREE_H
#define KZR_TESTS_LOOKBACKTREE_H

#include <algorithm>
#include <cmath>
#include <vector>

namespace lookbacktree {

// The extreme j0 lattice steps away from S: for n steps over T, S u^j0 (put) or S u^-j0 (call).
inline double extremeof(int callput, double T, double S, double sigma, int n, int j0) {
  return S * std::exp(-callput * j0 * sigma * std::sqrt(T / n));
}

// callput +1: pays S - m (m the minimum); -1: pays M - S. The extreme lies j0 steps from S.
inline double value(int callput, bool american, double T, double S, double sigma, double r,
                    double q, int n, int j0) {
  const double dt = T / n, step = sigma * std::sqrt(dt);
  const double u = std::exp(step), d = 1 / u;
  const double p = (std::exp((r - q) * dt) - d) / (u - d), discount = std::exp(-r * dt);
  // Exercise value over S in state j, and the states after an up and a down move.
  auto exercise = [&](int j) {
    return callput > 0 ? 1 - std::exp(-j * step) : std::exp(j * step) - 1;
  };
  auto afterup = [&](int j) { return callput > 0 ? j + 1 : std::max(j - 1, 0); };
  auto afterdown = [&](int j) { return callput > 0 ? std::max(j - 1, 0) : j + 1; };
  std::vector<double> W(j0 + n + 2), next(j0 + n + 2);
  for (int j = 0; j <= j0 + n + 1; ++j) W[j] = exercise(j);
  for (int k = n - 1; k >= 0; --k) {
    for (int j = 0; j <= j0 + k; ++j) {
      const double hold = discount * (p * u * W[afterup(j)] + (1 - p) * d * W[afterdown(j)]);
      next[j] = american ? std::max(hold, exercise(j)) : hold;
    }
    std::swap(W, next);
  }
  return S * W[j0];
}

// 2 V(4n) - V(n) for the contract whose extreme lies j0 steps of the n-step lattice from S
// (4 j0 steps of the 4n-step one).
inline double extrapolated(int callput, bool american, double T, double S, double sigma, double r,
                           double q, int n, int j0) {
  return 2 * value(callput, american, T, S, sigma, r, q, 4 * n, 2 * j0) -
         value(callput, american, T, S, sigma, r, q, n, j0);
}

}  // namespace lookbacktree

#endif  // KZR_TESTS_LOOKBACKTREE_H
