// Shared pieces of the simulation tests: a parameter block of the test's own (its simulation cache
// freed at the end), markets of n assets, calls of the mountain codes through the loaded library,
// and an independent simulation written here: std::mt19937 words, Box-Muller normals, a Cholesky
// factor and lognormal paths, so that a price at a fixed seed can be checked draw for draw.
#ifndef KZR_TESTS_MCTESTSUPPORT_H
#define KZR_TESTS_MCTESTSUPPORT_H

#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "montecarlo/marketdata.h"
#include "montecarlo/mcvaluation.h"
#include "ownblock.h"
#include "testsupport.h"

namespace mctest {

// A parameter block whose simulation cache is freed on destruction.
using block = testsupport::ownblock<simulationcache>;

// A market of n assets with its arrays.
struct market {
  int n;
  double T;
  std::vector<double> sigma;
  std::vector<double> rho;  // n x n
  double r;
  std::vector<double> q;
  assetmarket view() const { return {n, T, sigma.data(), rho.data(), r, q.data()}; }
};

// n assets, every pair correlated rho.
inline market equicorrelated(int n, double T, double sigma, double rho, double r, double q) {
  market m{n,
           T,
           std::vector<double>(n, sigma),
           std::vector<double>(n * n, rho),
           r,
           std::vector<double>(n, q)};
  for (int i = 0; i < n; ++i) m.rho[i * n + i] = 1.0;
  return m;
}

// The values of a result array: elements 1 to count.
inline std::vector<double> values(const resultarray& result) {
  return std::vector<double>(result.get() + 1, result.get() + 1 + static_cast<int>(result[0]));
}

// fun or funvec through the loaded library with rows of values.
inline standin::scalarresult fun(const std::string& code,
                                 const std::vector<std::vector<double>>& rows,
                                 const testsupport::parameters& entries = {}) {
  return testsupport::funrows(code, rows, entries);
}
inline standin::vectorresult funvec(const std::string& code,
                                    const std::vector<std::vector<double>>& rows,
                                    const testsupport::parameters& entries = {}) {
  standin::tensor T0 = standin::realtable(rows);
  standin::tensor T1 = standin::integertensor({parameterentrycount}, entries.flags);
  standin::tensor T2 = standin::realtensor({parameterentrycount, entryvaluecount}, entries.rows);
  return testsupport::library().funvec(code, T0, T1, T2);
}

// The rows of an EVERESTEO or HIMALAYAEO contract.
inline std::vector<std::vector<double>> performancerows(const market& m, double notional) {
  return {{double(m.n)}, {m.T}, {notional}, m.sigma, m.rho, {m.r}, m.q};
}
// The rows of an ALTIPLANOEO or ANNAPURNAEO contract.
inline std::vector<std::vector<double>> couponrows(const market& m, std::vector<double> spots,
                                                   std::vector<double> barriers, double coupon) {
  return {{double(m.n)}, {m.T}, spots, barriers, {coupon}, m.sigma, m.rho, {m.r}, m.q};
}

// An independent simulation of a contract on lognormal assets: std::mt19937 seeded with seed,
// each standard normal sqrt(-2 ln(1 - u1)) cos(2 pi u2) from two words ((w + 0.5) / 2^32 and
// w / 2^32), drawn asset by asset for each point, correlated by the Cholesky factor of the
// covariance and evolved over `points` points a step dt apart: point 0 the spot S_i and point
// t = S_i exp(t-th sums of (r - q_i - sigma_i^2 / 2) dt + sqrt(dt) w_i), unless factors is set,
// in which case every point is the one-step growth alone. payoff sees the points of one path,
// asset-major; the result is the payoff sum.
struct independentpaths {
  market m;
  std::vector<double> spots;
  int points;
  double dt;
  bool factors = false;

  double sum(std::uint32_t seed, std::int64_t paths,
             const std::function<double(const std::vector<double>&)>& payoff) const {
    const int n = m.n;
    std::vector<double> L(n * n, 0.0);  // lower factor of the covariance, by Cholesky-Crout
    for (int i = 0; i < n; ++i)
      for (int j = 0; j <= i; ++j) {
        double c = m.rho[i * n + j] * m.sigma[i] * m.sigma[j];
        for (int k = 0; k < j; ++k) c -= L[i * n + k] * L[j * n + k];
        L[i * n + j] = i == j ? std::sqrt(c) : c / L[j * n + j];
      }
    std::mt19937 words(seed);
    const double scale = std::ldexp(1.0, -32);
    const auto normal = [&] {
      const double u1 = (words() + 0.5) * scale;
      const double u2 = words() * scale;
      return std::sqrt(-2.0 * std::log(1.0 - u1)) * std::cos(2.0 * std::acos(-1.0) * u2);
    };
    const int first = factors ? 0 : 1;
    double total = 0.0;
    std::vector<double> path(n * points), z(n);
    for (std::int64_t p = 0; p < paths; ++p) {
      for (int i = 0; i < n && !factors; ++i) path[i * points] = spots[i];
      for (int t = first; t < points; ++t) {
        for (double& x : z) x = normal();
        for (int i = 0; i < n; ++i) {
          double w = 0.0;
          for (int k = 0; k <= i; ++k) w += L[i * n + k] * z[k];
          const double drift = (m.r - m.q[i] - m.sigma[i] * m.sigma[i] / 2) * dt;
          const double growth = std::exp(drift + std::sqrt(dt) * w);
          path[i * points + t] = factors ? growth : path[i * points + t - 1] * growth;
        }
      }
      total += payoff(path);
    }
    return total;
  }
};

}  // namespace mctest

#endif  // KZR_TESTS_MCTESTSUPPORT_H
