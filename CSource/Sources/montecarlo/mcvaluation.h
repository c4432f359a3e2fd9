// The Monte Carlo valuation: evaluate, the one operation every simulation handler calls, the
// carrier that keeps a run's normal draws, and the simulation cache in the parameter block.
//
// A handler builds a marketdata record and an instrument (mcbase.h), wraps the instrument in a
// crnmontecarlo and calls evaluate, which returns a result array (binding/resultarray.h) of n + 1
// doubles: [n, price or theta or rho, 0, ...] for selectors 0, 4 and 5, [n, x_1 .. x_n] for delta,
// gamma and vega (one per asset). Prices are plain Monte Carlo over correlated geometric Brownian
// motions; sensitivities are bump-and-revalue with common random numbers: the bumped and the
// unbumped paths evolve from the very same normals.
//
// evaluate, in order (s the selector of parameter entry 1, default 0; c the valuation mode of
// entry 0, default 1; M the instrument's steps; n its assets):
//   1. s outside 0 to 5: "Sensitivity selector out of range, value undefined", element 1
//      undefined (decision).
//   2. s > 0: the steps h_i = bumpsize(s, i); when one is 0.0 the contract does not support the
//      sensitivity and elements 1 to n are 0.
//   3. checkinputs(M), in this order, each refusal writing its message and giving element 1 the
//      undefined value: M < 0 "Steps should be positive"; N < 0 "Paths should be positive";
//      n <= 0, K <= 0, T < 0 or r < 0, then any S_i <= 0, q_i < 0 or sigma_i <= 0 "Input data
//      error, value undefined"; a diagonal correlation not exactly 1 "correlation matrix error,
//      value undefined"; (n > 1) an element (i, j) not exactly equal to (j, i), then any element
//      outside [-1, 1] "Correlation matrix error, value undefined"; last, M = 0 "Steps should be
//      positive" when the evaluation runs paths (a mend: a path needs room for its first point,
//      and the memory limit's cut can reach 0). Paths run when T > 0, and for theta at T = 0;
//      every other request at T = 0 is answered from expiry values, whatever M.
//   4. A NaN term (the record's or the instrument's own): NaN in element 1 (and in 1 to n for
//      delta, gamma and vega), without simulating: a NaN input is not refused and travels into
//      the result, which a comparison inside a payoff (a NaN barrier never touched) would not do.
//   4a. When paths run: correlations that are not positive semi-definite have no covariance
//      factor (pathsimulation.h): "Matrix is not enough positive define" and element 1
//      undefined. Decision: where the covariance's Cholesky factorisation fails but the
//      semi-definite factor of the correlations succeeds (unit correlations, volatilities at or
//      below about 0.000316, a covariance asymmetric in its last bits), the price is right and
//      nothing is written: the message speaks only of a contract refused. Then, when the memory
//      limit cut a count the caller gave, its line (mcbase.h).
//   5. Reuse (c = 0 only): the cached carrier holds the draws of the same contract (issame,
//      within 0.0001 term by term) and of the same seed: a run with the library options' seed
//      reads only draws made with that seed, a clock-seeded run (seed 0) reads any. Then a price
//      is the cached price mclastprice (kept on purpose: the kept contract is within the cache's
//      tolerance of the one asked), and a sensitivity simulates its unbumped and bumped paths
//      from the cached draws under the asked contract's own terms, so that it equals a fresh
//      run's on the same draws (P is not mclastprice, which belongs to the kept contract).
//   6. Otherwise fresh: a price (T = 0: expiryvalue, no simulation) or a sensitivity run. Every
//      fresh run makes one randomsource, seeded by the library options' seed when it is positive,
//      else from the clock.
//   7. release: c = 0 keeps the working instrument, the carrier and the price in the block
//      (mcclone, mccarrier, mclastprice); every other mode keeps nothing and frees what the block
//      held. A reuse leaves the cached pair as it is.
// A call that stops at steps 1 to 4 leaves the cache as it was and frees its working copy.
// Decisions: elements 2 to n of selectors 0, 4 and 5 and of a refusal are 0. A count n below 1
// gives a one-element result (binding/resultarray.h). With zero paths the price is 0/0, a NaN,
// and so are the sensitivities.
//
// Sensitivity runs (s = 1 to 5). The bumped term is S_k (delta, gamma), sigma_k (vega: the
// bumped path also takes the factor of the covariance with sigma_k + h_k), T (theta) or r (rho),
// for each asset k with selectors 1 to 3, once (k = 0, h_0) with 4 and 5. Each bumped path is
// evolved and paid out by a copy of the working instrument with the bumped record (gamma also by
// one bumped down); the unbumped path always sees the unbumped record. Element 1 + k is
// sensitivity(s, sum1, sum2, P, h_k) (mcbase.h), P the unbumped price of the same draws (c = 0
// keeps it in mclastprice). At T = 0 nothing is simulated for selectors 1, 2, 3 and 5: element
// 1 + k is (V_up - V0) / h_k, or (V_up + V_down - 2 V0) / h_k^2 for gamma, with the bumped
// expiryvalue and V0 the unbumped one (on reuse too); theta at T = 0 simulates the
// contract with T = h_0 from fresh draws and gives sensitivity(4, sum1, 0, V0, h_0).
// All bumped paths of one run share one pass over the normals, so a fresh sensitivity draws no
// normal twice and stores the draws only when the cache will keep them (c = 0).
//
// Library options 2 and 3 (binding/libraryoptions.h). With option 2 every fresh run draws its
// normals from a randomised Sobol sequence through the Brownian bridge (sobolpaths.h) seeded as
// the MT19937 source would be; with option 3 every simulated variant whose contract has control
// variates corrects its payoff sum by them (controlvariates.h) before the formulas above read it.
// Without them a run is the design's, draw for draw.
//
// The carrier and the cache: a methodcarriesmc holds N x M x n draws, the normal of path p,
// point t, asset k at (p M + t) n + k, the seed they were drawn with and the options 2 and 3 of
// their run; a run reads kept draws (and a kept price) only under the same two options, so that
// a price kept without the control variates never answers a request with them, nor Sobol draws
// one without. It is filled by a
// fresh simulation in cache mode 0 (a
// price run, or a sensitivity run's unbumped pass). A carrier that no run has filled (a run at
// T = 0, or a zero-expiry sensitivity) is never reused: a later contract within 0.0001 of it
// (T = 0.00005, say) simulates afresh. Unloading the library frees the cache.
//
// Not thread-safe: the cache lives in the process-wide parameter block; calls must not overlap.
#ifndef KZR_MONTECARLO_MCVALUATION_H
#define KZR_MONTECARLO_MCVALUATION_H

