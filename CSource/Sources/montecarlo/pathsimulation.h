// The paths of a simulation: the covariance factor that correlates the normals, the coefficients
// of one instrument's path law taken once per run, and the loop that draws (or reads back) the
// normals of each path, evolves every simulated variant of the contract from them and sums its
// payoffs.
//
// One path. With start = 0 for step factors and 1 otherwise: point 0 of every asset is its spot
// (start 1); then for t = start .. M-1 the normals z_0 .. z_(n-1) of the point (drawn asset by
// asset) give w_j = sum over k of L(j, k) z_k, and point t of asset j is evolve(j, w_j, M,
// previous). The path's payoff goes to its variant's sum. The normals of path p, point t, asset k
// sit at (p M + t) n + k of a draw store (the t = 0 slots of a path that starts at 1 stay unused).
//
// Low-discrepancy draws (sobolpaths.h) fill the normals of points start .. M-1 of a path before
// its first point is evolved, in the same layout; the loop then reads them as kept draws.
//
// Variants: the unbumped contract and its bumped copies in a sensitivity run evolve from the same
// normals in the same pass (common random numbers), each with its own law and factor; every sum
// adds its payoffs in path order, so a sum does not depend on which other variants share the pass.
//
// Exactness and speed: each point is computed as evolve computes it, with the drift and sqrt(dt)
// of a run taken once; the factor's product skips the terms of its rows that are exactly zero
// (above the diagonal once factored), which adds nothing to the sum; no path or payoff allocates.
#ifndef KZR_MONTECARLO_PATHSIMULATION_H
#define KZR_MONTECARLO_PATHSIMULATION_H

#include <cstdint>
#include <vector>

#include "montecarlo/controlvariates.h"
#include "montecarlo/marketdata.h"
#include "montecarlo/mcbase.h"
#include "montecarlo/randomsource.h"
#include "montecarlo/sobolpaths.h"

// L with C = L L^T, C_ij = correlation(i, j) sigma_i sigma_j, lower triangular, writing no
// message. First the Cholesky factor of C (choleskyfactor's arithmetic, numerics/linearalgebra.h);
// where that fails (its absolute pivot test refuses every volatility at or below about 0.000316,
// and a correlation of +1 or -1 makes C singular), the semi-definite factor of the correlation
// matrix, whose pivot test is relative, with row i scaled by sigma_i: L(i, k) = sigma_i R(i, k),
// R R^T the correlations. A correlation matrix that is not semi-definite has no factor: valid()
// is false and the valuation refuses the contract (mcvaluation.h).
class covariancefactor {
 public:
  explicit covariancefactor(const marketdata& record);

  // False when the correlations are not positive semi-definite (the factor is then unusable).
  bool valid() const { return factored; }

  // w_j = sum over k of L(j, k) z_k, for the n assets.
  void correlate(const double* z, double* w) const {
    for (int j = 0; j < n; ++j) {
      const double* row = &factor[static_cast<std::size_t>(j) * n];
      double sum = 0.0;
      for (int k = 0; k < width[j]; ++k) sum += row[k] * z[k];
      w[j] = sum;
    }
  }
  double at(int j, int k) const { return factor[static_cast<std::size_t>(j) * n + k]; }

 private:
  int n;
  bool factored = true;
  std::vector<double> factor;  // n x n, row-major
  std::vector<int> width;      // row j's terms past width[j] are all exactly zero
};

// An instrument's evolve over M points with its coefficients taken once.
struct pathlaw {
  pathlaw(const mcbase& instrument, int M);

  std::vector<double> drift;   // (r - q_j - sigma_j^2 / 2) dt per asset
  double diffusion;            // sqrt(dt)
  bool fromprevious;           // point = previous x growth
  int start;                   // first evolved point
  std::vector<double> origin;  // point 0 of each asset (start 1)
};

// One simulated variant of a contract: its instrument, law and factor, and its payoff sum.
struct pathvariant {
  const mcbase* instrument;
  pathlaw law;
  const covariancefactor* factor;
  double sum = 0.0;
  controlsums* controls = nullptr;  // given: each path's payoff and controls are added to it
};

// Where the normals of the paths come from: a source (fresh draws, kept in store when it is
// given), low-discrepancy paths (fresh, a path's normals at once, kept in store when it is given)
// or the draws kept by an earlier run.
struct pathdraws {
  randomsource* source = nullptr;
  double* store = nullptr;
  const double* kept = nullptr;
  sobolpaths* sobol = nullptr;
};

// Runs N paths of M points on n assets: every variant is evolved from the normals of each path and
// its payoffs are summed. A store or kept array holds N x M x n doubles.
void simulatepaths(const pathdraws& draws, std::vector<pathvariant>& variants, std::int64_t N,
                   int M, int n);

#endif  // KZR_MONTECARLO_PATHSIMULATION_H
