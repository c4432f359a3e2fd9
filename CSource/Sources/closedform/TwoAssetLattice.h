// The two-asset binomial lattice: a recombining four-branch lattice for a payoff on two
// correlated lognormal assets, with Cox-Ross-Rubinstein step sizes per asset and branch
// probabilities that match each asset's risk-neutral drift and the covariance of the two
// (Boyle, Evnine and Gibbs, 1989, "Numerical evaluation of multivariate contingent claims",
// Review of Financial Studies 2, pp. 241-250; Rubinstein, 1994, "Return to Oz", Risk 7).
// European spread options run it without early exercise; American spread options with exercise
// allowed at every node. The same lattice takes any payoff g(P1, P2) of the two prices
// (twoassetlatticeof), for the options on the better or worse of two assets.
//
// Accuracy: first order in 1/n; 200 levels give European spreads to about 1e-3 of their value.
// Perfectly correlated assets with equal volatilities converge much more slowly (the two prices
// then move together and the lattice degenerates to a one-dimensional tree whose nodes do not
// follow the drift of S1/S2): 800 levels are still about 5% off for a near-the-money spread.
//
// Cost: about n^3/3 node updates and two n x n arrays of doubles for n levels (default 200:
// 2.7 million updates, 640 kB). The lattice checks no contract input: its callers do.
//
// Decisions:
// - The number of levels n is the caller's (the spread codes take parameter entry 4, default
//   200: EuropeanSpreadCodes.h). With fewer than 2 levels
//   the lattice has no time step (T/(n - 1) divides by zero) and there is no limit to take;
//   above maxlatticelevels the arrays and the running time grow past use (2000 levels already
//   take 64 MB and 2.7e9 updates). Both write "Tree steps out of range, value undefined" and
//   give the undefined value.
// - T = 0 gives the payoff at today's prices (the lattice would have no step length).
// - The levels run with subnormal numbers flushed to zero (numerics/subnormals.h): the same
//   answers to the bit, without the cost of the subnormal band in the far nodes.
//
// Negative rates and yields (library option 4): the lattice takes any drift; which codes may use
// it with negative rates is decided by their families (EuropeanSpread accepts them, the American
// two-asset families do not).
//
// The improved lattice (the precise option of the American two-asset codes): the lattice's error
// is first order in the step but jumps with the level count (the strike's kink falls at a
// different place among the expiry nodes each time), so plain Richardson extrapolation makes it
// worse. smoothedlatticeof removes the jumps: each node of the last level before expiry takes the
// European value of the payoff over the one remaining step, a closed form the caller supplies,
// instead of the continuation from the expiry nodes (Broadie and Detemple, "American option
// valuation: new bounds, approximations, and a comparison of existing methods", Review of
// Financial Studies 9(4), 1996, their smoothed binomial method carried to two assets). The closed
// form is taken only at nodes within smoothingband standard deviations of one step from a kink of
// the payoff (the caller's test); elsewhere the lattice's own continuation, which is the exact
// one-step value of a payoff linear over the step's reach (the branch probabilities match each
// asset's mean), is kept. The same pass carries the European lattice with the same smoothing.
// extrapolatedlatticeof then takes the control variate of Hull and White ("The use of the control
// variate technique in option pricing", Journal of Financial and Quantitative Analysis 23(3),
// 1988): the American lattice less the European lattice plus the European closed form, for the
// lattices of n levels and of (n - 1)/2 + 1 levels (half the steps), and extrapolates the two as
// first order in the step: (s V(s) - s' V(s')) / (s - s') for s and s' steps. Measured at 241
// levels: calls on the maximum within about 5e-6 of their value where the plain lattice errs by
// 4e-5 to 1e-3; a short put on the minimum, heavily exercised, within about 6e-5 (the plain
// lattice 7e-4). A payoff whose concave kink lies inside the exercise region (a put on the
// maximum) keeps jumps of up to 1% that no smoothing of the last step removes: its callers do not
// use this method (AmericanRainbowTwoAsset.h).
#ifndef KZR_CLOSEDFORM_TWOASSETLATTICE_H
#define KZR_CLOSEDFORM_TWOASSETLATTICE_H

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "numerics/comparisons.h"
#include "numerics/crrtree.h"
#include "numerics/messages.h"
#include "numerics/subnormals.h"
#include "numerics/undefined.h"

