// The codes of the quanto family and their handler.
#ifndef KZR_CLOSEDFORM_EUROPEANQUANTOCODES_H
#define KZR_CLOSEDFORM_EUROPEANQUANTOCODES_H

#include "binding/codetable.h"

namespace EuropeanQuanto {

enum quantovariant {
  floatingcall = 0,  // max(E_T S_T - X, 0), domestic strike
  floatingput = 1,   // max(X - E_T S_T, 0)
  fixedcall = 2,     // Ep * max(S_T - X, 0), foreign strike
  fixedput = 3,      // Ep * max(X - S_T, 0)
};

inline constexpr coderow quantocodes[] = {
    {"QUANTOFSFEECO", floatingcall, "T, S, E, X, sigmaS, sigmaE, rho, r, q",
     "Quanto call struck in domestic currency, floating rate"},
    {"QUANTOFSFEEPO", floatingput, "T, S, E, X, sigmaS, sigmaE, rho, r, q",
     "Quanto put struck in domestic currency, floating rate"},
    {"QUANTOFXFEECO", fixedcall, "T, S, Ep, X, sigmaS, sigmaE, rho, r, q, rf",
     "Quanto call at a fixed exchange rate"},
    {"QUANTOFXFEEPO", fixedput, "T, S, Ep, X, sigmaS, sigmaE, rho, r, q, rf",
     "Quanto put at a fixed exchange rate"},
};

extern const scalarhandlerentry quantohandler;

}  // namespace EuropeanQuanto

// Negative rates and yields (library option 4): the formulas hold for any r, rf and q.
template <>
inline constexpr bool acceptsnegativerates<EuropeanQuanto::quantocodes> = true;

#endif  // KZR_CLOSEDFORM_EUROPEANQUANTOCODES_H
