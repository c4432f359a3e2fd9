// The codes of the power family and their handler.
#ifndef KZR_CLOSEDFORM_EUROPEANPOWERCODES_H
#define KZR_CLOSEDFORM_EUROPEANPOWERCODES_H

#include "binding/codetable.h"

namespace EuropeanPower {

enum powervariant {
  asymmetriccall = 0,  // max(S^i - K, 0)
  asymmetricput = 1,   // max(K - S^i, 0)
  cappedcall = 2,      // min(max(S^i - K, 0), C)
  cappedput = 3,       // min(max(K - S^i, 0), C)
  symmetriccall = 4,   // max(S - K, 0)^i, binomial tree
  symmetricput = 5,    // max(K - S, 0)^i, binomial tree
};

// POWERCT has no contract of its own: it is priced as POWERECO.
inline constexpr coderow powercodes[] = {
    {"POWERECO", asymmetriccall, "T, S, K, sigma, r, q, i",
     "European power call, pays max(S^i - K, 0)"},
    {"POWEREPO", asymmetricput, "T, S, K, sigma, r, q, i",
     "European power put, pays max(K - S^i, 0)"},
    {"POWERCT", asymmetriccall, "T, S, K, sigma, r, q, i",
     "European power call, priced as POWERECO"},
    {"POWERCECO", cappedcall, "T, S, K, sigma, r, q, i, C",
     "Capped power call, pays min(max(S^i - K, 0), C)"},
    {"POWERCEPO", cappedput, "T, S, K, sigma, r, q, i, C",
     "Capped power put, pays min(max(K - S^i, 0), C)"},
    {"POWEREDECO", symmetriccall, "T, S, K, sigma, r, q, i",
     "Symmetric power call, pays max(S - K, 0)^i (tree, --steps)"},
    {"POWEREDEPO", symmetricput, "T, S, K, sigma, r, q, i",
     "Symmetric power put, pays max(K - S, 0)^i (tree, --steps)"},
};

extern const scalarhandlerentry powerhandler;

constexpr int defaulttreesteps = 100;  // the symmetric codes' tree: entry 4 with its flag set

// The symmetric codes price on a binomial tree of entry 4's steps; the others are closed forms.
// Under the precise numerics the symmetric codes integrate their payoff when entry 4 has its flag
// set and improve the tree at the steps it gives otherwise (EuropeanPower.h).
constexpr codeparameters parametersofcode(int variant) {
  if (variant != symmetriccall && variant != symmetricput) return {};
  codeparameters parameters;
  parameters.sizes[0] = stepsof(defaulttreesteps).givenonlyunderprecise();
  parameters.precise = true;
  return parameters;
}

}  // namespace EuropeanPower

template <>
inline constexpr parameterreader codeparametersof<EuropeanPower::powercodes> =
    EuropeanPower::parametersofcode;

// Negative rates and yields (library option 4): the formulas hold; the tree checks its probability.
template <>
inline constexpr bool acceptsnegativerates<EuropeanPower::powercodes> = true;

#endif  // KZR_CLOSEDFORM_EUROPEANPOWERCODES_H
