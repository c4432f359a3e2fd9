// The codes of the American options on two assets and their handler. The variants are those of
// the European options on two assets, whose inputs they take in the same order.
#ifndef KZR_FINITEDIFFERENCE_AMERICANRAINBOWTWOASSETCODES_H
#define KZR_FINITEDIFFERENCE_AMERICANRAINBOWTWOASSETCODES_H

#include "binding/codetable.h"
#include "closedform/EuropeanRainbowTwoAssetCodes.h"
#include "closedform/TwoAssetLattice.h"

namespace AmericanRainbowTwoAsset {

inline constexpr coderow rainbowcodes[] = {
    {"RAINBOWBEST2AO", EuropeanRainbowTwoAsset::best, "T, S1, S2, sigma1, sigma2, rho, r, q1, q2",
     "American better of two assets, pays max(S1, S2)"},
    {"RAINBOWWORST2AO", EuropeanRainbowTwoAsset::worst, "T, S1, S2, sigma1, sigma2, rho, r, q1, q2",
     "American worse of two assets, pays min(S1, S2)"},
    {"RAINBOWMAX2ACO", EuropeanRainbowTwoAsset::callmax,
     "T, S1, S2, sigma1, sigma2, rho, r, q1, q2, K", "American call on the maximum of two assets"},
    {"RAINBOWMAX2APO", EuropeanRainbowTwoAsset::putmax,
     "T, S1, S2, sigma1, sigma2, rho, r, q1, q2, K", "American put on the maximum of two assets"},
    {"RAINBOWMIN2ACO", EuropeanRainbowTwoAsset::callmin,
     "T, S1, S2, sigma1, sigma2, rho, r, q1, q2, K", "American call on the minimum of two assets"},
    {"RAINBOWMIN2APO", EuropeanRainbowTwoAsset::putmin,
     "T, S1, S2, sigma1, sigma2, rho, r, q1, q2, K", "American put on the minimum of two assets"},
    {"RAINBOWBEST2MONEYAO", EuropeanRainbowTwoAsset::bestcash,
     "T, S1, S2, sigma1, sigma2, rho, r, q1, q2, K",
     "American best of two assets and cash, max(S1, S2, K)"},
};

extern const scalarhandlerentry rainbowhandler;

constexpr int rainbowlevels = 200;  // the lattice's levels, whatever the parameter block says

// Whether the precise option's improved lattice serves the variant (AmericanRainbowTwoAsset.h):
// not where the payoff's kink on P1 = P2 is concave (min(P1, P2), max(K - max(P1, P2), 0),
// max(min(P1, P2) - K, 0)), which then lies inside the exercise region at every date.
constexpr bool improvable(int variant) {
  return variant != EuropeanRainbowTwoAsset::worst && variant != EuropeanRainbowTwoAsset::putmax &&
         variant != EuropeanRainbowTwoAsset::callmin;
}

// Without the precise option every code takes rainbowlevels and reads no entry; under it every
// code reads entry 4, the improved ones defaulting to the improved lattice's levels, the others
// to the design's lattice at rainbowlevels.
constexpr codeparameters parametersofcode(int variant) {
  codeparameters parameters;
  parameters.sizes[0] = fixedlevelsreadunderprecise(
      rainbowlevels, improvable(variant) ? TwoAssetLattice::improvedlevels : rainbowlevels);
  parameters.precise = true;
  return parameters;
}

}  // namespace AmericanRainbowTwoAsset

template <>
inline constexpr parameterreader codeparametersof<AmericanRainbowTwoAsset::rainbowcodes> =
    AmericanRainbowTwoAsset::parametersofcode;

#endif  // KZR_FINITEDIFFERENCE_AMERICANRAINBOWTWOASSETCODES_H
