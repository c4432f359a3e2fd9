// The codes of the European lookback family and their handler.
#ifndef KZR_CLOSEDFORM_EUROPEANLOOKBACKCODES_H
#define KZR_CLOSEDFORM_EUROPEANLOOKBACKCODES_H

#include "binding/codetable.h"

namespace EuropeanLookback {

enum lookbacktype {
  floatingcalltype = 0,  // S_T - min
  floatingputtype = 1,   // max - S_T
  fixedcalltype = 2,     // max(max - X, 0)
  fixedputtype = 3       // max(X - min, 0)
};

inline constexpr coderow lookbackcodes[] = {
    {"LBFLSTECO", floatingcalltype, "T, S, m, sigma, r, q",
     "European floating-strike lookback call (m: minimum)"},
    {"LBFLSTEPO", floatingputtype, "T, S, m, sigma, r, q",
     "European floating-strike lookback put (m: maximum)"},
    {"LBFXSTECO", fixedcalltype, "T, S, m, X, sigma, r, q",
     "European fixed-strike lookback call (m: maximum)"},
    {"LBFXSTEPO", fixedputtype, "T, S, m, X, sigma, r, q",
     "European fixed-strike lookback put (m: minimum)"},
};

extern const scalarhandlerentry lookbackhandler;

}  // namespace EuropeanLookback

// Negative rates and yields (library option 4): the formulas hold for any r and q (b = 0: the
// limit).
template <>
inline constexpr bool acceptsnegativerates<EuropeanLookback::lookbackcodes> = true;

#endif  // KZR_CLOSEDFORM_EUROPEANLOOKBACKCODES_H
