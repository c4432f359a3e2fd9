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
// The precise option (parameter entry 5, value 1 = 1) changes the method: the European spreads
// are the one-dimensional quadrature below (spreadbyintegral), converged, and do not read entry 4;
// the American spreads (finitedifference/AmericanSpread.h) take the improved lattice at entry 4's
// levels (TwoAssetLattice::improvedlevels with its flag set). Refusals and T = 0 as without the option; a
// NaN input gives NaN.
//
// Negative rates and yields (library option 4, binding/ratesigns.h): accepted. Kirk's formula
// holds for any sign of r, q1 and q2, and so does the quadrature; the lattice's drifts r - q_i -
// sigma_i^2/2 stay in the range of ordinary inputs for ordinary negative rates.
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

// The precise option's method. The European value by one-dimensional quadrature: conditioned on
// the second asset's normal draw z, the first asset is lognormal and the spread's value is
// Black's formula at the strike S2(z) + X, integrated over z by adaptive Gauss-Kronrod (31 points,
// bisected up to depth times, relative tolerance integraltolerance) over z in
// [-(10 + max(sigma1, sigma2) sqrt(T)), +(...)], where the integrand's mass lies (Pearson, "An
// efficient approach for pricing spread options", Journal of Derivatives 3(1), 1995, conditions
// the same way). The American value on the improved lattice (TwoAssetLattice.h,
// extrapolatedlatticeof): the last level smoothed, at the nodes within its band of the kink
// P1 - P2 = X, by Kirk's approximation over the one step (Kirk, "Correlation in the energy
// markets", in Managing Energy Price Risk, Risk Publications, 1995, pp. 71-78: S2 + X taken as
// lognormal), whose error over a step of 1/240 of a year is 1e-9 to 1e-7 of the spot (measured
// against the integral: the integral itself, adaptive, would cost about 12 microseconds a node);
// the European integral as control variate; levels n and half its steps extrapolated.
constexpr unsigned integraldepth = 15;
constexpr double integraltolerance = 1e-12;
double spreadbyintegral(optionside side, double T, double S1, double S2, double X, double sigma1,
                        double sigma2, double rho, double r, double q1, double q2, unsigned depth,
                        double tolerance);
// The checks and early results of spreadonlattice, then the method above, levels the finer
// lattice's for the American spreads (the European ones do not read them).
double spreadprecise(optionside side, std::int32_t earlyexercise, double T, double S1, double S2,
                     double X, double sigma1, double sigma2, double rho, double r, double q1,
                     double q2, std::int64_t levels);
// What the codes call: under the precise option (parameter entry 5) spreadprecise with the levels
// of entry 4 (TwoAssetLattice::improvedlevels with its flag set), else spreadonlattice with latticelevels.
double spreadofblock(optionside side, std::int32_t earlyexercise, double T, double S1, double S2,
                     double X, double sigma1, double sigma2, double rho, double r, double q1,
                     double q2, const parameterblock& block);

}  // namespace EuropeanSpread

#endif  // KZR_CLOSEDFORM_EUROPEANSPREAD_H
