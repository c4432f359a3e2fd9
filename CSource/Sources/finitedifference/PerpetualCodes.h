// The codes of the perpetual American call and put and their handler.
#ifndef KZR_FINITEDIFFERENCE_PERPETUALCODES_H
#define KZR_FINITEDIFFERENCE_PERPETUALCODES_H

#include "binding/codetable.h"

namespace Perpetual {

enum perpetualvariant {
  callvalue = 0,     // PERPETUALACO
  putvalue = 1,      // PERPETUALAPO
  callcritical = 2,  // PERPETUALACOCrit: exercise at or above it
  putcritical = 3,   // PERPETUALAPOCrit: exercise at or below it
};

inline constexpr coderow perpetualcodes[] = {
    {"PERPETUALACO", callvalue, "S, K, sigma, r, q", "Perpetual American call"},
    {"PERPETUALAPO", putvalue, "S, K, sigma, r, q", "Perpetual American put"},
    {"PERPETUALACOCrit", callcritical, "K, sigma, r, q", "Perpetual American call boundary"},
    {"PERPETUALAPOCrit", putcritical, "K, sigma, r, q", "Perpetual American put boundary"},
};

extern const scalarhandlerentry perpetualhandler;

}  // namespace Perpetual

#endif  // KZR_FINITEDIFFERENCE_PERPETUALCODES_H