namespace TwoAssetLattice {

constexpr int minlatticelevels = 2;
constexpr int maxlatticelevels = 2000;
// Whether the levels are outside [minlatticelevels, maxlatticelevels]: then "Tree steps out of
// range, value undefined" is written and the lattice answers undefined.
inline bool levelsrefused(std::int64_t levels) {
  if (levels >= minlatticelevels && levels <= maxlatticelevels) return false;
  writemessage(messages::treesteps);
  return true;
}
// The improved lattice's finer levels (extrapolatedlatticeof) when its caller's entry 4 has its
// flag set: the precise option's default for the spreads and the American rainbows.
constexpr int improvedlevels = 241;

// The contract the lattice values: the payoff max(payoffsign * (S1 - S2 - X), 0).
struct latticecontract {
  double T;                    // expiry, years
  double S1;                   // first asset price
  double S2;                   // second asset price
  double sigma1;               // volatility of S1, annual
  double sigma2;               // volatility of S2, annual
  double r;                    // rate, continuous
  double q1;                   // dividend yield of S1, continuous
  double q2;                   // dividend yield of S2, continuous
  double rho;                  // correlation of the two assets
  double X;                    // strike of the spread
  std::int32_t payoffsign;     // +1 call on S1 - S2, -1 put
  std::int32_t earlyexercise;  // nonzero: exercise allowed at every node
};

// The spread contract on a lattice of the given levels.
double twoassetlattice(const latticecontract& contract, std::int64_t levels);

// The lattice of n levels over the contract's life: the step, each asset's move, the four branch
// probabilities (up or down for each asset, matching both drifts and the covariance), the
// discount per step, and u1^m, u2^m for m = -n..n, each by pow once (the levels of an American
// lattice read them all again).
struct latticegeometry {
  int n;
  double dt, u1, u2;
  double Puu, Pdu, Pud, Pdd;
  double discount;
  std::vector<double> powers1, powers2;
};
latticegeometry geometryof(const latticecontract& c, int n);

// Prices of level k (0-based node indices): asset 1 at index j is S1 u1^(2j - k + 1), counted
// upward; asset 2 at index i is S2 u2^(k - 2i - 1), counted downward.
void levelprices(const latticecontract& c, const latticegeometry& lattice, int k,
                 std::vector<double>& x1, std::vector<double>& x2);

// The lattice of the contract's assets with n levels for a payoff g(P1, P2) >= 0, paid at expiry
// and, when the contract's earlyexercise is nonzero, at any node; X and payoffsign are not read.
// Node values are max(continuation, g) with early exercise, max(continuation, 0) without.
template <typename payofffunction>
double twoassetlatticeof(const latticecontract& c, std::int64_t levels, const payofffunction& g);

// The two values of one smoothed lattice: with early exercise as the contract says, and without.
struct smoothedvalues {
  double value;
  double european;
};

// Standard deviations of one step within which a node of the last level before expiry counts as
// near a kink of the payoff (beyond them the step's mass across the kink is below 1e-23).
constexpr double smoothingband = 10.0;
// The shortest step deviation sigma sqrt(dt) the improved lattice takes (extrapolatedlatticeof).
constexpr double shorteststep = 1e-5;

// The lattice of n levels for the payoff g as twoassetlatticeof, with the last level before expiry
// smoothed: laststep(dt, P1, P2, continuation) gives the European value of g over one step dt at
// the node's prices (it may answer the lattice's continuation where the payoff is linear over the
// step's reach). Both the American (or, without early exercise, the European) value and the
// European value of the same lattice.
template <typename payofffunction, typename stepfunction>
smoothedvalues smoothedlatticeof(const latticecontract& c, std::int64_t levels,
                                 const payofffunction& g, const stepfunction& laststep);

// The improved value above: the smoothed lattices of n levels and of half its steps, the control
// variate european (the closed form of the European contract; not a number: none), extrapolated.
// With fewer than 3 levels there is no coarser lattice: the smoothed value alone. With a step
// deviation below shorteststep (a life of seconds), the European value or the exercise value.
template <typename payofffunction, typename stepfunction>
double extrapolatedlatticeof(const latticecontract& c, std::int64_t levels, const payofffunction& g,
                             const stepfunction& laststep, double european);

// ---------------------------------------------------------------------------------------------

template <typename payofffunction>
double twoassetlatticeof(const latticecontract& c, std::int64_t levels, const payofffunction& g) {
  if (c.T == 0) return g(c.S1, c.S2);
  if (levelsrefused(levels)) return undefinedvalue();
  const int n = static_cast<int>(levels);
  const latticegeometry lattice = geometryof(c, n);
  const double Puu = lattice.Puu, Pdu = lattice.Pdu, Pud = lattice.Pud, Pdd = lattice.Pdd;
  const double discount = lattice.discount;
  const bool early = c.earlyexercise != 0;

  // Two n x n arrays, row i (asset 2) by column j (asset 1): the level read and the level written.
  const std::size_t width = static_cast<std::size_t>(n);
  std::vector<double> next(width * width), current(width * width);
  std::vector<double> x1(width), x2(width);
  auto pricesof = [&](int k) { levelprices(c, lattice, k, x1, x2); };

  return exactinduction([&] {
    pricesof(n);
    for (int i = 0; i < n; ++i) {
      double* row = &next[i * width];
      for (int j = 0; j < n; ++j) row[j] = g(x1[j], x2[i]);
    }
    for (int k = n - 1; k >= 1; --k) {
      if (early) pricesof(k);
      for (int i = 0; i < k; ++i) {
        const double* up2 = &next[i * width];          // asset 2 up: index i at level k + 1
        const double* down2 = &next[(i + 1) * width];  // asset 2 down: index i + 1
        double* row = &current[i * width];
        if (early) {
          // Locals the writes to row cannot touch, so that the loop keeps them in registers.
          const auto payoff = g;
          const double* prices1 = x1.data();
          const double price2 = x2[i];
          for (int j = 0; j < k; ++j) {
            const double continuation =
                discount * (Pdu * up2[j] + Puu * up2[j + 1] + Pdd * down2[j] + Pud * down2[j + 1]);
            row[j] = maxof(continuation, payoff(prices1[j], price2));
          }
        } else {
          for (int j = 0; j < k; ++j) {
            const double continuation =
                discount * (Pdu * up2[j] + Puu * up2[j + 1] + Pdd * down2[j] + Pud * down2[j + 1]);
            row[j] = maxof(continuation, 0.0);
          }
        }
      }
      next.swap(current);
    }
    return next[0];
  });
}

template <typename payofffunction, typename stepfunction>
smoothedvalues smoothedlatticeof(const latticecontract& c, std::int64_t levels,
                                 const payofffunction& g, const stepfunction& laststep) {
  if (c.T == 0) return {g(c.S1, c.S2), g(c.S1, c.S2)};
  if (levelsrefused(levels)) return {undefinedvalue(), undefinedvalue()};
  const int n = static_cast<int>(levels);
  const latticegeometry lattice = geometryof(c, n);
  const double Puu = lattice.Puu, Pdu = lattice.Pdu, Pud = lattice.Pud, Pdd = lattice.Pdd;
  const double discount = lattice.discount;
  const bool early = c.earlyexercise != 0;

  // The American arrays (next, current) and the European ones (nexteuropean, currenteuropean),
  // laid out as in twoassetlatticeof; the European ones only with early exercise.
  const std::size_t width = static_cast<std::size_t>(n);
  const std::size_t europeanwidth = early ? width : 0;
  std::vector<double> next(width * width), current(width * width);
  std::vector<double> nexteuropean(europeanwidth * europeanwidth),
      currenteuropean(europeanwidth * europeanwidth);
  std::vector<double> x1(width), x2(width);
  auto pricesof = [&](int k) { levelprices(c, lattice, k, x1, x2); };
  auto step = [&](const double* up2, const double* down2, int j) {
    return discount * (Pdu * up2[j] + Puu * up2[j + 1] + Pdd * down2[j] + Pud * down2[j + 1]);
  };

  // The last level before expiry, smoothed, outside the induction (laststep may write messages).
  pricesof(n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) next[i * width + j] = g(x1[j], x2[i]);
  pricesof(n - 1);
  for (int i = 0; i < n - 1; ++i) {
    for (int j = 0; j < n - 1; ++j) {
      const double smoothed =
          maxof(laststep(lattice.dt, x1[j], x2[i],
                         step(&next[i * width], &next[(i + 1) * width], j)),
                0.0);
      current[i * width + j] = early ? maxof(smoothed, g(x1[j], x2[i])) : smoothed;
      if (early) currenteuropean[i * width + j] = smoothed;
    }
  }
  const std::vector<double> start = current, starteuropean = currenteuropean;

  const auto induction = [&] {
    next = start;
    nexteuropean = starteuropean;
    // Locals the writes to the rows cannot touch, so that the loops keep them in registers.
    const double wdu = Pdu, wuu = Puu, wdd = Pdd, wud = Pud, df = discount;
    const auto payoff = g;
    for (int k = n - 2; k >= 1; --k) {
      if (early) pricesof(k);
      const double* prices1 = x1.data();
      for (int i = 0; i < k; ++i) {
        const double* up2 = &next[i * width];
        const double* down2 = &next[(i + 1) * width];
        double* row = &current[i * width];
        if (early) {
          const double price2 = x2[i];
          for (int j = 0; j < k; ++j) {
            const double continuation =
                df * (wdu * up2[j] + wuu * up2[j + 1] + wdd * down2[j] + wud * down2[j + 1]);
            row[j] = maxof(continuation, payoff(prices1[j], price2));
          }
          const double* europeanup2 = &nexteuropean[i * width];
          const double* europeandown2 = &nexteuropean[(i + 1) * width];
          double* europeanrow = &currenteuropean[i * width];
          for (int j = 0; j < k; ++j)
            europeanrow[j] = df * (wdu * europeanup2[j] + wuu * europeanup2[j + 1] +
                                   wdd * europeandown2[j] + wud * europeandown2[j + 1]);
        } else {
          for (int j = 0; j < k; ++j)
            row[j] = df * (wdu * up2[j] + wuu * up2[j + 1] + wdd * down2[j] + wud * down2[j + 1]);
        }
      }
      next.swap(current);
      nexteuropean.swap(currenteuropean);
    }
    return next[0];
  };
  const double value = exactinduction(induction);
  // The European value read after the induction that gave the American one (exactinduction may
  // have run it twice; both runs leave the same European root to within the flushed band).
  return {value, early ? nexteuropean[0] : value};
}

template <typename payofffunction, typename stepfunction>
double extrapolatedlatticeof(const latticecontract& c, std::int64_t levels, const payofffunction& g,
                             const stepfunction& laststep, double european) {
  const auto controlled = [&](const smoothedvalues& v) {
    return c.earlyexercise != 0 && std::isfinite(european) ? v.value - v.european + european
                                                           : v.value;
  };
  if (c.T == 0) return g(c.S1, c.S2);
  if (levelsrefused(levels)) return undefinedvalue();
  // Steps too short for the branch probabilities, whose formulas cancel to about
  // 1e-16 / (sigma^2 dt): the European value, or the exercise value where larger (the early
  // exercise premium over so short a life is of the order of r T K).
  if (std::isfinite(european) &&
      minof(c.sigma1, c.sigma2) * std::sqrt(c.T / static_cast<double>(levels - 1)) < shorteststep)
    return c.earlyexercise != 0 ? maxof(european, g(c.S1, c.S2)) : european;
  const smoothedvalues fine = smoothedlatticeof(c, levels, g, laststep);
  const double finevalue = controlled(fine);
  if (levels < 3) return finevalue;
  const std::int64_t steps = levels - 1, coarsesteps = steps / 2;
  const double coarsevalue = controlled(smoothedlatticeof(c, coarsesteps + 1, g, laststep));
  if (!std::isfinite(finevalue - coarsevalue)) return finevalue;
  const double extrapolated = extrapolatedinsteps(steps, finevalue, coarsesteps, coarsevalue);
  return c.earlyexercise != 0 ? maxof(extrapolated, g(c.S1, c.S2)) : maxof(extrapolated, 0.0);
}

}  // namespace TwoAssetLattice

#endif  // KZR_CLOSEDFORM_TWOASSETLATTICE_H
