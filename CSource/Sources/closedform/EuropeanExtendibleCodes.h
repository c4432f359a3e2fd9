// The codes of the extendible family and their handler.
#ifndef KZR_CLOSEDFORM_EUROPEANEXTENDIBLECODES_H
#define KZR_CLOSEDFORM_EUROPEANEXTENDIBLECODES_H

#include "binding/codetable.h"

namespace EuropeanExtendible {

enum extendibletype {
  holdercalltype = 0,  // at t1: max(S - X1, C(T2 - t1, S, X2) - A, 0)
  holderputtype = 1,   // at t1: max(X1 - S, P(T2 - t1, S, X2) - A, 0)
  writercalltype = 2,  // at t1: S - X1 if S > X1, else C(T2 - t1, S, X2)
  writerputtype = 3    // at t1: X1 - S if S < X1, else P(T2 - t1, S, X2)
};

inline constexpr coderow extendiblecodes[] = {
    {"EXTHECO", holdercalltype, "t1, T2, S, X1, X2, sigma, r, q, A",
     "Holder-extendible call, fee A to extend to T2, X2"},
    {"EXTHEPO", holderputtype, "t1, T2, S, X1, X2, sigma, r, q, A",
     "Holder-extendible put, fee A to extend to T2, X2"},
    {"EXTWECO", writercalltype, "t1, T2, S, X1, X2, sigma, r, q",
     "Writer-extendible call, extended if out of the money"},
    {"EXTWEPO", writerputtype, "t1, T2, S, X1, X2, sigma, r, q",
     "Writer-extendible put, extended if out of the money"},
};

extern const scalarhandlerentry extendiblehandler;

}  // namespace EuropeanExtendible

// Negative rates and yields (library option 4): the formulas hold for any r and q.
template <>
inline constexpr bool acceptsnegativerates<EuropeanExtendible::extendiblecodes> = true;

// Every code takes the precise bivariate normal under library option 1.
template <>
inline constexpr parameterreader codeparametersof<EuropeanExtendible::extendiblecodes> =
    preciseeverycode;

#endif  // KZR_CLOSEDFORM_EUROPEANEXTENDIBLECODES_H
