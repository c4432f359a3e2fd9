#include "finitedifference/AmericanRainbowTwoAsset.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "binding/libraryoptions.h"
#include "binding/tablehandler.h"
#include "closedform/EuropeanRainbowTwoAsset.h"
#include "closedform/TwoAssetLattice.h"
#include "finitedifference/AmericanRainbowTwoAssetCodes.h"
#include "numerics/comparisons.h"
#include "numerics/messages.h"
#include "numerics/undefined.h"

namespace AmericanRainbowTwoAsset {

namespace {

using EuropeanRainbowTwoAsset::rainbowpayoff;

using EuropeanRainbowTwoAsset::rainbowvariant;

// The calls and puts refuse K <= 0; best and worst have no K, best of assets and cash does not
// test it.
constexpr bool teststrike(rainbowvariant variant) {
  return variant != EuropeanRainbowTwoAsset::best && variant != EuropeanRainbowTwoAsset::worst &&
         variant != EuropeanRainbowTwoAsset::bestcash;
}

// The European value of the variant (the precise bivariate normal), the control variate and,
// over one step, the smoothing of the improved lattice.
template <rainbowvariant variant>
double europeanvalue(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                     double r, double q1, double q2, double K) {
  namespace european = EuropeanRainbowTwoAsset;
  constexpr bivariatemethod method = bivariatemethod::precise;
  switch (variant) {
    case european::best: return european::rainbowbest(T, S1, S2, sigma1, sigma2, rho, r, q1, q2);
    case european::worst: return european::rainbowworst(T, S1, S2, sigma1, sigma2, rho, r, q1, q2);
    case european::callmax:
      return european::rainbowcallmax(T, S1, S2, sigma1, sigma2, rho, r, q1, q2, K, method);
    case european::putmax:
      return european::rainbowputmax(T, S1, S2, sigma1, sigma2, rho, r, q1, q2, K, method);
    case european::callmin:
      return european::rainbowcallmin(T, S1, S2, sigma1, sigma2, rho, r, q1, q2, K, method);
    case european::putmin:
      return european::rainbowputmin(T, S1, S2, sigma1, sigma2, rho, r, q1, q2, K, method);
    default:
      // A cash amount K <= 0 is never taken: the better of the two assets (whose closed form,
      // unlike that of the cash, reads no K).
      if (K <= 0) return european::rainbowbest(T, S1, S2, sigma1, sigma2, rho, r, q1, q2);
      return european::rainbowbestcash(T, S1, S2, sigma1, sigma2, rho, r, q1, q2, K, method);
  }
}

// The improved lattice of AmericanRainbowTwoAsset.h: its levels, then the lattice smoothed at the
// nodes near the payoff's kinks (P1 = K, P2 = K, P1 = P2; a K of 0 puts the first two out of
// reach), with the European control variate, extrapolated.
template <rainbowvariant variant, typename payofffunction>
double improvedvalue(const TwoAssetLattice::latticecontract& c, double K, const payofffunction& g,
                     const parameterblock& block) {
  const std::int64_t levels = entryinteger(block, entrysteps, 0, TwoAssetLattice::improvedlevels);
  const double ratiodeviation = std::sqrt(
      maxof(c.sigma1 * c.sigma1 + c.sigma2 * c.sigma2 - 2.0 * c.rho * c.sigma1 * c.sigma2, 0.0));
  const auto laststep = [&](double dt, double P1, double P2, double continuation) {
    const double band = TwoAssetLattice::smoothingband * std::sqrt(dt);
    // Node prices that underflowed to 0 or overflowed lie far from every kink.
    const bool near = std::fabs(std::log(P1 / K)) <= band * c.sigma1 ||
                      std::fabs(std::log(P2 / K)) <= band * c.sigma2 ||
                      std::fabs(std::log(P1 / P2)) <= band * ratiodeviation;
    if (!near || !(P1 > 0 && P2 > 0 && P1 < HUGE_VAL && P2 < HUGE_VAL)) return continuation;
    return europeanvalue<variant>(dt, P1, P2, c.sigma1, c.sigma2, c.rho, c.r, c.q1, c.q2, K);
  };
  const double european =
      europeanvalue<variant>(c.T, c.S1, c.S2, c.sigma1, c.sigma2, c.rho, c.r, c.q1, c.q2, K);
  return TwoAssetLattice::extrapolatedlatticeof(c, levels, g, laststep, european);
}

// The variant's value on the lattice of rainbowlevels levels with exercise at every node (K is 0
// for best and worst, which do not read it), or under the precise option on the improved lattice.
// The variant is a template argument so that the payoff at each of the 2.7 million nodes is the
// variant's own expression.
template <rainbowvariant variant>
double latticevalue(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                    double r, double q1, double q2, double K, const parameterblock* block) {
  if (EuropeanRainbowTwoAsset::rainbowrefused(T, S1, S2, sigma1, sigma2, rho, r, q1, q2) ||
      (teststrike(variant) && K <= 0))
    return refusedwith(messages::valueundefined);
  // The payoff's max and min would drop a NaN price.
  if (anynan({T, S1, S2, sigma1, sigma2, rho, r, q1, q2, K})) return nanresult();
  const auto g = [K](double P1, double P2) { return rainbowpayoff(variant, P1, P2, K); };
  if (T == 0) return g(S1, S2);
  // The lattice reads neither the strike field nor the payoff sign: g is the payoff.
  const TwoAssetLattice::latticecontract contract{T,  S1, S2,  sigma1, sigma2, r,
                                                  q1, q2, rho, K,      1,      1};
  if (!precisenumerics(*block))
    return TwoAssetLattice::twoassetlatticeof(contract, rainbowlevels, g);
  // Infinite inputs (no closed form to smooth with) take the design's lattice at those levels.
  if (improvable(variant) && !anyinfinite({T, S1, S2, sigma1, sigma2, rho, r, q1, q2, K}))
    return improvedvalue<variant>(contract, K, g, *block);
  return TwoAssetLattice::twoassetlatticeof(contract,
                                            entryinteger(*block, entrysteps, 0, rainbowlevels), g);
}

}  // namespace

double rainbowbest(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                   double r, double q1, double q2, parameterblock* block) {
  return latticevalue<EuropeanRainbowTwoAsset::best>(T, S1, S2, sigma1, sigma2, rho, r, q1, q2, 0.0,
                                                     block);
}

double rainbowworst(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                    double r, double q1, double q2, parameterblock* block) {
  return latticevalue<EuropeanRainbowTwoAsset::worst>(T, S1, S2, sigma1, sigma2, rho, r, q1, q2,
                                                      0.0, block);
}

double rainbowcallmax(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                      double r, double q1, double q2, double K, parameterblock* block) {
  return latticevalue<EuropeanRainbowTwoAsset::callmax>(T, S1, S2, sigma1, sigma2, rho, r, q1, q2,
                                                        K, block);
}

double rainbowputmax(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                     double r, double q1, double q2, double K, parameterblock* block) {
  return latticevalue<EuropeanRainbowTwoAsset::putmax>(T, S1, S2, sigma1, sigma2, rho, r, q1, q2, K,
                                                       block);
}

double rainbowcallmin(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                      double r, double q1, double q2, double K, parameterblock* block) {
  return latticevalue<EuropeanRainbowTwoAsset::callmin>(T, S1, S2, sigma1, sigma2, rho, r, q1, q2,
                                                        K, block);
}

double rainbowputmin(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                     double r, double q1, double q2, double K, parameterblock* block) {
  return latticevalue<EuropeanRainbowTwoAsset::putmin>(T, S1, S2, sigma1, sigma2, rho, r, q1, q2, K,
                                                       block);
}

double rainbowbestcash(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                       double r, double q1, double q2, double K, parameterblock* block) {
  return latticevalue<EuropeanRainbowTwoAsset::bestcash>(T, S1, S2, sigma1, sigma2, rho, r, q1, q2,
                                                         K, block);
}

const scalarhandlerentry rainbowhandler =
    handlerentryof<rainbowcodes, refusal::withmessage,
                   formulafor<EuropeanRainbowTwoAsset::best, rainbowbest>,
                   formulafor<EuropeanRainbowTwoAsset::worst, rainbowworst>,
                   formulafor<EuropeanRainbowTwoAsset::callmax, rainbowcallmax>,
                   formulafor<EuropeanRainbowTwoAsset::putmax, rainbowputmax>,
                   formulafor<EuropeanRainbowTwoAsset::callmin, rainbowcallmin>,
                   formulafor<EuropeanRainbowTwoAsset::putmin, rainbowputmin>,
                   formulafor<EuropeanRainbowTwoAsset::bestcash, rainbowbestcash>>();

}  // namespace AmericanRainbowTwoAsset
