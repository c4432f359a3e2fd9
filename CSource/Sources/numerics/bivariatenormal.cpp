#include "numerics/bivariatenormal.h"

#include <cmath>
#include <limits>

#include "numerics/comparisons.h"
#include "numerics/normaldistribution.h"
#include "numerics/precisebivariatenormal.h"

namespace {

// Beyond this distance from 0 the normal tail is below the smallest double.
constexpr double normalhorizon = 40.0;
// Beyond this size an argument's square overflows inside the rules.
constexpr double squarelimit = 1e150;

// M where a or b lies at or beyond the horizon; NaN where neither does.
double horizonlimit(double a, double b) {
  if (a <= -normalhorizon || b <= -normalhorizon) return 0.0;
  if (a >= normalhorizon) return normalcdf(b);
  if (b >= normalhorizon) return normalcdf(a);
  return std::numeric_limits<double>::quiet_NaN();
}

}  // namespace

double bivariatenormal(double a, double b, double rho, bivariatemethod method) {
  if (std::isnan(a) || std::isnan(b) || std::isnan(rho))
    return std::numeric_limits<double>::quiet_NaN();
  constexpr double infinity = std::numeric_limits<double>::infinity();
  if (a == -infinity || b == -infinity) return 0.0;
  if (a == infinity) return normalcdf(b);
  if (b == infinity) return normalcdf(a);
  if (rho >= 1) return normalcdf(minof(a, b));
  if (rho <= -1) return maxof(normalcdf(a) - normalcdf(-b), 0.0);
  if (std::fabs(a) > squarelimit || std::fabs(b) > squarelimit) return horizonlimit(a, b);
  const double value = method == bivariatemethod::precise ? precisebivariatenormalcdf(a, b, rho)
                                                          : bivariatenormalcdf(a, b, rho);
  return std::isnan(value) ? horizonlimit(a, b) : value;
}
