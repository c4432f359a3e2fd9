// The codes of the double-barrier families (American and European) and their two handlers.
#ifndef KZR_FINITEDIFFERENCE_DOUBLEBARRIERCODES_H
#define KZR_FINITEDIFFERENCE_DOUBLEBARRIERCODES_H

#include "binding/codetable.h"

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

}  // namespace EuropeanDoubleBarrier

#endif  // KZR_FINITEDIFFERENCE_DOUBLEBARRIERCODES_H
