// European options under Black-Scholes with a continuous dividend yield, options on a forward
// under Black-76, and cash-or-nothing and asset-or-nothing digitals.
//
// Sources: Black and Scholes (1973); Merton (1973) for the dividend yield; Black (1976) for
// options on forwards; Reiner and Rubinstein (1991) for the digitals (Haug, The Complete Guide to
// Option Pricing Formulas, 2nd ed., 2007, pp. 2-4, 174-176).
// Limits: flat rate, yield and volatility; European exercise. Negative rates and yields are
// refused unless the call sets library option 4 (below). Refused inputs give the undefined value,
// without a message; a NaN input is not refused and propagates (a digital's NaN kind gives NaN,
// where its truncation would otherwise choose a payoff). Codes and handlers: BlackScholesCodes.h.
//
// Negative rates and yields (library option 4, binding/ratesigns.h): accepted. The formulas hold
// for any sign of r and q (and Black-76's r); b = r - q = 0 needs no limit (d1 and d2 have no
// division by b); r = 0 discounts by 1.
#ifndef KZR_CLOSEDFORM_BLACKSCHOLES_H
#define KZR_CLOSEDFORM_BLACKSCHOLES_H

namespace BlackScholes {

// T expiry (years), S spot, K strike, sigma volatility, r rate, q dividend yield.
double blackscholescall(double T, double S, double K, double sigma, double r, double q);
double blackscholesput(double T, double S, double K, double sigma, double r, double q);

// F forward price; the payoff is discounted at r.
double black76call(double T, double F, double K, double sigma, double r);
double black76put(double T, double F, double K, double sigma, double r);

// kind, truncated toward zero: 0 cash-or-nothing (pays 1), anything else asset-or-nothing (pays
// the underlying at expiry).
double digitalcall(double T, double S, double K, double sigma, double r, double q, double kind);
double digitalput(double T, double S, double K, double sigma, double r, double q, double kind);

}  // namespace BlackScholes

#endif  // KZR_CLOSEDFORM_BLACKSCHOLES_H
