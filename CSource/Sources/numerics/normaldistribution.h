// The standard normal distribution: the error function, N(x), the bivariate M(a, b; rho) and the
// inverse of N. Pure functions: no state, no allocation, no messages.
//
// Sources: the error function is a piecewise rational approximation (four regions, tables in the
// source) accurate to about 2e-16 on the whole line; the bivariate distribution is Drezner (1978),
// "Computation of the bivariate normal integral", Math. Comp. 32, pp. 277-279, accurate to about
// 1e-6; the inverse is Acklam's rational approximation refined by one Halley step.
#ifndef KZR_NUMERICS_NORMALDISTRIBUTION_H
#define KZR_NUMERICS_NORMALDISTRIBUTION_H

// c[0]*x^n + c[1]*x^(n-1) + ... + c[n] by Horner's scheme (c holds n+1 entries, highest first).
double polyeval(int n, const double* c, double x);

// erf(x). Exactly +-1 where e^(x^2) overflows; NaN in, NaN out.
double errorfunction(double x);

// P(X <= x) for X normal with the given mean and standard deviation s.
double normalcdf(double x, double mean, double s);
// The standard case, N(x); the same bits as normalcdf(x, 0, 1).
double normalcdf(double x);

// M(a, b; rho) = P(X <= a, Y <= b) for standard normals with correlation rho, -1 < rho < 1.
// Returns -99.9 when an argument is not a number.
double bivariatenormalcdf(double a, double b, double rho);

// x with N(x) = p, for 0 < p < 1; the undefined value outside.
double inversenormalcdf(double p);

// +1 when x >= 0 (so sign(0) = +1), otherwise -1.
double sign(double x);

// The larger of two values; the second when they compare equal (or the first is NaN).
inline double maxof(double a, double b) { return b >= a ? b : a; }
// The smaller of two values; the second when they compare equal (or the first is NaN).
inline double minof(double a, double b) { return b <= a ? b : a; }

#endif  // KZR_NUMERICS_NORMALDISTRIBUTION_H
