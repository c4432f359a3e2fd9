// One-touch options: 1 paid at the moment the price first touches a level H before T.
//
//   ONETOUCHACO        the upper touch: pays when the price rises to H
//   ONETOUCHAPO        the lower touch: pays when the price falls to H
//   ONETOUCHACOCrit    the price at which the upper touch is "exercised": H itself
//   ONETOUCHAPOCrit    the same for the lower touch
// Inputs T, S, H, sigma, r, q (the Crit codes: T, H, sigma, r, q). Codes and handler:
// AmericanOneTouchCodes.h.
//
// Source: Reiner and Rubinstein (1991), "Unscrambling the binary code", Risk 4(9), pp. 75-83,
// the cash-or-nothing paid at hit; Haug, The Complete Guide to Option Pricing Formulas, 2nd ed.,
// 2007, pp. 152-155 (term F of the barrier formulas, a rebate paid at the touch). With the cost
// of carry b = r - q, mu = (b - sigma^2/2) / sigma^2, lambda = sqrt(mu^2 + 2r / sigma^2),
// v = sigma sqrt T and z = ln(H/S) / v + lambda v:
//   upper touch (S < H)  (H/S)^(mu+lambda) N(-z) + (H/S)^(mu-lambda) N(-z + 2 lambda v)
//   lower touch (S > H)  (H/S)^(mu+lambda) N(z) + (H/S)^(mu-lambda) N(z - 2 lambda v)
// (EuropeanBarrier::cashathit). Without a yield, mu + lambda = 2r / sigma^2 and mu - lambda = -1,
// and this is the shorter formula (H/S)^p N(d2) + (S/H) N(d1) with p = 2r / sigma^2. That shorter
// formula is not used for q > 0, where it is wrong: its exponents belong to a price drifting at
// r, not at r - q.
//
// Checks (T >= 0, S > 0, H > 0, sigma > 0, r >= 0, q >= 0; for the Crit codes the same without
// S): ONETOUCHACO writes "Input data error, value undefined", ONETOUCHAPO refuses silently, the
// Crit codes write "Input data error, critical value undefined"; each gives the undefined value.
// Every input is checked, so a NaN input meets a refusal.
// At T = 0 the upper touch is worth 1 when S >= H, else 0; the lower touch 1 when S < H, else 0
// (so 0 at S = H, where the upper touch gives 1: an asymmetry of the contract as written, kept).
// For T > 0 a touch already reached (S >= H for the upper, S <= H for the lower) is worth 1.
//
// Limits: flat rate, yield and volatility; continuous monitoring; the payment is made at the
// touch. For small volatilities the powers are formed in logarithms (EuropeanBarrier.h).
//
// Negative rates and yields (library option 4, binding/ratesigns.h): refused, with one line
// naming the input. The closed form's lambda = sqrt(mu^2 + 2r / sigma^2) is not real for every
// r < 0, and the perpetual-barrier critical answers assume r >= 0.
#ifndef KZR_FINITEDIFFERENCE_AMERICANONETOUCH_H
#define KZR_FINITEDIFFERENCE_AMERICANONETOUCH_H

namespace AmericanOneTouch {

// T expiry (years), S spot, H touch level, sigma volatility, r rate, q dividend yield.
double onetouchup(double T, double S, double H, double sigma, double r, double q);
double onetouchdown(double T, double S, double H, double sigma, double r, double q);
double onetouchupcritical(double T, double H, double sigma, double r, double q);
double onetouchdowncritical(double T, double H, double sigma, double r, double q);

}  // namespace AmericanOneTouch

#endif  // KZR_FINITEDIFFERENCE_AMERICANONETOUCH_H
