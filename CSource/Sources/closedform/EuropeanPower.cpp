#include "closedform/EuropeanPower.h"

#include <boost/math/policies/policy.hpp>
#include <boost/math/quadrature/tanh_sinh.hpp>
#include <cmath>
#include <cstdint>
#include <optional>

#include "binding/libraryoptions.h"

#include "binding/ratesigns.h"
#include "binding/tablehandler.h"
#include "closedform/EuropeanPowerCodes.h"
#include "closedform/optionside.h"
#include "numerics/comparisons.h"
#include "numerics/crrtree.h"
#include "numerics/messages.h"
#include "numerics/normaldistribution.h"
#include "numerics/undefined.h"

namespace EuropeanPower {

namespace {

bool refused(double T, double S, double K, double sigma, double r, double q) {
  return T < 0 || S < 0 || K <= 0 || sigma <= 0 || signrefused(r) || signrefused(q);
}

// G = S^i * e^(((i - 1)(r + i sigma^2 / 2) - i q) T): the discounted expectation of S_T^i, from
// Si = S^i.
double discountedpowerforward(double T, double Si, double sigma, double r, double q, double i) {
  return Si * std::exp(((i - 1.0) * (r + i * sigma * sigma / 2.0) - i * q) * T);
}

struct dterms {
  double d1, d2;
};

// d1 and d2 for the level K (compared with S^i), each from its own numerator.
dterms powerterms(double T, double S, double K, double sigma, double r, double q, double i) {
  const double logmoneyness = std::log(S / std::pow(K, 1.0 / i));
  const double deviation = sigma * std::sqrt(T);
  const double b = r - q;
  return {(logmoneyness + (b + (i - 0.5) * sigma * sigma) * T) / deviation,
          (logmoneyness + (b - sigma * sigma / 2.0) * T) / deviation};
}

double asymmetric(optionside side, double T, double S, double K, double sigma, double r, double q,
                  double i) {
  if (refused(T, S, K, sigma, r, q) || i <= 0) return undefinedvalue();
  if (S == 0) return side == call ? 0.0 : K * std::exp(-r * T);
  const double Si = std::pow(S, i);
  if (T == 0) return side == call ? maxof(Si - K, 0.0) : maxof(K - Si, 0.0);
  const double G = discountedpowerforward(T, Si, sigma, r, q, i);
  const dterms d = powerterms(T, S, K, sigma, r, q, i);
  if (side == call) return G * normalcdf(d.d1) - K * std::exp(-r * T) * normalcdf(d.d2);
  return K * std::exp(-r * T) * normalcdf(-d.d2) - G * normalcdf(-d.d1);
}

double capped(optionside side, double T, double S, double K, double sigma, double r, double q,
              double i, double C) {
  if (refused(T, S, K, sigma, r, q) || i <= 0 || C < 0) return undefinedvalue();
  // The put pays at most K, so a cap at or above K never binds.
  if (side == put && C >= K) return asymmetric(put, T, S, K, sigma, r, q, i);
  // An infinite cap is no cap (the formula would meet infinity times zero).
  if (side == call && std::isinf(C)) return asymmetric(call, T, S, K, sigma, r, q, i);
  if (S == 0) return side == call ? 0.0 : minof(K, C) * std::exp(-r * T);
  const double Si = std::pow(S, i);
  if (T == 0) return side == call ? minof(maxof(Si - K, 0.0), C) : minof(maxof(K - Si, 0.0), C);
  const double G = discountedpowerforward(T, Si, sigma, r, q, i);
  const double discount = std::exp(-r * T);
  const dterms d = powerterms(T, S, K, sigma, r, q, i);
  const double secondlevel = side == call ? K + C : K - C;  // K'
  const dterms e = powerterms(T, S, secondlevel, sigma, r, q, i);
  if (side == call)
    return G * (normalcdf(d.d1) - normalcdf(e.d1)) -
           discount * (K * normalcdf(d.d2) - secondlevel * normalcdf(e.d2));
  return discount * (K * normalcdf(-d.d2) - secondlevel * normalcdf(-e.d2)) -
         G * (normalcdf(-d.d1) - normalcdf(-e.d1));
}

double symmetricpayoff(optionside side, double price, double K, double i) {
  return std::pow(side == call ? maxof(price - K, 0.0) : maxof(K - price, 0.0), i);
}

// The quadrature of EuropeanPower.h: no error is raised (a NaN bound gives NaN, a tolerance not
// met the last estimate); the integrands are finite by construction.
using quietpolicy = boost::math::policies::policy<
    boost::math::policies::domain_error<boost::math::policies::ignore_error>,
    boost::math::policies::evaluation_error<boost::math::policies::ignore_error>>;

using quadrature = boost::math::quadrature::tanh_sinh<double, quietpolicy>;

constexpr double quadraturetolerance = 1e-9;  // relative, between two levels of the rule
constexpr double tailwidth = 40.0;             // deviations past the mode: e^(-800) of its height

// e^(-rT) E[max(phi (S_T - K), 0)^i] over the lognormal law, for positive finite S, K, T,
// sigma and finite r, q, i (i <= 0: the tree's payoff, 1 or +inf where it does not pay).
// The rule's abscissae are made once per price (about ten microseconds) and serve every node.
double symmetricintegral(quadrature& rule, optionside side, double T, double S, double K,
                         double sigma, double r, double q, double i) {
  if (!(i > 0)) return std::exp(-r * T) * std::pow(0.0, i);
  const double s = sigma * std::sqrt(T);
  // log(S_T / K) = m + s z with z standard normal; t >= 0 the distance in z from the kink.
  const double m = std::log(S / K) + (r - q) * T - s * s / 2.0;
  const double c = side == call ? m / s : -m / s;
  const double scale = i * std::log(K) - r * T - 0.5 * std::log(2.0 * M_PI);
  // The rule's two-argument form (the point and its distance to the nearer end), whose points
  // may round onto an end of the interval; the payoff is 0 at the kink.
  const auto integrand = [=](double t, double) {
    if (!(t > 0)) return 0.0;
    const double x = s * t;
    // log(e^x - 1) for the call, log(1 - e^-x) for the put, without overflow or cancellation.
    const double L = side == call ? (x > 30.0 ? x + std::log1p(-std::exp(-x))
                                              : std::log(std::expm1(x)))
                                  : std::log(-std::expm1(-x));
    const double d = t - c;
    return std::exp(scale + i * L - d * d / 2.0);
  };
  // The log of the integrand is concave with curvature below -1; its mode lies at or just past
  // c + i s (call) or c (put).
  const double mode = maxof(side == call ? c + i * s : c, 0.0);
  double value = 0.0;
  if (mode > 0) value += rule.integrate(integrand, 0.0, mode, quadraturetolerance);
  value += rule.integrate(integrand, mode, mode + tailwidth, quadraturetolerance);
  return value;
}

// The one-step European value of the payoff from a node of price X (step dt): the integral, or
// the payoff where the node price is 0 or not finite.
double onestepvalue(quadrature& rule, optionside side, double dt, double X, double K,
                    double sigma, double r, double q, double i) {
  if (X == 0) return side == call ? 0.0 : std::pow(K, i) * std::exp(-r * dt);
  if (!std::isfinite(X)) return symmetricpayoff(side, X, K, i);
  return symmetricintegral(rule, side, dt, X, K, sigma, r, q, i);
}

// The tree of entry 4's steps, or undefined after its message.
std::optional<crrtree> symmetrictree(double T, double sigma, double r, double q,
                                     std::int64_t steps) {
  if (!treestepsadmissible(steps)) {
    writemessage(messages::treesteps);
    return std::nullopt;
  }
  crrtree tree(T, sigma, r - q, r, steps, crrsquare::power);
  if (tree.probabilityoutside()) {  // a drift too strong for the step: the weights are no law
    writemessage(messages::treeprobability);
    return std::nullopt;
  }
  return tree;
}

double smoothedtreevalue(quadrature& rule, crrtree& tree, optionside side, double T,
                         double S, double K, double sigma, double r, double q, double i) {
  const double dt = T / static_cast<double>(tree.steps());
  return tree.smoothedeuropeanvalue(S, [&rule, side, dt, K, sigma, r, q, i](double X) {
    return onestepvalue(rule, side, dt, X, K, sigma, r, q, i);
  });
}

enum class method { design, improved, converged };

double symmetric(optionside side, double T, double S, double K, double sigma, double r, double q,
                 double i, std::int64_t steps, method how) {
  if (refused(T, S, K, sigma, r, q)) return undefinedvalue();
  if (S == 0) return side == call ? 0.0 : std::pow(K, i) * std::exp(-r * T);
  if (T == 0) return symmetricpayoff(side, S, K, i);
  if (how != method::design) {
    if (anynan({T, S, K, sigma, r, q, i})) return nanresult();
    const bool finite = !anyinfinite({T, S, K, sigma, r, q, i});  // NaNs answered above
    if (finite && how == method::converged) {
      quadrature rule;
      return symmetricintegral(rule, side, T, S, K, sigma, r, q, i);
    }
    if (!finite) how = method::design;  // infinite inputs: the design's tree
  }
  std::optional<crrtree> tree = symmetrictree(T, sigma, r, q, steps);
  if (!tree) return undefinedvalue();
  if (how == method::design)
    return tree->europeanvalue(
        S, [side, K, i](double price) { return symmetricpayoff(side, price, K, i); });
  quadrature rule;
  const double full = smoothedtreevalue(rule, *tree, side, T, S, K, sigma, r, q, i);
  const std::int64_t half = steps / 2;
  if (half < 1) return full;
  crrtree coarse(T, sigma, r - q, r, half, crrsquare::power);
  if (coarse.probabilityoutside()) return full;
  const double halfvalue = smoothedtreevalue(rule, coarse, side, T, S, K, sigma, r, q, i);
  if (!std::isfinite(full - halfvalue)) return full;  // overflowed node prices: no difference
  return maxof(extrapolatedinsteps(steps, full, half, halfvalue), 0.0);
}

}  // namespace

double powercall(double T, double S, double K, double sigma, double r, double q, double i) {
  return asymmetric(call, T, S, K, sigma, r, q, i);
}

double powerput(double T, double S, double K, double sigma, double r, double q, double i) {
  return asymmetric(put, T, S, K, sigma, r, q, i);
}

double cappedpowercall(double T, double S, double K, double sigma, double r, double q, double i,
                       double C) {
  return capped(call, T, S, K, sigma, r, q, i, C);
}

double cappedpowerput(double T, double S, double K, double sigma, double r, double q, double i,
                      double C) {
  return capped(put, T, S, K, sigma, r, q, i, C);
}

double symmetricpowercall(double T, double S, double K, double sigma, double r, double q, double i,
                          std::int64_t steps) {
  return symmetric(call, T, S, K, sigma, r, q, i, steps, method::design);
}

double symmetricpowerput(double T, double S, double K, double sigma, double r, double q, double i,
                         std::int64_t steps) {
  return symmetric(put, T, S, K, sigma, r, q, i, steps, method::design);
}

namespace {

// The symmetric codes: the steps of parameter entry 4 and the method the precise option chooses.
double symmetricofentry(optionside side, double T, double S, double K, double sigma, double r,
                        double q, double i, const parameterblock* block) {
  const std::int64_t steps = entryinteger(*block, entrysteps, 0, defaulttreesteps);
  const method how = !precisenumerics(*block)              ? method::design
                     : usesdefault(*block, entrysteps) ? method::converged
                                                           : method::improved;
  return symmetric(side, T, S, K, sigma, r, q, i, steps, how);
}
double symmetriccallofentry(double T, double S, double K, double sigma, double r, double q,
                            double i, parameterblock* block) {
  return symmetricofentry(call, T, S, K, sigma, r, q, i, block);
}
double symmetricputofentry(double T, double S, double K, double sigma, double r, double q, double i,
                           parameterblock* block) {
  return symmetricofentry(put, T, S, K, sigma, r, q, i, block);
}

}  // namespace

const scalarhandlerentry powerhandler =
    handlerentryof<powercodes, refusal::silent, formulafor<asymmetriccall, powercall>,
                   formulafor<asymmetricput, powerput>, formulafor<cappedcall, cappedpowercall>,
                   formulafor<cappedput, cappedpowerput>,
                   formulafor<symmetriccall, symmetriccallofentry>,
                   formulafor<symmetricput, symmetricputofentry>>();

}  // namespace EuropeanPower
