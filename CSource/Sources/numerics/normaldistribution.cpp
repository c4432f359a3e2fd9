#include "numerics/normaldistribution.h"

#include <cmath>
#include <limits>

#include "numerics/comparisons.h"
#include "numerics/constants.h"
#include "numerics/undefined.h"

namespace {

// Error-function tables, highest power first.
constexpr double P1[] = {0.00014017286813308244, 0.003941213816429466,  -0.006332238884195012,
                         0.03601399420216201,    0.0072566265675496405, 0.22702074278880982,
                         -0.3162752996345873,    1.1053055606729478};
constexpr double Q1[] = {0.0006128269126069322, -0.0003247068735884401, 0.011825257053888295,
                         -0.006252459844311852, 0.10449898125086403,    -0.04515619994019381,
                         0.48875784252280713,   -0.12223730636530408,   1.0};
constexpr double P2[] = {3.5277299409159644e-06, 8.404208620887335e-05, 0.0009237079677954207,
                         0.006107453181624272,   0.02657117748523711,   0.07804951957142468,
                         0.15193591393865016,    0.1809922493750984,    0.10365505125785508};
constexpr double Q2[] = {6.252736477923816e-06, 0.00015208716741501384, 0.0017148349276801134,
                         0.011716731434093512,  0.05328759997219023,    0.16684063762172727,
                         0.3587914883756293,    0.5100380116976446,     0.43415719903325284,
                         0.1683558175558701};
constexpr double P3[] = {1.3781202065653813e-07, 4.253042066722306e-06, 5.9439327909880785e-05,
                         0.0004906720179330437,  0.00261467659078068,   0.009207863065113208,
                         0.020937289408461603,   0.028144837001121793,  0.01717486993964178};
constexpr double Q3[] = {2.442654466378017e-07, 8.026851687051092e-06, 0.00012055223982216493,
                         0.0010839253365056971, 0.006419285379715361,  0.025929856499471948,
                         0.07134872264334016,   0.1288133530110718,    0.13832142723897187,
                         0.06724808417962748};
constexpr double P4[] = {362880.0,   4700064.55078125, 9560963.671875, 7113428.4375, 2513269.6875,
                         472597.125, 49481.25,         2865.0,         85.0,         1.0};
constexpr double Q4[] = {
    1278767.724609375, 7672606.34765625, 12276170.15625, 8184113.4375, 2728037.8125,
    496006.875,        50872.5,          2907.0,         85.5,         1.0};

using constants::pi;
using constants::sqrt2;
using constants::sqrt2pi;
using constants::sqrtpi;

// Drezner's Gauss quadrature weights and abscissae.
constexpr double A[] = {0.325303, 0.4211071, 0.1334425, 0.006374323};
constexpr double B[] = {0.1337764, 0.6243247, 1.3425378, 2.2626645};

// Acklam's coefficients.
constexpr double a1 = -39.69683028665376, a2 = 220.9460984245205, a3 = -275.9285104469687,
                 a4 = 138.357751867269, a5 = -30.66479806614716, a6 = 2.506628277459239;
constexpr double b1 = -54.47609879822406, b2 = 161.5858368580409, b3 = -155.6989798598866,
                 b4 = 66.80131188771972, b5 = -13.28068155288572;
constexpr double c1 = -0.007784894002430293, c2 = -0.3223964580411365, c3 = -2.400758277161838,
                 c4 = -2.549732539343734, c5 = 4.374664141464968, c6 = 2.938163982698783;
constexpr double d1 = 0.007784695709041462, d2 = 0.3224671290700398, d3 = 2.445134137142996,
                 d4 = 3.754408661907416;

}  // namespace

double polyeval(int n, const double* c, double x) {
  double result = c[0];
  for (int i = 1; i <= n; ++i) result = result * x + c[i];
  return result;
}

