#include "closedform/TwoAssetLattice.h"

#include <cmath>
#include <cstddef>
#include <vector>

#include "numerics/messages.h"
#include "numerics/normaldistribution.h"
#include "numerics/undefined.h"

namespace TwoAssetLattice {

namespace {

// Asset prices of one level k (0-based node indices): asset 1 at index j is
// S1 u1^(2j - k + 1), counted upward; asset 2 at index i is S2 u2^(k - 2i - 1), counted downward.
void levelprices(const latticecontract& c, double u1, double u2, int k, std::vector<double>& x1,
                 std::vector<double>& x2) {
  for (int j = 0; j < k; ++j) x1[j] = c.S1 * std::pow(u1, 2 * j - k + 1);
  for (int i = 0; i < k; ++i) x2[i] = c.S2 * std::pow(u2, k - 2 * i - 1);
}

}  // namespace

double twoassetlattice(const latticecontract& c, const parameterblock& block) {
  const double phi = c.payoffsign;
  if (c.T == 0) return maxof(phi * (c.S1 - c.S2 - c.X), 0.0);
  const std::int64_t levels = entryinteger(block, entrysteps, 0, defaultlatticelevels);
  if (levels < minlatticelevels || levels > maxlatticelevels) {
    writemessage(messages::treesteps);
    return undefinedvalue();
  }
  const int n = static_cast<int>(levels);
  const double dt = c.T / (n - 1);
  const double u1 = std::exp(c.sigma1 * std::sqrt(dt));
  const double u2 = std::exp(c.sigma2 * std::sqrt(dt));
  const double p1 = (std::exp((c.r - c.q1) * dt) - 1.0 / u1) / (u1 - 1.0 / u1);
  const double p2 = (std::exp((c.r - c.q2) * dt) - 1.0 / u2) / (u2 - 1.0 / u2);
  const double m = c.rho * c.sigma1 * c.sigma2 * dt +
                   (p1 * u1 + (1.0 - p1) / u1) * (p2 * u2 + (1.0 - p2) / u2);
  const double D = (u1 * u1 - 1.0) * (u2 * u2 - 1.0);
  const double Puu = (p1 + p2 - 1.0 - (p1 * u1 * u1 + p2 * u2 * u2 - m * u1 * u2)) / D;
  const double Pdu = p2 - Puu;
  const double Pud =
      (p1 * u1 * u1 * u2 * u2 - p2 + 1.0 - (p1 * u2 * u2 - p2 * u2 * u2 + m * u1 * u2)) / D;
  const double Pdd = 1.0 - p2 - Pud;
  const double discount = std::exp(-c.r * dt);
  const bool early = c.earlyexercise != 0;

  // Two n x n arrays, row i (asset 2) by column j (asset 1): the level read and the level written.
  const std::size_t width = static_cast<std::size_t>(n);
  std::vector<double> next(width * width), current(width * width);
  std::vector<double> x1(width), x2(width);

  levelprices(c, u1, u2, n, x1, x2);
  for (int i = 0; i < n; ++i) {
    double* row = &next[i * width];
    for (int j = 0; j < n; ++j) row[j] = maxof(phi * (x1[j] - x2[i] - c.X), 0.0);
  }
  for (int k = n - 1; k >= 1; --k) {
    if (early) levelprices(c, u1, u2, k, x1, x2);
    for (int i = 0; i < k; ++i) {
      const double* up2 = &next[i * width];          // asset 2 up: index i at level k + 1
      const double* down2 = &next[(i + 1) * width];  // asset 2 down: index i + 1
      double* row = &current[i * width];
      if (early) {
        for (int j = 0; j < k; ++j) {
          const double continuation = discount * (Pdu * up2[j] + Puu * up2[j + 1] +
                                                  Pdd * down2[j] + Pud * down2[j + 1]);
          const double exercise = phi * (x1[j] - x2[i] - c.X);
          row[j] = maxof(continuation, maxof(exercise, 0.0));
        }
      } else {
        for (int j = 0; j < k; ++j) {
          const double continuation = discount * (Pdu * up2[j] + Puu * up2[j + 1] +
                                                  Pdd * down2[j] + Pud * down2[j + 1]);
          row[j] = maxof(continuation, 0.0);
        }
      }
    }
    next.swap(current);
  }
  return next[0];
}

}  // namespace TwoAssetLattice
