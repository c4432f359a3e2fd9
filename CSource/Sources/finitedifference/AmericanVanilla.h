// American calls and puts on one underlying with a continuous dividend yield.
//
//   BINACO, BINAPO            value on a Cox-Ross-Rubinstein binomial tree
//   BSACO, BSAPO              value by Crank-Nicolson finite differences on the price grid
//   BINACOCrit, BINAPOCrit    critical exercise price today, by bisection on the tree
//   BSACOCrit, BSAPOCrit      critical exercise price today, by a search on the price grid
// Inputs T, S, K, sigma, r, q (the Crit codes: T, K, sigma, r, q). Codes and handler:
// AmericanVanillaCodes.h.
//
// Sources: Cox, Ross and Rubinstein, J. Financial Economics 7 (1979), 229-263 (the tree); Hull,
// Options, Futures and Other Derivatives, 4th ed., 2000, ch. 16 (trees and the grid with early
// exercise); Merton, Bell J. Economics 4 (1973), 141-183 (the perpetual call's exponent beta,
// which bounds the call's grid and its bisection). An American call on an underlying without
// dividend is never exercised early: BINACO then takes the Black-Scholes call.
//
// Limits: flat rate, yield and volatility. Refused inputs give the undefined value silently; a
// NaN input is not refused and propagates. The price grid runs from 0 to max(10K, 100) (a call's
// grid ends at the perpetual call's exercise level when that lies in [max(1.2K, 10),
// max(10K, 100)]), so with the default 100 x 50 grid the node spacing limits accuracy to a few
// per cent; finer grids come from parameter entry 2.
//
// Trees (parameter entry 4, default 100 steps) are the shared Cox-Ross-Rubinstein tree of
// numerics/crrtree.h, with u^2 taken as u u: from 1 to maximumtreesteps (100,000) steps. Other
// step counts, and a tree whose up probability p = (e^((r-q)dt) - d) / (u - d) falls outside
// [0, 1] (a drift too large for the volatility over one step), give the undefined value after a
// message: "Tree steps out of range, value undefined", "Tree probability outside [0, 1], value
// undefined". A long, very volatile call whose node prices pass the largest double (BINACO
// 100 100 100 5 0.5 0.01 at 1000 steps) is valued on the same tree again with the price as
// numeraire (numerics/crrtree.h): 99.2351 there, below the perpetual call's 99.3735, where it
// was +inf and then undefined; every answer that was a number is unchanged to the bit.
//
// The bisection for the critical prices (bracket [0, K] for the put, [K, beta K / (beta - 1)]
// for the call) prices one tree per halving and stops at the first of:
// - the bracket is 0.0001 wide (the search's own tolerance);
// - the bracket cannot be halved in doubles (the midpoint equals an end: strikes near 1e17 and
//   beyond);
// - 24 halvings, that is a bracket of 2^-24 (6e-8) of its first width: a tolerance relative to
//   K for puts with K above 1677, and relative to the call's bracket K / (beta - 1), which grows
//   without bound as the yield nears 0.00001 (beta tends to 1).
// So no input prices more than 24 trees, the most that an ordinary contract takes (with
// sigma = 0.2, r = 0.05 and K = 100 the put takes 20 halvings, the call 22 at q = 0.02 and 24 at
// q = 0.005), and the result of the uncapped search is kept to the bit wherever that search
// ends within 24 halvings: every put with K <= 1677 and every call whose bracket is at most
// 1677 wide. Beyond, the answer lies within 6e-8 of the bracket, far inside the tree's own
// error. Without the cap the put took 53 halvings at K = 1e12 and 52 at K = 1e300, the call 32
// at q = 0.00002 and 42 at q = 0.00002 with sigma = 10, r = 0.
// A NaN tree value ends the search and is its result (its comparison would otherwise move the
// bracket as if the option were worth its exercise value).
//
// The precise option (parameter entry 5, value 1 = 1) takes all eight codes off the tree and the
// grid after their refusals and early results (S = 0, T = 0): prices and critical prices then
// come from the boundary integral equation of numerics/americanboundary.h, to about 1e-9
// relative, the same for the tree code and the grid code, without entries 2 and 4. A call
// without dividend (q = 0) is the European call, its critical price +infinity; every q > 0 gives
// a finite critical price (the dividend floors above are the design's approximations and do not
// apply). BSACO and BSACOCrit refuse under the option what the grid's input checks refuse; a
// negative yield keeps BSACOCrit's +infinity. A NaN input gives NaN.
//
// The boundary does not depend on the spot, so under the option the eight codes keep it as the
// grid codes keep their grids (the valuation modes of fdvaluation.h): in a caching mode (every
// mode but 1) the boundary goes to the block's carrier word (fdcarrier, the grid engine's), and
// a later call whose boundary terms are the same reads it, so that a re-price at a new spot
// costs one integral and no new boundary. The terms are the boundary's own: T, K, sigma, the
// two rates as the put boundary takes them (a call's exchanged, by the symmetry, so a call and
// the put of the symmetric contract share one boundary) and the scheme; each is compared
// exactly (the grids' tolerance of 0.0001 would hand back another contract's boundary at the
// precision the option promises). The option is part of the key by the carrier's class: a grid
// valuation never reads a kept boundary, a precise one never a kept grid. Mode 1 keeps nothing
// and empties both words, as a mode-1 grid valuation does; refused inputs, early results and NaN
// inputs leave the words as they were, and so does a call without dividend (the European call)
// in a caching mode.
//
// Negative rates and yields (library option 4, binding/ratesigns.h): accepted, as follows.
// Exercising a put at S earns r K and gives up q S per unit of time, so a put is exercised early
// only where r K > q S: for r > 0 below one boundary (q of any sign); never for r <= 0 with
// q >= r; and for q < r < 0 only between two boundaries, above r K / q and below an upper one
// under K (Battauz, De Donno and Sbuelz, "Real options and American derivatives: the double
// continuation region", Management Science 61(5), 2015, pp. 1094-1107). Calls mirror this with r
// and q exchanged (two boundaries for r < q < 0). Hence:
// - trees: the tree's own exercise test finds both boundaries; its probability check stays. The
//   tree call's shortcut to the European (q <= 0.00001) is not taken for r < q < 0.
// - grids: early exercise is a projection, which finds both boundaries. With r < 0 the put's low
//   edge is K e^(-r tau) (held to expiry from S = 0) instead of K; with r < 0 or q < 0 the call's
//   high edge is the larger of the exercise value and S e^(-q tau) - K e^(-r tau), and its grid
//   ends at max(10K, 100) (the perpetual call's level needs r, q >= 0).
// - the precise path (numerics/americanboundary.h) takes one boundary: r > 0 with q < 0 keeps it
//   (B(0+) = K), r <= 0 and q >= r gives the European put (calls alike); the two-boundary case
//   is refused with one line: "Two exercise boundaries (put: q < r < 0, call: r < q < 0), value
//   undefined".
// - Crit codes answer one number: the two-boundary case is refused with that line; a put never
//   exercised early (r < 0, q >= r) answers 0, a call (q < 0, r >= q) +infinity. (At r = 0 the
//   design's searches keep their own answers.)
//
// Not thread-safe: the handler's tables and the grid cache are process-wide.
#ifndef KZR_FINITEDIFFERENCE_AMERICANVANILLA_H
#define KZR_FINITEDIFFERENCE_AMERICANVANILLA_H

