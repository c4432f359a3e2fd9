#include "closedform/EuropeanRainbowTwoAsset.h"

#include <cmath>
#include <limits>

#include "binding/ratesigns.h"
#include "binding/tablehandler.h"
#include "closedform/BlackScholes.h"
#include "closedform/EuropeanRainbowTwoAssetCodes.h"
#include "numerics/comparisons.h"
#include "numerics/messages.h"
#include "numerics/normaldistribution.h"
#include "numerics/undefined.h"

namespace EuropeanRainbowTwoAsset {

namespace {

// The terms every formula of the family shares.
struct rainbowterms {
  double A1, A2;     // S1 e^(-q1 T), S2 e^(-q2 T)
  double deviation;  // sigma sqrt(T), sigma the volatility of S1/S2
  double d;
  bool deterministic;  // S1/S2 has no volatility: the ratio at expiry is known today
};

rainbowterms sharedterms(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                         double q1, double q2) {
  rainbowterms t;
  t.A1 = S1 * std::exp(-q1 * T);
  t.A2 = S2 * std::exp(-q2 * T);
  const double variance = sigma1 * sigma1 + sigma2 * sigma2 - 2.0 * rho * sigma1 * sigma2;
  // Below this the variance is rounding noise of sigma1 = sigma2 with rho = 1.
  const double noise =
      64.0 * std::numeric_limits<double>::epsilon() * (sigma1 * sigma1 + sigma2 * sigma2);
  t.deterministic = variance <= noise;  // NaN is not: it propagates
  const double sigma = t.deterministic ? 0.0 : std::sqrt(variance);
  t.deviation = sigma * std::sqrt(T);
  t.d = t.deterministic ? 0.0 : (std::log(S1 / S2) + (q2 - q1 + variance / 2.0) * T) / t.deviation;
  return t;
}

double bestvalue(const rainbowterms& t) {
  if (t.deterministic) return maxof(t.A1, t.A2);
  return t.A1 * normalcdf(t.d) + t.A2 * normalcdf(t.deviation - t.d);
}

double worstvalue(const rainbowterms& t) {
  if (t.deterministic) return minof(t.A1, t.A2);
  return t.A1 * normalcdf(-t.d) + t.A2 * normalcdf(t.d - t.deviation);
}

// The call on the maximum (onmax) or on the minimum of the two assets.
double rainbowcall(bool onmax, const rainbowterms& t, double T, double S1, double S2, double sigma1,
                   double sigma2, double rho, double r, double q1, double q2, double X,
                   bivariatemethod method) {
  if (t.deterministic) {
    // The asset with the larger S e^(-qT) stays the larger one until expiry.
    const bool first = (t.A1 >= t.A2) == onmax;
    return first ? BlackScholes::blackscholescall(T, S1, X, sigma1, r, q1)
                 : BlackScholes::blackscholescall(T, S2, X, sigma2, r, q2);
  }
  const double sigma = t.deviation / std::sqrt(T);
  const double rho1 = (sigma1 - rho * sigma2) / sigma;
  const double rho2 = (sigma2 - rho * sigma1) / sigma;
  const double root = std::sqrt(T);
  const double y1 = (std::log(S1 / X) + (r - q1 + sigma1 * sigma1 / 2.0) * T) / (sigma1 * root);
  const double y2 = (std::log(S2 / X) + (r - q2 + sigma2 * sigma2 / 2.0) * T) / (sigma2 * root);
  const double B = X * std::exp(-r * T);
  if (onmax)
    return t.A1 * bivariatenormal(y1, t.d, rho1, method) +
           t.A2 * bivariatenormal(y2, t.deviation - t.d, rho2, method) -
           B * (1.0 - bivariatenormal(sigma1 * root - y1, sigma2 * root - y2, rho, method));
  return t.A1 * bivariatenormal(y1, -t.d, -rho1, method) +
         t.A2 * bivariatenormal(y2, t.d - t.deviation, -rho2, method) -
         B * bivariatenormal(y1 - sigma1 * root, y2 - sigma2 * root, rho, method);
}

double withoutstrike(rainbowvariant variant, double T, double S1, double S2, double sigma1,
                     double sigma2, double rho, double r, double q1, double q2) {
  if (rainbowrefused(T, S1, S2, sigma1, sigma2, rho, r, q1, q2))
    return refusedwith(messages::valueundefined);
  if (T == 0) return rainbowpayoff(variant, S1, S2, 0.0);
  const rainbowterms t = sharedterms(T, S1, S2, sigma1, sigma2, rho, q1, q2);
  return variant == best ? bestvalue(t) : worstvalue(t);
}

double withstrike(rainbowvariant variant, double T, double S1, double S2, double sigma1,
                  double sigma2, double rho, double r, double q1, double q2, double X,
                  bivariatemethod method) {
  if (rainbowrefused(T, S1, S2, sigma1, sigma2, rho, r, q1, q2) || X <= 0)
    return refusedwith(messages::valueundefined);
  if (T == 0) return rainbowpayoff(variant, S1, S2, X);
  const rainbowterms t = sharedterms(T, S1, S2, sigma1, sigma2, rho, q1, q2);
  const double B = X * std::exp(-r * T);
  const bool onmax = variant != callmin && variant != putmin;
  const double calls = rainbowcall(onmax, t, T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X, method);
  switch (variant) {
    case callmax:
    case callmin: return calls;
    case putmax:
      if (t.deterministic) return B - bestvalue(t) + calls;
      return B - (t.A1 * normalcdf(t.d) + t.A2 * (1.0 - normalcdf(t.d - t.deviation))) + calls;
    case putmin:
      if (t.deterministic) return B - worstvalue(t) + calls;
      return B - (t.A1 * (1.0 - normalcdf(t.d)) + t.A2 * normalcdf(t.d - t.deviation)) + calls;
    default: return calls + B;
  }
}

}  // namespace

bool rainbowrefused(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                    double r, double q1, double q2) {
  return S1 <= 0 || S2 <= 0 || T < 0 || sigma1 <= 0 || sigma2 <= 0 || rho < -1 || rho > 1 ||
         signrefused(r) || signrefused(q1) || signrefused(q2);
}

double rainbowbest(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                   double r, double q1, double q2) {
  return withoutstrike(best, T, S1, S2, sigma1, sigma2, rho, r, q1, q2);
}

double rainbowworst(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                    double r, double q1, double q2) {
  return withoutstrike(worst, T, S1, S2, sigma1, sigma2, rho, r, q1, q2);
}

double rainbowcallmax(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                      double r, double q1, double q2, double X, bivariatemethod method) {
  return withstrike(callmax, T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X, method);
}

double rainbowputmax(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                     double r, double q1, double q2, double X, bivariatemethod method) {
  return withstrike(putmax, T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X, method);
}

double rainbowcallmin(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                      double r, double q1, double q2, double X, bivariatemethod method) {
  return withstrike(callmin, T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X, method);
}

double rainbowputmin(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                     double r, double q1, double q2, double X, bivariatemethod method) {
  return withstrike(putmin, T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X, method);
}

double rainbowbestcash(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                       double r, double q1, double q2, double X, bivariatemethod method) {
  return withstrike(bestcash, T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X, method);
}

const scalarhandlerentry rainbowhandler =
    handlerentryof<rainbowcodes, refusal::withmessage, formulafor<best, rainbowbest>,
                   formulafor<worst, rainbowworst>, formulafor<callmax, rainbowcallmax>,
                   formulafor<putmax, rainbowputmax>, formulafor<callmin, rainbowcallmin>,
                   formulafor<putmin, rainbowputmin>, formulafor<bestcash, rainbowbestcash>>();

}  // namespace EuropeanRainbowTwoAsset
