#include "closedform/BlackScholes.h"

#include <cmath>

#include "binding/ratesigns.h"
#include "binding/tablehandler.h"
#include "closedform/BlackScholesCodes.h"
#include "numerics/comparisons.h"
#include "numerics/normaldistribution.h"
#include "numerics/undefined.h"

namespace BlackScholes {

namespace {

struct dterms {
  double d1, d2;
};

// d1 and d2 of the Black-Scholes formula, each from its own numerator.
dterms blackscholesterms(double T, double S, double K, double sigma, double r, double q) {
  const double logmoneyness = std::log(S / K);
  const double deviation = sigma * std::sqrt(T);
  return {(logmoneyness + (r - q + sigma * sigma / 2.0) * T) / deviation,
          (logmoneyness + (r - q - sigma * sigma / 2.0) * T) / deviation};
}

bool refused(double T, double S, double K, double sigma, double r, double q) {
  return T < 0 || S < 0 || K <= 0 || sigma <= 0 || signrefused(r) || signrefused(q);
}

double blackscholes(optionside side, double T, double S, double K, double sigma, double r,
                    double q) {
  if (refused(T, S, K, sigma, r, q)) return undefinedvalue();
  if (S == 0) return side == call ? 0.0 : K * std::exp(-r * T);
  if (T == 0) return side == call ? maxof(S - K, 0.0) : maxof(K - S, 0.0);
  const dterms d = blackscholesterms(T, S, K, sigma, r, q);
  if (side == call)
    return S * std::exp(-q * T) * normalcdf(d.d1) - K * std::exp(-r * T) * normalcdf(d.d2);
  return K * std::exp(-r * T) * normalcdf(-d.d2) - S * std::exp(-q * T) * normalcdf(-d.d1);
}

double black76(optionside side, double T, double F, double K, double sigma, double r) {
  if (T < 0 || F <= 0 || K <= 0 || sigma <= 0 || signrefused(r)) return undefinedvalue();
  if (T == 0) return side == call ? maxof(F - K, 0.0) : maxof(K - F, 0.0);
  const double logmoneyness = std::log(F / K);
  const double deviation = sigma * std::sqrt(T);
  const double d1 = (logmoneyness + sigma * sigma * T / 2.0) / deviation;
  const double d2 = (logmoneyness - sigma * sigma * T / 2.0) / deviation;
  if (side == call) return std::exp(-r * T) * (F * normalcdf(d1) - K * normalcdf(d2));
  return std::exp(-r * T) * (K * normalcdf(-d2) - F * normalcdf(-d1));
}

double digital(optionside side, double T, double S, double K, double sigma, double r, double q,
               double kind) {
  if (T < 0 || S <= 0 || K <= 0 || sigma <= 0 || signrefused(r) || signrefused(q))
    return undefinedvalue();
  if (std::isnan(kind)) return nanresult();  // its truncation would pick a payoff
  const bool cashornothing = std::trunc(kind) == 0;
  if (T == 0) {
    const bool pays = side == call ? S > K : S < K;
    if (!pays) return 0.0;
    return cashornothing ? 1.0 : S;
  }
  const dterms d = blackscholesterms(T, S, K, sigma, r, q);
  const double direction = side == call ? 1.0 : -1.0;
  if (cashornothing) return std::exp(-r * T) * normalcdf(direction * d.d2);
  return S * std::exp(-q * T) * normalcdf(direction * d.d1);
}

}  // namespace

double blackscholescall(double T, double S, double K, double sigma, double r, double q) {
  return blackscholes(call, T, S, K, sigma, r, q);
}

double blackscholesput(double T, double S, double K, double sigma, double r, double q) {
  return blackscholes(put, T, S, K, sigma, r, q);
}

double black76call(double T, double F, double K, double sigma, double r) {
  return black76(call, T, F, K, sigma, r);
}

double black76put(double T, double F, double K, double sigma, double r) {
  return black76(put, T, F, K, sigma, r);
}

double digitalcall(double T, double S, double K, double sigma, double r, double q, double kind) {
  return digital(call, T, S, K, sigma, r, q, kind);
}

double digitalput(double T, double S, double K, double sigma, double r, double q, double kind) {
  return digital(put, T, S, K, sigma, r, q, kind);
}

const scalarhandlerentry blackscholeshandler =
    handlerentryof<blackscholescodes, refusal::silent, formulafor<call, blackscholescall>,
                   formulafor<put, blackscholesput>>();
const scalarhandlerentry black76handler =
    handlerentryof<black76codes, refusal::silent, formulafor<call, black76call>,
                   formulafor<put, black76put>>();
const scalarhandlerentry digitalhandler =
    handlerentryof<digitalcodes, refusal::silent, formulafor<call, digitalcall>,
                   formulafor<put, digitalput>>();

}  // namespace BlackScholes
