// Extendible options: a holder-extendible call or put, whose holder may at the first expiry t1
// pay a fee A to extend it to T2 with a new strike X2, and a writer-extendible call or put, which
// is extended to T2 with strike X2 automatically when it is out of the money at t1. Black-Scholes
// with a continuous dividend yield.
//
// Source: Longstaff (1990), "Pricing options with extendible maturities: analysis and
// applications", J. Finance 45, pp. 935-957; as in Haug, The Complete Guide to Option Pricing
// Formulas, 2nd ed., 2007, pp. 136-139.
// Limits: flat rate, yield and volatility. Refused inputs give the undefined value without a
// message; a NaN input is not refused and gives NaN (tested before the critical-price searches,
// whose comparisons would otherwise settle on a plain option's value). Codes and handler:
// EuropeanExtendibleCodes.h.
//
// The holder-extendible call is worth, at t1, max(S - X1, C(T2 - t1, S, X2) - A, 0), and the put
// max(X1 - S, P(T2 - t1, S, X2) - A, 0). Extension pays for prices at t1 between two critical
// prices I1 < I2; the closed form integrates over that range whatever today's spot is (the spot
// today need not lie inside it for the extension to be worth something). The box terms of the
// put take the correlation -rho: the put pays when S_T2 is below X2, and the event S_T2 < X2 is
// negatively correlated with S_t1 > I. Where no positive I1 solves the put's equation (the
// extension beats exercise at every price, which includes A = 0 with X1 <= X2 e^(-r(T2 - t1)))
// I1 is 0, and the put is a call on a put with strike A (or the put to T2 when A = 0). A call
// with A = 0 has I1 = 0 too; its term in ln(S/I1) is then infinite and handled as such.
//
// Decisions:
// - t1 = 0: the value at t1 itself, max(S - X1, C(T2, S, X2) - A, 0) for the holder call (the put
//   likewise); a writer call is S - X1 when S > X1, C(T2, S, X2) when S < X1 and half of that at
//   S = X1 (the limit as t1 tends to 0; the put likewise).
// - The critical-price searches are Newton's method from I = S to |f(I)| <= 1e-4, at most 100
//   steps; a zero or non-finite slope or no convergence writes "Critical price search did not
//   converge, value undefined" and gives the undefined value. A step that would leave the
//   positive prices halves the current price instead (as in the chooser's search,
//   EuropeanCompound.h).
// - A put whose fee is at least X2 e^(-r(T2 - t1)) is never extended (I2 = 0), and its search is
//   skipped.
// - A put whose extension pays at every price at t1 skips its search for I1: when
//   X2 e^(-r(T2 - t1)) - A >= X1, P(T2 - t1, I, X2) - A + I - X1 is positive for every I > 0, so
//   the literal search would run down to I = 0 and give NaN. I1 is 0 there.
// - The bivariate normal is Drezner's rule unless the library options ask for the precise one
//   (method); the compound options that the holder options reduce to take the same rule.
// - The box probabilities M4 run from minus infinity itself (rather than -10 standing for it):
//   their corner terms are exactly 0, where -10 would leave terms below 1e-23.
//
// Negative rates and yields (library option 4, binding/ratesigns.h): accepted. The formulas and
// the critical-price searches are on Black-Scholes values, which hold for any sign of r and q.
#ifndef KZR_CLOSEDFORM_EUROPEANEXTENDIBLE_H
#define KZR_CLOSEDFORM_EUROPEANEXTENDIBLE_H

#include "numerics/bivariatenormal.h"

namespace EuropeanExtendible {

// t1 first expiry, T2 extended expiry, S spot, X1 first strike, X2 strike after extension,
// sigma volatility, r rate, q dividend yield, A fee paid at t1 to extend; method the rule of the
// bivariate normal.
double holderextendiblecall(double t1, double T2, double S, double X1, double X2, double sigma,
                            double r, double q, double A,
                            bivariatemethod method = bivariatemethod::drezner);
double holderextendibleput(double t1, double T2, double S, double X1, double X2, double sigma,
                           double r, double q, double A,
                           bivariatemethod method = bivariatemethod::drezner);
double writerextendiblecall(double t1, double T2, double S, double X1, double X2, double sigma,
                            double r, double q, bivariatemethod method = bivariatemethod::drezner);
double writerextendibleput(double t1, double T2, double S, double X1, double X2, double sigma,
                           double r, double q, bivariatemethod method = bivariatemethod::drezner);

}  // namespace EuropeanExtendible

#endif  // KZR_CLOSEDFORM_EUROPEANEXTENDIBLE_H
