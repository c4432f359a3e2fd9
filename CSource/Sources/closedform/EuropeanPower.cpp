#include "closedform/EuropeanPower.h"

#include <cmath>
#include <cstdint>

#include "binding/ratesigns.h"
#include "binding/tablehandler.h"
#include "closedform/EuropeanPowerCodes.h"
#include "closedform/optionside.h"
#include "numerics/comparisons.h"
#include "numerics/crrtree.h"
#include "numerics/messages.h"
#include "numerics/normaldistribution.h"
#include "numerics/undefined.h"

namespace EuropeanPower {

namespace {

bool refused(double T, double S, double K, double sigma, double r, double q) {
  return T < 0 || S < 0 || K <= 0 || sigma <= 0 || signrefused(r) || signrefused(q);
}

// G = S^i * e^(((i - 1)(r + i sigma^2 / 2) - i q) T): the discounted expectation of S_T^i, from
// Si = S^i.
double discountedpowerforward(double T, double Si, double sigma, double r, double q, double i) {
  return Si * std::exp(((i - 1.0) * (r + i * sigma * sigma / 2.0) - i * q) * T);
}

struct dterms {
  double d1, d2;
};

// d1 and d2 for the level K (compared with S^i), each from its own numerator.
dterms powerterms(double T, double S, double K, double sigma, double r, double q, double i) {
  const double logmoneyness = std::log(S / std::pow(K, 1.0 / i));
  const double deviation = sigma * std::sqrt(T);
  const double b = r - q;
  return {(logmoneyness + (b + (i - 0.5) * sigma * sigma) * T) / deviation,
          (logmoneyness + (b - sigma * sigma / 2.0) * T) / deviation};
}

double asymmetric(optionside side, double T, double S, double K, double sigma, double r, double q,
                  double i) {
  if (refused(T, S, K, sigma, r, q) || i <= 0) return undefinedvalue();
  if (S == 0) return side == call ? 0.0 : K * std::exp(-r * T);
  const double Si = std::pow(S, i);
  if (T == 0) return side == call ? maxof(Si - K, 0.0) : maxof(K - Si, 0.0);
  const double G = discountedpowerforward(T, Si, sigma, r, q, i);
  const dterms d = powerterms(T, S, K, sigma, r, q, i);
  if (side == call) return G * normalcdf(d.d1) - K * std::exp(-r * T) * normalcdf(d.d2);
  return K * std::exp(-r * T) * normalcdf(-d.d2) - G * normalcdf(-d.d1);
}

double capped(optionside side, double T, double S, double K, double sigma, double r, double q,
              double i, double C) {
  if (refused(T, S, K, sigma, r, q) || i <= 0 || C < 0) return undefinedvalue();
  // The put pays at most K, so a cap at or above K never binds.
  if (side == put && C >= K) return asymmetric(put, T, S, K, sigma, r, q, i);
  // An infinite cap is no cap (the formula would meet infinity times zero).
  if (side == call && std::isinf(C)) return asymmetric(call, T, S, K, sigma, r, q, i);
  if (S == 0) return side == call ? 0.0 : minof(K, C) * std::exp(-r * T);
  const double Si = std::pow(S, i);
  if (T == 0) return side == call ? minof(maxof(Si - K, 0.0), C) : minof(maxof(K - Si, 0.0), C);
  const double G = discountedpowerforward(T, Si, sigma, r, q, i);
  const double discount = std::exp(-r * T);
  const dterms d = powerterms(T, S, K, sigma, r, q, i);
  const double secondlevel = side == call ? K + C : K - C;  // K'
  const dterms e = powerterms(T, S, secondlevel, sigma, r, q, i);
  if (side == call)
    return G * (normalcdf(d.d1) - normalcdf(e.d1)) -
           discount * (K * normalcdf(d.d2) - secondlevel * normalcdf(e.d2));
  return discount * (K * normalcdf(-d.d2) - secondlevel * normalcdf(-e.d2)) -
         G * (normalcdf(-d.d1) - normalcdf(-e.d1));
}

double symmetricpayoff(optionside side, double price, double K, double i) {
  return std::pow(side == call ? maxof(price - K, 0.0) : maxof(K - price, 0.0), i);
}

double symmetric(optionside side, double T, double S, double K, double sigma, double r, double q,
                 double i, std::int64_t steps) {
  if (refused(T, S, K, sigma, r, q)) return undefinedvalue();
  if (S == 0) return side == call ? 0.0 : std::pow(K, i) * std::exp(-r * T);
  if (T == 0) return symmetricpayoff(side, S, K, i);
  if (!treestepsadmissible(steps)) return refusedwith(messages::treesteps);
  crrtree tree(T, sigma, r - q, r, steps, crrsquare::power);
  if (tree.probabilityoutside()) {  // a drift too strong for the step: the weights are no law
    return refusedwith(messages::treeprobability);
  }
  return tree.europeanvalue(
      S, [side, K, i](double price) { return symmetricpayoff(side, price, K, i); });
}

}  // namespace

double powercall(double T, double S, double K, double sigma, double r, double q, double i) {
  return asymmetric(call, T, S, K, sigma, r, q, i);
}

double powerput(double T, double S, double K, double sigma, double r, double q, double i) {
  return asymmetric(put, T, S, K, sigma, r, q, i);
}

double cappedpowercall(double T, double S, double K, double sigma, double r, double q, double i,
                       double C) {
  return capped(call, T, S, K, sigma, r, q, i, C);
}

double cappedpowerput(double T, double S, double K, double sigma, double r, double q, double i,
                      double C) {
  return capped(put, T, S, K, sigma, r, q, i, C);
}

double symmetricpowercall(double T, double S, double K, double sigma, double r, double q, double i,
                          std::int64_t steps) {
  return symmetric(call, T, S, K, sigma, r, q, i, steps);
}

double symmetricpowerput(double T, double S, double K, double sigma, double r, double q, double i,
                         std::int64_t steps) {
  return symmetric(put, T, S, K, sigma, r, q, i, steps);
}

namespace {

// The symmetric codes, with the steps of parameter entry 4.
double symmetriccallofentry(double T, double S, double K, double sigma, double r, double q,
                            double i, parameterblock* block) {
  const std::int64_t steps = entryinteger(*block, entrysteps, 0, defaulttreesteps);
  return symmetricpowercall(T, S, K, sigma, r, q, i, steps);
}
double symmetricputofentry(double T, double S, double K, double sigma, double r, double q, double i,
                           parameterblock* block) {
  const std::int64_t steps = entryinteger(*block, entrysteps, 0, defaulttreesteps);
  return symmetricpowerput(T, S, K, sigma, r, q, i, steps);
}

}  // namespace

const scalarhandlerentry powerhandler =
    handlerentryof<powercodes, refusal::silent, formulafor<asymmetriccall, powercall>,
                   formulafor<asymmetricput, powerput>, formulafor<cappedcall, cappedpowercall>,
                   formulafor<cappedput, cappedpowerput>,
                   formulafor<symmetriccall, symmetriccallofentry>,
                   formulafor<symmetricput, symmetricputofentry>>(readsentry(entrysteps));

}  // namespace EuropeanPower
