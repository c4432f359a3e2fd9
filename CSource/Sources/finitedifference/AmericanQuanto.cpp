#include "finitedifference/AmericanQuanto.h"

#include <cmath>
#include <cstdint>
#include <optional>

#include "binding/libraryoptions.h"
#include "binding/tablehandler.h"
#include "closedform/BlackScholes.h"
#include "closedform/EuropeanQuanto.h"
#include "closedform/optionside.h"
#include "finitedifference/AmericanQuantoCodes.h"
#include "finitedifference/AmericanVanilla.h"
#include "numerics/comparisons.h"
#include "numerics/crrtree.h"
#include "numerics/messages.h"
#include "numerics/undefined.h"

namespace AmericanQuanto {

namespace {

// The exercise value of a call or put on the tree price X, scaled by the amount one unit pays.
struct exercisevalue {
  optionside side;
  double K;
  double scale;  // 1 at the floating rate, Ep at the fixed rate
  double operator()(double X) const {
    return side == call ? scale * maxof(X - K, 0.0) : scale * maxof(K - X, 0.0);
  }
  // Per unit of the price, y = 1 / X, for a tree whose node prices overflowed.
  double perunit(double y) const {
    return side == call ? scale * maxof(1.0 - K * y, 0.0) : scale * maxof(K * y - 1.0, 0.0);
  }
};

// The smoothed tree's last step: the European value over one step dt from a node of price X, by
// the Black-76 closed form on the forward X e^(growth dt), which takes a growth of either sign.
// A node price that underflowed to 0 or overflowed has no forward: its exercise value, which
// then bounds the European step's from above, is what the node takes. Per unit of the price
// (y = 1 / X), the closed form is homogeneous: Black-76 on the forward e^(growth dt) and the
// strike K y.
struct europeanstep {
  const exercisevalue& g;
  double dt, carry, sigma, r;
  double black76(double F, double K) const {
    const double european = g.side == call ? BlackScholes::black76call(dt, F, K, sigma, r)
                                           : BlackScholes::black76put(dt, F, K, sigma, r);
    return g.scale * european;
  }
  double operator()(double X) const {
    const double F = X * carry;
    if (!(F > 0 && F < HUGE_VAL)) return g(X);
    return black76(F, g.K);
  }
  double perunit(double y) const {
    const double K = g.K * y;
    if (!(K > 0 && K < HUGE_VAL)) return g.perunit(y);
    return black76(carry, K);
  }
};

bool precise(const parameterblock* block) {
  return readlibraryoptions(*block).numerics == bivariatemethod::precise;
}

// The smoothed tree of AmericanQuanto.h: the European step at the last level, a closed form.
double smoothedvalue(crrtree& tree, double dt, double X0, double sigma, double growth, double r,
                     const exercisevalue& g) {
  return tree.smoothedamericanvalue(X0, g, europeanstep{g, dt, std::exp(growth * dt), sigma, r});
}

// The American value of g on the tree of the underlying X0 with volatility sigma and growth b per
// year, discounted at r, with the steps of parameter entry 4; undefined after a message when the
// tree cannot be built. The inputs are numbers here (NaN answered before). Under the precise
// option the smoothed trees of n and n/2 steps, extrapolated (AmericanQuanto.h).
double treevalue(double T, double X0, double sigma, double growth, double r, const exercisevalue& g,
                 const parameterblock* block) {
  const bool converged = precise(block);
  const std::int64_t steps = entryinteger(
      *block, entrysteps, 0, converged ? precisedefaultsteps : AmericanVanilla::defaultsteps);
  std::optional<crrtree> tree =
      checkedcrrtree(T, sigma, growth, r, steps, crrsquare::product, true);
  if (!tree) return undefinedvalue();
  if (!converged) return tree->americanvalue(X0, g);
  const double full = smoothedvalue(*tree, T / steps, X0, sigma, growth, r, g);
  const std::int64_t half = steps / 2;
  if (half < 1) return full;
  crrtree coarse(T, sigma, growth, r, half, crrsquare::product);
  if (!(coarse.probability() >= 0 && coarse.probability() <= 1)) return full;
  const double halfvalue = smoothedvalue(coarse, T / half, X0, sigma, growth, r, g);
  if (!std::isfinite(full - halfvalue)) return full;  // overflowed node prices: no difference
  return maxof(extrapolatedinsteps(steps, full, half, halfvalue), g(X0));
}

// E*S without volatility grows as X0 e^((r - q) t): the largest discounted exercise value over
// t in [0, T] of phi (X0 e^(-qt) - K e^(-rt)), checked at both ends and at its one stationary
// point (a NaN or infinite t* when r = q, r = 0 or q = 0 lies outside (0, T)).
double deterministicvalue(optionside side, double T, double X0, double K, double r, double q) {
  const double phi = side == call ? 1.0 : -1.0;
  const auto at = [&](double t) {
    return maxof(phi * (X0 * std::exp(-q * t) - K * std::exp(-r * t)), 0.0);
  };
  double value = maxof(at(0.0), at(T));
  const double stationary = std::log(r * K / (q * X0)) / (r - q);
  if (stationary > 0 && stationary < T) value = maxof(value, at(stationary));
  return value;
}

double floating(optionside side, double T, double S, double E, double K, double sigmaS,
                double sigmaE, double rho, double r, double q, const parameterblock* block) {
  if (EuropeanQuanto::floatingrefused(T, S, E, K, sigmaS, sigmaE, rho, r, q))
    return refusedwith(messages::valueundefined);
  if (anynan({T, S, E, K, sigmaS, sigmaE, rho, r, q})) return nanresult();
  const double X0 = E * S;
  const exercisevalue g{side, K, 1.0};
  if (T == 0) return g(X0);
  const double variance = EuropeanQuanto::combinedvariance(sigmaS, sigmaE, rho);
  if (variance <= 0) return deterministicvalue(side, T, X0, K, r, q);
  return treevalue(T, X0, std::sqrt(variance), r - q, r, g, block);
}

double fixed(optionside side, double T, double S, double Ep, double K, double sigmaS, double sigmaE,
             double rho, double r, double q, double rf, const parameterblock* block) {
  if (EuropeanQuanto::fixedrefused(T, S, Ep, K, sigmaS, sigmaE, rho, r, q, rf))
    return refusedwith(messages::valueundefined);
  if (anynan({T, S, Ep, K, sigmaS, sigmaE, rho, r, q, rf})) return nanresult();
  const exercisevalue g{side, K, Ep};
  if (T == 0) return g(S);
  const double growth = EuropeanQuanto::fixedrategrowth(sigmaS, sigmaE, rho, q, rf);
  return treevalue(T, S, sigmaS, growth, r, g, block);
}

}  // namespace

double quantofloatingcall(double T, double S, double E, double K, double sigmaS, double sigmaE,
                          double rho, double r, double q, parameterblock* block) {
  return floating(call, T, S, E, K, sigmaS, sigmaE, rho, r, q, block);
}

double quantofloatingput(double T, double S, double E, double K, double sigmaS, double sigmaE,
                         double rho, double r, double q, parameterblock* block) {
  return floating(put, T, S, E, K, sigmaS, sigmaE, rho, r, q, block);
}

double quantofixedcall(double T, double S, double Ep, double K, double sigmaS, double sigmaE,
                       double rho, double r, double q, double rf, parameterblock* block) {
  return fixed(call, T, S, Ep, K, sigmaS, sigmaE, rho, r, q, rf, block);
}

double quantofixedput(double T, double S, double Ep, double K, double sigmaS, double sigmaE,
                      double rho, double r, double q, double rf, parameterblock* block) {
  return fixed(put, T, S, Ep, K, sigmaS, sigmaE, rho, r, q, rf, block);
}

const scalarhandlerentry quantohandler =
    handlerentryof<quantocodes, refusal::withmessage,
                   formulafor<EuropeanQuanto::floatingcall, quantofloatingcall>,
                   formulafor<EuropeanQuanto::floatingput, quantofloatingput>,
                   formulafor<EuropeanQuanto::fixedcall, quantofixedcall>,
                   formulafor<EuropeanQuanto::fixedput, quantofixedput>>();

}  // namespace AmericanQuanto
