// American spread options: exercised at any node of the two-asset lattice, a call pays
// max(P1 - P2 - K, 0), a put max(K - (P1 - P2), 0), with P1, P2 the prices of two correlated
// lognormal assets then. The lattice is that of the European spreads (closedform/TwoAssetLattice.h:
// Boyle, Evnine and Gibbs, 1989, Review of Financial Studies 2, pp. 241-250) with exercise allowed
// at every node, its levels from parameter entry 4 (default 200, from 2 to 2000). Inputs, checks
// and early results as the European spreads (closedform/EuropeanSpread.h): T, S1, S2, K, sigma1,
// sigma2, rho, r, q1, q2; refused inputs write "Input data error, value undefined" and give the
// undefined value, a NaN input gives NaN, T = 0 the payoff at today's prices, rho = +-1 is
// accepted. Codes and handler: AmericanSpreadCodes.h.
//
// Limits: flat rate, yields, volatilities and correlation; exercise at the lattice's levels only
// (first order in the step: about 1e-3 of the value at 200 levels). Without dividends the call is
// never exercised early and equals the European call.
//
// The precise option (parameter entry 5, value 1 = 1) improves the method at the same levels:
// the lattice's last step smoothed by Kirk's approximation near the kink, the European
// quadrature as control variate, Richardson over n and half the steps (closedform/EuropeanSpread.h,
// spreadprecise; closedform/TwoAssetLattice.h). Explicit levels (entry 4 with flag 0) keep their
// meaning: n is the finer lattice's levels; with the flag set the option takes 241. About 1e-5
// of the value against QuantLib's engine on fine grids, where the design's 200 levels err by 5e-4.
//
// Not thread-safe: the handler's tables are process-wide.
//
// Negative rates and yields (library option 4, binding/ratesigns.h): refused, with one line
// naming the input, for the reason of AmericanRainbowTwoAsset.h.
#ifndef KZR_FINITEDIFFERENCE_AMERICANSPREAD_H
#define KZR_FINITEDIFFERENCE_AMERICANSPREAD_H

#include "binding/parameterblock.h"

namespace AmericanSpread {

// T expiry (years), S1, S2 prices, K strike, sigma1, sigma2 volatilities, rho correlation, r
// rate, q1, q2 dividend yields; block supplies the levels (parameter entry 4).
double spreadcall(double T, double S1, double S2, double K, double sigma1, double sigma2,
                  double rho, double r, double q1, double q2, parameterblock* block);
double spreadput(double T, double S1, double S2, double K, double sigma1, double sigma2, double rho,
                 double r, double q1, double q2, parameterblock* block);

}  // namespace AmericanSpread

#endif  // KZR_FINITEDIFFERENCE_AMERICANSPREAD_H
