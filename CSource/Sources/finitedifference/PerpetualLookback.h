// Perpetual floating-strike lookbacks and the Russian option: no expiry, exercise when the price
// strays far enough from its running extreme.
//
//   PERPETUALLBFLSTACO      the call, pays S - m (m the minimum so far); inputs S, m, sigma, r, q
//   PERPETUALLBFLSTAPO      the put, pays m - S (m the maximum so far)
//   RUSSIAN                 pays m, the maximum so far
//   PERPETUALLBFLSTACOCrit  the call's boundary: exercise at or above it; inputs m, sigma, r, q
//   PERPETUALLBFLSTAPOCrit  the put's boundary: exercise at or below it
//   RUSSIANCrit             the Russian option's boundary: exercise at or below it
// Codes and handler: PerpetualLookbackCodes.h.
//
// Source: Shepp and Shiryaev (1993), "The Russian option: reduced regret", Ann. Appl. Probab. 3,
// pp. 631-640; Wilmott, Howison and Dewynne (Cambridge University Press, 1995),
// ch. 15 (perpetual lookbacks). V = S h(x), x = m / S, solves the Black-Scholes equation when
// h(x) = x^k, k^2 - 2ck - 2q / sigma^2 = 0, c = (r - q) / sigma^2 + 1/2: k = a or b,
// a = c + sqrt(c^2 + 2q / sigma^2) >= 1, b = c - sqrt(...) <= 0. The reflecting condition at
// x = 1 (the value does not move with a new extreme), value matching and smooth pasting at the
// boundary ratio z* = m / S give f(z*) = 0 with
//   f(z) = z^(a-b) - (a(1-b) z + ab) / (b(1-a) z + ab)   (lookbacks)
//   f(z) = z^(a-b) - a(1-b) / (b(1-a))                   (Russian)
// found by bisection (repeat mid = (lo + hi) / 2; hi = mid if f(mid) f(lo) <= 0, else lo = mid;
// until hi - lo <= 1e-10). The call's root is in [0, 1]; the put's and the Russian's above 1.
//
// The put's f has a pole at a / (a - 1) > 1 and zeros below 1 that are not the boundary (they
// would put the critical spot above the maximum). Its bracket therefore starts just above the
// pole, where f is -inf, and ends at 1000 or beyond: the upper end of the put's and the Russian's
// brackets (1000; 100 for the Russian value) is widened tenfold while f has no sign change, so
// that a root beyond it is still found (where one lies inside, the answer is unchanged).
//
// Checks, in this order, each refusal writing "Input data error, value undefined" and giving the
// undefined value (a NaN input is refused too): the call S > 0, m > 0, m < S; the put S > 0,
// m > 0, S < m; the Russian S > 0, m > 0, S <= m; the Crit codes m > 0; then sigma > 0, r >= 0,
// q >= 0. RUSSIAN with q < 0.00001 then writes "For dividend approacing zero the value is
// unbounded" and gives +inf.
//
// Where the bracket is undefined the contract decides (the limits as the rate or the yield falls
// to 0, each derived in the tests):
// - the put with q = 0 (b = 0, f divides by zero): stopping when S first falls to m / z is worth
//   (z - 1) S for every z, so the value is unbounded: "For dividend approacing zero the value is
//   unbounded" and +inf; its boundary is 0 (z* grows without end).
// - the put and the Russian with r = 0 (a = 1, the put's pole at infinity): nothing is lost by
//   waiting and m - S rises on average, so neither is exercised; both are worth the expected
//   final maximum, m - (S / b)(m / S)^b, and their boundary is 0. RUSSIANCrit with q = 0 (no
//   root) is 0 too.
// - the call with q = 0 (b = 0): stopping when S first rises to m / z is worth (1 - z) S, so the
//   value is its supremum S, never reached; the boundary writes "For dividend approacing zero the
//   critical grows to infinity" and gives +inf.
//
// Limits: flat rate, yield and volatility; continuous monitoring of the extreme.
//
// Negative rates and yields (library option 4, binding/ratesigns.h): refused, with one line
// naming the input, for the reason of Perpetual.h: the roots of its quadratic need r > 0 (they are
// complex or give no finite value otherwise).
#ifndef KZR_FINITEDIFFERENCE_PERPETUALLOOKBACK_H
#define KZR_FINITEDIFFERENCE_PERPETUALLOOKBACK_H

namespace PerpetualLookback {

// m is the minimum so far for the call, the maximum so far for the put and the Russian option.
double lookbackcall(double S, double m, double sigma, double r, double q);
double lookbackput(double S, double m, double sigma, double r, double q);
double russian(double S, double m, double sigma, double r, double q);
double lookbackcallcritical(double m, double sigma, double r, double q);
double lookbackputcritical(double m, double sigma, double r, double q);
double russiancritical(double m, double sigma, double r, double q);

}  // namespace PerpetualLookback

#endif  // KZR_FINITEDIFFERENCE_PERPETUALLOOKBACK_H
