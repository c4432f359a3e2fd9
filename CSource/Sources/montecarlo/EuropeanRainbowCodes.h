// The codes of the multi-asset rainbow family and their two handlers (fun and funvec). The rows
// of each code are its inputs in order: n the number of assets, then one value, one value per
// asset (_i) or the correlation matrix (rho_ij) per row.
#ifndef KZR_MONTECARLO_EUROPEANRAINBOWCODES_H
#define KZR_MONTECARLO_EUROPEANRAINBOWCODES_H

#include <cstdint>

#include "binding/codetable.h"

namespace EuropeanRainbow {

enum rainbowvariant {
  bestasset = 0,   // the best of the n assets at expiry
  worstasset = 1,  // the worst of the n assets at expiry
  callonmax = 2,   // max(best - K, 0)
  putonmax = 3,    // max(K - best, 0)
  callonmin = 4,   // max(worst - K, 0)
  putonmin = 5,    // max(K - worst, 0)
  bestorcash = 6,  // max(best, X), X a cash amount
};

inline constexpr coderow rainbowcodes[] = {
    {"RAINBOWBESTEO", bestasset, "n, T, S_i, sigma_i, rho_ij, r, q_i, ...",
     "Best of n assets, pays the largest at expiry", true},
    {"RAINBOWWORSTEO", worstasset, "n, T, S_i, sigma_i, rho_ij, r, q_i, ...",
     "Worst of n assets, pays the smallest at expiry", true},
    {"RAINBOWMAXECO", callonmax, "n, T, S_i, K, sigma_i, rho_ij, r, q_i, ...",
     "Call on the maximum of n assets", true},
    {"RAINBOWMAXEPO", putonmax, "n, T, S_i, K, sigma_i, rho_ij, r, q_i, ...",
     "Put on the maximum of n assets", true},
    {"RAINBOWMINECO", callonmin, "n, T, S_i, K, sigma_i, rho_ij, r, q_i, ...",
     "Call on the minimum of n assets", true},
    {"RAINBOWMINEPO", putonmin, "n, T, S_i, K, sigma_i, rho_ij, r, q_i, ...",
     "Put on the minimum of n assets", true},
    {"RAINBOWBESTMONEYEO", bestorcash, "n, T, S_i, X, sigma_i, rho_ij, r, q_i, ...",
     "Best of n assets and cash, pays max(best, X)", true},
};

extern const scalarhandlerentry rainbowhandler;
extern const vectorhandlerentry rainbowvectorhandler;

constexpr std::int32_t rainbowpaths = 100000;  // entry 3 with its flag set

// One step to expiry; the control variates are the two-asset closed form or the forwards
// (EuropeanRainbow.h).
constexpr codeparameters parametersofcode(int) {
  codeparameters parameters;
  parameters.sizes[0] = pathsof(rainbowpaths);
  parameters.controls = true;
  return parameters;
}

}  // namespace EuropeanRainbow

template <>
inline constexpr parameterreader codeparametersof<EuropeanRainbow::rainbowcodes> =
    EuropeanRainbow::parametersofcode;

// Negative rates and yields (library option 4): the simulation holds for any r and q_i.
template <>
inline constexpr bool acceptsnegativerates<EuropeanRainbow::rainbowcodes> = true;

#endif  // KZR_MONTECARLO_EUROPEANRAINBOWCODES_H
