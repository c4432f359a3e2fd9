// The codes of the spread family and their handler.
#ifndef KZR_CLOSEDFORM_EUROPEANSPREADCODES_H
#define KZR_CLOSEDFORM_EUROPEANSPREADCODES_H

#include "binding/codetable.h"
#include "closedform/TwoAssetLattice.h"
#include "closedform/optionside.h"

namespace EuropeanSpread {

// A spread call pays max(S1 - S2 - X, 0), a put max(X - (S1 - S2), 0).
inline constexpr coderow spreadcodes[] = {
    {"SPREADECO", call, "T, S1, S2, X, sigma1, sigma2, rho, r, q1, q2",
     "Spread call, pays max(S1 - S2 - X, 0) (lattice, --steps)"},
    {"SPREADEPO", put, "T, S1, S2, X, sigma1, sigma2, rho, r, q1, q2",
     "Spread put, pays max(X - (S1 - S2), 0) (lattice, --steps)"},
};

extern const scalarhandlerentry spreadhandler;

// The two-asset lattice's levels (closedform/TwoAssetLattice.h): entry 4 with its flag set, for the
// spread codes, European and American.
constexpr int defaultlatticelevels = 200;

// Under the precise numerics the European codes integrate (no levels read), the American ones
// take the improved lattice, whose default levels are TwoAssetLattice::improvedlevels.
constexpr codeparameters parametersofcode(int) {
  codeparameters parameters;
  parameters.sizes[0] = levelsof(defaultlatticelevels).unreadunderprecise();
  parameters.precise = true;
  return parameters;
}
constexpr codeparameters americanparametersofcode(int) {
  codeparameters parameters;
  parameters.sizes[0] = levelsof(defaultlatticelevels).underprecise(TwoAssetLattice::improvedlevels);
  parameters.precise = true;
  return parameters;
}

}  // namespace EuropeanSpread

template <>
inline constexpr parameterreader codeparametersof<EuropeanSpread::spreadcodes> =
    EuropeanSpread::parametersofcode;

// Negative rates and yields (library option 4): the formulas hold for any r, q1 and q2.
template <>
inline constexpr bool acceptsnegativerates<EuropeanSpread::spreadcodes> = true;

#endif  // KZR_CLOSEDFORM_EUROPEANSPREADCODES_H
