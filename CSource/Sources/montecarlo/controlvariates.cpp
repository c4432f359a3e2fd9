#include "montecarlo/controlvariates.h"

#include <cmath>
#include <cstddef>

#include "montecarlo/mcbase.h"
#include "numerics/linearalgebra.h"

controlsums::controlsums(const mcbase& instrument, int M)
    : instrument(&instrument), k(instrument.controlcount() > 0 ? instrument.controlcount() : 0) {
  const std::size_t size = static_cast<std::size_t>(k);
  mean.assign(size, 0.0);
  value.assign(size, 0.0);
  sumc.assign(size, 0.0);
  sumcc.assign(size * size, 0.0);
  sumyc.assign(size, 0.0);
  if (k > 0) instrument.controlmeans(M, mean.data());
  for (double mu : mean)
    if (!std::isfinite(mu)) k = 0;  // a mean the closed form does not give: the plain sum
}

void controlsums::add(double y, const double* path, int M) {
  if (k == 0) return;
  instrument->controls(path, M, value.data());
  const std::size_t size = static_cast<std::size_t>(k);
  for (std::size_t i = 0; i < size; ++i) value[i] -= mean[i];
  for (std::size_t i = 0; i < size; ++i) {
    sumc[i] += value[i];
    sumyc[i] += y * value[i];
    for (std::size_t j = 0; j <= i; ++j) sumcc[i * size + j] += value[i] * value[j];
  }
}

double controlsums::adjustedsum(double sum, std::int64_t N) const {
  if (k == 0 || N < 2) return sum;
  const std::size_t size = static_cast<std::size_t>(k);
  const double paths = static_cast<double>(N), ybar = sum / paths;
  std::vector<double> covariance(size * size, 0.0), beta(size, 0.0);
  for (std::size_t i = 0; i < size; ++i) {
    beta[i] = sumyc[i] - ybar * sumc[i];
    for (std::size_t j = 0; j <= i; ++j)
      covariance[i * size + j] = sumcc[i * size + j] - sumc[i] * sumc[j] / paths;
  }
  if (!semidefinitefactor(k, covariance.data())) return sum;
  // L L^T beta = S_CY: forward, then back substitution; a zero column's unknown is 0.
  const auto L = [&](std::size_t i, std::size_t j) { return covariance[i * size + j]; };
  for (std::size_t i = 0; i < size; ++i) {
    double b = beta[i];
    for (std::size_t j = 0; j < i; ++j) b -= L(i, j) * beta[j];
    beta[i] = L(i, i) > 0.0 ? b / L(i, i) : 0.0;
  }
  for (std::size_t i = size; i-- > 0;) {
    double b = beta[i];
    for (std::size_t j = i + 1; j < size; ++j) b -= L(j, i) * beta[j];
    beta[i] = L(i, i) > 0.0 ? b / L(i, i) : 0.0;
  }
  double adjusted = sum;
  for (std::size_t i = 0; i < size; ++i) adjusted -= beta[i] * sumc[i];
  return adjusted;
}
