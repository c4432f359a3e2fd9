// The codes of the European single-barrier family and their handler.
#ifndef KZR_CLOSEDFORM_EUROPEANBARRIERCODES_H
#define KZR_CLOSEDFORM_EUROPEANBARRIERCODES_H

#include "binding/codetable.h"

namespace EuropeanBarrier {

enum barriertype {
  downincalltype = 0,   // call, alive once S <= H
  upincalltype = 1,     // call, alive once S >= H
  downinputtype = 2,    // put, alive once S <= H
  upinputtype = 3,      // put, alive once S >= H
  downoutcalltype = 4,  // call, dead once S <= H
  upoutcalltype = 5,    // call, dead once S >= H
  downoutputtype = 6,   // put, dead once S <= H
  upoutputtype = 7      // put, dead once S >= H
};

inline constexpr coderow barriercodes[] = {
    {"DOWNINECO", downincalltype, "T, S, H, X, sigma, r, q, R",
     "European down-and-in call, rebate R at expiry"},
    {"UPINECO", upincalltype, "T, S, H, X, sigma, r, q, R",
     "European up-and-in call, rebate R at expiry"},
    {"DOWNINEPO", downinputtype, "T, S, H, X, sigma, r, q, R",
     "European down-and-in put, rebate R at expiry"},
    {"UPINEPO", upinputtype, "T, S, H, X, sigma, r, q, R",
     "European up-and-in put, rebate R at expiry"},
    {"DOWNOUTECO", downoutcalltype, "T, S, H, X, sigma, r, q, R",
     "European down-and-out call, rebate R at the touch"},
    {"UPOUTECO", upoutcalltype, "T, S, H, X, sigma, r, q, R",
     "European up-and-out call, rebate R at the touch"},
    {"DOWNOUTEPO", downoutputtype, "T, S, H, X, sigma, r, q, R",
     "European down-and-out put, rebate R at the touch"},
    {"UPOUTEPO", upoutputtype, "T, S, H, X, sigma, r, q, R",
     "European up-and-out put, rebate R at the touch"},
};

extern const scalarhandlerentry barrierhandler;

}  // namespace EuropeanBarrier

// Negative rates and yields (library option 4): accepted; the one limit is in EuropeanBarrier.h.
template <>
inline constexpr bool acceptsnegativerates<EuropeanBarrier::barriercodes> = true;

#endif  // KZR_CLOSEDFORM_EUROPEANBARRIERCODES_H
