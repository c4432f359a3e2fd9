// American calls and puts with one barrier watched continuously.
//
//   DOWNINACO, UPINACO, DOWNINAPO, UPINAPO  knock-in, cash rebate R at expiry if never knocked
//                                           in: a blend of European and binomial prices (the
//                                           contract itself on a grid under the precise option)
//   DOWNOUTACO, DOWNOUTAPO                  knock-out, Douglas scheme on the heat-equation grid
//                                           from the barrier to 20 K
//   UPOUTACO, UPOUTAPO                      knock-out, Crank-Nicolson on the price grid [0, H]
//   DOWNOUTACOCrit, DOWNOUTAPOCrit          critical price today, price grid from H upward
//   UPOUTACOCrit, UPOUTAPOCrit              critical price today, price grid [0, H]
// Inputs T, S, H, K, sigma, r, q and R (knock-in); T, S, H, K, sigma, r, q (knock-out);
// T, H, K, sigma, r, q (Crit). Codes and handler: AmericanBarrierCodes.h.
//
// Sources: Reiner and Rubinstein, "Breaking down the barriers", Risk 4(8), 1991, pp. 28-35 (the
// European knock-ins of the blend, closedform/EuropeanBarrier.h); Cox, Ross and Rubinstein,
// J. Financial Economics 7 (1979), pp. 229-263 (the American trees of the blend and of the far
// edge); Wilmott, Howison and Dewynne (Cambridge University Press, 1995) (barriers
// as edges of the grid, early exercise as a projection). Limits: flat rate, yield and
// volatility; continuous monitoring; a knock-out pays no rebate.
//
// Checks and early results, in order. A refused input prints "Input data error, value
// undefined" (the Crit codes: "Input data error, critical value undefined") and gives the
// undefined value. Then a NaN input gives NaN, before any branch could turn it into a number.
//   knock-in     refused: T < 0, H <= 0, S <= 0, K <= 0, sigma <= 0, r < 0, q < 0 or R < 0;
//                barrier reached (down: H >= S, up: S >= H): the binomial American option at S;
//                T = 0: R
//   DOWNOUTACO   refused: H <= 0 or K <= 0; H >= S: 0; T = 0, H > K or S >= 20 K: max(S - K, 0)
//   UPOUTACO     refused as above; S >= H: 0; T = 0: max(S - K, 0); K >= H: 0
//   DOWNOUTAPO   refused as above; H >= S or H >= K: 0; T = 0: max(K - S, 0); S >= 10 K: 0
//   UPOUTAPO     refused as above; S >= H: 0; T = 0 or K >= H: max(K - S, 0)
//   DOWNOUTACOCrit  refused as above; H > K: H; T = 0: K; q < 0.00001: +infinity after "Dividend
//                   very near zero, critical value is infinity"
//   UPOUTACOCrit, UPOUTAPOCrit  refused as above; K >= H: 0; T = 0: K
//   DOWNOUTAPOCrit  refused as above; H >= K: +infinity after "If strike is smaller than
//                   barrier then never is optimal to exercise"; T = 0: K
// The grid codes leave the other terms to the grid's own check (fdvaluation.h), which refuses
// T < 0, S < 0, sigma <= 0, r < 0 and q < 0 silently.
//
// Knock-in blend: with E the European knock-in of the same kind without rebate, B the European
// vanilla and A the binomial American (tree steps of parameter entry 4) both at spot H, and
// w = E / (0.0000001 + B), the value is A w + R e^(-rT) (1 - w): the American premium at the
// barrier, scaled by how much of the vanilla at the barrier the knock-in is worth today. It is an
// approximation, kept as it stands: against a converged knock-in (a fine grid whose barrier edge
// carries the American vanilla), DOWNINAPO with T = 1, S = 100, H = 90, K = 100, sigma = 0.25,
// r = 0.08, q = 0 gives 7.232 where the contract is worth 6.993, and DOWNINACO with H = 90,
// K = 100, sigma = 0.25, r = 0.05, q = 0.03, R = 2 gives 3.810 for 3.464; a few cents to a few
// tenths is usual on ordinary contracts.
//
// Knock-out grids. Down-and-out: the heat grid runs from x = ln(H / K) (edge 0) to ln 20 (spot
// 20 K), whose edge carries the binomial American option at every level (heatvanilla.h).
// Up-and-out: the price grid [0, H] with 0 at H, and the put's K (the call's 0) at 0. Both
// project onto the exercise value at every level. Kept as they stand, each a property of the
// contract as priced here rather than a fault:
// - The barrier edge is 0, while the holder of an option in the money at the barrier exercises
//   just before it (the value tends to the exercise value there); the grid meets that jump within
//   one node spacing, so these grids converge slowly (about in proportion to the spacing) as
//   parameter entry 2 refines them.
// - DOWNOUTACO with H above K (and S above H) and UPOUTAPO with K at or above H answer the
//   intrinsic value: a lower bound of the contract's value, not the value (an option still
//   alive may be worth more than its exercise value).
//
// Critical prices. Up-and-out: the search on the grid [0, H] from the node of K, towards the
// exercise region. Down-and-out (americanbarriercrit): the grid [H, S_high], S_high = 10 K for a
// put and the perpetual call's exercise level beta K / (beta - 1) for a call, with K - H (put)
// or 0 (call) at H and the exercise value (call) or 0 (put) at S_high; the search starts at the
// node of K. On this grid the Crank-Nicolson coefficients are taken at each node's own price
// S_i / dS (ndi.h): with the node index i instead, the grid solves the equation of a price
// shifted by H and finds, for a call with T = 1, K = 100, H = 50, sigma = 0.3, r = 0.05,
// q = 0.06, a critical price of 128.4 where the contract's is 158.6 (156.0 on the default grid).
//
// The precise option (parameter entry 5, value 1 = 1) changes the method of the eight knock-out
// codes after their refusals and their early results for a barrier already reached and for
// T = 0 (the other early results are the design's approximations and do not apply): the grid
// of finitedifference/precisebarrier.h and precisegrid.h in x = ln S, from the barrier to spot
// and strike plus eight standard deviations, with the strike on a node and the nodes crowded
// there, a Rannacher start, time levels crowded at expiry (tau = T (k / M)^2), the exact
// exercise step, and Richardson over the grid and its half. The barrier edge carries the exercise value at the
// barrier, the limit of the contract's value there (the holder exercises the moment before the
// option dies), so that the jump of the design's edge is gone and the grid converges at second
// order; the far edge carries the larger of the exercise value and the European value, the
// American value there to far below the target. So DOWNOUTACO with H above K and UPOUTAPO with
// K at or above H are solved too, not answered by their exercise value. On ordinary contracts the
// error is below max(1e-5 price, 1e-7 K); DOWNOUTAPO with T = 1, S = 100, H = 90, K = 100,
// sigma = 0.2, r = 0.05, q = 0.02 gives 5.887569 (the design's grid 4.4158). Explicit sizes of
// entry 2 (flag 0) keep their meaning: N nodes and M levels are the finer grid, the coarser has
// half the intervals and steps; sizes that cannot be halved give one grid without Richardson;
// sizes out of range are refused as on the design's grids. Entry 4 is not read (no trees). The
// grid's refusals stay (T, S, r, q negative, sigma not positive: silently). The critical prices
// are read between nodes (precisegrid.h's boundaryof) off the price's two grids, the square
// root of Richardson's excess over the exercise value fitted past the boundary, then again off
// two grids with that reading as a node (precisebarrier.h's criticallevel): 1e-5 to 3e-5
// relative on ordinary contracts, about 1e-4 where the boundary lies far from the strike (a
// long-dated call), not quite the prices' 1e-5 (the exercise step's error near the boundary
// depends on where the boundary falls between nodes, which Richardson does not cancel; a node on
// the boundary makes it small); explicit sizes of entry 2 apply as for a price. Their early results and messages stay as above.
// The option changes the method of the four knock-ins too, because the blend above is an
// approximation of the contract (a few cents to a few tenths off) that no finer tree mends:
// under the option a knock-in is the contract itself. After the design's refusals, a barrier
// already reached gives the converged American vanilla (the vanilla code's answer under the
// option) and T = 0 gives R; otherwise the same grid carries the American vanilla on every node
// and, beside it, the region not yet knocked in, from the barrier (a node) to the far edge:
// no exercise there, R at expiry, R e^(-r tau) at the far edge and at the barrier the vanilla's
// value of the same level, Richardson over two grids as for the knock-outs. DOWNINAPO and
// DOWNINACO of the blend's example above give 6.99420 and 3.46431 (the blend 7.232 and 3.810).
// Entry 4 is not read; entry 2 as for the knock-outs.
// Under the option, in caching mode (entry 0 not 1), a price keeps its grids in the block's
// grid carrier word and a later call of the same contract and grid reads its spot off them
// (precisebarrier.h's precisecarrier); a design grid there is never read under the option, nor
// these grids by the design's. Critical prices are not kept.
//
// The tree steps of entry 4 (the far edge of the down-and-out grids) are part of the contract a
// cached grid is kept for: a mode-0 call with other steps solves afresh instead of reading a grid
// whose far edge was priced with the first ones.
//
// Not thread-safe: the handler's tables and the grid cache are process-wide.
//
// Negative rates and yields (library option 4, binding/ratesigns.h): refused, with one line
// naming the input. The grids' far edges and the Crit codes' dividend floors and shortcuts assume
// r, q >= 0 and have not been checked with the new signs.
#ifndef KZR_FINITEDIFFERENCE_AMERICANBARRIER_H
#define KZR_FINITEDIFFERENCE_AMERICANBARRIER_H

