// The codes of the American floating-strike lookback family and their handler.
#ifndef KZR_FINITEDIFFERENCE_AMERICANLOOKBACKCODES_H
#define KZR_FINITEDIFFERENCE_AMERICANLOOKBACKCODES_H

#include "binding/codetable.h"
#include "finitedifference/gridsizes.h"

namespace AmericanLookback {

enum lookbackvariant {
  callvalue = 0,     // LBFLSTACO: S - m, m the minimum so far
  putvalue = 1,      // LBFLSTAPO: m - S, m the maximum so far
  callcritical = 2,  // LBFLSTACOCrit: exercise at or above the critical spot
  putcritical = 3,   // LBFLSTAPOCrit: exercise at or below the critical spot
};

inline constexpr coderow lookbackcodes[] = {
    {"LBFLSTACO", callvalue, "T, S, m, sigma, r, q",
     "American floating lookback call, grid (m: minimum)"},
    {"LBFLSTAPO", putvalue, "T, S, m, sigma, r, q",
     "American floating lookback put, grid (m: maximum)"},
    {"LBFLSTACOCrit", callcritical, "T, m, sigma, r, q",
     "American lookback call critical spot (m: minimum)"},
    {"LBFLSTAPOCrit", putcritical, "T, m, sigma, r, q",
     "American lookback put critical spot (m: maximum)"},
};

extern const scalarhandlerentry lookbackhandler;

// The design's grid; under the precise numerics the converged grid (a critical spot's one grid).
constexpr codeparameters parametersofcode(int variant) {
  const bool critical = variant == callcritical || variant == putcritical;
  codeparameters parameters;
  parameters.sizes[0] =
      critical ? gridsize(defaultnspace, defaultntime)
                     .underprecise(precisenspace, precisentime)
               : gridsize(defaultnspace, defaultntime).underprecise(precisenspace, precisentime);
  parameters.precise = true;
  return parameters;
}

}  // namespace AmericanLookback

template <>
inline constexpr parameterreader codeparametersof<AmericanLookback::lookbackcodes> =
    AmericanLookback::parametersofcode;

#endif  // KZR_FINITEDIFFERENCE_AMERICANLOOKBACKCODES_H
