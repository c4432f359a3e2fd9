#include "closedform/EuropeanSpread.h"

#include <cmath>
#include <initializer_list>

#include <boost/math/quadrature/gauss_kronrod.hpp>

#include "binding/libraryoptions.h"

#include "binding/ratesigns.h"
#include "binding/tablehandler.h"
#include "closedform/EuropeanSpreadCodes.h"
#include "closedform/TwoAssetLattice.h"
#include "numerics/comparisons.h"
#include "numerics/messages.h"
#include "numerics/normaldistribution.h"
#include "numerics/undefined.h"

namespace EuropeanSpread {

namespace {

bool spreadrefused(double T, double S1, double S2, double X, double sigma1, double sigma2,
                   double rho, double r, double q1, double q2) {
  return S1 <= 0 || S2 <= 0 || T < 0 || X <= 0 || sigma1 <= 0 || sigma2 <= 0 || rho < -1 ||
         rho > 1 || signrefused(r) || signrefused(q1) || signrefused(q2);
}

double spreadpayoff(optionside side, double P1, double P2, double X) {
  return side == call ? maxof(P1 - P2 - X, 0.0) : maxof(X - (P1 - P2), 0.0);
}

// The undiscounted Black value of a call or put on a forward F at strike K with deviation v
// (sigma sqrt(T)); v = 0 gives the payoff at F.
double undiscountedblack(optionside side, double F, double K, double v) {
  if (!(v > 0)) return side == call ? maxof(F - K, 0.0) : maxof(K - F, 0.0);
  const double d1 = std::log(F / K) / v + 0.5 * v, d2 = d1 - v;
  return side == call ? F * normalcdf(d1) - K * normalcdf(d2)
                      : K * normalcdf(-d2) - F * normalcdf(-d1);
}

// Kirk's approximation over the lattice's one step dt at the node's prices (EuropeanSpread.h):
// S2 + X taken as lognormal with the volatility S2's carries at the weight F2 / (F2 + X).
double kirkstep(optionside side, double dt, double P1, double P2, double X, double sigma1,
                double sigma2, double rho, double r, double q1, double q2) {
  const double F1 = P1 * std::exp((r - q1) * dt), F2 = P2 * std::exp((r - q2) * dt);
  const double weight = F2 / (F2 + X);
  const double variance =
      sigma1 * sigma1 - 2.0 * rho * sigma1 * sigma2 * weight + sigma2 * sigma2 * weight * weight;
  return std::exp(-r * dt) *
         undiscountedblack(side, F1, F2 + X, std::sqrt(maxof(variance, 0.0) * dt));
}

}  // namespace

double spreadbyintegral(optionside side, double T, double S1, double S2, double X, double sigma1,
                        double sigma2, double rho, double r, double q1, double q2, unsigned depth,
                        double tolerance) {
  if (T == 0) return spreadpayoff(side, S1, S2, X);
  const double root = std::sqrt(T);
  // S2 at expiry for the standard normal z, and S1's forward given z with its deviation left.
  const double drift2 = std::log(S2) + (r - q2 - 0.5 * sigma2 * sigma2) * T;
  const double drift1 = std::log(S1) + (r - q1 - 0.5 * rho * rho * sigma1 * sigma1) * T;
  const double deviation = sigma1 * std::sqrt(maxof(1.0 - rho * rho, 0.0)) * root;
  const auto integrand = [&](double z) {
    const double density = std::exp(-0.5 * z * z) * 0.3989422804014327;
    if (density == 0) return 0.0;
    const double P2 = std::exp(drift2 + sigma2 * root * z);
    const double F1 = std::exp(drift1 + rho * sigma1 * root * z);
    return density * undiscountedblack(side, F1, P2 + X, deviation);
  };
  // The density's mass lies within 9 of 0; the payoff grows at most as e^(sigma sqrt(T) z),
  // which moves the mass of the integrand by that much.
  const double reach = minof(10.0 + maxof(sigma1, sigma2) * root, 60.0);
  const double integral = boost::math::quadrature::gauss_kronrod<double, 15>::integrate(
      integrand, -reach, reach, depth, tolerance);
  return std::exp(-r * T) * integral;
}

double spreadprecise(optionside side, std::int32_t earlyexercise, double T, double S1, double S2,
                     double X, double sigma1, double sigma2, double rho, double r, double q1,
                     double q2, std::int64_t levels) {
  if (spreadrefused(T, S1, S2, X, sigma1, sigma2, rho, r, q1, q2))
    return refusedwith(messages::valueundefined);
  if (anynan({T, S1, S2, X, sigma1, sigma2, rho, r, q1, q2})) return nanresult();
  if (T == 0) return spreadpayoff(side, S1, S2, X);
  const double european = spreadbyintegral(side, T, S1, S2, X, sigma1, sigma2, rho, r, q1, q2,
                                           integraldepth, integraltolerance);
  if (earlyexercise == 0) return european;
  const TwoAssetLattice::latticecontract contract{
      T, S1, S2, sigma1, sigma2, r, q1, q2, rho, X, side == call ? 1 : -1, earlyexercise};
  const auto g = [side, X](double P1, double P2) { return spreadpayoff(side, P1, P2, X); };
  const auto laststep = [&](double dt, double P1, double P2, double continuation) {
    const double deviation = std::sqrt(maxof(sigma1 * sigma1 * P1 * P1 + sigma2 * sigma2 * P2 * P2 -
                                                 2.0 * rho * sigma1 * sigma2 * P1 * P2,
                                             0.0) *
                                       dt);
    // Node prices that underflowed to 0 or overflowed lie far from the kink.
    if (!(std::fabs(P1 - P2 - X) <= TwoAssetLattice::smoothingband * deviation) ||
        !(P1 > 0 && P2 > 0 && P1 < HUGE_VAL && P2 < HUGE_VAL))
      return continuation;
    return kirkstep(side, dt, P1, P2, X, sigma1, sigma2, rho, r, q1, q2);
  };
  return TwoAssetLattice::extrapolatedlatticeof(contract, levels, g, laststep, european);
}

double spreadonlattice(optionside side, std::int32_t earlyexercise, double T, double S1, double S2,
                       double X, double sigma1, double sigma2, double rho, double r, double q1,
                       double q2, std::int64_t levels) {
  if (spreadrefused(T, S1, S2, X, sigma1, sigma2, rho, r, q1, q2))
    return refusedwith(messages::valueundefined);
  if (T == 0) return spreadpayoff(side, S1, S2, X);
  const TwoAssetLattice::latticecontract contract{
      T, S1, S2, sigma1, sigma2, r, q1, q2, rho, X, side == call ? 1 : -1, earlyexercise};
  return TwoAssetLattice::twoassetlattice(contract, levels);
}

std::int64_t latticelevels(const parameterblock& block) {
  return entryinteger(block, entrysteps, 0, defaultlatticelevels);
}

double spreadofblock(optionside side, std::int32_t earlyexercise, double T, double S1, double S2,
                     double X, double sigma1, double sigma2, double rho, double r, double q1,
                     double q2, const parameterblock& block) {
  // Infinite inputs take the design's lattice at the same levels (the quadrature and the
  // smoothing need finite terms).
  if (precisenumerics(block) && !anyinfinite({T, S1, S2, X, sigma1, sigma2, rho, r, q1, q2}))
    return spreadprecise(side, earlyexercise, T, S1, S2, X, sigma1, sigma2, rho, r, q1, q2,
                         entryinteger(block, entrysteps, 0, TwoAssetLattice::improvedlevels));
  return spreadonlattice(side, earlyexercise, T, S1, S2, X, sigma1, sigma2, rho, r, q1, q2,
                         latticelevels(block));
}

double spreadcall(double T, double S1, double S2, double X, double sigma1, double sigma2,
                  double rho, double r, double q1, double q2, std::int64_t levels) {
  return spreadonlattice(call, 0, T, S1, S2, X, sigma1, sigma2, rho, r, q1, q2, levels);
}

double spreadput(double T, double S1, double S2, double X, double sigma1, double sigma2, double rho,
                 double r, double q1, double q2, std::int64_t levels) {
  return spreadonlattice(put, 0, T, S1, S2, X, sigma1, sigma2, rho, r, q1, q2, levels);
}

namespace {

// The codes, with the levels of parameter entry 4.
double spreadcallofentry(double T, double S1, double S2, double X, double sigma1, double sigma2,
                         double rho, double r, double q1, double q2, parameterblock* block) {
  return spreadofblock(call, 0, T, S1, S2, X, sigma1, sigma2, rho, r, q1, q2, *block);
}
double spreadputofentry(double T, double S1, double S2, double X, double sigma1, double sigma2,
                        double rho, double r, double q1, double q2, parameterblock* block) {
  return spreadofblock(put, 0, T, S1, S2, X, sigma1, sigma2, rho, r, q1, q2, *block);
}

}  // namespace

const scalarhandlerentry spreadhandler =
    handlerentryof<spreadcodes, refusal::withmessage, formulafor<call, spreadcallofentry>,
                   formulafor<put, spreadputofentry>>();

}  // namespace EuropeanSpread
