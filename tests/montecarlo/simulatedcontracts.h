// Pieces of the Asian and rainbow tests: a parameter block of the test's own for building
// instruments directly (its simulation cache freed at the end), funvec through the loaded
// library, and the standard deviation of a payoff from an independent sample (std::mt19937 and
// std::normal_distribution), which sets how many standard errors a seeded price may stray.
#ifndef KZR_TESTS_MONTECARLO_SIMULATEDCONTRACTS_H
#define KZR_TESTS_MONTECARLO_SIMULATEDCONTRACTS_H

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "binding/parameterblock.h"
#include "montecarlo/mcvaluation.h"
#include "testsupport.h"

namespace simulated {

// Every entry at its default unless set.
struct block {
  parameterblock words{};
  double rows[parameterentrycount][2]{};
  block() {
    for (int e = 0; e < parameterentrycount; ++e) words.entries[e] = {1, rows[e]};
  }
  ~block() { simulationcache::freecache(words); }
  block(const block&) = delete;
  block& operator=(const block&) = delete;
  block& set(int entry, double first) {
    words.entries[entry].flag = 0;
    rows[entry][0] = first;
    return *this;
  }
};

using table = std::vector<std::vector<double>>;

inline standin::vectorresult funvec(const std::string& code, const table& rows,
                                    const testsupport::parameters& entries = {}) {
  standin::tensor T0 = standin::realtable(rows);
  standin::tensor T1 = standin::integertensor({6}, entries.flags);
  standin::tensor T2 = standin::realtensor({6, 2}, entries.rows);
  return testsupport::library().funvec(code, T0, T1, T2);
}

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

// The sample standard deviation of payoff(X), X the assets' prices at expiry, over paths drawn
// here with a seed of the test's own.
inline double payoffdeviation(const assets& a, const std::function<double(const double*)>& payoff,
                              int paths = 4000) {
  const int n = a.n();
  std::vector<double> L(n * n, 0.0), C = a.correlations(), z(n), X(n);
  for (int i = 0; i < n; ++i)  // Cholesky factor of the correlations
    for (int j = 0; j <= i; ++j) {
      double c = C[i * n + j];
      for (int k = 0; k < j; ++k) c -= L[i * n + k] * L[j * n + k];
      L[i * n + j] = i == j ? std::sqrt(c) : c / L[j * n + j];
    }
  std::mt19937 words(20240515);
  std::normal_distribution<double> normal;
  double sum = 0.0, squares = 0.0;
  for (int p = 0; p < paths; ++p) {
    for (double& x : z) x = normal(words);
    for (int i = 0; i < n; ++i) {
      double w = 0.0;
      for (int k = 0; k <= i; ++k) w += L[i * n + k] * z[k];
      X[i] = a.S[i] * std::exp((a.r - a.q[i] - a.sigma[i] * a.sigma[i] / 2) * a.T +
                               a.sigma[i] * std::sqrt(a.T) * w);
    }
    const double v = payoff(X.data());
    sum += v;
    squares += v * v;
  }
  const double mean = sum / paths;
  return std::sqrt((squares - paths * mean * mean) / (paths - 1));
}

}  // namespace simulated

#endif  // KZR_TESTS_MONTECARLO_SIMULATEDCONTRACTS_H
