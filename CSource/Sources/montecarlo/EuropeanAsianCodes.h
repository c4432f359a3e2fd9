// The codes of the Asian family and their handler (fun only). Inputs in row order: Tavg the
// averaging period, T the time left to expiry (the rest of the period), S the price today, A the
// average observed so far, K the strike.
#ifndef KZR_MONTECARLO_EUROPEANASIANCODES_H
#define KZR_MONTECARLO_EUROPEANASIANCODES_H

#include <cstdint>

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

// The arithmetic averages' simulation: entries 3 and 4 with their flags set.
constexpr std::int32_t asianpaths = 10000;
constexpr std::int32_t asiansteps = 500;

// The arithmetic averages simulate, with the geometric average as control variate
// (EuropeanAsian.h); the geometric ones are closed forms.
constexpr codeparameters parametersofcode(int variant) {
  if (variant != arithmeticcallcode && variant != arithmeticputcode) return {};
  codeparameters parameters;
  parameters.sizes[0] = pathsof(asianpaths);
  parameters.sizes[1] = stepsof(asiansteps);
  parameters.controls = true;
  return parameters;
}

}  // namespace EuropeanAsian

template <>
inline constexpr parameterreader codeparametersof<EuropeanAsian::asiancodes> =
    EuropeanAsian::parametersofcode;

#endif  // KZR_MONTECARLO_EUROPEANASIANCODES_H
