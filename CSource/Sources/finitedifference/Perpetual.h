// Perpetual American calls and puts: no expiry, exercise at a fixed boundary.
//
//   PERPETUALACO      the call, inputs S, K, sigma, r, q
//   PERPETUALAPO      the put
//   PERPETUALACOCrit  the call's boundary S* (exercise at or above it), inputs K, sigma, r, q
//   PERPETUALAPOCrit  the put's boundary S** (exercise at or below it)
// Codes and handler: PerpetualCodes.h.
//
// Source: McKean (1965) for the put and Merton (1973), "Theory of rational option pricing",
// Bell J. Econ. 4, pp. 141-183, section 8; Haug, The Complete Guide to Option Pricing Formulas,
// 2nd ed., 2007, p. 111 (with a dividend yield). The value V = A S^y solves
// sigma^2/2 S^2 V'' + (r - q) S V' - r V = 0; with m0 = r - q - sigma^2/2 and
// D = sqrt(m0^2 + 2 r sigma^2) the exponents are y = (-m0 +- D) / sigma^2, beta > 1 for the
// call and alpha <= 0 for the put. Value matching and smooth pasting at the boundary give
//   S* = beta K / (beta - 1),  V = (S*^(1-beta) / beta) S^beta below it;
//   S** = alpha K / (alpha - 1), V = (-S**^(1-alpha) / alpha) S^alpha above it.
//
// Checks, in this order: S > 0 (value codes), K > 0, sigma > 0, r >= 0, q >= 0, else
// "Input data error" and the undefined value (a NaN input is refused too). Then the call with
// q < 0.00001 writes "For dividend approacing zero the value is unbounded" (value) or
// "For dividend approacing zero the critical grows to infinity" (boundary) and gives +inf.
//
// The put without a rate (r = 0) has alpha = 0, where the formula is 0 / 0: waiting costs
// nothing then, the put is never exercised and is worth its limit K, its boundary 0 (the limits
// of both as r falls to 0).
//
// Limits: flat rate, yield and volatility.
//
// Negative rates and yields (library option 4, binding/ratesigns.h): refused, with one line
// naming the input. The exponents are the roots of sigma^2/2 b (b - 1) + (r - q) b - r = 0, which
// are complex for some r < 0; and a perpetual put with r <= 0 (a call with q <= 0) is never
// exercised, so it has no finite critical price and, for r < 0, no finite value.
#ifndef KZR_FINITEDIFFERENCE_PERPETUAL_H
#define KZR_FINITEDIFFERENCE_PERPETUAL_H

namespace Perpetual {

double perpetualcall(double S, double K, double sigma, double r, double q);
double perpetualput(double S, double K, double sigma, double r, double q);
double perpetualcallcritical(double K, double sigma, double r, double q);
double perpetualputcritical(double K, double sigma, double r, double q);

}  // namespace Perpetual

#endif  // KZR_FINITEDIFFERENCE_PERPETUAL_H
