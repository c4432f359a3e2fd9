// The codes of the American spread family and their handler.
#ifndef KZR_FINITEDIFFERENCE_AMERICANSPREADCODES_H
#define KZR_FINITEDIFFERENCE_AMERICANSPREADCODES_H

#include "binding/codetable.h"
#include "closedform/EuropeanSpreadCodes.h"
#include "closedform/optionside.h"

namespace AmericanSpread {

// Exercised at any node, a spread call pays max(S1 - S2 - K, 0), a put max(K - (S1 - S2), 0).
inline constexpr coderow spreadcodes[] = {
    {"SPREADACO", call, "T, S1, S2, K, sigma1, sigma2, rho, r, q1, q2",
     "American spread call, max(S1 - S2 - K, 0) (--steps)"},
    {"SPREADAPO", put, "T, S1, S2, K, sigma1, sigma2, rho, r, q1, q2",
     "American spread put, max(K - (S1 - S2), 0) (--steps)"},
};

extern const scalarhandlerentry spreadhandler;

}  // namespace AmericanSpread

// The European spread's lattice, with exercise at every node: the same levels.
template <>
inline constexpr parameterreader codeparametersof<AmericanSpread::spreadcodes> =
    EuropeanSpread::americanparametersofcode;

#endif  // KZR_FINITEDIFFERENCE_AMERICANSPREADCODES_H
