// European options on a foreign asset, paid in domestic currency (quantos).
//
// Floating exchange rate (QUANTOFSFEECO, QUANTOFSFEEPO): an option on the foreign asset struck in
// domestic currency; the payoff max(E_T S_T - X, 0) converts at the exchange rate of the expiry
// date, so E*S is a domestic asset with volatility sqrt(sigmaS^2 + sigmaE^2 + 2 rho sigmaS
// sigmaE) (Reiner, 1992, "Quanto mechanics", Risk 5, pp. 59-63).
// Fixed exchange rate (QUANTOFXFEECO, QUANTOFXFEEPO): the payoff Ep * max(S_T - X, 0) converts at
// the agreed rate Ep; the foreign asset drifts at rf - q - rho sigmaS sigmaE in the domestic
// measure (Derman, Karasinski and Wecker, 1990; Haug, Option Pricing Formulas, 1998,
// pp. 105-106).
// Limits: flat rates, yield, volatilities and correlation; European exercise.
//
// Refused inputs (a price S, E or Ep <= 0, T < 0, X <= 0, a volatility <= 0, rho outside
// [-1, 1], a rate or yield < 0) write "Input data error, value undefined" and give the undefined
// value; a NaN input is not refused and propagates. A data table with fewer rows than the code
// reads is refused the same way. Codes and handler: EuropeanQuantoCodes.h.
//
// Decision: when the combined volatility of the floating-rate quanto vanishes (rho = -1 with
// sigmaS = sigmaE, so that sigmaS^2 + sigmaE^2 + 2 rho sigmaS sigmaE is 0, or below 0 by
// rounding), E*S grows deterministically and the option is worth its discounted intrinsic value
// on the forward, max(E S e^(-qT) - X e^(-rT), 0) for the call, the put likewise; this is the
// limit of the formula as the variance tends to 0, where it would otherwise divide by zero.
//
// Negative rates and yields (library option 4, binding/ratesigns.h): accepted. The formulas hold
// for any sign of r, rf and q (the adjusted yield was never required positive).
#ifndef KZR_CLOSEDFORM_EUROPEANQUANTO_H
#define KZR_CLOSEDFORM_EUROPEANQUANTO_H

namespace EuropeanQuanto {

// T expiry (years), S asset price (foreign currency), E exchange rate (domestic per foreign
// unit), X strike (domestic currency), sigmaS, sigmaE volatilities, rho their correlation,
// r domestic rate, q dividend yield of the asset.
double quantofloatingcall(double T, double S, double E, double X, double sigmaS, double sigmaE,
                          double rho, double r, double q);
double quantofloatingput(double T, double S, double E, double X, double sigmaS, double sigmaE,
                         double rho, double r, double q);

// Ep the fixed exchange rate, X strike (foreign currency), rf foreign rate.
double quantofixedcall(double T, double S, double Ep, double X, double sigmaS, double sigmaE,
                       double rho, double r, double q, double rf);
double quantofixedput(double T, double S, double Ep, double X, double sigmaS, double sigmaE,
                      double rho, double r, double q, double rf);

// What the European and American quantos share: their refusals (the fixed-rate ones also refuse
// rf < 0), the variance of E*S, sigmaS^2 + sigmaE^2 + 2 rho sigmaS sigmaE, and the growth of the
// foreign asset in the domestic measure at a fixed rate, rf - q - rho sigmaS sigmaE.
bool floatingrefused(double T, double S, double E, double X, double sigmaS, double sigmaE,
                     double rho, double r, double q);
bool fixedrefused(double T, double S, double Ep, double X, double sigmaS, double sigmaE, double rho,
                  double r, double q, double rf);
double combinedvariance(double sigmaS, double sigmaE, double rho);
double fixedrategrowth(double sigmaS, double sigmaE, double rho, double q, double rf);

}  // namespace EuropeanQuanto

#endif  // KZR_CLOSEDFORM_EUROPEANQUANTO_H
