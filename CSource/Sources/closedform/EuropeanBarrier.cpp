#include "closedform/EuropeanBarrier.h"

#include <cmath>
#include <limits>

#include "binding/ratesigns.h"
#include "binding/tablehandler.h"
#include "closedform/BlackScholes.h"
#include "closedform/EuropeanBarrierCodes.h"
#include "numerics/comparisons.h"
#include "numerics/constants.h"
#include "numerics/normaldistribution.h"
#include "numerics/undefined.h"

namespace EuropeanBarrier {

namespace {

bool isdown(barriertype type) {
  return type == downincalltype || type == downinputtype || type == downoutcalltype ||
         type == downoutputtype;
}
bool iscall(barriertype type) {
  return type == downincalltype || type == upincalltype || type == downoutcalltype ||
         type == upoutcalltype;
}
bool isknockin(barriertype type) { return type <= upinputtype; }

// lambda^2 = mu^2 + 2r / sigma^2 of the rebate paid at the touch is not negative (always so for
// r >= 0).
bool touchrootreal(double sigma, double r, double q) {
  const double variance = sigma * sigma;
  const double mu = (r - q - variance / 2.0) / variance;
  return mu * mu + 2.0 * r / variance >= 0;
}

double price(barriertype type, double T, double S, double H, double X, double sigma, double r,
             double q, double R) {
  if (T < 0 || H <= 0 || S <= 0 || X <= 0 || sigma <= 0 || signrefused(r) || signrefused(q) ||
      R < 0)
    return undefinedvalue();
  if (anynan({T, S, H, X, sigma, r, q, R})) return nanresult();
  const bool down = isdown(type);
  const bool call = iscall(type);
  const bool reached = down ? H >= S : S >= H;
  if (reached) {
    if (!isknockin(type)) return R;  // paid at the touch, which is now
    return call ? BlackScholes::blackscholescall(T, S, X, sigma, r, q)
                : BlackScholes::blackscholesput(T, S, X, sigma, r, q);
  }
  if (T == 0) {
    if (isknockin(type)) return R;
    return call ? maxof(S - X, 0.0) : maxof(X - S, 0.0);
  }
  if (!isknockin(type) && R > 0 && !touchrootreal(sigma, r, q)) return refusednegative("r");
  const termset t = barrierterms(T, S, H, X, sigma, r, q, R, down ? 1.0 : -1.0, call ? 1.0 : -1.0);
  const bool above = X > H;
  switch (type) {
    case downincalltype: return above ? t.C + t.E : t.A - t.B + t.D + t.E;
    case upincalltype: return above ? t.A + t.E : t.B - t.C + t.D + t.E;
    case downinputtype: return above ? t.B - t.C + t.D + t.E : t.A + t.E;
    case upinputtype: return above ? t.A - t.B + t.D + t.E : t.C + t.E;
    case downoutcalltype: return above ? t.A - t.C + t.F : t.B - t.D + t.F;
    case upoutcalltype: return above ? t.F : t.A - t.B + t.C - t.D + t.F;
    case downoutputtype: return above ? t.A - t.B + t.C - t.D + t.F : t.F;
    case upoutputtype: return above ? t.B - t.D + t.F : t.A - t.C + t.F;
  }
  return undefinedvalue();
}

}  // namespace

// ln N(x); below -30, where N(x) < 5e-198 nears underflow, the asymptotic series
// ln N(x) = -x^2/2 - ln(-x sqrt(2 pi)) + ln(1 - 1/x^2 + 3/x^4 - 15/x^6 + 105/x^8), good to 1e-12.
double lognormalcdf(double x) {
  if (!(x < -30.0)) return std::log(normalcdf(x));
  const double inverse2 = 1.0 / (x * x);
  const double series =
      1.0 - inverse2 * (1.0 - inverse2 * (3.0 - inverse2 * (15.0 - 105.0 * inverse2)));
  return -x * x / 2.0 - std::log(-x * constants::sqrt2pi) + std::log(series);
}

double scaledprobability(double ratio, double exponent, double x) {
  const double power = std::pow(ratio, exponent);
  if (power < std::numeric_limits<double>::infinity()) return power * normalcdf(x);
  return std::exp(exponent * std::log(ratio) + lognormalcdf(x));
}

termset barrierterms(double T, double S, double H, double X, double sigma, double r, double q,
                     double R, double eta, double phi) {
  const double v = sigma * std::sqrt(T);
  const double variance = sigma * sigma;
  const double mu = (r - q - variance / 2.0) / variance;
  const double x1 = std::log(S / X) / v + (1.0 + mu) * v;
  const double x2 = std::log(S / H) / v + (1.0 + mu) * v;
  const double y1 = std::log(H * H / (S * X)) / v + (1.0 + mu) * v;
  const double y2 = std::log(H / S) / v + (1.0 + mu) * v;
  const double ratio = H / S;
  const double asset = S * std::exp(-q * T);
  const double cash = X * std::exp(-r * T);
  termset t;
  t.A = phi * asset * normalcdf(phi * x1) - phi * cash * normalcdf(phi * x1 - phi * v);
  t.B = phi * asset * normalcdf(phi * x2) - phi * cash * normalcdf(phi * x2 - phi * v);
  t.C = phi * asset * scaledprobability(ratio, 2.0 * mu + 2.0, eta * y1) -
        phi * cash * scaledprobability(ratio, 2.0 * mu, eta * y1 - eta * v);
  t.D = phi * asset * scaledprobability(ratio, 2.0 * mu + 2.0, eta * y2) -
        phi * cash * scaledprobability(ratio, 2.0 * mu, eta * y2 - eta * v);
  t.E = R * std::exp(-r * T) *
        (normalcdf(eta * x2 - eta * v) - scaledprobability(ratio, 2.0 * mu, eta * y2 - eta * v));
  t.F = R == 0 ? 0.0 : R * cashathit(T, S, H, sigma, r, q, eta);  // no rebate, no touch root
  return t;
}

double cashathit(double T, double S, double H, double sigma, double r, double q, double eta) {
  const double v = sigma * std::sqrt(T);
  const double variance = sigma * sigma;
  const double mu = (r - q - variance / 2.0) / variance;
  const double lambda = std::sqrt(mu * mu + 2.0 * r / variance);
  const double z = std::log(H / S) / v + lambda * v;
  const double ratio = H / S;
  return scaledprobability(ratio, mu + lambda, eta * z) +
         scaledprobability(ratio, mu - lambda, eta * z - 2.0 * eta * lambda * v);
}

double downincall(double T, double S, double H, double X, double sigma, double r, double q,
                  double R) {
  return price(downincalltype, T, S, H, X, sigma, r, q, R);
}
double upincall(double T, double S, double H, double X, double sigma, double r, double q,
                double R) {
  return price(upincalltype, T, S, H, X, sigma, r, q, R);
}
double downinput(double T, double S, double H, double X, double sigma, double r, double q,
                 double R) {
  return price(downinputtype, T, S, H, X, sigma, r, q, R);
}
double upinput(double T, double S, double H, double X, double sigma, double r, double q, double R) {
  return price(upinputtype, T, S, H, X, sigma, r, q, R);
}
double downoutcall(double T, double S, double H, double X, double sigma, double r, double q,
                   double R) {
  return price(downoutcalltype, T, S, H, X, sigma, r, q, R);
}
double upoutcall(double T, double S, double H, double X, double sigma, double r, double q,
                 double R) {
  return price(upoutcalltype, T, S, H, X, sigma, r, q, R);
}
double downoutput(double T, double S, double H, double X, double sigma, double r, double q,
                  double R) {
  return price(downoutputtype, T, S, H, X, sigma, r, q, R);
}
double upoutput(double T, double S, double H, double X, double sigma, double r, double q,
                double R) {
  return price(upoutputtype, T, S, H, X, sigma, r, q, R);
}

const scalarhandlerentry barrierhandler =
    handlerentryof<barriercodes, refusal::silent, formulafor<downincalltype, downincall>,
                   formulafor<upincalltype, upincall>, formulafor<downinputtype, downinput>,
                   formulafor<upinputtype, upinput>, formulafor<downoutcalltype, downoutcall>,
                   formulafor<upoutcalltype, upoutcall>, formulafor<downoutputtype, downoutput>,
                   formulafor<upoutputtype, upoutput>>();

}  // namespace EuropeanBarrier