#include "binding/parameterblock.h"
#include "finitedifference/fdbase.h"

namespace AmericanBarrier {

// The knock-out of a barrier at level1: on the price grid [0, H] (up-and-out) or on the heat
// grid [ln(H / K), ln 20] (down-and-out). Early exercise is the default step condition of fdbase.
class americanbarrier : public fdbase {
 public:
  // edgesteps: the far edge's tree steps on the heat grid (0 on the price grid, which reads none).
  americanbarrier(contractdata& record, const parameterentry& grid, std::int64_t edgesteps = 0);
  ~americanbarrier() override = default;

  // Put: K at 0; call: 0 at 0. 0 at H.
  void boundary(double t, gridinfo& grid, const parameterblock* params) const override;
  double payoff(double S, const parameterblock* params) const override;
  // T, 0, H.
  void gridlimits(gridinfo& grid, const parameterblock* params) const override;

  // sigma^2 T / 2, ln(H / K), ln 20.
  void heatgridlimits(gridinfo& grid, const parameterblock* params) const override;
  // 0 at the barrier; the binomial American option at 20 K.
  void heatboundary(double tau, double k, double kprime, gridinfo& grid,
                    const parameterblock* params) const override;
  double heatpayoff(double x, double kprime, const parameterblock* params) const override;
  bool heatedgesready(const parameterblock* params) const override;

