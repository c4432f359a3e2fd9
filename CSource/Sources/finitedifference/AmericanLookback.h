// American floating-strike lookbacks with a finite expiry, on a finite-difference grid in a
// similarity variable.
//
//   LBFLSTACO        the call, paying S - m (m the minimum of the price so far)
//   LBFLSTAPO        the put, paying m - S (m the maximum of the price so far)
//   LBFLSTACOCrit    the call's critical spot today: exercise at or above it
//   LBFLSTAPOCrit    the put's critical spot today: exercise at or below it
// Inputs T, S, m, sigma, r, q (the Crit codes: T, m, sigma, r, q). Codes and handler:
// AmericanLookbackCodes.h.
//
// The value of either contract is homogeneous of degree one in (S, extreme), so it lives on one
// variable xi in [0, 1]: V = S W(m / S) for the call, V = m W(S / m) for the put. W solves the
// Black-Scholes equation in xi (for the call with the rate and the yield exchanged, since the
// share is the numeraire there), pays 1 - xi on exercise, is worth 1 at xi = 0 (the put at a
// zero price, the call at an unbounded one: exercise at once) and meets a reflecting edge at
// xi = 1, where a new extreme is set and the value does not move with it (dV/dm = 0: W' = 0 for
// the call, W' = W for the put). The grid is the Crank-Nicolson price grid (ndi.h) over xi with
// early exercise at every level; the reflecting edge is the framework's (fdbase.h).
// Source: Wilmott, Howison and Dewynne (Cambridge University Press, 1995), ch. 15
// (the similarity reduction of lookbacks); Goldman, Sosin and Gatto (1979) for the European
// contract, a lower bound.
//
// Checks, in this order, each refusal writing its message and giving the undefined value:
// - value codes: m > 0 and m <= S (call) or S <= m (put), else "Input data error, value
//   undefined"; the Crit codes: m > 0, else "Input data error, critical value undefined";
// - T = 0: the value codes give the exercise value, the Crit codes 0;
// - LBFLSTACOCrit with q <= 0.00001: "Input data error, critical value is infinity" and +inf
//   (without a yield the call is never exercised early);
// - T, sigma, r and q are checked by the grid (fdvaluation.h): a negative T, r or q or a
//   sigma <= 0 gives the undefined value silently.
// A NaN input is not refused by these checks (except m, and S beside it) and travels into the
// result.
//
// Limits: flat rate, yield and volatility; continuous monitoring of the extreme. With the default
// 100 x 50 grid the node spacing in xi (0.01) and the first-order reflecting edge limit accuracy
// to one or two per cent (an 800 x 400 grid: 0.3 per cent); finer grids come from parameter
// entry 2. Critical spots are half a node past the last exercise node (m / xi* for the call,
// m xi* for the put).
//
// The precise option (parameter entry 5, value 1 = 1) changes the method of the four codes after
// their checks and early results: W is solved on the grid of finitedifference/precisegrid.h in xi
// itself from 0 to 1, the nodes crowded at xi = 1 (where the reflecting edge meets the payoff),
// the reflecting edge to second order by a ghost node (W_N = W_{N-2} + 2 h c W_{N-1}, c = 0 for
// the call and 1 for the put), a Rannacher start, the exact exercise step and Richardson over two
// grids; the sizes follow the barrier grids' rule (precisebarrier.h: entry 2 with flag 0 keeps
// its meaning, the option improves the method at those sizes). LBFLSTAPO with T = 1, S = m = 100,
// sigma = 0.2, r = 0.05, q = 0.02 gives 15.58242 (the design's grid 15.984, 2.6 per cent high);
// where early exercise never pays it meets QuantLib's European lookback to 1e-5. The critical
// spots are read between nodes off the price's two grids (precisegrid.h's boundaryof, to about
// 1e-4). The values meet an independent similarity grid in ln(m / S) or ln(S / m), extrapolated
// over three grids, to max(1e-5 price, 1e-7 m) (americanlookback_test.cpp). In caching mode the grids of a price
// are kept as for the barrier grids (precisebarrier.h), apart from the design's.
//
// Not thread-safe: the handler's tables and the grid cache are process-wide.
//
// Negative rates and yields (library option 4, binding/ratesigns.h): refused, with one line
// naming the input. The grid's far edges and the critical-price shortcuts assume r, q >= 0 and
// have not been checked with the new signs.
#ifndef KZR_FINITEDIFFERENCE_AMERICANLOOKBACK_H
#define KZR_FINITEDIFFERENCE_AMERICANLOOKBACK_H

#include "binding/parameterblock.h"
#include "finitedifference/fdbase.h"

namespace AmericanLookback {

// The lookback on the similarity grid xi in [0, 1] (no fields of its own): W = 1 at xi = 0,
// exercise value max(level1 - xi, 0) with level1 = 1, the reflecting upper edge and the upward
// critical search of fdbase (the record's `reflecting` is 1), early exercise by the default step
// condition.
class americanlookback : public fdbase {
 public:
  americanlookback(contractdata& record, const parameterentry& grid);
  ~americanlookback() override = default;

  // 1 at the low edge, 0 at the high edge (whose value the reflecting row never reads).
  void boundary(double t, gridinfo& grid, const parameterblock* params) const override;
  double payoff(double xi, const parameterblock* params) const override;
  // T, 0 and 1.
  void gridlimits(gridinfo& grid, const parameterblock* params) const override;
  // The search starts at xi = 0.
  double critstart(const gridinfo& grid, const parameterblock* params) const override;

 private:
  americanlookback(const americanlookback& source, clonetag tag) : fdbase(source, tag) {}
};

// The pricing functions of the four codes; m is the minimum so far for the call, the maximum so
// far for the put. block supplies parameter entries 0 (valuation mode) and 2 (grid sizes) and
// the grid cache.
double lookbackcall(double T, double S, double m, double sigma, double r, double q,
                    parameterblock* block);
double lookbackput(double T, double S, double m, double sigma, double r, double q,
                   parameterblock* block);
double lookbackcallcritical(double T, double m, double sigma, double r, double q,
                            parameterblock* block);
double lookbackputcritical(double T, double m, double sigma, double r, double q,
                           parameterblock* block);

}  // namespace AmericanLookback

#endif  // KZR_FINITEDIFFERENCE_AMERICANLOOKBACK_H
