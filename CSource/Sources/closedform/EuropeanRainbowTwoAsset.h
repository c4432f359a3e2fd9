// European options on the better or the worse of two correlated lognormal assets.
//
// best and worst pay max(S1, S2) and min(S1, S2) at expiry (Margrabe, 1978, "The value of an
// option to exchange one asset for another", Journal of Finance 33, pp. 177-186); the calls and
// puts on the maximum or minimum pay max(max(S1, S2) - X, 0) and so on (Stulz, 1982, "Options on
// the minimum or the maximum of two risky assets", Journal of Financial Economics 10,
// pp. 161-185; Johnson, 1987, Journal of Financial and Quantitative Analysis 22, pp. 277-283;
// Haug, Option Pricing Formulas, 1998, pp. 56-58); best of assets and cash pays
// max(S1, S2, X). The puts follow from the calls by parity with the best and worst.
// Limits: flat rate, yields, volatilities and correlation; European exercise. The bivariate
// normal is Drezner's rule, accurate to about 1e-6, unless the library options ask for the
// precise one (method, about 1e-15).
//
// Refused inputs (S1 or S2 <= 0, T < 0, X <= 0 where the code reads X, a volatility <= 0, rho
// outside [-1, 1], r, q1 or q2 < 0) write "Input data error, value undefined" and give the
// undefined value; a NaN input is not refused and propagates. The rate r is checked but does not
// enter best and worst (so a NaN r leaves them finite). A data table with fewer rows than the
// code reads is refused the same way. Codes and handler: EuropeanRainbowTwoAssetCodes.h.
//
// Decisions for perfectly correlated assets (rho = +-1 is accepted):
// - The bivariate normal is taken at its exact limits when a correlation reaches +-1 (with
//   rho = +-1 the formula's own correlations rho1 and rho2 are +-1, and they may stray past +-1 by
//   rounding), and where an argument is infinite or huge, as with an infinite or huge rate, yield
//   or price: the limits are those of numerics/bivariatenormal.h.
// - When the volatility of S1/S2 vanishes (rho = 1 with sigma1 = sigma2, up to rounding), the
//   ratio of the two assets at expiry is known today: the larger one is the one with the larger
//   S e^(-qT). Best and worst are then max and min of S1 e^(-q1 T) and S2 e^(-q2 T), the options
//   on the maximum (minimum) are the Black-Scholes options on that asset. This is the limit of
//   the formulas, which would otherwise divide zero by zero.
//
// Negative rates and yields (library option 4, binding/ratesigns.h): accepted. Stulz's formulas
// hold for any sign of r, q1 and q2.
#ifndef KZR_CLOSEDFORM_EUROPEANRAINBOWTWOASSET_H
#define KZR_CLOSEDFORM_EUROPEANRAINBOWTWOASSET_H

#include "closedform/EuropeanRainbowTwoAssetCodes.h"
#include "numerics/bivariatenormal.h"
#include "numerics/comparisons.h"

namespace EuropeanRainbowTwoAsset {

// T expiry (years), S1, S2 prices, sigma1, sigma2 volatilities, rho correlation, r rate, q1, q2
// dividend yields.
double rainbowbest(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                   double r, double q1, double q2);
double rainbowworst(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                    double r, double q1, double q2);

// X strike (or cash amount for rainbowbestcash); method the rule of the bivariate normal.
double rainbowcallmax(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                      double r, double q1, double q2, double X,
                      bivariatemethod method = bivariatemethod::drezner);
double rainbowputmax(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                     double r, double q1, double q2, double X,
                     bivariatemethod method = bivariatemethod::drezner);
double rainbowcallmin(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                      double r, double q1, double q2, double X,
                      bivariatemethod method = bivariatemethod::drezner);
double rainbowputmin(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                     double r, double q1, double q2, double X,
                     bivariatemethod method = bivariatemethod::drezner);
double rainbowbestcash(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                       double r, double q1, double q2, double X,
                       bivariatemethod method = bivariatemethod::drezner);

// What the European and American options on two assets share: their refusals (X <= 0 is refused
// apart, by the codes that test X), and the payoff of each variant at prices P1, P2 (X the strike
// or cash amount, not read by best and worst).
bool rainbowrefused(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                    double r, double q1, double q2);
inline double rainbowpayoff(rainbowvariant variant, double P1, double P2, double X) {
  const double high = maxof(P1, P2), low = minof(P1, P2);
  switch (variant) {
    case best: return high;
    case worst: return low;
    case callmax: return maxof(high - X, 0.0);
    case putmax: return maxof(X - high, 0.0);
    case callmin: return maxof(low - X, 0.0);
    case putmin: return maxof(X - low, 0.0);
    default: return maxof(high, X);
  }
}

}  // namespace EuropeanRainbowTwoAsset

#endif  // KZR_CLOSEDFORM_EUROPEANRAINBOWTWOASSET_H
