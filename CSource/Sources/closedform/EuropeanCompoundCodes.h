// The codes of the compound and chooser family and their handlers.
#ifndef KZR_CLOSEDFORM_EUROPEANCOMPOUNDCODES_H
#define KZR_CLOSEDFORM_EUROPEANCOMPOUNDCODES_H

#include "binding/codetable.h"

namespace EuropeanCompound {

enum compoundtype {
  calloncalltype = 0,  // max(C(T - t, S_t, K) - k, 0) at t
  callonputtype = 1,   // max(P(T - t, S_t, K) - k, 0) at t
  putoncalltype = 2,   // max(k - C(T - t, S_t, K), 0) at t
  putonputtype = 3     // max(k - P(T - t, S_t, K), 0) at t
};

inline constexpr coderow compoundcodes[] = {
    {"COCEO", calloncalltype, "T, t, S, K, k, sigma, r, q",
     "Call (strike k, expiry t) on a European call (K, T)"},
    {"COPEO", callonputtype, "T, t, S, K, k, sigma, r, q",
     "Call (strike k, expiry t) on a European put (K, T)"},
    {"POCEO", putoncalltype, "T, t, S, K, k, sigma, r, q",
     "Put (strike k, expiry t) on a European call (K, T)"},
    {"POPEO", putonputtype, "T, t, S, K, k, sigma, r, q",
     "Put (strike k, expiry t) on a European put (K, T)"},
};

// max(C(Tc - t, S_t, Kc), P(Tp - t, S_t, Kp)) at t.
inline constexpr coderow choosercodes[] = {
    {"CHOOSER", 0, "t, S, Tc, Kc, Tp, Kp, sigma, r, q",
     "Complex chooser: call (Kc, Tc) or put (Kp, Tp) at t"},
};

extern const scalarhandlerentry compoundhandler;
extern const scalarhandlerentry chooserhandler;

}  // namespace EuropeanCompound

// Negative rates and yields (library option 4): the formulas hold for any r and q.
template <>
inline constexpr bool acceptsnegativerates<EuropeanCompound::compoundcodes> = true;
template <>
inline constexpr bool acceptsnegativerates<EuropeanCompound::choosercodes> = true;

// Every code takes the precise bivariate normal under library option 1.
template <>
inline constexpr parameterreader codeparametersof<EuropeanCompound::compoundcodes> =
    preciseeverycode;
template <>
inline constexpr parameterreader codeparametersof<EuropeanCompound::choosercodes> =
    preciseeverycode;

#endif  // KZR_CLOSEDFORM_EUROPEANCOMPOUNDCODES_H
