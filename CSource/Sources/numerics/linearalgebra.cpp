#include "numerics/linearalgebra.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "numerics/messages.h"
#include "numerics/undefined.h"

void tridiagonalsolve(const double* diag, const double* upper, const double* lower,
                      const double* rhs, double* x, int n) {
  if (n <= 0) return;
  std::vector<double> beta(n), rho(n);
  auto fail = [&] {
    writemessagenolineend(messages::singularmatrix);
    for (int i = 0; i < n; ++i) x[i] = undefinedvalue();
  };
  beta[0] = diag[0];
  rho[0] = rhs[0];
  if (beta[0] == 0) return fail();
  for (int j = 1; j < n; ++j) {
    const double m = lower[j - 1] / beta[j - 1];
    beta[j] = diag[j] - m * upper[j - 1];
    rho[j] = rhs[j] - m * rho[j - 1];
    if (beta[j] == 0) return fail();
  }
  x[n - 1] = rho[n - 1] / beta[n - 1];
  for (int j = n - 2; j >= 0; --j) x[j] = (rho[j] - upper[j] * x[j + 1]) / beta[j];
}

void choleskyfactor(int n, double* a) {
  switch (quietcholeskyfactor(n, a)) {
    case choleskyoutcome::nonsymmetric: writemessage(messages::nonsymmetricmatrix); break;
    case choleskyoutcome::notpositivedefinite: writemessage(messages::notpositivedefinite); break;
    case choleskyoutcome::factored: break;
  }
}

choleskyoutcome quietcholeskyfactor(int n, double* a) {
  if (n <= 0) return choleskyoutcome::factored;
  std::vector<double> w(a, a + static_cast<std::size_t>(n) * n);
  auto at = [&](int i, int j) -> double& { return w[static_cast<std::size_t>(i) * n + j]; };

  for (int i = 0; i < n; ++i) {
    for (int j = i + 1; j < n; ++j) {
      if (at(i, j) == at(j, i)) continue;
      if (std::fabs(at(i, j) - at(j, i)) > 1e-17) return choleskyoutcome::nonsymmetric;
      at(i, j) = at(j, i);
    }
  }
  for (int k = 0; k < n; ++k) {
    double d = at(k, k);
    for (int i = 0; i < k; ++i) d -= at(i, k) * at(i, k);
    if (d <= 1e-7) return choleskyoutcome::notpositivedefinite;
    at(k, k) = std::sqrt(d);
    for (int j = k + 1; j < n; ++j) {
      double sum = at(k, j);
      for (int i = 0; i < k; ++i) sum -= at(i, k) * at(i, j);
      at(k, j) = sum / at(k, k);
    }
  }
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) a[static_cast<std::size_t>(i) * n + j] = i >= j ? at(j, i) : 0.0;
  return choleskyoutcome::factored;
}

bool semidefinitefactor(int n, double* a) {
  if (n <= 0) return true;
  const std::size_t size = static_cast<std::size_t>(n);
  std::vector<double> L(size * size, 0.0);
  auto in = [&](int i, int j) { return a[static_cast<std::size_t>(i) * size + j]; };
  auto at = [&](int i, int j) -> double& { return L[static_cast<std::size_t>(i) * size + j]; };
  double largest = 0.0;
  for (int i = 0; i < n; ++i) largest = std::fmax(largest, in(i, i));
  const double tolerance = n * std::numeric_limits<double>::epsilon() * largest;
  const double columnbound = std::sqrt(tolerance * largest);
  for (int k = 0; k < n; ++k) {
    double d = in(k, k);
    for (int i = 0; i < k; ++i) d -= at(k, i) * at(k, i);
    if (!(d >= -tolerance)) return false;  // a NaN is not semi-definite either
    const bool zeropivot = d <= tolerance;
    if (!zeropivot) at(k, k) = std::sqrt(d);
    for (int j = k + 1; j < n; ++j) {
      double sum = in(j, k);
      for (int i = 0; i < k; ++i) sum -= at(j, i) * at(k, i);
      if (zeropivot) {
        if (std::fabs(sum) > columnbound) return false;
      } else {
        at(j, k) = sum / at(k, k);
      }
    }
  }
  std::copy(L.begin(), L.end(), a);
  return true;
}