#include <cstdint>
#include <string>

#include "binding/parameterblock.h"
#include "finitedifference/AmericanVanillaCodes.h"  // defaultsteps
#include "finitedifference/fdbase.h"
#include "finitedifference/financialbase.h"
#include "numerics/americanboundary.h"

namespace AmericanVanilla {

// The American vanilla on the price grid (no fields of its own). Early exercise is the default
// step condition of fdbase (the record's `american` is 1); the heat-grid hooks keep their
// defaults.
class americanvanilla : public fdbase {
 public:
  americanvanilla(contractdata& record, const parameterentry& grid);
  ~americanvanilla() override = default;

  // Put: K at the low edge, 0 at the high edge. Call: 0 at the low edge, the exercise value at
  // the high edge. The same at every level.
  void boundary(double t, gridinfo& grid, const parameterblock* params) const override;
  double payoff(double S, const parameterblock* params) const override;
  // T, 0 and highlimit().
  void gridlimits(gridinfo& grid, const parameterblock* params) const override;
  // Two nodes short of the strike on the continuation side.
  double critstart(const gridinfo& grid, const parameterblock* params) const override;

  // High limit of the price grid.
  double highlimit() const;

 private:
  americanvanilla(const americanvanilla& source, clonetag tag) : fdbase(source, tag) {}
};

// The terms a put boundary depends on (a call's: its put by the symmetry, r and q exchanged).
struct boundaryterms {
  double T, K, sigma, r, q;
  boundaryscheme scheme;
};
// Every term equal (NaN equals nothing).
bool sameterms(const boundaryterms& a, const boundaryterms& b);

// A boundary solved under the precise option, kept in the block's carrier word in caching mode.
class methodcarriesboundary : public methodcarries {
 public:
  explicit methodcarriesboundary(const boundaryterms& terms);
  const boundaryterms terms;
  const americanputboundary boundary;
};

// The boundary kept in the block's carrier word, or null.
const methodcarriesboundary* cachedboundary(const parameterblock& params);

// The perpetual American call's exercise level beta K / (beta - 1), with m = r - q - sigma^2/2
// and beta = (-m + sqrt(m^2 + 2 r sigma^2)) / sigma^2.
double perpetualcalllevel(double K, double sigma, double r, double q);

// The CRR tree with n steps (n >= 1, no checks): the American value at spot S, callput +1 or -1.
double binomialtree(int callput, double T, double S, double K, double sigma, double r, double q,
                    std::int64_t n);

// BINACO (callput +1) or BINAPO (-1), refusals and early results included: the American vanilla
// that the barrier families carry where a barrier makes their option one. Reads entry 4.
double binomialamerican(int callput, double T, double S, double K, double sigma, double r, double q,
                        const parameterblock* block);

// The pricing functions of the eight codes; block supplies parameter entries 0, 2 and 4 and the
// grid cache.
double binomialcall(double T, double S, double K, double sigma, double r, double q,
                    parameterblock* block);
double binomialput(double T, double S, double K, double sigma, double r, double q,
                   parameterblock* block);
double gridcall(double T, double S, double K, double sigma, double r, double q,
                parameterblock* block);
double gridput(double T, double S, double K, double sigma, double r, double q,
               parameterblock* block);
double binomialcallcritical(double T, double K, double sigma, double r, double q,
                            parameterblock* block);
double binomialputcritical(double T, double K, double sigma, double r, double q,
                           parameterblock* block);
double gridcallcritical(double T, double K, double sigma, double r, double q,
                        parameterblock* block);
double gridputcritical(double T, double K, double sigma, double r, double q, parameterblock* block);

}  // namespace AmericanVanilla

#endif  // KZR_FINITEDIFFERENCE_AMERICANVANILLA_H
