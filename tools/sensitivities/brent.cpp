#include "brent.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace sensitivities {

rootsearch brentroot(const std::function<double(double)>& f, double a, double fa, double b,
                     double fb, double tolerance, int evaluations) {
  constexpr double eps = std::numeric_limits<double>::epsilon();
  const double low = std::min(a, b), high = std::max(a, b);
  rootsearch search;
  if (fa == 0) {
    search.x = a;
    search.fx = fa;
    return search;
  }
  // b is the best point so far, a the previous one, c the far end of the bracket [b, c].
  double c = a, fc = fa;
  double d = b - a, e = d;
  for (;;) {
    if ((fb > 0) == (fc > 0)) {
      c = a;
      fc = fa;
      d = e = b - a;
    }
    if (std::fabs(fc) < std::fabs(fb)) {
      a = b;
      b = c;
      c = a;
      fa = fb;
      fb = fc;
      fc = fa;
    }
    const double tol = 2.0 * eps * std::fabs(b) + tolerance;
    const double m = 0.5 * (c - b);
    if (std::fabs(m) <= tol || fb == 0) {
      search.x = b;
      search.fx = fb;
      return search;
    }
    if (search.evaluations >= evaluations) {
      search.outcome = searchoutcome::exhausted;
      search.x = b;
      search.fx = fb;
      return search;
    }
    if (std::fabs(e) < tol || std::fabs(fa) <= std::fabs(fb)) {
      d = e = m;  // bisection
    } else {
      double s = fb / fa, p, q;
      if (a == c) {  // secant
        p = 2.0 * m * s;
        q = 1.0 - s;
      } else {  // inverse quadratic interpolation
        const double qa = fa / fc, r = fb / fc;
        p = s * (2.0 * m * qa * (qa - r) - (b - a) * (r - 1.0));
        q = (qa - 1.0) * (r - 1.0) * (s - 1.0);
      }
      if (p > 0)
        q = -q;
      else
        p = -p;
      s = e;
      e = d;
      if (2.0 * p < 3.0 * m * q - std::fabs(tol * q) && p < std::fabs(0.5 * s * q)) {
        d = p / q;
      } else {
        d = e = m;
      }
    }
    a = b;
    fa = fb;
    b += std::fabs(d) > tol ? d : (m > 0 ? tol : -tol);
    b = std::min(std::max(b, low), high);  // the steps stay in [b, c]; rounding must not either
    fb = f(b);
    ++search.evaluations;
    if (std::isnan(fb)) {
      search.outcome = searchoutcome::undefined;
      search.x = b;
      search.fx = fb;
      return search;
    }
  }
}

}  // namespace sensitivities
