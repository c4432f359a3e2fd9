// Pieces of the rainbow tests beside mctestsupport.h: n assets, one correlation between every
// pair, with their spots, and the standard deviation of a payoff at expiry from an independent
// sample, which sets how many standard errors a seeded price may stray.
#ifndef KZR_TESTS_MONTECARLO_SIMULATEDCONTRACTS_H
#define KZR_TESTS_MONTECARLO_SIMULATEDCONTRACTS_H

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "mctestsupport.h"

namespace simulated {

using table = std::vector<std::vector<double>>;

// A market of n lognormal assets with one volatility and one correlation between every pair.
struct assets {
  std::vector<double> S, sigma, q;
  double rho, r, T;
  int n() const { return static_cast<int>(S.size()); }
  std::vector<double> correlations() const {
    std::vector<double> matrix(S.size() * S.size(), rho);
    for (std::size_t i = 0; i < S.size(); ++i) matrix[i * S.size() + i] = 1.0;
    return matrix;
  }
};

// The sample standard deviation of payoff(X), X the assets' prices at expiry, over paths of the
// independent simulation of mctestsupport.h at a seed of the test's own.
inline double payoffdeviation(const assets& a, const std::function<double(const double*)>& payoff,
                              int paths = 4000) {
  const mctest::market m{a.n(), a.T, a.sigma, a.correlations(), a.r, a.q};
  const mctest::independentpaths simulation{m, a.S, 2, a.T};
  const auto atexpiry = [&](const std::vector<double>& path) {
    std::vector<double> X(a.S.size());
    for (std::size_t i = 0; i < X.size(); ++i) X[i] = path[2 * i + 1];
    return payoff(X.data());
  };
  const std::uint32_t seed = 20240515;
  const double sum = simulation.sum(seed, paths, atexpiry);
  const double squares = simulation.sum(seed, paths, [&](const std::vector<double>& path) {
    const double v = atexpiry(path);
    return v * v;
  });
  return std::sqrt((squares - sum * sum / paths) / (paths - 1));
}

}  // namespace simulated

#endif  // KZR_TESTS_MONTECARLO_SIMULATEDCONTRACTS_H
