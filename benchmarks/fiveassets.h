// The five-asset market of the simulation benchmarks (mountain ranges, n-asset rainbows): the
// volatilities, dividend yields and one correlation between every pair, and what the plain
// loops beside the library need of it.
#ifndef KZR_BENCHMARKS_FIVEASSETS_H
#define KZR_BENCHMARKS_FIVEASSETS_H

#include <cmath>
#include <vector>

namespace fiveassets {

constexpr int n = 5;
constexpr double correlation = 0.5;
inline const double sigma[n] = {0.2, 0.25, 0.3, 0.22, 0.28};
inline const double q[n] = {0.01, 0.02, 0.0, 0.015, 0.01};

inline double rho(int i, int j) { return i == j ? 1.0 : correlation; }

// rho_ij row-major, as one row of a counted table.
inline std::vector<double> correlationrow() {
  std::vector<double> matrix;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) matrix.push_back(rho(i, j));
  return matrix;
}

// The lower Cholesky factor L of the covariance sigma_i sigma_j rho_ij (per year).
inline void covariancefactor(double (&L)[n][n]) {
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) L[i][j] = 0.0;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j <= i; ++j) {
      double c = rho(i, j) * sigma[i] * sigma[j];
      for (int k = 0; k < j; ++k) c -= L[i][k] * L[j][k];
      L[i][j] = i == j ? std::sqrt(c) : c / L[j][j];
    }
}

}  // namespace fiveassets

#endif  // KZR_BENCHMARKS_FIVEASSETS_H
