// The codes of the American vanilla family and their handler.
#ifndef KZR_FINITEDIFFERENCE_AMERICANVANILLACODES_H
#define KZR_FINITEDIFFERENCE_AMERICANVANILLACODES_H

#include "binding/codetable.h"
#include "finitedifference/gridsizes.h"

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

// The American tree's steps: entry 4 with its flag set (the BIN codes, and the trees other
// families price with it).
constexpr std::int64_t defaultsteps = 100;

// The BIN codes on a tree, the BSA codes on a grid; under the precise numerics every code prices
// from the exercise boundary and reads neither.
constexpr codeparameters parametersofcode(int variant) {
  const bool tree = variant == binomialcallvalue || variant == binomialputvalue ||
                    variant == binomialcallcrit || variant == binomialputcrit;
  codeparameters parameters;
  parameters.sizes[0] = tree ? stepsof(defaultsteps).unreadunderprecise()
                             : gridsize(defaultnspace, defaultntime).unreadunderprecise();
  parameters.precise = true;
  return parameters;
}

}  // namespace AmericanVanilla

// Negative rates and yields (library option 4): accepted, with the limits of AmericanVanilla.h.
template <>
inline constexpr bool acceptsnegativerates<AmericanVanilla::americanvanillacodes> = true;

template <>
inline constexpr parameterreader codeparametersof<AmericanVanilla::americanvanillacodes> =
    AmericanVanilla::parametersofcode;

#endif  // KZR_FINITEDIFFERENCE_AMERICANVANILLACODES_H
