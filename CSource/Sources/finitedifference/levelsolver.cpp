#include "finitedifference/levelsolver.h"

#include <cstddef>

#include "numerics/linearalgebra.h"

levelsolver::levelsolver(const double* diag, const double* upper, const double* lower, int n)
    : diag(diag), upper(upper), lower(lower), n(n) {
  if (n <= 0) return;
  const std::size_t size = static_cast<std::size_t>(n);
  pivot.resize(size);
  multiplier.resize(size);
  reduced.resize(size);
  pivot[0] = diag[0];
  if (pivot[0] == 0) {
    singular = true;
    return;
  }
  for (int j = 1; j < n; ++j) {
    multiplier[j] = lower[j - 1] / pivot[j - 1];
    pivot[j] = diag[j] - multiplier[j] * upper[j - 1];
    if (pivot[j] == 0) {
      singular = true;
      return;
    }
  }
}

void levelsolver::solve(const double* rhs, double* x) {
  if (n <= 0) return;
  if (singular) {
    tridiagonalsolve(diag, upper, lower, rhs, x, n);
    return;
  }
  double* rho = reduced.data();
  const double* m = multiplier.data();
  const double* beta = pivot.data();
  rho[0] = rhs[0];
  for (int j = 1; j < n; ++j) rho[j] = rhs[j] - m[j] * rho[j - 1];
  x[n - 1] = rho[n - 1] / beta[n - 1];
  for (int j = n - 2; j >= 0; --j) x[j] = (rho[j] - upper[j] * x[j + 1]) / beta[j];
}
