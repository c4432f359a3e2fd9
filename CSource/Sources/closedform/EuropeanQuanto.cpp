#include "closedform/EuropeanQuanto.h"

#include <cmath>

#include "binding/ratesigns.h"
#include "binding/tablehandler.h"
#include "closedform/EuropeanQuantoCodes.h"
#include "closedform/optionside.h"
#include "numerics/comparisons.h"
#include "numerics/messages.h"
#include "numerics/normaldistribution.h"
#include "numerics/undefined.h"

namespace EuropeanQuanto {

namespace {

double floating(optionside side, double T, double S, double E, double X, double sigmaS,
                double sigmaE, double rho, double r, double q) {
  if (floatingrefused(T, S, E, X, sigmaS, sigmaE, rho, r, q))
    return refusedwith(messages::valueundefined);
  const double domestic = E * S;
  if (T == 0) return side == call ? maxof(domestic - X, 0.0) : maxof(X - domestic, 0.0);
  const double carried = domestic * std::exp(-q * T);
  const double discounted = X * std::exp(-r * T);
  const double variance = combinedvariance(sigmaS, sigmaE, rho);
  if (variance <= 0)  // E*S is deterministic: the intrinsic value on the forward
    return side == call ? maxof(carried - discounted, 0.0) : maxof(discounted - carried, 0.0);
  const double sigma = std::sqrt(variance);
  const double logmoneyness = std::log(domestic / X);
  const double deviation = sigma * std::sqrt(T);
  const double d1 = (logmoneyness + (r - q + variance / 2.0) * T) / deviation;
  const double d2 = (logmoneyness + (r - q - variance / 2.0) * T) / deviation;
  if (side == call) return carried * normalcdf(d1) - discounted * normalcdf(d2);
  return discounted * normalcdf(-d2) - carried * normalcdf(-d1);
}

double fixed(optionside side, double T, double S, double Ep, double X, double sigmaS, double sigmaE,
             double rho, double r, double q, double rf) {
  if (fixedrefused(T, S, Ep, X, sigmaS, sigmaE, rho, r, q, rf))
    return refusedwith(messages::valueundefined);
  if (T == 0) return side == call ? Ep * maxof(S - X, 0.0) : Ep * maxof(X - S, 0.0);
  const double adjustment = rho * sigmaS * sigmaE;
  const double g = fixedrategrowth(sigmaS, sigmaE, rho, q, rf);
  const double logmoneyness = std::log(S / X);
  const double deviation = sigmaS * std::sqrt(T);
  const double d1 = (logmoneyness + (g + sigmaS * sigmaS / 2.0) * T) / deviation;
  const double d2 = (logmoneyness + (g - sigmaS * sigmaS / 2.0) * T) / deviation;
  const double F = S * std::exp((rf - r - q - adjustment) * T);
  const double discounted = X * std::exp(-r * T);
  if (side == call) return Ep * (F * normalcdf(d1) - discounted * normalcdf(d2));
  return Ep * (discounted * normalcdf(-d2) - F * normalcdf(-d1));
}

}  // namespace

bool floatingrefused(double T, double S, double E, double X, double sigmaS, double sigmaE,
                     double rho, double r, double q) {
  return S <= 0 || E <= 0 || T < 0 || X <= 0 || sigmaS <= 0 || sigmaE <= 0 || rho < -1 || rho > 1 ||
         signrefused(r) || signrefused(q);
}

bool fixedrefused(double T, double S, double Ep, double X, double sigmaS, double sigmaE, double rho,
                  double r, double q, double rf) {
  return floatingrefused(T, S, Ep, X, sigmaS, sigmaE, rho, r, q) || signrefused(rf);
}

double combinedvariance(double sigmaS, double sigmaE, double rho) {
  return sigmaS * sigmaS + sigmaE * sigmaE + 2.0 * rho * sigmaS * sigmaE;
}

double fixedrategrowth(double sigmaS, double sigmaE, double rho, double q, double rf) {
  return rf - q - rho * sigmaS * sigmaE;
}

double quantofloatingcall(double T, double S, double E, double X, double sigmaS, double sigmaE,
                          double rho, double r, double q) {
  return floating(call, T, S, E, X, sigmaS, sigmaE, rho, r, q);
}

double quantofloatingput(double T, double S, double E, double X, double sigmaS, double sigmaE,
                         double rho, double r, double q) {
  return floating(put, T, S, E, X, sigmaS, sigmaE, rho, r, q);
}

double quantofixedcall(double T, double S, double Ep, double X, double sigmaS, double sigmaE,
                       double rho, double r, double q, double rf) {
  return fixed(call, T, S, Ep, X, sigmaS, sigmaE, rho, r, q, rf);
}

double quantofixedput(double T, double S, double Ep, double X, double sigmaS, double sigmaE,
                      double rho, double r, double q, double rf) {
  return fixed(put, T, S, Ep, X, sigmaS, sigmaE, rho, r, q, rf);
}

const scalarhandlerentry quantohandler =
    handlerentryof<quantocodes, refusal::withmessage, formulafor<floatingcall, quantofloatingcall>,
                   formulafor<floatingput, quantofloatingput>,
                   formulafor<fixedcall, quantofixedcall>, formulafor<fixedput, quantofixedput>>();

}  // namespace EuropeanQuanto
