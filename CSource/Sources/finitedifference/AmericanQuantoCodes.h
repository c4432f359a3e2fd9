// The codes of the American quanto family and their handler. The variants are those of the
// European quantos, whose inputs they take in the same order.
#ifndef KZR_FINITEDIFFERENCE_AMERICANQUANTOCODES_H
#define KZR_FINITEDIFFERENCE_AMERICANQUANTOCODES_H

#include "binding/codetable.h"
#include "closedform/EuropeanQuantoCodes.h"
#include "finitedifference/AmericanVanillaCodes.h"

namespace AmericanQuanto {

inline constexpr coderow quantocodes[] = {
    {"QUANTOFSFEACO", EuropeanQuanto::floatingcall, "T, S, E, K, sigmaS, sigmaE, rho, r, q",
     "American quanto call, floating rate (tree, --steps)"},
    {"QUANTOFSFEAPO", EuropeanQuanto::floatingput, "T, S, E, K, sigmaS, sigmaE, rho, r, q",
     "American quanto put, floating rate (tree, --steps)"},
    {"QUANTOFXFEACO", EuropeanQuanto::fixedcall, "T, S, Ep, K, sigmaS, sigmaE, rho, r, q, rf",
     "American quanto call, fixed rate (tree, --steps)"},
    {"QUANTOFXFEAPO", EuropeanQuanto::fixedput, "T, S, Ep, K, sigmaS, sigmaE, rho, r, q, rf",
     "American quanto put, fixed rate (tree, --steps)"},
};

extern const scalarhandlerentry quantohandler;

// The steps of entry 4 with its flag set under the precise numerics (AmericanQuanto.h); without
// them, the American vanilla's tree steps.
constexpr std::int64_t precisedefaultsteps = 2000;

constexpr codeparameters parametersofcode(int) {
  codeparameters parameters;
  parameters.sizes[0] = stepsof(AmericanVanilla::defaultsteps).underprecise(precisedefaultsteps);
  parameters.precise = true;
  return parameters;
}

}  // namespace AmericanQuanto

template <>
inline constexpr parameterreader codeparametersof<AmericanQuanto::quantocodes> =
    AmericanQuanto::parametersofcode;

#endif  // KZR_FINITEDIFFERENCE_AMERICANQUANTOCODES_H