double errorfunction(double x) {
  const double t = std::fabs(x);
  const double s = x > 0 ? 1.0 : (x < 0 ? -1.0 : 0.0);
  if (t <= 0.5) {
    const double ratio = t * polyeval(7, P1, t - 0.25) / polyeval(8, Q1, t - 0.25);
    return x < 0 ? -ratio : ratio;
  }
  if (t <= 2.0) {
    return s * (1.0 - polyeval(8, P2, t - 0.5) / (polyeval(9, Q2, t - 0.5) * std::exp(x * x)));
  }
  if (t <= 5.0) {
    return s * (1.0 - polyeval(8, P3, t - 2.0) / (polyeval(9, Q3, t - 2.0) * std::exp(x * x)));
  }
  if (t > 5.0) {
    const double E = std::exp(x * x);
    if (!std::isfinite(E)) return s;
    const double u = 1.0 / (x * x);
    return s * (1.0 - polyeval(9, P4, u) / polyeval(9, Q4, u) / (t * sqrtpi) / E);
  }
  return x;  // not a number: it propagates
}

double normalcdf(double x, double mean, double s) {
  return 0.5 + 0.5 * errorfunction((x - mean) / (s * sqrt2));
}


normalcdfpair normalcdfboth(double x) {
  const double e = errorfunction(x / sqrt2);
  if (std::isnan(e)) return {0.5 + 0.5 * e, normalcdf(-x)};
  return {0.5 + 0.5 * e, 0.5 - 0.5 * e};
}

double bivariatenormalcdf(double a, double b, double rho) {
  if (a <= 0 && b <= 0 && rho <= 0) {
    const double scale = std::sqrt(2.0 * (1.0 - rho * rho));
    const double ap = a / scale;
    const double bp = b / scale;
    double sum = 0.0;
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) {
        sum += A[i] * A[j] *
               std::exp(ap * (2.0 * B[i] - ap) + bp * (2.0 * B[j] - bp) +
                        2.0 * rho * (B[i] - ap) * (B[j] - bp));
      }
    }
    return std::sqrt(1.0 - rho * rho) / pi * sum;
  }
  const double product = a * b * rho;
  if (product <= 0) {
    if (a <= 0 && b >= 0 && rho >= 0) return normalcdf(a) - bivariatenormalcdf(a, -b, -rho);
    if (a >= 0 && b <= 0 && rho >= 0) return normalcdf(b) - bivariatenormalcdf(-a, b, -rho);
    if (a >= 0 && b >= 0 && rho <= 0)
      return normalcdf(a) + normalcdf(b) - 1.0 + bivariatenormalcdf(-a, -b, rho);
  } else if (product > 0) {
    const double D = std::sqrt(a * a - 2.0 * rho * a * b + b * b);
    const double rho1 = (rho * a - b) * sign(a) / D;
    const double rho2 = (rho * b - a) * sign(b) / D;
    const double delta = (1.0 - sign(a) * sign(b)) / 4.0;
    return bivariatenormalcdf(a, 0.0, rho1) + bivariatenormalcdf(b, 0.0, rho2) - delta;
  }
  // Only a NaN argument fails every test above. The rule answers -99.9 there, which a caller would
  // take for a number; NaN travels on instead.
  return std::numeric_limits<double>::quiet_NaN();
}

double inversenormalcdf(double p) {
  if (p <= 0 || p >= 1) return undefinedvalue();
  const double q = p < 1.0 - p ? p : 1.0 - p;
  double x;
  if (q > 0.02425) {
    const double r = (q - 0.5) * (q - 0.5);
    x = (q - 0.5) * (((((a1 * r + a2) * r + a3) * r + a4) * r + a5) * r + a6) /
        (((((b1 * r + b2) * r + b3) * r + b4) * r + b5) * r + 1.0);
  } else {
    const double u = std::sqrt(-2.0 * std::log(q));
    x = (((((c1 * u + c2) * u + c3) * u + c4) * u + c5) * u + c6) /
        ((((d1 * u + d2) * u + d3) * u + d4) * u + 1.0);
  }
  const double e = normalcdf(x) - q;
  const double v = e * sqrt2pi * std::exp(x * x / 2.0);
  x = x - v / (1.0 + x * v / 2.0);
  return p > 0.5 ? -x : x;
}
