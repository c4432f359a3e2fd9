// The codes of the double-barrier families (American and European) and their two handlers.
#ifndef KZR_FINITEDIFFERENCE_DOUBLEBARRIERCODES_H
#define KZR_FINITEDIFFERENCE_DOUBLEBARRIERCODES_H

#include "binding/codetable.h"
#include "finitedifference/AmericanVanillaCodes.h"
#include "finitedifference/gridsizes.h"

namespace AmericanDoubleBarrier {

enum americandoublebarriervariant {
  knockoutcalltype = 0,  // DBKNOCKOUTACO: call, dead once S <= L or S >= U
  knockincalltype = 1,   // DBKNOCKINACO: call, alive once S <= L or S >= U
  knockoutputtype = 2,   // DBKNOCKOUTAPO: put, dead once S <= L or S >= U
  knockinputtype = 3,    // DBKNOCKINAPO: put, alive once S <= L or S >= U
};

inline constexpr coderow americandoublebarriercodes[] = {
    {"DBKNOCKOUTACO", knockoutcalltype, "T, S, L, U, K, sigma, r, q",
     "American double knock-out call, finite differences"},
    {"DBKNOCKINACO", knockincalltype, "T, S, L, U, K, sigma, r, q",
     "American double knock-in call, finite differences"},
    {"DBKNOCKOUTAPO", knockoutputtype, "T, S, L, U, K, sigma, r, q",
     "American double knock-out put, finite differences"},
    {"DBKNOCKINAPO", knockinputtype, "T, S, L, U, K, sigma, r, q",
     "American double knock-in put, finite differences"},
};

extern const scalarhandlerentry americandoublebarrierhandler;

// Every code on a grid (under the precise numerics the converged one); the knock-ins' barrier
// edges are trees of entry 4's steps, which the precise numerics do not read (DoubleBarrier.h).
constexpr codeparameters parametersofcode(int variant) {
  codeparameters parameters;
  parameters.sizes[0] =
      gridsize(defaultnspace, defaultntime).underprecise(precisenspace, precisentime);
  if (variant == knockincalltype || variant == knockinputtype)
    parameters.sizes[1] = stepsof(AmericanVanilla::defaultsteps).unreadunderprecise();
  parameters.precise = true;
  return parameters;
}

}  // namespace AmericanDoubleBarrier

namespace EuropeanDoubleBarrier {

enum europeandoublebarriervariant {
  knockoutcalltype = 0,  // DBKNOCKOUTECO
  knockincalltype = 1,   // DBKNOCKINECO
  knockoutputtype = 2,   // DBKNOCKOUTEPO
  knockinputtype = 3,    // DBKNOCKINEPO
};

inline constexpr coderow europeandoublebarriercodes[] = {
    {"DBKNOCKOUTECO", knockoutcalltype, "T, S, L, U, K, sigma, r, q",
     "European double knock-out call, finite differences"},
    {"DBKNOCKINECO", knockincalltype, "T, S, L, U, K, sigma, r, q",
     "European double knock-in call, vanilla less knock-out"},
    {"DBKNOCKOUTEPO", knockoutputtype, "T, S, L, U, K, sigma, r, q",
     "European double knock-out put, finite differences"},
    {"DBKNOCKINEPO", knockinputtype, "T, S, L, U, K, sigma, r, q",
     "European double knock-in put, vanilla less knock-out"},
};

extern const scalarhandlerentry europeandoublebarrierhandler;

// Every code on the design's grid.
constexpr codeparameters parametersofcode(int) {
  return {{gridsize(defaultnspace, defaultntime)}};
}

}  // namespace EuropeanDoubleBarrier

template <>
inline constexpr parameterreader codeparametersof<AmericanDoubleBarrier::americandoublebarriercodes> =
    AmericanDoubleBarrier::parametersofcode;
template <>
inline constexpr parameterreader codeparametersof<EuropeanDoubleBarrier::europeandoublebarriercodes> =
    EuropeanDoubleBarrier::parametersofcode;

#endif  // KZR_FINITEDIFFERENCE_DOUBLEBARRIERCODES_H
