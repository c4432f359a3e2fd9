// The codes of the perpetual floating-strike lookbacks and the Russian option, and their handler.
#ifndef KZR_FINITEDIFFERENCE_PERPETUALLOOKBACKCODES_H
#define KZR_FINITEDIFFERENCE_PERPETUALLOOKBACKCODES_H

#include "binding/codetable.h"

namespace PerpetualLookback {

enum perpetuallookbackvariant {
  callvalue = 0,        // PERPETUALLBFLSTACO: S - m, m the minimum so far
  putvalue = 1,         // PERPETUALLBFLSTAPO: m - S, m the maximum so far
  russianvalue = 2,     // RUSSIAN: m, the maximum so far
  callboundary = 3,     // PERPETUALLBFLSTACOCrit
  putboundary = 4,      // PERPETUALLBFLSTAPOCrit
  russianboundary = 5,  // RUSSIANCrit
};

inline constexpr coderow perpetuallookbackcodes[] = {
    {"PERPETUALLBFLSTACO", callvalue, "S, m, sigma, r, q",
     "Perpetual floating lookback call (m: minimum)"},
    {"PERPETUALLBFLSTAPO", putvalue, "S, m, sigma, r, q",
     "Perpetual floating lookback put (m: maximum)"},
    {"RUSSIAN", russianvalue, "S, m, sigma, r, q", "Russian option, pays the maximum m so far"},
    {"PERPETUALLBFLSTACOCrit", callboundary, "m, sigma, r, q",
     "Perpetual lookback call boundary (m: minimum)"},
    {"PERPETUALLBFLSTAPOCrit", putboundary, "m, sigma, r, q",
     "Perpetual lookback put boundary (m: maximum)"},
    {"RUSSIANCrit", russianboundary, "m, sigma, r, q", "Russian option boundary (m: maximum)"},
};

extern const scalarhandlerentry perpetuallookbackhandler;

}  // namespace PerpetualLookback

#endif  // KZR_FINITEDIFFERENCE_PERPETUALLOOKBACKCODES_H
