// The codes of the Asian family and their handler (fun only). Inputs in row order: Tavg the
// averaging period, T the time left to expiry (the rest of the period), S the price today, A the
// average observed so far, K the strike.
#ifndef KZR_MONTECARLO_EUROPEANASIANCODES_H
#define KZR_MONTECARLO_EUROPEANASIANCODES_H

#include "binding/codetable.h"

namespace EuropeanAsian {

enum asianvariant {
  arithmeticcallcode = 0,  // max(average - K, 0), arithmetic average, simulated
  arithmeticputcode = 1,   // max(K - average, 0), arithmetic average, simulated
  geometriccallcode = 2,   // max(average - K, 0), continuous geometric average
  geometricputcode = 3,    // max(K - average, 0), continuous geometric average
};

inline constexpr coderow asiancodes[] = {
    {"ASIANAARECO", arithmeticcallcode, "Tavg, T, S, A, K, sigma, r, q",
     "Call on the arithmetic average, by simulation"},
    {"ASIANAAREPO", arithmeticputcode, "Tavg, T, S, A, K, sigma, r, q",
     "Put on the arithmetic average, by simulation"},
    {"ASIANGARECO", geometriccallcode, "Tavg, T, S, A, K, sigma, r, q",
     "Call on the continuous geometric average"},
    {"ASIANGAREPO", geometricputcode, "Tavg, T, S, A, K, sigma, r, q",
     "Put on the continuous geometric average"},
};

extern const scalarhandlerentry asianhandler;

}  // namespace EuropeanAsian

#endif  // KZR_MONTECARLO_EUROPEANASIANCODES_H
