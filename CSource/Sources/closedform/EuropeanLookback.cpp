#include "closedform/EuropeanLookback.h"

#include <cmath>

#include "binding/ratesigns.h"
#include "binding/tablehandler.h"
#include "closedform/EuropeanBarrier.h"
#include "closedform/EuropeanLookbackCodes.h"
#include "numerics/comparisons.h"
#include "numerics/constants.h"
#include "numerics/messages.h"
#include "numerics/normaldistribution.h"
#include "numerics/undefined.h"

namespace EuropeanLookback {

namespace {

constexpr double smallcarry = 1e-6;

double lookback(lookbacktype type, double T, double S, double m, double X, double sigma, double r,
                double q) {
  const bool fixed = type == fixedcalltype || type == fixedputtype;
  bool refused = T < 0 || S <= 0 || m <= 0 || sigma <= 0 || signrefused(r) || signrefused(q) ||
                 (fixed && X <= 0);
  switch (type) {
    case floatingcalltype: refused = refused || m > S; break;
    case floatingputtype: refused = refused || m < S; break;
    case fixedcalltype: refused = refused || m < S; break;
    case fixedputtype: refused = refused || m > S; break;
  }
  if (refused) return refusedwith(messages::valueundefined);
  if (T == 0) {
    switch (type) {
      case floatingcalltype: return maxof(S - m, 0.0);
      case floatingputtype: return maxof(m - S, 0.0);
      case fixedcalltype: return maxof(m - X, 0.0);
      case fixedputtype: return maxof(X - m, 0.0);
    }
  }
  const double E = type == fixedcalltype ? maxof(m, X) : (type == fixedputtype ? minof(m, X) : m);
  const double b = r - q;
  const double sqrtT = std::sqrt(T);
  const double d = (std::log(S / E) + (b + sigma * sigma / 2.0) * T) / (sigma * sqrtT);
  const double d2 = d - sigma * sqrtT;
  const double s = sqrtT / sigma;
  const double asset = S * std::exp(-q * T);
  const double discount = std::exp(-r * T);
  // N(d) and N(-d) from one error function; each type reads one of N(d2), N(-d2).
  const normalcdfpair Nd = normalcdfboth(d);
  const bool upper = type == floatingcalltype || type == fixedcalltype;
  const double Nd2 = normalcdf(upper ? d2 : -d2);
  double base = 0.0;
  switch (type) {
    case floatingcalltype: base = asset * Nd.below - m * discount * Nd2; break;
    case floatingputtype: base = m * discount * Nd2 - asset * Nd.above; break;
    case fixedcalltype:
      base = discount * maxof(m - X, 0.0) + asset * Nd.below - E * discount * Nd2;
      break;
    case fixedputtype:
      base = discount * maxof(X - m, 0.0) - asset * Nd.above + E * discount * Nd2;
      break;
  }
  // Floating call and fixed put look at a minimum; floating put and fixed call at a maximum.
  const bool minimum = type == floatingcalltype || type == fixedputtype;
  double correction;
  if (std::fabs(b) >= smallcarry) {
    const double exponent = -2.0 * b / (sigma * sigma);
    const double shift = 2.0 * b * sqrtT / sigma;
    const double bracket = minimum
                               ? EuropeanBarrier::scaledprobability(S / E, exponent, -d + shift) -
                                     std::exp(b * T) * Nd.above
                               : std::exp(b * T) * Nd.below -
                                     EuropeanBarrier::scaledprobability(S / E, exponent, d - shift);
    correction = S * discount * (sigma * sigma / (2.0 * b)) * bracket;
  } else {
    const double n = constants::inversesqrt2pi * std::exp(-d * d / 2.0);
    const double L = T / 2.0 + std::log(S / E) / (sigma * sigma);
    const double erfterm = errorfunction(d / std::sqrt(2.0));
    const double bracket =
        minimum ? 2.0 * n * s - (1.0 - erfterm) * L : 2.0 * n * s + (1.0 + erfterm) * L;
    correction = S * sigma * sigma * std::exp(-q * T) / 2.0 * bracket;
  }
  return base + correction;
}

}  // namespace

double lookbackfloatingcall(double T, double S, double m, double sigma, double r, double q) {
  return lookback(floatingcalltype, T, S, m, 1.0, sigma, r, q);
}
double lookbackfloatingput(double T, double S, double m, double sigma, double r, double q) {
  return lookback(floatingputtype, T, S, m, 1.0, sigma, r, q);
}
double lookbackfixedcall(double T, double S, double m, double X, double sigma, double r, double q) {
  return lookback(fixedcalltype, T, S, m, X, sigma, r, q);
}
double lookbackfixedput(double T, double S, double m, double X, double sigma, double r, double q) {
  return lookback(fixedputtype, T, S, m, X, sigma, r, q);
}

const scalarhandlerentry lookbackhandler = handlerentryof<
    lookbackcodes, refusal::silent, formulafor<floatingcalltype, lookbackfloatingcall>,
    formulafor<floatingputtype, lookbackfloatingput>, formulafor<fixedcalltype, lookbackfixedcall>,
    formulafor<fixedputtype, lookbackfixedput>>();

}  // namespace EuropeanLookback