 private:
  americanbarrier(const americanbarrier& source, clonetag tag) : fdbase(source, tag) {}
};

// The down-and-out critical grid from the barrier upward.
class americanbarriercrit : public fdbase {
 public:
  americanbarriercrit(contractdata& record, const parameterentry& grid);
  ~americanbarriercrit() override = default;

  // Put: K - H at H, 0 at the high limit; call: 0 at H, the exercise value at the high limit.
  void boundary(double t, gridinfo& grid, const parameterblock* params) const override;
  double payoff(double S, const parameterblock* params) const override;
  // T, H, highlimit().
  void gridlimits(gridinfo& grid, const parameterblock* params) const override;
  // (K - H) / (high limit - H): the node of K.
  double critstart(const gridinfo& grid, const parameterblock* params) const override;

  // 10 K for a put, beta K / (beta - 1) for a call.
  double highlimit() const;

 private:
  americanbarriercrit(const americanbarriercrit& source, clonetag tag) : fdbase(source, tag) {}
};

// The pricing functions of the twelve codes; block supplies parameter entries 0, 2 and 4 and the
// grid cache.
double downincall(double T, double S, double H, double K, double sigma, double r, double q,
                  double R, parameterblock* block);
double upincall(double T, double S, double H, double K, double sigma, double r, double q, double R,
                parameterblock* block);
double downinput(double T, double S, double H, double K, double sigma, double r, double q, double R,
                 parameterblock* block);
double upinput(double T, double S, double H, double K, double sigma, double r, double q, double R,
               parameterblock* block);
double downoutcall(double T, double S, double H, double K, double sigma, double r, double q,
                   parameterblock* block);
double upoutcall(double T, double S, double H, double K, double sigma, double r, double q,
                 parameterblock* block);
double downoutput(double T, double S, double H, double K, double sigma, double r, double q,
                  parameterblock* block);
double upoutput(double T, double S, double H, double K, double sigma, double r, double q,
                parameterblock* block);
double downoutcallcritical(double T, double H, double K, double sigma, double r, double q,
                           parameterblock* block);
double upoutcallcritical(double T, double H, double K, double sigma, double r, double q,
                         parameterblock* block);
double downoutputcritical(double T, double H, double K, double sigma, double r, double q,
                          parameterblock* block);
double upoutputcritical(double T, double H, double K, double sigma, double r, double q,
                        parameterblock* block);

}  // namespace AmericanBarrier

#endif  // KZR_FINITEDIFFERENCE_AMERICANBARRIER_H
