#include "closedform/EuropeanRainbowTwoAsset.h"

#include <cmath>
#include <limits>

#include "binding/varianttable.h"
#include "closedform/BlackScholes.h"
#include "numerics/messages.h"
#include "numerics/normaldistribution.h"
#include "numerics/undefined.h"

namespace EuropeanRainbowTwoAsset {

namespace {

enum rainbowvariant {
  best = 0,      // max(S1, S2)
  worst = 1,     // min(S1, S2)
  callmax = 2,   // max(max(S1, S2) - X, 0)
  putmax = 3,    // max(X - max(S1, S2), 0)
  callmin = 4,   // max(min(S1, S2) - X, 0)
  putmin = 5,    // max(X - min(S1, S2), 0)
  bestcash = 6,  // max(S1, S2, X)
};

double refusal() {
  writemessage(messages::valueundefined);
  return undefinedvalue();
}

bool refused(double T, double S1, double S2, double sigma1, double sigma2, double rho, double r,
             double q1, double q2) {
  return S1 <= 0 || S2 <= 0 || T < 0 || sigma1 <= 0 || sigma2 <= 0 || rho < -1 || rho > 1 ||
         r < 0 || q1 < 0 || q2 < 0;
}

// Beyond this distance from 0 the normal tail is below the smallest double: M(a, b; rho) is
// N(b) for a at or above it and 0 for a at or below its negative (likewise for b).
constexpr double normalhorizon = 40.0;

// M(a, b; rho), taken at its exact limits when rho reaches +-1 or an argument is infinite or
// beyond the horizon (where the bivariate routine would meet infinity over infinity), NaN when an
// argument is NaN (the routine would give a finite -99.9).
double bivariate(double a, double b, double rho) {
  if (std::isnan(a) || std::isnan(b) || std::isnan(rho))
    return std::numeric_limits<double>::quiet_NaN();
  if (a <= -normalhorizon || b <= -normalhorizon) return 0.0;
  if (a >= normalhorizon) return normalcdf(b);
  if (b >= normalhorizon) return normalcdf(a);
  if (rho >= 1) return normalcdf(minof(a, b));
  if (rho <= -1) return maxof(normalcdf(a) - normalcdf(-b), 0.0);
  return bivariatenormalcdf(a, b, rho);
}

// The terms every formula of the family shares.
struct rainbowterms {
  double A1, A2;      // S1 e^(-q1 T), S2 e^(-q2 T)
  double deviation;   // sigma sqrt(T), sigma the volatility of S1/S2
  double d;
  bool deterministic;  // S1/S2 has no volatility: the ratio at expiry is known today
};

rainbowterms sharedterms(double T, double S1, double S2, double sigma1, double sigma2,
                         double rho, double q1, double q2) {
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
  t.d = t.deterministic ? 0.0
                        : (std::log(S1 / S2) + (q2 - q1 + variance / 2.0) * T) / t.deviation;
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
double rainbowcall(bool onmax, const rainbowterms& t, double T, double S1, double S2,
                   double sigma1, double sigma2, double rho, double r, double q1, double q2,
                   double X) {
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
    return t.A1 * bivariate(y1, t.d, rho1) + t.A2 * bivariate(y2, t.deviation - t.d, rho2) -
           B * (1.0 - bivariate(sigma1 * root - y1, sigma2 * root - y2, rho));
  return t.A1 * bivariate(y1, -t.d, -rho1) + t.A2 * bivariate(y2, t.d - t.deviation, -rho2) -
         B * bivariate(y1 - sigma1 * root, y2 - sigma2 * root, rho);
}

double withoutstrike(rainbowvariant variant, double T, double S1, double S2, double sigma1,
                     double sigma2, double rho, double r, double q1, double q2) {
  if (refused(T, S1, S2, sigma1, sigma2, rho, r, q1, q2)) return refusal();
  if (T == 0) return variant == best ? maxof(S1, S2) : minof(S1, S2);
  const rainbowterms t = sharedterms(T, S1, S2, sigma1, sigma2, rho, q1, q2);
  return variant == best ? bestvalue(t) : worstvalue(t);
}

double expiryvalue(rainbowvariant variant, double S1, double S2, double X) {
  const double high = maxof(S1, S2), low = minof(S1, S2);
  switch (variant) {
    case callmax: return maxof(high - X, 0.0);
    case putmax: return maxof(X - high, 0.0);
    case callmin: return maxof(low - X, 0.0);
    case putmin: return maxof(X - low, 0.0);
    default: return maxof(high, X);
  }
}

double withstrike(rainbowvariant variant, double T, double S1, double S2, double sigma1,
                  double sigma2, double rho, double r, double q1, double q2, double X) {
  if (refused(T, S1, S2, sigma1, sigma2, rho, r, q1, q2) || X <= 0) return refusal();
  if (T == 0) return expiryvalue(variant, S1, S2, X);
  const rainbowterms t = sharedterms(T, S1, S2, sigma1, sigma2, rho, q1, q2);
  const double B = X * std::exp(-r * T);
  const bool onmax = variant != callmin && variant != putmin;
  const double call = rainbowcall(onmax, t, T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X);
  switch (variant) {
    case callmax:
    case callmin: return call;
    case putmax:
      if (t.deterministic) return B - bestvalue(t) + call;
      return B - (t.A1 * normalcdf(t.d) + t.A2 * (1.0 - normalcdf(t.d - t.deviation))) + call;
    case putmin:
      if (t.deterministic) return B - worstvalue(t) + call;
      return B - (t.A1 * (1.0 - normalcdf(t.d)) + t.A2 * normalcdf(t.d - t.deviation)) + call;
    default: return call + B;
  }
}

const std::initializer_list<std::pair<const std::string, int>> rainbowcodes = {
    {"RAINBOWBEST2EO", best},         {"RAINBOWWORST2EO", worst},
    {"RAINBOWMAX2ECO", callmax},      {"RAINBOWMAX2EPO", putmax},
    {"RAINBOWMIN2ECO", callmin},      {"RAINBOWMIN2EPO", putmin},
    {"RAINBOWBEST2MONEYEO", bestcash}};

}  // namespace

double rainbowbest(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                   double r, double q1, double q2) {
  return withoutstrike(best, T, S1, S2, sigma1, sigma2, rho, r, q1, q2);
}

double rainbowworst(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                    double r, double q1, double q2) {
  return withoutstrike(worst, T, S1, S2, sigma1, sigma2, rho, r, q1, q2);
}

double rainbowcallmax(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                      double r, double q1, double q2, double X) {
  return withstrike(callmax, T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X);
}

double rainbowputmax(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                     double r, double q1, double q2, double X) {
  return withstrike(putmax, T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X);
}

double rainbowcallmin(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                      double r, double q1, double q2, double X) {
  return withstrike(callmin, T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X);
}

double rainbowputmin(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                     double r, double q1, double q2, double X) {
  return withstrike(putmin, T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X);
}

double rainbowbestcash(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                       double r, double q1, double q2, double X) {
  return withstrike(bestcash, T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X);
}

double rainbowhandler(std::string code, const double* data, const datashape* shape,
                      parameterblock* /*block*/) {
  static varianttable variants;
  static rowtable<rainbowstrikeinputs> rows;
  // The variant decides how many inputs the code reads.
  const int variant = variants.lookup(code, rainbowcodes);
  bindrows(rows, data, *shape);
  if (!rows.holds(variant >= callmax ? rainbowstrikeinputs : rainbowinputs)) return refusal();
  const double T = rows.input(0), S1 = rows.input(1), S2 = rows.input(2),
               sigma1 = rows.input(3), sigma2 = rows.input(4), rho = rows.input(5),
               r = rows.input(6), q1 = rows.input(7), q2 = rows.input(8);
  switch (variant) {
    case best: return rainbowbest(T, S1, S2, sigma1, sigma2, rho, r, q1, q2);
    case worst: return rainbowworst(T, S1, S2, sigma1, sigma2, rho, r, q1, q2);
    case callmax: return rainbowcallmax(T, S1, S2, sigma1, sigma2, rho, r, q1, q2, rows.input(9));
    case putmax: return rainbowputmax(T, S1, S2, sigma1, sigma2, rho, r, q1, q2, rows.input(9));
    case callmin: return rainbowcallmin(T, S1, S2, sigma1, sigma2, rho, r, q1, q2, rows.input(9));
    case putmin: return rainbowputmin(T, S1, S2, sigma1, sigma2, rho, r, q1, q2, rows.input(9));
    default:  // variant 6 and above
      return rainbowbestcash(T, S1, S2, sigma1, sigma2, rho, r, q1, q2, rows.input(9));
  }
}

}  // namespace EuropeanRainbowTwoAsset
