// The codes of the two-asset rainbow family and their handler.
#ifndef KZR_CLOSEDFORM_EUROPEANRAINBOWTWOASSETCODES_H
#define KZR_CLOSEDFORM_EUROPEANRAINBOWTWOASSETCODES_H

#include "binding/codetable.h"

namespace EuropeanRainbowTwoAsset {

enum rainbowvariant {
  best = 0,      // max(S1, S2)
  worst = 1,     // min(S1, S2)
  callmax = 2,   // max(max(S1, S2) - X, 0)
  putmax = 3,    // max(X - max(S1, S2), 0)
  callmin = 4,   // max(min(S1, S2) - X, 0)
  putmin = 5,    // max(X - min(S1, S2), 0)
  bestcash = 6,  // max(S1, S2, X)
};

inline constexpr coderow rainbowcodes[] = {
    {"RAINBOWBEST2EO", best, "T, S1, S2, sigma1, sigma2, rho, r, q1, q2",
     "Better of two assets, pays max(S1, S2)"},
    {"RAINBOWWORST2EO", worst, "T, S1, S2, sigma1, sigma2, rho, r, q1, q2",
     "Worse of two assets, pays min(S1, S2)"},
    {"RAINBOWMAX2ECO", callmax, "T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X",
     "Call on the maximum of two assets"},
    {"RAINBOWMAX2EPO", putmax, "T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X",
     "Put on the maximum of two assets"},
    {"RAINBOWMIN2ECO", callmin, "T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X",
     "Call on the minimum of two assets"},
    {"RAINBOWMIN2EPO", putmin, "T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X",
     "Put on the minimum of two assets"},
    {"RAINBOWBEST2MONEYEO", bestcash, "T, S1, S2, sigma1, sigma2, rho, r, q1, q2, X",
     "Best of two assets and cash, pays max(S1, S2, X)"},
};

extern const scalarhandlerentry rainbowhandler;

}  // namespace EuropeanRainbowTwoAsset

// Negative rates and yields (library option 4): the formulas hold for any r, q1 and q2.
template <>
inline constexpr bool acceptsnegativerates<EuropeanRainbowTwoAsset::rainbowcodes> = true;

// Every code takes the precise bivariate normal under library option 1.
template <>
inline constexpr parameterreader codeparametersof<EuropeanRainbowTwoAsset::rainbowcodes> =
    preciseeverycode;

#endif  // KZR_CLOSEDFORM_EUROPEANRAINBOWTWOASSETCODES_H