#include <cstdint>
#include <memory>
#include <vector>

#include "binding/parameterblock.h"
#include "binding/resultarray.h"
#include "finitedifference/financialbase.h"
#include "finitedifference/valuationcache.h"
#include "montecarlo/mcbase.h"

constexpr int lastselector = sensitivitycount - 1;  // selectprice .. selectrho

// The normal draws of one run.
// The library options that change a run's draws or its estimator (options 2 and 3).
struct drawoptions {
  bool sobol = false;
  bool controlvariates = false;
};

class methodcarriesmc : public methodcarries {
 public:
  // seed: the library options' seed of the run that fills it (0: seeded from the clock).
  methodcarriesmc(std::int32_t paths, std::int32_t steps, std::int32_t assets, std::int64_t seed,
                  drawoptions options);

  // The store of N x M x n doubles a run fills (allocated on first use, uninitialised).
  double* store();
  // Marks the store as filled by a finished run.
  void markfilled() { isfilled = store() != nullptr; }
  bool filled() const { return isfilled; }
  const double* draws() const { return memory.get(); }
  // True when the carrier was made for these counts.
  bool fits(std::int32_t paths, std::int32_t steps, std::int32_t assets) const {
    return paths == N && steps == M && assets == n;
  }
  // True when a run asking for this seed may read the draws: an explicit seed (1 or more) reads
  // only draws made with the same seed; a clock-seeded run (0) reads any.
  bool servesseed(std::int64_t asked) const { return asked == 0 || asked == seed; }
  // True when the draws were made under these options.
  bool servesoptions(drawoptions asked) const {
    return asked.sobol == options.sobol && asked.controlvariates == options.controlvariates;
  }

 private:
  std::unique_ptr<double[]> memory;
  std::int32_t N, M, n;
  std::int64_t seed;
  drawoptions options;
  bool isfilled = false;
};

// The simulation engine's working objects and its two cache words.
using simulationcache =
    cachedworking<mcbase, methodcarriesmc, &parameterblock::mcclone, &parameterblock::mccarrier>;

// The simulation valuation root.
class mcvaluation : public valuation {
 public:
  virtual resultarray evaluate(parameterblock* params) = 0;

 protected:
  mcvaluation() = default;
  ~mcvaluation() = default;
  mcvaluation(const mcvaluation&) = delete;
  mcvaluation& operator=(const mcvaluation&) = delete;
};

// Plain Monte Carlo with common-random-number sensitivities, built on the handler's stack.
class crnmontecarlo : public mcvaluation {
 public:
  // Takes the instrument's clone as its working copy.
  explicit crnmontecarlo(mcbase* instrument);
  ~crnmontecarlo() = default;

  resultarray evaluate(parameterblock* params) override;
  bool canreuse(parameterblock* params) override;
  void release(bool reused, int mode, parameterblock* params) override;
  double checkinputs(int steps) override;

 private:
  struct run;  // what one evaluation works with
  void simulateprice(const run& r, double* result);
  // Fresh (reused false) or from the cached draws (reused true).
  void simulatesensitivity(const run& r, bool reused, double* result);
  void zeroexpirysensitivity(const run& r, bool reused, double* result);

  mcbase* instrument;
  simulationcache cache;
  bool runspaths = true;  // this evaluation simulates paths (checkinputs refuses 0 steps then)
};

#endif  // KZR_MONTECARLO_MCVALUATION_H
