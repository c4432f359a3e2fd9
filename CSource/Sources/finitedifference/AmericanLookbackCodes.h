// The codes of the American floating-strike lookback family and their handler.
#ifndef KZR_FINITEDIFFERENCE_AMERICANLOOKBACKCODES_H
#define KZR_FINITEDIFFERENCE_AMERICANLOOKBACKCODES_H

#include "binding/codetable.h"

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

}  // namespace AmericanLookback

#endif  // KZR_FINITEDIFFERENCE_AMERICANLOOKBACKCODES_H
