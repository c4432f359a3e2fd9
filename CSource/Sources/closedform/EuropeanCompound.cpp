#include "closedform/EuropeanCompound.h"

#include <limits>

#include "binding/varianttable.h"
#include "closedform/BlackScholes.h"
#include "numerics/messages.h"
#include "numerics/normaldistribution.h"
#include "numerics/undefined.h"

namespace EuropeanCompound {

namespace {

using BlackScholes::blackscholescall;
using BlackScholes::blackscholesput;

enum compoundtype {
  calloncalltype = 0,  // max(C(T - t, S_t, K) - k, 0) at t
  callonputtype = 1,   // max(P(T - t, S_t, K) - k, 0) at t
  putoncalltype = 2,   // max(k - C(T - t, S_t, K), 0) at t
  putonputtype = 3     // max(k - P(T - t, S_t, K), 0) at t
};

constexpr double bisectiontolerance = 1e-10;
constexpr int maxbisectionsteps = 200;
constexpr double choosertolerance = 0.001;

double underlying(bool call, double tau, double x, double K, double sigma, double r, double q) {
  return call ? blackscholescall(tau, x, K, sigma, r, q) : blackscholesput(tau, x, K, sigma, r, q);
}

double compound(compoundtype type, double T, double t, double S, double K, double k,
                double sigma, double r, double q) {
  if (S <= 0 || t > T || t < 0 || K <= 0 || k <= 0 || sigma <= 0 || r < 0 || q < 0) {
    writemessage(messages::valueundefined);
    return undefinedvalue();
  }
  const bool oncall = type == calloncalltype || type == putoncalltype;
  const bool callcompound = type == calloncalltype || type == callonputtype;
  if (t == 0) {
    const double u = underlying(oncall, T, S, K, sigma, r, q);
    return callcompound ? maxof(u - k, 0.0) : maxof(k - u, 0.0);
  }
  // The critical price I, where the underlying option is worth k at t.
  const double tau = T - t;
  auto g = [&](double x) { return underlying(oncall, tau, x, K, sigma, r, q) - k; };
  double lo = 0.0, hi = 5.0 * maxof(K, S), mid = 0.0;
  double ghi = g(hi);  // g at the current hi, kept while hi stays
  for (int step = 0; step < maxbisectionsteps; ++step) {
    mid = (lo + hi) / 2.0;
    if (!(mid > lo && mid < hi)) break;  // the bracket cannot be halved any further
    const double gmid = g(mid);
    if (gmid * ghi <= 0) {
      lo = mid;
    } else {
      hi = mid;
      ghi = gmid;
    }
    if (!(std::fabs(hi - lo) > bisectiontolerance)) break;
  }
  const double I = mid;
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
      return asset * bivariatenormal(y1, z1, rho) - cash * bivariatenormal(y2, z2, rho) -
             strike * normalcdf(y2);
    case callonputtype:
      return cash * bivariatenormal(-y2, -z2, rho) - asset * bivariatenormal(-y1, -z1, rho) -
             strike * normalcdf(-y2);
    case putoncalltype:
      return cash * bivariatenormal(-y2, z2, -rho) - asset * bivariatenormal(-y1, z1, -rho) +
             strike * normalcdf(-y2);
    case putonputtype:
      return asset * bivariatenormal(y1, -z1, -rho) - cash * bivariatenormal(y2, -z2, -rho) +
             strike * normalcdf(y2);
  }
  return undefinedvalue();
}

}  // namespace

double bivariatenormal(double a, double b, double rho) {
  if (std::isnan(a) || std::isnan(b) || std::isnan(rho)) return a + b + rho;
  constexpr double infinity = std::numeric_limits<double>::infinity();
  if (a == -infinity || b == -infinity) return 0.0;
  if (a == infinity) return normalcdf(b);
  if (b == infinity) return normalcdf(a);
  if (rho >= 1) return normalcdf(minof(a, b));
  if (rho <= -1) return maxof(normalcdf(a) - normalcdf(-b), 0.0);
  return bivariatenormalcdf(a, b, rho);
}

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
                  double q) {
  return compound(calloncalltype, T, t, S, K, k, sigma, r, q);
}
double callonput(double T, double t, double S, double K, double k, double sigma, double r,
                 double q) {
  return compound(callonputtype, T, t, S, K, k, sigma, r, q);
}
double putoncall(double T, double t, double S, double K, double k, double sigma, double r,
                 double q) {
  return compound(putoncalltype, T, t, S, K, k, sigma, r, q);
}
double putonput(double T, double t, double S, double K, double k, double sigma, double r,
                double q) {
  return compound(putonputtype, T, t, S, K, k, sigma, r, q);
}

double complexchooser(double t, double S, double Tc, double Kc, double Tp, double Kp, double sigma,
                      double r, double q) {
  if (S <= 0 || t < 0 || t > Tc || t > Tp || Kc < 0 || Kp < 0 || sigma <= 0 || r < 0 || q < 0) {
    writemessage(messages::valueundefined);
    return undefinedvalue();
  }
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
  if (!newtonsearch(evaluate, S, choosertolerance, I)) {
    writemessage(messages::criticalsearchfailed);
    return undefinedvalue();
  }
  const double b = r - q;
  const double carry = b + sigma * sigma / 2.0;
  const double d1 = (std::log(S / I) + carry * t) / (sigma * std::sqrt(t));
  const double d2 = d1 - sigma * std::sqrt(t);
  const double y1 = (std::log(S / Kc) + carry * Tc) / (sigma * std::sqrt(Tc));
  const double y2 = (std::log(S / Kp) + carry * Tp) / (sigma * std::sqrt(Tp));
  const double rho1 = std::sqrt(t / Tc);
  const double rho2 = std::sqrt(t / Tp);
  return S * std::exp(-q * Tc) * bivariatenormal(d1, y1, rho1) -
         Kc * std::exp(-r * Tc) * bivariatenormal(d2, y1 - sigma * std::sqrt(Tc), rho1) -
         S * std::exp(-q * Tp) * bivariatenormal(-d1, -y2, rho2) +
         Kp * std::exp(-r * Tp) * bivariatenormal(-d2, -y2 + sigma * std::sqrt(Tp), rho2);
}

double compoundhandler(std::string code, const double* data, const datashape* shape,
                       parameterblock* /*block*/) {
  static varianttable variants;
  static rowtable<compoundinputs> rows;
  bindrows(rows, data, *shape);
  const int variant = variants.lookup(code, {{"COCEO", calloncalltype},
                                             {"COPEO", callonputtype},
                                             {"POCEO", putoncalltype},
                                             {"POPEO", putonputtype}});
  if (!rows.holds(compoundinputs)) return undefinedvalue();
  return compound(static_cast<compoundtype>(variant), rows.input(0), rows.input(1),
                  rows.input(2), rows.input(3), rows.input(4), rows.input(5), rows.input(6),
                  rows.input(7));
}

double chooserhandler(std::string /*code*/, const double* data, const datashape* shape,
                      parameterblock* /*block*/) {
  static rowtable<chooserinputs> rows;
  bindrows(rows, data, *shape);
  if (!rows.holds(chooserinputs)) return undefinedvalue();
  return complexchooser(rows.input(0), rows.input(1), rows.input(2), rows.input(3),
                        rows.input(4), rows.input(5), rows.input(6), rows.input(7),
                        rows.input(8));
}

}  // namespace EuropeanCompound
