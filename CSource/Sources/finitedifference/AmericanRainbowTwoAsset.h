// American options on the better or the worse of two correlated lognormal assets, exercisable at
// every node of the two-asset lattice (closedform/TwoAssetLattice.h: Boyle, Evnine and Gibbs,
// 1989, Review of Financial Studies 2, pp. 241-250).
//
//   RAINBOWBEST2AO, RAINBOWWORST2AO     pay max(P1, P2), min(P1, P2) when exercised
//   RAINBOWMAX2ACO, RAINBOWMAX2APO      max(max(P1, P2) - K, 0), max(K - max(P1, P2), 0)
//   RAINBOWMIN2ACO, RAINBOWMIN2APO      max(min(P1, P2) - K, 0), max(K - min(P1, P2), 0)
//   RAINBOWBEST2MONEYAO                 max(K, P1, P2), K a cash amount
// with P1, P2 the prices of the two assets when exercised. Inputs as the European options on two
// assets (closedform/EuropeanRainbowTwoAsset.h), whose variants they share: T, S1, S2, sigma1,
// sigma2, rho, r, q1, q2, and K for the last five. Codes and handler:
// AmericanRainbowTwoAssetCodes.h.
//
// The lattice has a fixed size: always rainbowlevels (200, AmericanRainbowTwoAssetCodes.h)
// levels, a step of T/199, and without the precise option (below) parameter entry 4 is not read
// (it does not change these prices). Every node of every level holds the larger of the discounted
// continuation and the payoff at the node's
// prices. The cost is fixed too: 2.7 million node updates, two 200 x 200 arrays.
//
// Limits: flat rate, yields, volatilities and correlation; exercise at the lattice's levels only,
// so the value is first order in the step (about 1e-3 of the value at 200 levels; slower when
// rho = 1 with sigma1 = sigma2, where the lattice degenerates, TwoAssetLattice.h).
//
// Refused inputs (S1 or S2 <= 0, T < 0, a volatility <= 0, rho outside [-1, 1], r, q1 or q2 < 0,
// K <= 0 for the calls and puts) write "Input data error, value undefined" and give the undefined
// value; so does a data table with fewer rows than the code reads. RAINBOWBEST2MONEYAO does not
// test K: a zero or negative cash amount is priced (with K <= 0 it is the better of the two
// assets). A NaN input is not refused: the result is NaN. rho = +-1 is accepted. T = 0 gives the
// payoff at today's prices.
//
// The precise option (parameter entry 5, value 1 = 1) improves the method of RAINBOWBEST2AO,
// RAINBOWMAX2ACO, RAINBOWMIN2APO and RAINBOWBEST2MONEYAO and lets them choose their levels: the
// lattice's last level before expiry takes the European closed form over one step at the nodes
// near the payoff's kinks, the American lattice is corrected by the European lattice and the
// European closed form (a control variate), and the lattices of n levels and of half the steps
// are extrapolated (TwoAssetLattice.h, extrapolatedlatticeof). Explicit levels (entry 4 with flag
// 0) keep their meaning: n is the finer lattice's levels (from 2 to 2000, the lattice's range);
// with the flag set the option takes TwoAssetLattice::improvedlevels (241). Measured on calls on the maximum: a
// few 1e-6 of the value in about 10 ms, where the design's lattice errs by 1e-5 to 1e-3. The
// answer is never below the exercise value today.
// RAINBOWWORST2AO, RAINBOWMAX2APO and RAINBOWMIN2ACO are not improved: their payoffs have a
// concave kink on P1 = P2, which lies inside the exercise region at every date, so the value
// keeps a kink there until today; the lattice, whose nodes do not follow that line, then errs
// by up to 1% with jumps from one level count to the next (an American put on the maximum,
// T 1, S 100 and 95, K 100: 4.79, 4.96, 4.94, 4.98 at 61, 121, 241, 481 levels), which neither
// smoothing nor extrapolation removes. Under the option they take the design's lattice at the
// levels of entry 4 (with its flag set, the design's 200: the design's answer). A lattice with
// the line P1 = P2 on its nodes (in the coordinates ln(P1/P2) and ln P2) would be the way on.
// Without the option entry 4 is not read and every code takes 200 levels, as designed.
// Refusals, NaN and T = 0 are answered as without the option.
//
// Not thread-safe: the handler's tables are process-wide.
//
// Negative rates and yields (library option 4, binding/ratesigns.h): refused, with one line
// naming the input. Early exercise on two assets with negative rates can have several exercise
// regions; the lattice would price them, but no independent reference was checked.
#ifndef KZR_FINITEDIFFERENCE_AMERICANRAINBOWTWOASSET_H
#define KZR_FINITEDIFFERENCE_AMERICANRAINBOWTWOASSET_H

#include <cstdint>

#include "binding/parameterblock.h"

namespace AmericanRainbowTwoAsset {

// T expiry (years), S1, S2 prices, sigma1, sigma2 volatilities, rho correlation, r rate, q1, q2
// dividend yields; K strike (cash amount for rainbowbestcash); block supplies the library options
// (parameter entry 5) and, under the precise option, the levels (entry 4).
double rainbowbest(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                   double r, double q1, double q2, parameterblock* block);
double rainbowworst(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                    double r, double q1, double q2, parameterblock* block);
double rainbowcallmax(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                      double r, double q1, double q2, double K, parameterblock* block);
double rainbowputmax(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                     double r, double q1, double q2, double K, parameterblock* block);
double rainbowcallmin(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                      double r, double q1, double q2, double K, parameterblock* block);
double rainbowputmin(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                     double r, double q1, double q2, double K, parameterblock* block);
double rainbowbestcash(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                       double r, double q1, double q2, double K, parameterblock* block);

}  // namespace AmericanRainbowTwoAsset

#endif  // KZR_FINITEDIFFERENCE_AMERICANRAINBOWTWOASSET_H
