// The two-asset binomial lattice: a recombining four-branch lattice for a payoff on the spread
// S1 - S2 of two correlated lognormal assets, with Cox-Ross-Rubinstein step sizes per asset and
// branch probabilities that match each asset's risk-neutral drift and the covariance of the two
// (Boyle, Evnine and Gibbs, 1989, "Numerical evaluation of multivariate contingent claims",
// Review of Financial Studies 2, pp. 241-250; Rubinstein, 1994, "Return to Oz", Risk 7).
// European spread options run it without early exercise; American spread options with exercise
// allowed at every node.
//
// Cost: about n^3/3 node updates and two n x n arrays of doubles for n levels (default 200:
// 2.7 million updates, 640 kB). The lattice checks no contract input: its callers do.
//
// Decisions:
// - The number of levels n comes from parameter entry 4 (default 200). With fewer than 2 levels
//   the lattice has no time step (T/(n - 1) divides by zero) and there is no limit to take;
//   above maxlatticelevels the arrays and the running time grow past use (2000 levels already
//   take 64 MB and 2.7e9 updates). Both write "Tree steps out of range, value undefined" and
//   give the undefined value.
// - T = 0 gives the payoff at today's prices (the lattice would have no step length).
//
// Reads the process-wide parameter block: not thread-safe, calls must not overlap.
#ifndef KZR_CLOSEDFORM_TWOASSETLATTICE_H
#define KZR_CLOSEDFORM_TWOASSETLATTICE_H

#include <cstdint>

#include "binding/parameterblock.h"

namespace TwoAssetLattice {

constexpr int defaultlatticelevels = 200;  // entry 4 with its flag set
constexpr int minlatticelevels = 2;
constexpr int maxlatticelevels = 2000;

// The contract the lattice values: the payoff max(payoffsign * (S1 - S2 - X), 0).
struct latticecontract {
  double T;       // expiry, years
  double S1;      // first asset price
  double S2;      // second asset price
  double sigma1;  // volatility of S1, annual
  double sigma2;  // volatility of S2, annual
  double r;       // rate, continuous
  double q1;      // dividend yield of S1, continuous
  double q2;      // dividend yield of S2, continuous
  double rho;     // correlation of the two assets
  double X;       // strike of the spread
  std::int32_t payoffsign;     // +1 call on S1 - S2, -1 put
  std::int32_t earlyexercise;  // nonzero: exercise allowed at every node
};

double twoassetlattice(const latticecontract& contract, const parameterblock& block);

}  // namespace TwoAssetLattice

#endif  // KZR_CLOSEDFORM_TWOASSETLATTICE_H
