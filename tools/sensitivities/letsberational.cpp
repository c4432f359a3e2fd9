#include "letsberational.h"

#include <boost/math/policies/policy.hpp>
#include <boost/math/special_functions/erf.hpp>
#include <cmath>
#include <limits>

namespace sensitivities {

namespace {

constexpr double invsqrt2pi = 0.39894228040143267794;  // 1 / sqrt(2 pi)
constexpr double invsqrt2 = 0.70710678118654752440;
constexpr double sqrt2 = 1.41421356237309504880;
constexpr double sqrt3 = 1.73205080756887729353;
constexpr double twopi = 6.28318530717958647693;
constexpr double largestlogmoneyness = 1400.0;  // e^(|x|/2) stays finite below 1418
// Householder steps after the first two go on while the last one moved s by more than this
// fraction of it (the next would then move it by about its fourth power).
constexpr double settledstep = 1e-6;
constexpr int maximumsteps = 6;
const double nan = std::numeric_limits<double>::quiet_NaN();

using quiet = boost::math::policies::policy<
    boost::math::policies::domain_error<boost::math::policies::ignore_error>,
    boost::math::policies::pole_error<boost::math::policies::ignore_error>,
    boost::math::policies::overflow_error<boost::math::policies::ignore_error>,
    boost::math::policies::evaluation_error<boost::math::policies::ignore_error>,
    boost::math::policies::promote_double<false>>;

double normalcdf(double z) { return 0.5 * std::erfc(-z * invsqrt2); }
double normalpdf(double z) { return invsqrt2pi * std::exp(-0.5 * z * z); }
// z with N(z) = p, 0 < p < 1.
double inversenormalcdf(double p) { return -sqrt2 * boost::math::erfc_inv(2.0 * p, quiet()); }

// The log-moneyness x <= 0 of an out-of-the-money call with e^(x/2), e^(-x/2) and
// e^(x/2) - e^(-x/2), taken once per solve.
struct moneyness {
  double x, eh, emh, difference;
  explicit moneyness(double x)
      : x(x), eh(std::exp(0.5 * x)), emh(1.0 / eh), difference(2.0 * std::sinh(0.5 * x)) {}
};

// The out-of-the-money call's price b at s > 0, and bmax - b.
double otmcall(const moneyness& m, double s) {
  const double h = m.x / s, t = 0.5 * s;
  const double d1 = h + t, d2 = h - t;
  if (d1 < -1.0 || m.x < -1.0) return m.eh * normalcdf(d1) - m.emh * normalcdf(d2);
  // Near the money (and not far from it in x) the two cumulative terms are close to 1/2 each:
  // the error function keeps their difference.
  return 0.5 * (m.difference + m.eh * std::erf(d1 * invsqrt2) - m.emh * std::erf(d2 * invsqrt2));
}
double otmcomplement(const moneyness& m, double s) {
  const double h = m.x / s, t = 0.5 * s;
  return m.eh * normalcdf(-(h + t)) + m.emh * normalcdf(h - t);
}
// db/ds, and b''/b'.
double vega(double x, double s) {
  const double h = x / s, t = 0.5 * s;
  return invsqrt2pi * std::exp(-0.5 * (h * h + t * t));
}
double curvatureratio(double x, double s) { return x * x / (s * s * s) - 0.25 * s; }

// The rational cubic of Delbourgo and Gregory through (xl, yl) and (xr, yr) with slopes dl and dr
// and control parameter r (3: the cubic Hermite interpolant).
struct rationalcubic {
  double xl, xr, yl, yr, dl, dr;

  double at(double x, double r) const {
    const double h = xr - xl;
    if (!(std::fabs(h) > 0)) return 0.5 * (yl + yr);
    const double t = (x - xl) / h, o = 1.0 - t;
    const double t2 = t * t, o2 = o * o;
    return (yr * t2 * t + (r * yr - h * dr) * t2 * o + (r * yl + h * dl) * t * o2 + yl * o2 * o) /
           (1.0 + (r - 3.0) * t * o);
  }
  // The least r that keeps the interpolant monotone and, with convex or concave data, of the
  // same curvature at both ends.
  double leastcontrol() const {
    const double slope = (yr - yl) / (xr - xl);
    double least = 0.0;
    if (slope != 0) least = std::fmax(least, (dl + dr) / slope);
    if (slope != dl) least = std::fmax(least, (dr - dl) / (slope - dl));
    if (slope != dr) least = std::fmax(least, (dr - dl) / (dr - slope));
    return least;
  }
  // r that gives the second derivative second at the left or at the right end, kept from below
  // by leastcontrol.
  double controlleft(double second) const {
    const double slope = (yr - yl) / (xr - xl);
    return settle((0.5 * (xr - xl) * second + (dr - dl)) / (slope - dl));
  }
  double controlright(double second) const {
    const double slope = (yr - yl) / (xr - xl);
    return settle((0.5 * (xr - xl) * second + (dr - dl)) / (dr - slope));
  }

