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

// The terms each combination below adds up, by type and by the side of the barrier the strike
// lies on (above: X > H).
enum termbit : unsigned { termA = 1, termB = 2, termC = 4, termD = 8, termE = 16, termF = 32 };
constexpr unsigned allterms = termA | termB | termC | termD | termE | termF;

unsigned termsused(barriertype type, bool above) {
  switch (type) {
    case downincalltype: return above ? termC | termE : termA | termB | termD | termE;
    case upincalltype: return above ? termA | termE : termB | termC | termD | termE;
    case downinputtype: return above ? termB | termC | termD | termE : termA | termE;
    case upinputtype: return above ? termA | termB | termD | termE : termC | termE;
    case downoutcalltype: return above ? termA | termC | termF : termB | termD | termF;
    case upoutcalltype: return above ? termF : termA | termB | termC | termD | termF;
    case downoutputtype: return above ? termA | termB | termC | termD | termF : termF;
    case upoutputtype: return above ? termB | termD | termF : termA | termC | termF;
  }
  return allterms;
}

// ratio^exponent N(x) with the power already formed (scaledprobability).
double scaledbypower(double power, double ratio, double exponent, double x) {
  if (power < std::numeric_limits<double>::infinity()) return power * normalcdf(x);
  return std::exp(exponent * std::log(ratio) + lognormalcdf(x));
}

// cashathit from its parts: v = sigma sqrt(T), the variance, mu, ln(H/S) / v and H/S.
double touchvalue(double v, double variance, double mu, double r, double logbarrier, double ratio,
                  double eta) {
  const double lambda = std::sqrt(mu * mu + 2.0 * r / variance);
  const double z = logbarrier + lambda * v;
  return scaledprobability(ratio, mu + lambda, eta * z) +
         scaledprobability(ratio, mu - lambda, eta * z - 2.0 * eta * lambda * v);
}

// The terms named in `wanted` (the others are left at 0). What several terms share is formed
// once, by the same operations in the same order as each term would form it: the powers of H/S,
// the discount, ln(H/S), N at x2 - v and the second product of D, which E repeats.
termset someterms(double T, double S, double H, double X, double sigma, double r, double q,
                  double R, double eta, double phi, unsigned wanted) {
  const auto wants = [wanted](unsigned terms) { return (wanted & terms) != 0; };
  const double v = sigma * std::sqrt(T);
  const double variance = sigma * sigma;
  const double mu = (r - q - variance / 2.0) / variance;
  const double drift = (1.0 + mu) * v;
  const double ratio = H / S;
  const double asset = wants(termA | termB | termC | termD) ? S * std::exp(-q * T) : 0.0;
  const double discount = wants(termA | termB | termC | termD | termE) ? std::exp(-r * T) : 0.0;
  const double cash = X * discount;
  const double logbarrier = wants(termD | termE | termF) ? std::log(H / S) / v : 0.0;
  const double x2 = wants(termB | termE) ? std::log(S / H) / v + drift : 0.0;
  const double y2 = logbarrier + drift;
  const double highpower = wants(termC | termD) ? std::pow(ratio, 2.0 * mu + 2.0) : 0.0;
  const double lowpower = wants(termC | termD | termE) ? std::pow(ratio, 2.0 * mu) : 0.0;
  // N(phi x2 - phi v) of B, which E takes too when eta = phi.
  const bool sharedx2 = wants(termB) && eta == phi;
  const double x2below = wants(termB) ? normalcdf(phi * x2 - phi * v) : 0.0;
  // The second product of D, ratio^(2 mu) N(eta y2 - eta v), which E takes too.
  const double y2below =
      wants(termD | termE) ? scaledbypower(lowpower, ratio, 2.0 * mu, eta * y2 - eta * v) : 0.0;
  termset t{};
  if (wants(termA)) {
    const double x1 = std::log(S / X) / v + drift;
    t.A = phi * asset * normalcdf(phi * x1) - phi * cash * normalcdf(phi * x1 - phi * v);
  }
  if (wants(termB)) t.B = phi * asset * normalcdf(phi * x2) - phi * cash * x2below;
  if (wants(termC)) {
    const double y1 = std::log(H * H / (S * X)) / v + drift;
    t.C = phi * asset * scaledbypower(highpower, ratio, 2.0 * mu + 2.0, eta * y1) -
          phi * cash * scaledbypower(lowpower, ratio, 2.0 * mu, eta * y1 - eta * v);
  }
  if (wants(termD))
    t.D = phi * asset * scaledbypower(highpower, ratio, 2.0 * mu + 2.0, eta * y2) -
          phi * cash * y2below;
  if (wants(termE)) {
    const double x2cdf = sharedx2 ? x2below : normalcdf(eta * x2 - eta * v);
    t.E = R * discount * (x2cdf - y2below);
  }
  // No rebate, no touch root.
  if (wants(termF))
    t.F = R == 0 ? 0.0 : R * touchvalue(v, variance, mu, r, logbarrier, ratio, eta);
  return t;
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
  const bool above = X > H;
  const termset t = someterms(T, S, H, X, sigma, r, q, R, down ? 1.0 : -1.0, call ? 1.0 : -1.0,
                              termsused(type, above));
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
  return scaledbypower(std::pow(ratio, exponent), ratio, exponent, x);
}

termset barrierterms(double T, double S, double H, double X, double sigma, double r, double q,
                     double R, double eta, double phi) {
  return someterms(T, S, H, X, sigma, r, q, R, eta, phi, allterms);
}

double cashathit(double T, double S, double H, double sigma, double r, double q, double eta) {
  const double v = sigma * std::sqrt(T);
  const double variance = sigma * sigma;
  const double mu = (r - q - variance / 2.0) / variance;
  return touchvalue(v, variance, mu, r, std::log(H / S) / v, H / S, eta);
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
