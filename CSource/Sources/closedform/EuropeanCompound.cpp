#include "closedform/EuropeanCompound.h"

#include <limits>

#include "binding/ratesigns.h"
#include "binding/tablehandler.h"
#include "closedform/BlackScholes.h"
#include "closedform/EuropeanCompoundCodes.h"
#include "numerics/comparisons.h"
#include "numerics/messages.h"
#include "numerics/normaldistribution.h"
#include "numerics/undefined.h"

namespace EuropeanCompound {

namespace {

using BlackScholes::blackscholescall;
using BlackScholes::blackscholesput;

constexpr double bisectiontolerance = 1e-10;
constexpr int maxbisectionsteps = 200;
constexpr double choosertolerance = 0.001;

double underlying(bool call, double tau, double x, double K, double sigma, double r, double q) {
  return call ? blackscholescall(tau, x, K, sigma, r, q) : blackscholesput(tau, x, K, sigma, r, q);
}

double signof(double x) { return x > 0 ? 1.0 : (x < 0 ? -1.0 : 0.0); }

// The bisection for the critical price: lo = 0, hi = hi0; mid = (lo + hi)/2; lo = mid when
// g(mid) g(hi) <= 0, else hi = mid; until |hi - lo| <= 1e-10 (at most 200 halvings, or until the
// bracket cannot be halved in floating point); the answer is the last mid.
//
// g is monotone in x (an option value less a constant), so wherever the sign of g is already
// known the halving needs no evaluation: a Newton search first closes in on the root and marks
// the band [a, b] outside which the signs are known, and only mids inside the band are
// evaluated. The sequence of mids, and so the answer, is that of the plain bisection; with a
// non-finite or flat g, or a band that cannot be confirmed, every mid is evaluated.
template <typename function, typename derivative>
double criticalbisection(function g, derivative slope, double hi0, double start) {
  const double g0 = g(0.0), ghi0 = g(hi0);
  // Band [a, b]: below a the sign of g is sa, above b it is sb. An empty knowledge band
  // (a = -inf, b = +inf) evaluates everything.
  double a = -std::numeric_limits<double>::infinity(), b = std::numeric_limits<double>::infinity();
  double sa = 0.0, sb = 0.0;
  const double s0 = signof(g0), shi = signof(ghi0);
  if (std::isfinite(g0) && std::isfinite(ghi0) && s0 != 0 && shi != 0) {
    if (s0 == shi) {
      a = hi0;  // no sign change: every mid in the bracket has the sign of g(hi0)
      sa = shi;
    } else {
      // Newton steps kept inside the bracket [lo, hi] of opposite signs.
      double lo = 0.0, hi = hi0, x = start > 0 && start < hi0 ? start : hi0 / 2.0;
      for (int step = 0; step < maxnewtonsteps; ++step) {
        const double gx = g(x);
        if (!std::isfinite(gx)) break;
        if (gx == 0) {
          lo = hi = x;
          break;
        }
        (signof(gx) == s0 ? lo : hi) = x;
        double next = x - gx / slope(x);
        if (!(next > lo && next < hi)) next = (lo + hi) / 2.0;
        const bool converged = std::fabs(next - x) <= 1e-13 * maxof(1.0, x);
        x = next;
        if (converged) {
          // Confirm the band around the root with one evaluation on each side.
          const double delta = 1e-12 * maxof(1.0, x);
          const double below = x - delta, above = x + delta;
          if (below > lo && signof(g(below)) == s0) lo = below;
          if (above < hi && signof(g(above)) == shi) hi = above;
          break;
        }
      }
      a = lo;  // every evaluated end of the bracket has its known sign
      b = hi;
      sa = s0;
      sb = shi;
    }
  }
  double lo = 0.0, hi = hi0, mid = 0.0;
  double ghi = ghi0;  // g at the current hi, or its sign (+-1) where it was known without a value
  for (int step = 0; step < maxbisectionsteps; ++step) {
    mid = (lo + hi) / 2.0;
    if (!(mid > lo && mid < hi)) break;  // the bracket cannot be halved any further
    const double gmid = mid < a ? sa : (mid > b ? sb : g(mid));
    if (gmid * ghi <= 0) {
      lo = mid;
    } else {
      hi = mid;
      ghi = gmid;
    }
    if (!(std::fabs(hi - lo) > bisectiontolerance)) break;
  }
  return mid;
}

double compound(compoundtype type, double T, double t, double S, double K, double k, double sigma,
                double r, double q, bivariatemethod method) {
  if (S <= 0 || t > T || t < 0 || K <= 0 || k <= 0 || sigma <= 0 || signrefused(r) ||
      signrefused(q))
    return refusedwith(messages::valueundefined);
  const bool oncall = type == calloncalltype || type == putoncalltype;
  const bool callcompound = type == calloncalltype || type == callonputtype;
  if (t == 0) {
    const double u = underlying(oncall, T, S, K, sigma, r, q);
    return callcompound ? maxof(u - k, 0.0) : maxof(k - u, 0.0);
  }
  // The critical price I, where the underlying option is worth k at t.
  const double tau = T - t;
  auto g = [&](double x) { return underlying(oncall, tau, x, K, sigma, r, q) - k; };
  auto slope = [&](double x) {
    return oncall ? calldelta(tau, x, K, sigma, r, q) : putdelta(tau, x, K, sigma, r, q);
  };
  const double I = criticalbisection(g, slope, 5.0 * maxof(K, S), S);
  const double rho = std::sqrt(t / T);
  const double b = r - q;
  const double y1 = (std::log(S / I) + (b + sigma * sigma / 2.0) * t) / (sigma * std::sqrt(t));
  const double y2 = y1 - sigma * std::sqrt(t);
  const double z1 = (std::log(S / K) + (b + sigma * sigma / 2.0) * T) / (sigma * std::sqrt(T));
  const double z2 = z1 - sigma * std::sqrt(T);
  const double asset = S * std::exp(-q * T);
  const double cash = K * std::exp(-r * T);
  const double strike = k * std::exp(-r * t);
  switch (type) {
    case calloncalltype:
      return asset * bivariatenormal(y1, z1, rho, method) -
             cash * bivariatenormal(y2, z2, rho, method) - strike * normalcdf(y2);
    case callonputtype:
      return cash * bivariatenormal(-y2, -z2, rho, method) -
             asset * bivariatenormal(-y1, -z1, rho, method) - strike * normalcdf(-y2);
    case putoncalltype:
      return cash * bivariatenormal(-y2, z2, -rho, method) -
             asset * bivariatenormal(-y1, z1, -rho, method) + strike * normalcdf(-y2);
    case putonputtype:
      return asset * bivariatenormal(y1, -z1, -rho, method) -
             cash * bivariatenormal(y2, -z2, -rho, method) + strike * normalcdf(y2);
  }
  return undefinedvalue();
}

}  // namespace

double calldelta(double tau, double I, double K, double sigma, double r, double q) {
  if (tau == 0) return I > K ? 1.0 : (I < K ? 0.0 : 0.5);
  const double d =
      (std::log(I / K) + (r - q + sigma * sigma / 2.0) * tau) / (sigma * std::sqrt(tau));
  return std::exp(-q * tau) * normalcdf(d);
}

double putdelta(double tau, double I, double K, double sigma, double r, double q) {
  if (tau == 0) return I < K ? -1.0 : (I > K ? 0.0 : -0.5);
  const double d =
      (std::log(I / K) + (r - q + sigma * sigma / 2.0) * tau) / (sigma * std::sqrt(tau));
  return -std::exp(-q * tau) * normalcdf(-d);
}

double calloncall(double T, double t, double S, double K, double k, double sigma, double r,
                  double q, bivariatemethod method) {
  return compound(calloncalltype, T, t, S, K, k, sigma, r, q, method);
}
double callonput(double T, double t, double S, double K, double k, double sigma, double r, double q,
                 bivariatemethod method) {
  return compound(callonputtype, T, t, S, K, k, sigma, r, q, method);
}
double putoncall(double T, double t, double S, double K, double k, double sigma, double r, double q,
                 bivariatemethod method) {
  return compound(putoncalltype, T, t, S, K, k, sigma, r, q, method);
}
double putonput(double T, double t, double S, double K, double k, double sigma, double r, double q,
                bivariatemethod method) {
  return compound(putonputtype, T, t, S, K, k, sigma, r, q, method);
}

double complexchooser(double t, double S, double Tc, double Kc, double Tp, double Kp, double sigma,
                      double r, double q, bivariatemethod method) {
  if (S <= 0 || t < 0 || t > Tc || t > Tp || Kc < 0 || Kp < 0 || sigma <= 0 || signrefused(r) ||
      signrefused(q))
    return refusedwith(messages::valueundefined);
  if (t == 0)
    return maxof(maxof(blackscholescall(Tc, S, Kc, sigma, r, q), 0.0),
                 maxof(blackscholesput(Tp, S, Kp, sigma, r, q), 0.0));
  if (Kc == 0 || Kp == 0) return undefinedvalue();
  // The critical price I, where the call and the put are worth the same at t.
  const double tauc = Tc - t, taup = Tp - t;
  auto evaluate = [&](double I, double& value, double& slope) {
    value = blackscholescall(tauc, I, Kc, sigma, r, q) - blackscholesput(taup, I, Kp, sigma, r, q);
    slope = calldelta(tauc, I, Kc, sigma, r, q) - putdelta(taup, I, Kp, sigma, r, q);
  };
  double I = S;
  if (!newtonsearch(evaluate, S, choosertolerance, I))
    return refusedwith(messages::criticalsearchfailed);
  const double b = r - q;
  const double carry = b + sigma * sigma / 2.0;
  const double d1 = (std::log(S / I) + carry * t) / (sigma * std::sqrt(t));
  const double d2 = d1 - sigma * std::sqrt(t);
  const double y1 = (std::log(S / Kc) + carry * Tc) / (sigma * std::sqrt(Tc));
  const double y2 = (std::log(S / Kp) + carry * Tp) / (sigma * std::sqrt(Tp));
  const double rho1 = std::sqrt(t / Tc);
  const double rho2 = std::sqrt(t / Tp);
  return S * std::exp(-q * Tc) * bivariatenormal(d1, y1, rho1, method) -
         Kc * std::exp(-r * Tc) * bivariatenormal(d2, y1 - sigma * std::sqrt(Tc), rho1, method) -
         S * std::exp(-q * Tp) * bivariatenormal(-d1, -y2, rho2, method) +
         Kp * std::exp(-r * Tp) * bivariatenormal(-d2, -y2 + sigma * std::sqrt(Tp), rho2, method);
}

const scalarhandlerentry compoundhandler =
    handlerentryof<compoundcodes, refusal::silent, formulafor<calloncalltype, calloncall>,
                   formulafor<callonputtype, callonput>, formulafor<putoncalltype, putoncall>,
                   formulafor<putonputtype, putonput>>();
const scalarhandlerentry chooserhandler =
    handlerentryof<choosercodes, refusal::silent, formulafor<0, complexchooser>>();

}  // namespace EuropeanCompound
