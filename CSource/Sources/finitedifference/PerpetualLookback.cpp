#include "finitedifference/PerpetualLookback.h"

#include <cmath>

#include "binding/tablehandler.h"
#include "finitedifference/PerpetualLookbackCodes.h"
#include "numerics/messages.h"
#include "numerics/undefined.h"

namespace PerpetualLookback {

namespace {

constexpr double dividendfloor = 0.00001;  // exclusive: RUSSIAN below it is unbounded
constexpr double tolerance = 0.0000000001;
constexpr double poleclearance = 1e-9;  // relative: the put's bracket starts this far above
constexpr double widestbracket = 1e300;
// Roots below this are bisected to the last bit: the call's value subtracts nearly equal terms
// there (z* + b, with z* close to -b for small yields), and 1e-10 would leave it no digits.
constexpr double finebelow = 0.001;
constexpr double noboundary = -1.0;  // the ratio search found no root

// The exponents a >= 1 and b <= 0 of the two solutions S (m/S)^k.
struct exponents {
  double a, b;
};

exponents exponentsof(double sigma, double r, double q) {
  const double variance = sigma * sigma;
  const double c = (r - q) / variance + 0.5;
  const double root = std::sqrt(c * c + 2.0 * q / variance);
  return {c + root, c - root};
}

double lookbackratio(const exponents& e, double z) {
  const double a = e.a, b = e.b;
  return std::pow(z, a - b) - (a * (1 - b) * z + a * b) / (b * (1 - a) * z + a * b);
}

double russianratio(const exponents& e, double z) {
  const double a = e.a, b = e.b;
  return std::pow(z, a - b) - a * (1 - b) / (b * (1 - a));
}

// The boundary ratio's bisection. With widen set, the upper end is first multiplied by ten while
// f(lo) f(hi) > 0 (noboundary when no sign change is found below widestbracket). The loop also
// stops where the midpoint no longer moves (a bracket too wide for the tolerance in doubles, or a
// root below finebelow bisected to the last bit).
template <typename ratio>
double bisect(ratio f, double lo, double hi, bool widen) {
  if (widen) {
    while (!(f(lo) * f(hi) <= 0)) {
      if (hi > widestbracket) return noboundary;
      hi *= 10.0;
    }
  }
  do {
    const double mid = (lo + hi) / 2.0;
    if (mid == lo || mid == hi) break;
    if (f(mid) * f(lo) <= 0) {
      hi = mid;
    } else {
      lo = mid;
    }
  } while (!(std::fabs(hi - lo) <= tolerance) || hi < finebelow);
  return (lo + hi) / 2.0;
}

double callratio(const exponents& e) {
  return bisect([&](double z) { return lookbackratio(e, z); }, 0.0, 1.0, false);
}

// The root above the pole a / (a - 1); noboundary when there is none.
double putratio(const exponents& e) {
  const double lo = e.a / (e.a - 1) * (1 + poleclearance);
  return bisect([&](double z) { return lookbackratio(e, z); }, lo, std::fmax(1000.0, 2 * lo), true);
}

double russianroot(const exponents& e, double hi) {
  return bisect([&](double z) { return russianratio(e, z); }, 0.0, hi, true);
}

// S A (m/S)^a + S B (m/S)^b with A = P / z^a and B = Q / z^b, formed as S P (x/z)^a + ...
double continuation(double S, double x, double z, double P, double Q, const exponents& e) {
  return S * P * std::pow(x / z, e.a) + S * Q * std::pow(x / z, e.b);
}

// The put's and the Russian's value without a rate: the expected final maximum.
double finalmaximum(double S, double m, const exponents& e) {
  return m - S / e.b * std::pow(m / S, e.b);
}

bool marketadmissible(double sigma, double r, double q) { return sigma > 0 && r >= 0 && q >= 0; }

}  // namespace

double lookbackcall(double S, double m, double sigma, double r, double q) {
  if (!(S > 0 && m > 0 && m < S && marketadmissible(sigma, r, q)))
    return refusedwith(messages::valueundefined);
  const exponents e = exponentsof(sigma, r, q);
  if (e.b == 0) return S;  // no yield: never exercised, worth its supremum
  const double z = callratio(e), a = e.a, b = e.b;
  if (S >= m / z) return S - m;
  const double P = ((1 - b) * z + b) / (b - a), Q = ((1 - a) * z + a) / (a - b);
  return continuation(S, m / S, z, P, Q, e);
}

double lookbackput(double S, double m, double sigma, double r, double q) {
  if (!(S > 0 && m > 0 && S < m && marketadmissible(sigma, r, q)))
    return refusedwith(messages::valueundefined);
  const exponents e = exponentsof(sigma, r, q);
  const double z = e.b == 0 ? noboundary : r == 0 ? 0.0 : putratio(e), a = e.a, b = e.b;
  if (z == 0) return finalmaximum(S, m, e);
  if (z == noboundary) {
    writemessage(messages::unboundeddividend);
    return HUGE_VAL;
  }
  if (m / z >= S) return m - S;
  const double P = ((1 - b) * z + b) / (a - b), Q = ((1 - a) * z + a) / (b - a);
  return continuation(S, m / S, z, P, Q, e);
}

double russian(double S, double m, double sigma, double r, double q) {
  if (!(S > 0 && m > 0 && S <= m && marketadmissible(sigma, r, q)))
    return refusedwith(messages::valueundefined);
  if (q < dividendfloor) {
    writemessage(messages::unboundeddividend);
    return HUGE_VAL;
  }
  const exponents e = exponentsof(sigma, r, q);
  if (r == 0) return finalmaximum(S, m, e);
  const double z = russianroot(e, 100.0), a = e.a, b = e.b;
  if (z == noboundary) return finalmaximum(S, m, e);
  if (m / z >= S) return m;
  // A z^a and B z^b of the Russian option: b z / (b - a z^(b-a)) and a z / (a - b z^(a-b)).
  const double P = b * z / (b - a * std::pow(z, b - a)), Q = a * z / (a - b * std::pow(z, a - b));
  return continuation(S, m / S, z, P, Q, e);
}

double lookbackcallcritical(double m, double sigma, double r, double q) {
  if (!(m > 0 && marketadmissible(sigma, r, q))) return refusedwith(messages::valueundefined);
  const exponents e = exponentsof(sigma, r, q);
  if (e.b == 0) {
    writemessage(messages::criticalgrowsdividend);
    return HUGE_VAL;
  }
  return m / callratio(e);
}

double lookbackputcritical(double m, double sigma, double r, double q) {
  if (!(m > 0 && marketadmissible(sigma, r, q))) return refusedwith(messages::valueundefined);
  const exponents e = exponentsof(sigma, r, q);
  if (r == 0 || e.b == 0) return 0.0;
  const double z = putratio(e);
  return z == noboundary ? 0.0 : m / z;
}

double russiancritical(double m, double sigma, double r, double q) {
  if (!(m > 0 && marketadmissible(sigma, r, q))) return refusedwith(messages::valueundefined);
  const exponents e = exponentsof(sigma, r, q);
  if (r == 0) return 0.0;
  const double z = russianroot(e, 1000.0);
  return z == noboundary ? 0.0 : m / z;
}

const scalarhandlerentry perpetuallookbackhandler = handlerentryof<
    perpetuallookbackcodes, refusal::withmessage, formulafor<callvalue, lookbackcall>,
    formulafor<putvalue, lookbackput>, formulafor<russianvalue, russian>,
    formulafor<callboundary, lookbackcallcritical>, formulafor<putboundary, lookbackputcritical>,
    formulafor<russianboundary, russiancritical>>();

}  // namespace PerpetualLookback
