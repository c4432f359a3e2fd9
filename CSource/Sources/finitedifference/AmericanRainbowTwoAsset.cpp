#include "finitedifference/AmericanRainbowTwoAsset.h"

#include "binding/tablehandler.h"
#include "closedform/EuropeanRainbowTwoAsset.h"
#include "closedform/TwoAssetLattice.h"
#include "finitedifference/AmericanRainbowTwoAssetCodes.h"
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

// The variant's value on the lattice of rainbowlevels levels with exercise at every node (K is 0
// for best and worst, which do not read it). The variant is a template argument so that the
// payoff at each of the 2.7 million nodes is the variant's own expression.
template <rainbowvariant variant>
double latticevalue(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                    double r, double q1, double q2, double K) {
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
  return TwoAssetLattice::twoassetlatticeof(contract, rainbowlevels, g);
}

}  // namespace

double rainbowbest(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                   double r, double q1, double q2) {
  return latticevalue<EuropeanRainbowTwoAsset::best>(T, S1, S2, sigma1, sigma2, rho, r, q1, q2,
                                                     0.0);
}

double rainbowworst(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                    double r, double q1, double q2) {
  return latticevalue<EuropeanRainbowTwoAsset::worst>(T, S1, S2, sigma1, sigma2, rho, r, q1, q2,
                                                      0.0);
}

double rainbowcallmax(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                      double r, double q1, double q2, double K) {
  return latticevalue<EuropeanRainbowTwoAsset::callmax>(T, S1, S2, sigma1, sigma2, rho, r, q1, q2,
                                                        K);
}

double rainbowputmax(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                     double r, double q1, double q2, double K) {
  return latticevalue<EuropeanRainbowTwoAsset::putmax>(T, S1, S2, sigma1, sigma2, rho, r, q1, q2,
                                                       K);
}

double rainbowcallmin(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                      double r, double q1, double q2, double K) {
  return latticevalue<EuropeanRainbowTwoAsset::callmin>(T, S1, S2, sigma1, sigma2, rho, r, q1, q2,
                                                        K);
}

double rainbowputmin(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                     double r, double q1, double q2, double K) {
  return latticevalue<EuropeanRainbowTwoAsset::putmin>(T, S1, S2, sigma1, sigma2, rho, r, q1, q2,
                                                       K);
}

double rainbowbestcash(double T, double S1, double S2, double sigma1, double sigma2, double rho,
                       double r, double q1, double q2, double K) {
  return latticevalue<EuropeanRainbowTwoAsset::bestcash>(T, S1, S2, sigma1, sigma2, rho, r, q1, q2,
                                                         K);
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