 private:
  double settle(double r) const {
    constexpr double largest = 1.0 / std::numeric_limits<double>::epsilon();
    const double least = leastcontrol();
    if (!std::isfinite(r) || r < least) r = least;
    return std::isfinite(r) ? std::fmin(r, largest) : 3.0;
  }
};

// The lower branch's variable f(s) = 2 pi |x| / (3 sqrt 3) N(x / (sqrt 3 s))^3, which b(s)
// approaches as s goes to 0, with its first two derivatives in s; and its inverse.
struct lowerbranch {
  double x;

  double z(double s) const { return x / (sqrt3 * s); }
  double f(double s) const {
    const double n = normalcdf(z(s));
    return twopi * std::fabs(x) / (3.0 * sqrt3) * n * n * n;
  }
  double first(double s) const {
    const double n = normalcdf(z(s));
    return twopi * x * x / (3.0 * s * s) * n * n * normalpdf(z(s));
  }
  double second(double s) const {
    const double w = z(s), n = normalcdf(w), p = normalpdf(w);
    return twopi * x * x / 3.0 * n * p / (s * s * s) * (n * (w * w - 2.0) - 2.0 * w * p);
  }
  double inverse(double f) const {
    const double n = std::cbrt(3.0 * sqrt3 * f / (twopi * std::fabs(x)));
    return x / (sqrt3 * inversenormalcdf(n));
  }
};

enum class branch { lower, middle, upper };

// One Householder step of order three for the objective g with g' and the ratios g''/g' and
// g'''/g'.
double householderstep(double g, double g1, double h2, double h3) {
  const double nu = -g / g1;
  return nu * (1.0 + 0.5 * h2 * nu) / (1.0 + nu * (h2 + h3 * nu / 6.0));
}

// s of the out-of-the-money call x < 0 with price beta, 0 < beta < e^(x/2).
double otmimplied(double beta, double x) {
  const moneyness m(x);
  const double bmax = m.eh;
  const double sc = std::sqrt(-2.0 * x);  // the inflection point of b(s)
  const double bc = 0.5 * bmax - normalcdf(-sc) * m.emh;
  const double vc = invsqrt2pi * bmax;
  branch which = branch::middle;
  double s;
  if (beta < bc) {
    const double sl = sc - bc / vc;  // where the tangent at sc meets 0
    const double bl = otmcall(m, sl), vl = vega(x, sl);
    if (beta < bl) {
      which = branch::lower;
      const lowerbranch lower{x};
      const double fl = lower.f(sl), fl1 = lower.first(sl);
      const double slope = fl1 / vl;
      const double second = (lower.second(sl) - fl1 * curvatureratio(x, sl)) / (vl * vl);
      const rationalcubic curve{0.0, bl, 0.0, fl, 1.0, slope};
      const double f = curve.at(beta, curve.controlright(second));
      s = lower.inverse(f > 0 ? f : beta);
    } else {
      const rationalcubic curve{bl, bc, sl, sc, 1.0 / vl, 1.0 / vc};
      s = curve.at(beta, curve.controlright(0.0));
    }
  } else {
    const double su = sc + (bmax - bc) / vc;  // where the tangent at sc meets bmax
    const double bu = otmcall(m, su), vu = vega(x, su);
    if (beta <= bu) {
      const rationalcubic curve{bc, bu, sc, su, 1.0 / vc, 1.0 / vu};
      s = curve.at(beta, curve.controlleft(0.0));
    } else {
      // The upper branch's variable f(s) = N(-s/2): bmax - b(s) approaches 2 f(s) as s grows.
      which = branch::upper;
      const double fu = normalcdf(-0.5 * su), fu1 = -0.5 * normalpdf(0.5 * su);
      const double fu2 = 0.125 * su * normalpdf(0.5 * su);
      const double slope = fu1 / vu;
      const double second = (fu2 - fu1 * curvatureratio(x, su)) / (vu * vu);
      const rationalcubic curve{bu, bmax, fu, 0.0, slope, -0.5};
      double f = curve.at(beta, curve.controlleft(second));
      if (!(f > 0 && f < 0.5)) f = 0.5 * (bmax - beta);
      s = -2.0 * inversenormalcdf(f);
    }
  }

  const double lnbeta = which == branch::lower ? std::log(beta) : 0.0;
  const double lnrest = which == branch::upper ? std::log(bmax - beta) : 0.0;
  for (int step = 0; step < maximumsteps; ++step) {
    if (!(s > 0) || !std::isfinite(s)) return nan;
    const double v = vega(x, s), q2 = curvatureratio(x, s);
    const double q3 = q2 * q2 - 3.0 * x * x / (s * s * s * s) - 0.25;
    double ds;
    if (which == branch::lower) {
      // g = 1 / ln b(s) - 1 / ln beta.
      const double b = otmcall(m, s);
      if (!(b > 0)) return nan;
      const double lambda = 1.0 / std::log(b), u = v / b;
      const double L1 = u, L2 = u * q2 - u * u, L3 = u * q3 - 3.0 * u * u * q2 + 2.0 * u * u * u;
      const double l2 = lambda * lambda;
      const double g1 = -L1 * l2;
      const double g2 = -L2 * l2 + 2.0 * L1 * L1 * l2 * lambda;
      const double g3 = -L3 * l2 + 6.0 * L1 * L2 * l2 * lambda - 6.0 * L1 * L1 * L1 * l2 * l2;
      ds = householderstep(lambda - 1.0 / lnbeta, g1, g2 / g1, g3 / g1);
    } else if (which == branch::upper) {
      // g = ln(bmax - beta) - ln(bmax - b(s)).
      const double c = otmcomplement(m, s);
      if (!(c > 0)) return nan;
      const double w = v / c;
      ds = householderstep(lnrest - std::log(c), w, q2 + w, (q3 + 3.0 * w * q2 + 2.0 * w * w));
    } else {
      ds = householderstep(otmcall(m, s) - beta, v, q2, q3);
    }
    if (!std::isfinite(ds)) return nan;
    ds = std::fmax(ds, -0.5 * s);
    s += ds;
    if (step >= 1 && std::fabs(ds) <= settledstep * s) break;
  }
  return s;
}

}  // namespace

double normalisedblack(double x, double s, double theta) {
  const double intrinsic = theta * x > 0 ? 2.0 * std::fabs(std::sinh(0.5 * x)) : 0.0;
  if (!(s > 0)) return intrinsic;
  return intrinsic + otmcall(moneyness(-std::fabs(x)), s);
}

double normalisedimpliedvolatility(double beta, double x, double theta) {
  if (!std::isfinite(beta) || !(std::fabs(x) <= largestlogmoneyness)) return nan;
  const double intrinsic = theta * x > 0 ? 2.0 * std::fabs(std::sinh(0.5 * x)) : 0.0;
  const double timevalue = beta - intrinsic;
  // The intrinsic value, to its rounding, is the price at s = 0.
  if (timevalue <= 0 && timevalue >= -4 * std::numeric_limits<double>::epsilon() * intrinsic)
    return 0.0;
  if (!(timevalue > 0) || !(timevalue < std::exp(-0.5 * std::fabs(x)))) return nan;
  // At the money b = erf(s / (2 sqrt 2)).
  if (x == 0) return 2.0 * sqrt2 * boost::math::erf_inv(timevalue, quiet());
  return otmimplied(timevalue, -std::fabs(x));
}

double impliedblackvolatility(double price, double F, double K, double T, double discount,
                              double theta) {
  const double beta = price / (discount * std::sqrt(F) * std::sqrt(K));
  return normalisedimpliedvolatility(beta, std::log(F / K), theta) / std::sqrt(T);
}

double blackvega(double F, double K, double sigma, double T, double discount) {
  const double root = std::sqrt(T);
  return discount * std::sqrt(F) * std::sqrt(K) * root * vega(std::log(F / K), sigma * root);
}

}  // namespace sensitivities
