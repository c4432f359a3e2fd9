// European lookback options: floating strike (the call pays S_T - min, the put max - S_T) and
// fixed strike (the call pays max - X, the put X - min), the extreme taken over the whole life
// including the part already observed, under Black-Scholes with a continuous dividend yield.
//
// Sources: Goldman, Sosin and Gatto (1979), "Path dependent options: buy at the low, sell at the
// high", J. Finance 34, pp. 1111-1127 (floating strike); Conze and Viswanathan (1991), "Path
// dependent options: the case of lookback options", J. Finance 46, pp. 1893-1907 (fixed strike);
// as in Haug, The Complete Guide to Option Pricing Formulas, 2nd ed., 2007, pp. 141-144.
// For a cost of carry b = r - q with |b| < 1e-6 the limit of the formulas as b tends to 0 is used.
// For small volatilities (S/E)^(-2b/sigma^2) overflows where the probability beside it vanishes;
// that product is formed in logarithms (EuropeanBarrier::scaledprobability).
// Limits: flat rate, yield and volatility; continuous monitoring. Refused inputs write "Input
// data error, value undefined" and give the undefined value; a NaN input is not refused and
// propagates. Codes and handler: EuropeanLookbackCodes.h.
//
// Negative rates and yields (library option 4, binding/ratesigns.h): accepted. The formulas hold
// for b = r - q of either sign; |b| < 1e-6 (now reached from r = q < 0 too) takes the limit above.
#ifndef KZR_CLOSEDFORM_EUROPEANLOOKBACK_H
#define KZR_CLOSEDFORM_EUROPEANLOOKBACK_H

namespace EuropeanLookback {

// T expiry (years), S spot, m the extreme observed so far (the minimum for the floating call,
// the maximum for the floating put), sigma volatility, r rate, q dividend yield.
double lookbackfloatingcall(double T, double S, double m, double sigma, double r, double q);
double lookbackfloatingput(double T, double S, double m, double sigma, double r, double q);
// m the maximum observed so far (call) or the minimum (put); X strike.
double lookbackfixedcall(double T, double S, double m, double X, double sigma, double r, double q);
double lookbackfixedput(double T, double S, double m, double X, double sigma, double r, double q);

}  // namespace EuropeanLookback

#endif  // KZR_CLOSEDFORM_EUROPEANLOOKBACK_H
