#include "numerics/precisebivariatenormal.h"

#include <algorithm>
#include <cmath>
#include <limits>

// The computation works, as Genz's paper does, with the upper orthant
// L(h, k; r) = P(X > h, Y > k), and M(a, b; rho) = L(-a, -b; rho).
namespace {

constexpr double twopi = 6.283185307179586;
constexpr double sqrt2pi = 2.5066282746310007;
constexpr double inversesqrt2 = 0.7071067811865476;

// N(-40) is about 4e-350: beyond 40 standard deviations a tail rounds to zero.
constexpr double horizon = 40.0;
// From this |rho| on, the integral is taken from the perfectly correlated limit.
constexpr double nearunit = 0.925;
// Terms with a smaller exponent are dropped (e^-100 is about 4e-44); the guard also keeps
// e^(-hk/2) from overflowing where the term it multiplies is negligible.
constexpr double negligibleexponent = -100.0;

// Gauss-Legendre rules on [-1, 1]: each node x > 0 stands for the pair -x, +x, with one weight.
// Roots of the Legendre polynomials and their weights, computed to 40 digits and rounded.
struct gausslegendre {
  int pairs;
  const double* nodes;
  const double* weights;
};
constexpr double nodes6[] = {0.93246951420315203, 0.66120938646626451, 0.23861918608319691};
constexpr double weights6[] = {0.17132449237917035, 0.36076157304813861, 0.46791393457269105};
constexpr double nodes12[] = {0.98156063424671925, 0.90411725637047486, 0.76990267419430469,
                              0.58731795428661745, 0.36783149899818019, 0.12523340851146892};
constexpr double weights12[] = {0.047175336386511827, 0.10693932599531843, 0.16007832854334623,
                                0.20316742672306592,  0.23349253653835481, 0.24914704581340279};
constexpr double nodes20[] = {0.99312859918509492, 0.96397192727791379, 0.91223442825132591,
                              0.83911697182221882, 0.74633190646015079, 0.63605368072651503,
                              0.5108670019508271,  0.37370608871541956, 0.22778585114164508,
                              0.076526521133497334};
constexpr double weights20[] = {0.017614007139152118, 0.040601429800386941, 0.062672048334109064,
                                0.083276741576704749, 0.10193011981724044,  0.11819453196151842,
                                0.13168863844917663,  0.14209610931838205,  0.14917298647260375,
                                0.15275338713072585};
constexpr gausslegendre sixpoints{3, nodes6, weights6};
constexpr gausslegendre twelvepoints{6, nodes12, weights12};
constexpr gausslegendre twentypoints{10, nodes20, weights20};

// The integral of f over [0, width] by the rule, the nodes mapped to width (1 + x) / 2.
template <typename integrand>
double integrate(const gausslegendre& rule, double width, integrand f) {
  const double half = width / 2.0;
  double sum = 0.0;
  for (int i = 0; i < rule.pairs; ++i)
    sum += rule.weights[i] * (f(half * (1.0 - rule.nodes[i])) + f(half * (1.0 + rule.nodes[i])));
  return half * sum;
}

// P(X > x), with a few ulp of relative accuracy in both tails.
double uppertail(double x) { return 0.5 * std::erfc(x * inversesqrt2); }

// P(lower < X <= upper), formed from the smaller tails so that nothing close to one is subtracted.
double between(double lower, double upper) {
  if (upper <= lower) return 0.0;
  if (lower >= 0.0) return uppertail(lower) - uppertail(upper);
  if (upper <= 0.0) return uppertail(-upper) - uppertail(-lower);
  return 1.0 - uppertail(upper) - uppertail(-lower);
}

// L(h, k; r) for |r| < 0.925 (Genz 2004, eq. 3): Sheppard's formula
// L = N(-h) N(-k) + 1/(2 pi) Int_0^asin(r) exp(-(h^2 + k^2 - 2hk sin t) / (2 cos^2 t)) dt.
double moderatecorrelation(double h, double k, double r) {
  const double absr = std::fabs(r);
  const gausslegendre& rule = absr < 0.3 ? sixpoints : absr < 0.75 ? twelvepoints : twentypoints;
  const double hk = h * k;
  const double hs = (h * h + k * k) / 2.0;
  const double angle = std::asin(r);
  // Over [0, angle] with a negative angle the width is negative: the signed integral.
  const double integral = integrate(rule, angle, [hk, hs](double t) {
    const double s = std::sin(t);
    return std::exp((s * hk - hs) / (1.0 - s * s));
  });
  return integral / twopi + uppertail(h) * uppertail(k);
}

// L(h, k; 1) - L(h, k; r) for 0.925 <= r <= 1, given 1 - r^2 (Genz 2004, eqs. 4 and 5): the
// density integrated over correlations from r to 1, in the variable x = sqrt(1 - t^2),
//   1/(2 pi) Int_0^sqrt(1 - r^2) exp(-((h - k)^2 / x^2 + hk) / 2) f(x) dx,
//   f(x) = exp(-hk x^2 / (2 (1 + sqrt(1 - x^2))^2)) / sqrt(1 - x^2).
// f's expansion 1 + c x^2 + 5cd x^4, with c = (4 - hk)/8 and d = (12 - hk)/80, is integrated in
// closed form (by parts, down to Int_0^a exp(-b^2 / (2x^2)) dx = a exp(-b^2 / (2a^2))
// - b sqrt(2 pi) N(-b/a)); the remainder f - expansion, small where the weight is large, by the
// 20-point rule.
double towardsunitcorrelation(double h, double k, double oneminusr2) {
  if (oneminusr2 <= 0.0) return 0.0;
  const double as = oneminusr2;
  const double a = std::sqrt(as);
  const double hk = h * k;
  const double bs = (h - k) * (h - k);
  const double c = (4.0 - hk) / 8.0;
  const double d = (12.0 - hk) / 80.0;

  double closed = 0.0;
  const double exponent = -(bs / as + hk) / 2.0;
  if (exponent > negligibleexponent)
    closed =
        a * std::exp(exponent) * (1.0 - c * (bs - as) * (1.0 - d * bs) / 3.0 + c * d * as * as);
  if (hk > negligibleexponent) {
    const double b = std::sqrt(bs);
    closed -= std::exp(-hk / 2.0) * sqrt2pi * uppertail(b / a) * b *
              (1.0 - c * bs * (1.0 - d * bs) / 3.0);
  }

  const double remainder = integrate(twentypoints, a, [hk, bs, c, d](double x) {
    const double xs = x * x;
    const double weight = -(bs / xs + hk) / 2.0;
    if (weight <= negligibleexponent) return 0.0;
    const double rs = std::sqrt(1.0 - xs);
    const double f = std::exp(-(hk / 2.0) * xs / ((1.0 + rs) * (1.0 + rs))) / rs;
    const double expansion = 1.0 + c * xs * (1.0 + 5.0 * d * xs);
    return std::exp(weight) * (f - expansion);
  });
  return (closed + remainder) / twopi;
}

}  // namespace

double precisebivariatenormalcdf(double a, double b, double rho) {
  if (std::isnan(a) || std::isnan(b) || !(std::fabs(rho) <= 1.0))
    return std::numeric_limits<double>::quiet_NaN();
  if (a <= -horizon || b <= -horizon) return 0.0;
  if (a >= horizon) return uppertail(-b);
  if (b >= horizon) return uppertail(-a);
  if (rho == 0.0) return uppertail(-a) * uppertail(-b);

  const double h = -a;
  const double k = -b;
  double L;
  if (std::fabs(rho) < nearunit) {
    L = moderatecorrelation(h, k, rho);
  } else {
    const double r = std::fabs(rho);
    const double oneminusr2 = (1.0 - r) * (1.0 + r);  // exact where 1 - r * r would round
    if (rho > 0.0) {
      L = uppertail(std::max(h, k)) - towardsunitcorrelation(h, k, oneminusr2);
    } else {
      // L(h, k; rho) = P(X > h) - L(h, -k; -rho), and P(X > h) - L(h, -k; 1) = P(h < X <= -k).
      L = between(h, -k) + towardsunitcorrelation(h, -k, oneminusr2);
    }
  }
  return std::clamp(L, 0.0, 1.0);
}
