// American options on a foreign asset, paid in domestic currency (quantos), exercisable at every
// step of a Cox-Ross-Rubinstein tree.
//
// Floating exchange rate (QUANTOFSFEACO, QUANTOFSFEAPO): the holder receives max(E S - K, 0)
// (a put max(K - E S, 0)) in domestic currency at the exchange rate of the exercise date. E*S is
// a domestic asset with yield q and volatility sqrt(sigmaS^2 + sigmaE^2 + 2 rho sigmaS sigmaE)
// (Reiner, 1992, "Quanto mechanics", Risk 5, pp. 59-63); the tree runs on it at growth r - q.
// Fixed exchange rate (QUANTOFXFEACO, QUANTOFXFEAPO): the holder receives Ep max(S - K, 0) (a put
// Ep max(K - S, 0)); in the domestic measure the foreign asset grows at rf - q - rho sigmaS sigmaE
// with volatility sigmaS (Derman, Karasinski and Wecker, 1990; Haug, Option Pricing Formulas,
// 1998, pp. 105-106), and the tree runs on S at that growth. Both trees discount at the domestic
// rate r. The tree is the American trees' one (numerics/crrtree.h, u^2 taken as u u; Cox, Ross and
// Rubinstein, 1979): n steps of T/n, the value at every node the larger of the discounted
// continuation and the exercise value.
// Inputs as the European quantos (closedform/EuropeanQuanto.h): T, S, E (or Ep), K, sigmaS,
// sigmaE, rho, r, q (and rf for the fixed rate). Codes and handler: AmericanQuantoCodes.h.
//
// Limits: flat rates, yield, volatilities and correlation; exercise at the tree's steps only, so
// the value is first order in 1/n (100 steps by default: about 1e-3 of the value).
//
// Refused inputs (a price S, E or Ep <= 0, T < 0, K <= 0, a volatility <= 0, rho outside [-1, 1],
// a rate or yield < 0) write "Input data error, value undefined" and give the undefined value; so
// does a data table with fewer rows than the code reads. A NaN input is not refused: the result is
// NaN. T = 0 gives the exercise value at today's E S (or S). Trees take parameter entry 4 (default
// 100 steps, from 1 to maximumtreesteps); other step counts, and trees whose up probability falls
// outside [0, 1] (a growth too strong for the volatility over one step, or infinite inputs), give
// the undefined value after "Tree steps out of range, value undefined" or "Tree probability
// outside [0, 1], value undefined". A call tree whose node prices overflow (a long, very volatile
// tree) is valued again with the price as numeraire (numerics/crrtree.h), its smoothed last step
// included (Black-76 is homogeneous: per unit of the price, forward e^(growth dt), strike K / X).
//
// Decision: when the volatility of E*S vanishes (rho = -1 with sigmaS = sigmaE), the tree would
// have u = d = 1 and no probability. E*S then grows as E S e^((r - q) t) and the floating-rate
// quanto is worth the largest discounted exercise value over the exercise dates t in [0, T]:
// max(0, E S e^(-qt) - K e^(-rt)) for the call, the put likewise, which has at most one interior
// stationary point, t* = ln(r K / (q E S)) / (r - q). This is the limit of the contract as the
// variance tends to 0, and the American counterpart of the European quantos' limit.
//
// The precise option (parameter entry 5, value 1 = 1) improves the tree at the same steps: the
// last step before expiry takes the European value over that step (the closed form) in place of
// the expiry nodes, and the values of n and n/2 steps are extrapolated as first order in the
// step, (n V(n) - m V(m)) / (n - m) with m = n/2 (Broadie and Detemple, Review of Financial
// Studies 9(4), 1996, their binomial Black-Scholes method with Richardson extrapolation). Explicit
// steps (entry 4 with flag 0) keep their meaning: n is the finer tree's steps; with the flag set
// the option takes precisedefaultsteps. One step has no coarser tree (its smoothed value alone);
// a coarser tree whose up probability falls outside [0, 1], or two trees whose values do not
// differ by a number (node prices that overflowed), leave the finer one's smoothed value.
// The answer is never below the exercise value today. Refusals, NaN, T = 0 and the vanishing
// volatility are answered as without the option.
//
// Not thread-safe: the handler's tables are process-wide.
//
// Negative rates and yields (library option 4, binding/ratesigns.h): refused, with one line
// naming the input (r, rf or q). The grid's early-exercise shortcuts assume a non-negative adjusted
// yield and have not been checked with the new signs.
#ifndef KZR_FINITEDIFFERENCE_AMERICANQUANTO_H
#define KZR_FINITEDIFFERENCE_AMERICANQUANTO_H

#include <cstdint>

#include "binding/parameterblock.h"

namespace AmericanQuanto {

// The steps of the finer tree under the precise option when entry 4 asks for the default.

// T expiry (years), S asset price (foreign currency), E exchange rate (domestic per foreign
// unit), K strike (domestic currency), sigmaS, sigmaE volatilities, rho their correlation, r
// domestic rate, q dividend yield of the asset; block supplies the steps (parameter entry 4).
double quantofloatingcall(double T, double S, double E, double K, double sigmaS, double sigmaE,
                          double rho, double r, double q, parameterblock* block);
double quantofloatingput(double T, double S, double E, double K, double sigmaS, double sigmaE,
                         double rho, double r, double q, parameterblock* block);

// Ep the fixed exchange rate, K strike (foreign currency), rf foreign rate.
double quantofixedcall(double T, double S, double Ep, double K, double sigmaS, double sigmaE,
                       double rho, double r, double q, double rf, parameterblock* block);
double quantofixedput(double T, double S, double Ep, double K, double sigmaS, double sigmaE,
                      double rho, double r, double q, double rf, parameterblock* block);

}  // namespace AmericanQuanto

#endif  // KZR_FINITEDIFFERENCE_AMERICANQUANTO_H
