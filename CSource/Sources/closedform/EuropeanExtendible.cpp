#include "closedform/EuropeanExtendible.h"

#include <cmath>
#include <limits>

#include "binding/ratesigns.h"
#include "binding/tablehandler.h"
#include "closedform/BlackScholes.h"
#include "closedform/EuropeanCompound.h"
#include "closedform/EuropeanExtendibleCodes.h"
#include "numerics/comparisons.h"
#include "numerics/messages.h"
#include "numerics/normaldistribution.h"
#include "numerics/undefined.h"

namespace EuropeanExtendible {

namespace {

using BlackScholes::blackscholescall;
using BlackScholes::blackscholesput;
using EuropeanCompound::calldelta;
using EuropeanCompound::newtonsearch;
using EuropeanCompound::putdelta;

constexpr double criticaltolerance = 0.0001;
constexpr double infinitecritical = 1e9;  // stands for an unbounded upper critical price
// The lower edge of the box probabilities: minus infinity itself, so that the two corner terms
// M(., -inf) are exactly 0 and cost nothing (with -10 standing in they are below 1e-23).
constexpr double boxfloor = -std::numeric_limits<double>::infinity();

bool refused(double t1, double T2, double S, double X1, double X2, double sigma, double r,
             double q) {
  return t1 < 0 || T2 < 0 || t1 >= T2 || S <= 0 || X1 <= 0 || X2 <= 0 || sigma <= 0 ||
         signrefused(r) || signrefused(q);
}

// The probability of the box a < x <= b, c < y <= d under correlation rho.
double box(double a, double b, double c, double d, double rho, bivariatemethod method) {
  return bivariatenormal(b, d, rho, method) - bivariatenormal(a, d, rho, method) -
         bivariatenormal(b, c, rho, method) + bivariatenormal(a, c, rho, method);
}

double band(double a, double b) { return normalcdf(b) - normalcdf(a); }

struct formulaterms {
  double rho, y1, y2, z1, z2, u, w;
};

formulaterms terms(double t1, double T2, double S, double X1, double X2, double sigma, double r,
                   double q, double I1, double I2) {
  const double carry = r - q + sigma * sigma / 2.0;
  const double u = sigma * std::sqrt(t1), w = sigma * std::sqrt(T2);
  return {std::sqrt(t1 / T2),
          (std::log(S / I2) + carry * t1) / u,
          (std::log(S / I1) + carry * t1) / u,
          (std::log(S / X2) + carry * T2) / w,
          (std::log(S / X1) + carry * t1) / u,
          u,
          w};
}

}  // namespace

double holderextendiblecall(double t1, double T2, double S, double X1, double X2, double sigma,
                            double r, double q, double A, bivariatemethod method) {
  if (refused(t1, T2, S, X1, X2, sigma, r, q) || A < 0) return undefinedvalue();
  if (anynan({t1, T2, S, X1, X2, sigma, r, q, A})) return nanresult();
  if (t1 == 0) return maxof(maxof(S - X1, blackscholescall(T2, S, X2, sigma, r, q) - A), 0.0);
  const double tau = T2 - t1;
  double I1 = 0.0;
  if (A != 0) {
    auto lower = [&](double I, double& value, double& slope) {
      value = blackscholescall(tau, I, X2, sigma, r, q) - A;
      slope = calldelta(tau, I, X2, sigma, r, q);
    };
    if (!newtonsearch(lower, S, criticaltolerance, I1))
      return refusedwith(messages::criticalsearchfailed);
  }
  if (I1 >= X1) return blackscholescall(t1, S, X1, sigma, r, q);
  if (X1 - X2 * std::exp(-r * tau) > A) {
    if (A != 0) return EuropeanCompound::calloncall(T2, t1, S, X2, A, sigma, r, q, method);
    return blackscholescall(T2, S, X2, sigma, r, q);
  }
  double I2 = 0.0;
  auto upper = [&](double I, double& value, double& slope) {
    value = blackscholescall(tau, I, X2, sigma, r, q) - A - I + X1;
    slope = calldelta(tau, I, X2, sigma, r, q) - 1.0;
  };
  if (!newtonsearch(upper, S, criticaltolerance, I2))
    return refusedwith(messages::criticalsearchfailed);
  if (!(I1 < I2)) return blackscholescall(t1, S, X1, sigma, r, q);
  const formulaterms f = terms(t1, T2, S, X1, X2, sigma, r, q, I1, I2);
  return blackscholescall(t1, S, X1, sigma, r, q) +
         S * std::exp(-q * T2) * box(f.y1, f.y2, boxfloor, f.z1, f.rho, method) -
         X2 * std::exp(-r * T2) * box(f.y1 - f.u, f.y2 - f.u, boxfloor, f.z1 - f.w, f.rho, method) -
         S * std::exp(-q * t1) * band(f.y1, f.z2) +
         X1 * std::exp(-r * t1) * band(f.y1 - f.u, f.z2 - f.u) -
         A * std::exp(-r * t1) * band(f.y1 - f.u, f.y2 - f.u);
}

double holderextendibleput(double t1, double T2, double S, double X1, double X2, double sigma,
                           double r, double q, double A, bivariatemethod method) {
  if (refused(t1, T2, S, X1, X2, sigma, r, q) || A < 0) return undefinedvalue();
  if (anynan({t1, T2, S, X1, X2, sigma, r, q, A})) return nanresult();
  if (t1 == 0) return maxof(maxof(X1 - S, blackscholesput(T2, S, X2, sigma, r, q) - A), 0.0);
  const double tau = T2 - t1;
  const double strikevalue = X2 * std::exp(-r * tau);  // P(tau, 0, X2)
  double I1 = 0.0;  // the extension pays at every price when X2 e^(-r tau) - A >= X1
  if (strikevalue - A - X1 < 0) {
    auto lower = [&](double I, double& value, double& slope) {
      value = blackscholesput(tau, I, X2, sigma, r, q) - A + I - X1;
      slope = 1.0 + putdelta(tau, I, X2, sigma, r, q);
    };
    if (!newtonsearch(lower, S, criticaltolerance, I1))
      return refusedwith(messages::criticalsearchfailed);
  }
  double I2 = infinitecritical;
  if (A != 0) {
    I2 = 0.0;
    if (A < strikevalue) {
      auto upper = [&](double I, double& value, double& slope) {
        value = blackscholesput(tau, I, X2, sigma, r, q) - A;
        slope = putdelta(tau, I, X2, sigma, r, q);
      };
      if (!newtonsearch(upper, S, criticaltolerance, I2))
        return refusedwith(messages::criticalsearchfailed);
    }
  }
  if (I1 == 0) {
    if (A == 0) return blackscholesput(T2, S, X2, sigma, r, q);
    return EuropeanCompound::callonput(T2, t1, S, X2, A, sigma, r, q, method);
  }
  if (I2 < X1 || !(I1 < I2)) return blackscholesput(t1, S, X1, sigma, r, q);
  const formulaterms f = terms(t1, T2, S, X1, X2, sigma, r, q, I1, I2);
  return blackscholesput(t1, S, X1, sigma, r, q) -
         S * std::exp(-q * T2) * box(f.y1, f.y2, boxfloor, -f.z1, -f.rho, method) +
         X2 * std::exp(-r * T2) *
             box(f.y1 - f.u, f.y2 - f.u, boxfloor, -f.z1 + f.w, -f.rho, method) +
         S * std::exp(-q * t1) * band(f.z2, f.y2) -
         X1 * std::exp(-r * t1) * band(f.z2 - f.u, f.y2 - f.u) -
         A * std::exp(-r * t1) * band(f.y1 - f.u, f.y2 - f.u);
}

namespace {

double writer(bool call, double t1, double T2, double S, double X1, double X2, double sigma,
              double r, double q, bivariatemethod method) {
  if (refused(t1, T2, S, X1, X2, sigma, r, q)) return undefinedvalue();
  if (t1 == 0) {
    const double outofmoney = call ? (S < X1 ? 1.0 : 0.0) : (S > X1 ? 1.0 : 0.0);
    const double share = S == X1 ? 0.5 : outofmoney;
    return call ? maxof(S - X1, 0.0) + share * blackscholescall(T2, S, X2, sigma, r, q)
                : maxof(X1 - S, 0.0) + share * blackscholesput(T2, S, X2, sigma, r, q);
  }
  const double carry = r - q + sigma * sigma / 2.0;
  const double u = sigma * std::sqrt(t1), w = sigma * std::sqrt(T2);
  const double rho = std::sqrt(t1 / T2);
  const double z1 = (std::log(S / X2) + carry * T2) / w;
  const double z2 = (std::log(S / X1) + carry * t1) / u;
  if (call)
    return blackscholescall(t1, S, X1, sigma, r, q) +
           S * std::exp(-q * T2) * bivariatenormal(z1, -z2, -rho, method) -
           X2 * std::exp(-r * T2) * bivariatenormal(z1 - w, -z2 + u, -rho, method);
  return blackscholesput(t1, S, X1, sigma, r, q) -
         S * std::exp(-q * T2) * bivariatenormal(-z1, z2, -rho, method) +
         X2 * std::exp(-r * T2) * bivariatenormal(-z1 + w, z2 - u, -rho, method);
}

}  // namespace

double writerextendiblecall(double t1, double T2, double S, double X1, double X2, double sigma,
                            double r, double q, bivariatemethod method) {
  return writer(true, t1, T2, S, X1, X2, sigma, r, q, method);
}
double writerextendibleput(double t1, double T2, double S, double X1, double X2, double sigma,
                           double r, double q, bivariatemethod method) {
  return writer(false, t1, T2, S, X1, X2, sigma, r, q, method);
}

const scalarhandlerentry extendiblehandler =
    handlerentryof<extendiblecodes, refusal::silent,
                   formulafor<holdercalltype, holderextendiblecall>,
                   formulafor<holderputtype, holderextendibleput>,
                   formulafor<writercalltype, writerextendiblecall>,
                   formulafor<writerputtype, writerextendibleput>>();

}  // namespace EuropeanExtendible
