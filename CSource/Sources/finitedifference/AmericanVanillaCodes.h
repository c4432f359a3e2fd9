// The codes of the American vanilla family and their handler.
#ifndef KZR_FINITEDIFFERENCE_AMERICANVANILLACODES_H
#define KZR_FINITEDIFFERENCE_AMERICANVANILLACODES_H

#include "binding/codetable.h"

namespace AmericanVanilla {

enum americanvariant {
  binomialcallvalue = 0,  // BINACO
  binomialputvalue = 1,   // BINAPO
  gridcallvalue = 2,      // BSACO
  gridputvalue = 3,       // BSAPO
  binomialcallcrit = 4,   // BINACOCrit
  binomialputcrit = 5,    // BINAPOCrit
  gridcallcrit = 6,       // BSACOCrit
  gridputcrit = 7,        // BSAPOCrit
};

inline constexpr coderow americanvanillacodes[] = {
    {"BINACO", binomialcallvalue, "T, S, K, sigma, r, q", "American call, binomial tree"},
    {"BINAPO", binomialputvalue, "T, S, K, sigma, r, q", "American put, binomial tree"},
    {"BSACO", gridcallvalue, "T, S, K, sigma, r, q", "American call, finite-difference grid"},
    {"BSAPO", gridputvalue, "T, S, K, sigma, r, q", "American put, finite-difference grid"},
    {"BINACOCrit", binomialcallcrit, "T, K, sigma, r, q",
     "American call critical price, binomial tree"},
    {"BINAPOCrit", binomialputcrit, "T, K, sigma, r, q",
     "American put critical price, binomial tree"},
    {"BSACOCrit", gridcallcrit, "T, K, sigma, r, q",
     "American call critical price, finite differences"},
    {"BSAPOCrit", gridputcrit, "T, K, sigma, r, q",
     "American put critical price, finite differences"},
};

extern const scalarhandlerentry americanvanillahandler;

}  // namespace AmericanVanilla

// Negative rates and yields (library option 4): accepted, with the limits of AmericanVanilla.h.
template <>
inline constexpr bool acceptsnegativerates<AmericanVanilla::americanvanillacodes> = true;

#endif  // KZR_FINITEDIFFERENCE_AMERICANVANILLACODES_H
