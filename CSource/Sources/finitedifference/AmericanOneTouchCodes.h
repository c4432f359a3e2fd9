// The codes of the one-touch family and their handler.
#ifndef KZR_FINITEDIFFERENCE_AMERICANONETOUCHCODES_H
#define KZR_FINITEDIFFERENCE_AMERICANONETOUCHCODES_H

#include "binding/codetable.h"

namespace AmericanOneTouch {

enum onetouchvariant {
  upvalue = 0,       // ONETOUCHACO: 1 when the price rises to H
  downvalue = 1,     // ONETOUCHAPO: 1 when the price falls to H
  upcritical = 2,    // ONETOUCHACOCrit: H
  downcritical = 3,  // ONETOUCHAPOCrit: H
};

inline constexpr coderow onetouchcodes[] = {
    {"ONETOUCHACO", upvalue, "T, S, H, sigma, r, q",
     "One-touch paying 1 when the price rises to H"},
    {"ONETOUCHAPO", downvalue, "T, S, H, sigma, r, q",
     "One-touch paying 1 when the price falls to H"},
    {"ONETOUCHACOCrit", upcritical, "T, H, sigma, r, q", "Upper one-touch critical price"},
    {"ONETOUCHAPOCrit", downcritical, "T, H, sigma, r, q", "Lower one-touch critical price"},
};

extern const scalarhandlerentry onetouchhandler;

}  // namespace AmericanOneTouch

#endif  // KZR_FINITEDIFFERENCE_AMERICANONETOUCHCODES_H
