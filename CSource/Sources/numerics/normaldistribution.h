// The standard normal distribution: the error function, N(x), the bivariate M(a, b; rho) and the
// inverse of N. Pure functions: no state, no allocation, no messages.
//
// Sources: the error function is a piecewise rational approximation (four regions, tables in the
// source) accurate to about 2e-16 on the whole line; the bivariate distribution is Drezner (1978),
// "Computation of the bivariate normal integral", Math. Comp. 32, pp. 277-279, accurate to about
// 1e-6; the inverse is Acklam's rational approximation refined by one Halley step.
#ifndef KZR_NUMERICS_NORMALDISTRIBUTION_H
#define KZR_NUMERICS_NORMALDISTRIBUTION_H

#include "numerics/constants.h"

// c[0]*x^n + c[1]*x^(n-1) + ... + c[n] by Horner's scheme (c holds n+1 entries, highest first).
double polyeval(int n, const double* c, double x);

// erf(x). Exactly +-1 where e^(x^2) overflows; NaN in, NaN out.
double errorfunction(double x);

// P(X <= x) for X normal with the given mean and standard deviation s.
double normalcdf(double x, double mean, double s);
// The standard case, N(x); the same bits as normalcdf(x, 0, 1). Inline: the closed forms call it
// several times a price.
inline double normalcdf(double x) { return 0.5 + 0.5 * errorfunction(x / constants::sqrt2); }
// N(x) and N(-x) from one error function, the same bits as normalcdf(x) and normalcdf(-x): erf is
// odd to the bit, so 0.5 + 0.5 * -erf(x / sqrt2) is what normalcdf(-x) computes (a NaN takes the
// second road, so that its sign is the one normalcdf(-x) gives).
struct normalcdfpair {
  double below;  // N(x)
  double above;  // N(-x)
};
normalcdfpair normalcdfboth(double x);

// M(a, b; rho) = P(X <= a, Y <= b) for standard normals with correlation rho, -1 < rho < 1, by
// Drezner's rule, step for step. NaN when an argument is not a number (the rule's own answer there,
// -99.9, would pass for a number). Pricing code calls bivariatenormal (bivariatenormal.h), which
// adds the limits at infinite arguments and at rho = +-1.
double bivariatenormalcdf(double a, double b, double rho);

// x with N(x) = p, for 0 < p < 1; the undefined value outside.
double inversenormalcdf(double p);

#endif  // KZR_NUMERICS_NORMALDISTRIBUTION_H
