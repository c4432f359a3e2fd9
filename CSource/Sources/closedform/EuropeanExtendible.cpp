#include "closedform/EuropeanExtendible.h"

#include <cmath>
#include <limits>

#include "binding/varianttable.h"
#include "closedform/BlackScholes.h"
#include "closedform/EuropeanCompound.h"
#include "numerics/messages.h"
#include "numerics/normaldistribution.h"
#include "numerics/undefined.h"

namespace EuropeanExtendible {

namespace {

using BlackScholes::blackscholescall;
using BlackScholes::blackscholesput;
using EuropeanCompound::bivariatenormal;
using EuropeanCompound::calldelta;
using EuropeanCompound::newtonsearch;
using EuropeanCompound::putdelta;

enum extendibletype {
  holdercalltype = 0,  // at t1: max(S - X1, C(T2 - t1, S, X2) - A, 0)
  holderputtype = 1,   // at t1: max(X1 - S, P(T2 - t1, S, X2) - A, 0)
  writercalltype = 2,  // at t1: S - X1 if S > X1, else C(T2 - t1, S, X2)
  writerputtype = 3    // at t1: X1 - S if S < X1, else P(T2 - t1, S, X2)
};

constexpr double criticaltolerance = 0.0001;
constexpr double infinitecritical = 1e9;  // stands for an unbounded upper critical price
// The lower edge of the box probabilities: minus infinity itself, so that the two corner terms
// M(., -inf) are exactly 0 and cost nothing (with -10 standing in they are below 1e-23).
constexpr double boxfloor = -std::numeric_limits<double>::infinity();

bool refused(double t1, double T2, double S, double X1, double X2, double sigma, double r,
             double q) {
  return t1 < 0 || T2 < 0 || t1 >= T2 || S <= 0 || X1 <= 0 || X2 <= 0 || sigma <= 0 || r < 0 ||
         q < 0;
}

// The probability of the box a < x <= b, c < y <= d under correlation rho.
double box(double a, double b, double c, double d, double rho) {
  return bivariatenormal(b, d, rho) - bivariatenormal(a, d, rho) - bivariatenormal(b, c, rho) +
         bivariatenormal(a, c, rho);
}

double band(double a, double b) { return normalcdf(b) - normalcdf(a); }

double searchfailed() {
  writemessage(messages::criticalsearchfailed);
  return undefinedvalue();
}

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

double holdercall(double t1, double T2, double S, double X1, double X2, double sigma, double r,
                  double q, double A) {
  if (refused(t1, T2, S, X1, X2, sigma, r, q) || A < 0) return undefinedvalue();
  if (t1 == 0)
    return maxof(maxof(S - X1, blackscholescall(T2, S, X2, sigma, r, q) - A), 0.0);
  const double tau = T2 - t1;
  double I1 = 0.0;
  if (A != 0) {
    auto lower = [&](double I, double& value, double& slope) {
      value = blackscholescall(tau, I, X2, sigma, r, q) - A;
      slope = calldelta(tau, I, X2, sigma, r, q);
    };
    if (!newtonsearch(lower, S, criticaltolerance, I1)) return searchfailed();
  }
  if (I1 >= X1) return blackscholescall(t1, S, X1, sigma, r, q);
  if (X1 - X2 * std::exp(-r * tau) > A) {
    if (A != 0) return EuropeanCompound::calloncall(T2, t1, S, X2, A, sigma, r, q);
    return blackscholescall(T2, S, X2, sigma, r, q);
  }
  double I2 = 0.0;
  auto upper = [&](double I, double& value, double& slope) {
    value = blackscholescall(tau, I, X2, sigma, r, q) - A - I + X1;
    slope = calldelta(tau, I, X2, sigma, r, q) - 1.0;
  };
  if (!newtonsearch(upper, S, criticaltolerance, I2)) return searchfailed();
  if (!(I1 < I2)) return blackscholescall(t1, S, X1, sigma, r, q);
  const formulaterms f = terms(t1, T2, S, X1, X2, sigma, r, q, I1, I2);
  return blackscholescall(t1, S, X1, sigma, r, q) +
         S * std::exp(-q * T2) * box(f.y1, f.y2, boxfloor, f.z1, f.rho) -
         X2 * std::exp(-r * T2) * box(f.y1 - f.u, f.y2 - f.u, boxfloor, f.z1 - f.w, f.rho) -
         S * std::exp(-q * t1) * band(f.y1, f.z2) +
         X1 * std::exp(-r * t1) * band(f.y1 - f.u, f.z2 - f.u) -
         A * std::exp(-r * t1) * band(f.y1 - f.u, f.y2 - f.u);
}

double holderput(double t1, double T2, double S, double X1, double X2, double sigma, double r,
                 double q, double A) {
  if (refused(t1, T2, S, X1, X2, sigma, r, q) || A < 0) return undefinedvalue();
  if (t1 == 0) return maxof(maxof(X1 - S, blackscholesput(T2, S, X2, sigma, r, q) - A), 0.0);
  const double tau = T2 - t1;
  const double strikevalue = X2 * std::exp(-r * tau);  // P(tau, 0, X2)
  double I1 = 0.0;
  if (strikevalue - A - X1 < 0) {
    auto lower = [&](double I, double& value, double& slope) {
      value = blackscholesput(tau, I, X2, sigma, r, q) - A + I - X1;
      slope = 1.0 + putdelta(tau, I, X2, sigma, r, q);
    };
    if (!newtonsearch(lower, S, criticaltolerance, I1)) return searchfailed();
  }
  double I2 = infinitecritical;
  if (A != 0) {
    I2 = 0.0;
    if (A < strikevalue) {
      auto upper = [&](double I, double& value, double& slope) {
        value = blackscholesput(tau, I, X2, sigma, r, q) - A;
        slope = putdelta(tau, I, X2, sigma, r, q);
      };
      if (!newtonsearch(upper, S, criticaltolerance, I2)) return searchfailed();
    }
  }
  if (I1 == 0) {
    if (A == 0) return blackscholesput(T2, S, X2, sigma, r, q);
    return EuropeanCompound::callonput(T2, t1, S, X2, A, sigma, r, q);
  }
  if (I2 < X1 || !(I1 < I2)) return blackscholesput(t1, S, X1, sigma, r, q);
  const formulaterms f = terms(t1, T2, S, X1, X2, sigma, r, q, I1, I2);
  return blackscholesput(t1, S, X1, sigma, r, q) -
         S * std::exp(-q * T2) * box(f.y1, f.y2, boxfloor, -f.z1, -f.rho) +
         X2 * std::exp(-r * T2) * box(f.y1 - f.u, f.y2 - f.u, boxfloor, -f.z1 + f.w, -f.rho) +
         S * std::exp(-q * t1) * band(f.z2, f.y2) -
         X1 * std::exp(-r * t1) * band(f.z2 - f.u, f.y2 - f.u) -
         A * std::exp(-r * t1) * band(f.y1 - f.u, f.y2 - f.u);
}

double writer(bool call, double t1, double T2, double S, double X1, double X2, double sigma,
              double r, double q) {
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
           S * std::exp(-q * T2) * bivariatenormal(z1, -z2, -rho) -
           X2 * std::exp(-r * T2) * bivariatenormal(z1 - w, -z2 + u, -rho);
  return blackscholesput(t1, S, X1, sigma, r, q) -
         S * std::exp(-q * T2) * bivariatenormal(-z1, z2, -rho) +
         X2 * std::exp(-r * T2) * bivariatenormal(-z1 + w, z2 - u, -rho);
}

}  // namespace

double holderextendiblecall(double t1, double T2, double S, double X1, double X2, double sigma,
                            double r, double q, double A) {
  return holdercall(t1, T2, S, X1, X2, sigma, r, q, A);
}
double holderextendibleput(double t1, double T2, double S, double X1, double X2, double sigma,
                           double r, double q, double A) {
  return holderput(t1, T2, S, X1, X2, sigma, r, q, A);
}
double writerextendiblecall(double t1, double T2, double S, double X1, double X2, double sigma,
                            double r, double q) {
  return writer(true, t1, T2, S, X1, X2, sigma, r, q);
}
double writerextendibleput(double t1, double T2, double S, double X1, double X2, double sigma,
                           double r, double q) {
  return writer(false, t1, T2, S, X1, X2, sigma, r, q);
}

double extendiblehandler(std::string code, const double* data, const datashape* shape,
                         parameterblock* /*block*/) {
  static varianttable variants;
  static rowtable<holderextendibleinputs> rows;
  static const std::pair<const char*, int> entries[] = {
      {"EXTHECO", holdercalltype},
      {"EXTHEPO", holderputtype},
      {"EXTWECO", writercalltype},
      {"EXTWEPO", writerputtype}};
  const int variant = variants.lookup(code, entries);
  const int count = variant >= writercalltype ? writerextendibleinputs : holderextendibleinputs;
  bindrows(rows, data, *shape);
  if (!rows.holds(count)) return undefinedvalue();
  const double t1 = rows.input(0), T2 = rows.input(1), S = rows.input(2), X1 = rows.input(3),
               X2 = rows.input(4), sigma = rows.input(5), r = rows.input(6), q = rows.input(7);
  switch (static_cast<extendibletype>(variant)) {
    case holdercalltype: return holdercall(t1, T2, S, X1, X2, sigma, r, q, rows.input(8));
    case holderputtype: return holderput(t1, T2, S, X1, X2, sigma, r, q, rows.input(8));
    case writercalltype: return writer(true, t1, T2, S, X1, X2, sigma, r, q);
    case writerputtype: return writer(false, t1, T2, S, X1, X2, sigma, r, q);
  }
  return undefinedvalue();
}

}  // namespace EuropeanExtendible
