// European spread options: a call pays max(S1 - S2 - X, 0) at expiry, a put max(X - (S1 - S2), 0),
// on two correlated lognormal assets. No closed form exists for X > 0; the price is taken from
// the two-asset binomial lattice (TwoAssetLattice.h) without early exercise; the codes take its
// levels from parameter entry 4 (default 200).
// Limits: flat rate, yields, volatilities and correlation; European exercise.
//
// Refused inputs (S1 or S2 <= 0, T < 0, X <= 0, a volatility <= 0, rho outside [-1, 1], r, q1
// or q2 < 0) write "Input data error, value undefined" and give the undefined value; a NaN input
// is not refused and propagates. A zero strike (the exchange option) is refused. A data table
// with fewer rows than the code reads is refused the same way. A level count outside the
// lattice's range is reported by the lattice. Codes and handler: EuropeanSpreadCodes.h.
//
// Negative rates and yields (library option 4, binding/ratesigns.h): accepted. Kirk's formula
// holds for any sign of r, q1 and q2; the lattice's drifts r - q_i - sigma_i^2/2 stay in the range
// of ordinary inputs for ordinary negative rates.
#ifndef KZR_CLOSEDFORM_EUROPEANSPREAD_H
#define KZR_CLOSEDFORM_EUROPEANSPREAD_H

#include <cstdint>

#include "closedform/optionside.h"

struct parameterblock;

namespace EuropeanSpread {

// T expiry (years), S1, S2 prices, X strike, sigma1, sigma2 volatilities, rho correlation, r rate,
// q1, q2 dividend yields; levels of the lattice.
double spreadcall(double T, double S1, double S2, double X, double sigma1, double sigma2,
                  double rho, double r, double q1, double q2, std::int64_t levels);
double spreadput(double T, double S1, double S2, double X, double sigma1, double sigma2, double rho,
                 double r, double q1, double q2, std::int64_t levels);

// What the European and American spread codes share: the checks and the early result above, then
// the lattice of the given levels, with exercise allowed at every node when earlyexercise is
// nonzero; and the levels of parameter entry 4 (default 200).
double spreadonlattice(optionside side, std::int32_t earlyexercise, double T, double S1, double S2,
                       double X, double sigma1, double sigma2, double rho, double r, double q1,
                       double q2, std::int64_t levels);
std::int64_t latticelevels(const parameterblock& block);

}  // namespace EuropeanSpread

#endif  // KZR_CLOSEDFORM_EUROPEANSPREAD_H
