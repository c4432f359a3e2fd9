// European power options under Black-Scholes with a continuous dividend yield.
//
// Asymmetric power options pay max(S^i - K, 0) (call) or max(K - S^i, 0) (put); capped ones pay
// the same payoff limited to C; symmetric power options pay max(S - K, 0)^i or max(K - S, 0)^i.
// S^i is lognormal with volatility i*sigma, so the asymmetric and capped prices are Black-76
// prices on the expectation of S^i (Heynen and Kat, 1996, "Pricing and hedging power options",
// Financial Engineering and the Japanese Markets 3, pp. 253-261; Haug, The Complete Guide to
// Option Pricing Formulas, 2nd ed., 2007, power options). The symmetric options are valued on a
// Cox-Ross-Rubinstein binomial tree (Cox, Ross and Rubinstein, 1979).
// Limits: flat rate, yield and volatility; European exercise. Refused contract inputs give the
// undefined value without a message (T < 0, S < 0, K <= 0, sigma <= 0, r < 0, q < 0; the
// asymmetric and capped options also refuse i <= 0, the capped ones C < 0). A NaN input is not
// refused and propagates.
//
// Decisions taken where the formulas leave a gap:
// - POWERCT is served by the same handler and has no contract of its own: its code table row
//   gives it the variant of POWERECO, so it is priced exactly as POWERECO.
// - A capped put whose cap is not below the strike (C >= K) can never reach its cap, because the
//   payoff K - S^i is at most K. It is priced as the uncapped power put, which is also the limit
//   of the capped formula as C rises to K (the second level K - C would otherwise be <= 0 and its
//   root undefined).
// - A capped call with an infinite cap is the uncapped power call, its limit as the cap grows
//   (the formula would otherwise meet infinity times zero in its second level, K' = K + C). A
//   capped put's cap never binds beyond K, so an infinite cap falls under the decision above.
// - The symmetric tree is the library's Cox-Ross-Rubinstein tree (numerics/crrtree.h, with u^2
//   taken by pow); the codes take its step count from parameter entry 4 (default 100). A count
//   below 1 or above maximumtreesteps writes "Tree steps out of range, value undefined" and gives
//   the undefined value: a tree with no step has no step length, and a larger count would run
//   for minutes. These are the only messages of the family: they concern the tree, not the
//   contract's terms, and the library's other trees report it the same way.
// - When the tree's up probability p falls outside [0, 1] (a drift |r - q| too strong for the
//   volatility and the step, as with sigma = 1%, r = 20% and 100 steps), the tree's weights are
//   no longer a probability law and its answer swings without bound as the steps change. The
//   tree then writes "Tree probability outside [0, 1], value undefined" and gives the undefined
//   value, as the library's other binomial trees do; more steps bring p back inside.
//
// The precise option (parameter entry 5, value 1 = 1) changes the method of the symmetric codes.
// Their payoff is European, so the tree is only one way to its value: the value is the
// one-dimensional integral e^(-rT) E[max(phi (S_T - K), 0)^i] over the lognormal law, taken on
// the normal variable from the kink (t = distance in deviations, payoff K^i (e^(st) - 1)^i for the
// call and K^i (1 - e^(-st))^i for the put, s = sigma sqrt(T)), its logarithm summed before one
// exponential so that no factor overflows, by tanh-sinh quadrature (Boost.Math; Takahasi and Mori,
// "Double exponential formulas for numerical integration", Publ. RIMS Kyoto Univ. 9, 1974),
// which takes the power singularity at the kink (i < 1) in its stride: over [0, mode] and
// [mode, mode + 40], the log-integrand being concave with curvature below -1 and its mode at or
// just past c + i s for the call, c for the put (c the mean's distance from the kink, in
// deviations). About 1e-14 relative on the tests' table (the rule stops when two levels agree to
// 1e-9 and converges quadratically), against a target of max(1e-5 price, 1e-7 K^i): the payoff is
// in units of K^i (the strike to the power), the scale of the absolute floor. One price, about
// ten microseconds.
// Rules under the option:
// - Default steps (entry 4 with its flag set): the integral, with no tree. It reads no steps and
//   never refuses for the tree's reasons (an up probability outside [0, 1] is a property of the
//   tree, not of the contract); the contract's refusals, S = 0 and T = 0 stay the design's.
// - Explicit steps (entry 4 with flag 0) keep their meaning: a tree of those steps, improved. The
//   last step takes the one-step European value of the payoff from each node of level n - 1 (the
//   integral over dt) in place of the expiry nodes, and the smoothed trees of n and n/2 steps are
//   extrapolated as first order in the step, (n V(n) - m V(m)) / (n - m), floored at 0 (Broadie
//   and Detemple, Review of Financial Studies 9(4), 1996, their binomial Black-Scholes method
//   with Richardson extrapolation, here on a European payoff). Its error falls as 1/n^2 and is
//   below the design tree's at the same steps on the test table (from 50 steps). The tree's
//   refusals stay (steps out of range, p outside [0, 1]); one step is the integral itself; a
//   coarser tree whose p falls outside [0, 1], or two trees whose values do not differ by a
//   number (overflowed node prices), leave the finer one's smoothed value.
// - A NaN input gives NaN; an infinite input is priced by the design's tree (at the steps of
//   entry 4), as without the option. i <= 0 gives the tree's payoff, which pays 1 (i = 0) or +inf
//   (i < 0, 0^i where the option does not pay) everywhere: e^(-rT) or +inf.
// A value past the largest double (a large power or a long, volatile call) is +inf, as the
// tree's.
//
// Codes and handler: EuropeanPowerCodes.h.
//
// Negative rates and yields (library option 4, binding/ratesigns.h): accepted. The closed forms
// hold for any sign of r and q; the tree keeps its probability check (a drift too strong for the
// volatility is refused as before).
#ifndef KZR_CLOSEDFORM_EUROPEANPOWER_H
#define KZR_CLOSEDFORM_EUROPEANPOWER_H

#include <cstdint>

namespace EuropeanPower {

// T expiry (years), S spot, K strike, sigma volatility, r rate, q dividend yield, i power.
double powercall(double T, double S, double K, double sigma, double r, double q, double i);
double powerput(double T, double S, double K, double sigma, double r, double q, double i);

// C: the cap on the payoff (C >= 0).
double cappedpowercall(double T, double S, double K, double sigma, double r, double q, double i,
                       double C);
double cappedpowerput(double T, double S, double K, double sigma, double r, double q, double i,
                      double C);

// Binomial tree with the given steps.
double symmetricpowercall(double T, double S, double K, double sigma, double r, double q, double i,
                          std::int64_t steps);
double symmetricpowerput(double T, double S, double K, double sigma, double r, double q, double i,
                         std::int64_t steps);

}  // namespace EuropeanPower

#endif  // KZR_CLOSEDFORM_EUROPEANPOWER_H
