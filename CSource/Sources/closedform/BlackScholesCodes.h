// The codes of the Black-Scholes family and their handlers.
#ifndef KZR_CLOSEDFORM_BLACKSCHOLESCODES_H
#define KZR_CLOSEDFORM_BLACKSCHOLESCODES_H

#include "binding/codetable.h"
#include "closedform/optionside.h"

namespace BlackScholes {

inline constexpr coderow blackscholescodes[] = {
    {"BSECO", call, "T, S, K, sigma, r, q", "European call, Black-Scholes with dividend yield"},
    {"BSEPO", put, "T, S, K, sigma, r, q", "European put, Black-Scholes with dividend yield"},
};

inline constexpr coderow black76codes[] = {
    {"BLACK76ECO", call, "T, F, K, sigma, r", "European call on a forward, Black-76"},
    {"BLACK76EPO", put, "T, F, K, sigma, r", "European put on a forward, Black-76"},
};

// The A of the second pair selects nothing: the payoff kind comes from the input kind.
inline constexpr coderow digitalcodes[] = {
    {"BSEDCO", call, "T, S, K, sigma, r, q, kind",
     "European digital call (kind 0 cash, else asset)"},
    {"BSEDPO", put, "T, S, K, sigma, r, q, kind", "European digital put (kind 0 cash, else asset)"},
    {"BSEDACO", call, "T, S, K, sigma, r, q, kind",
     "European digital call (kind 0 cash, else asset)"},
    {"BSEDAPO", put, "T, S, K, sigma, r, q, kind",
     "European digital put (kind 0 cash, else asset)"},
};

extern const scalarhandlerentry blackscholeshandler;
extern const scalarhandlerentry black76handler;
extern const scalarhandlerentry digitalhandler;

}  // namespace BlackScholes

// Negative rates and yields (library option 4): the formulas hold for any r and q.
template <>
inline constexpr bool acceptsnegativerates<BlackScholes::blackscholescodes> = true;
template <>
inline constexpr bool acceptsnegativerates<BlackScholes::black76codes> = true;
template <>
inline constexpr bool acceptsnegativerates<BlackScholes::digitalcodes> = true;

#endif  // KZR_CLOSEDFORM_BLACKSCHOLESCODES_H
