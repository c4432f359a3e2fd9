// The bivariate normal distribution M(a, b; rho) = P(X <= a, Y <= b), X and Y standard normals
// with correlation rho, to about 1e-15 absolute over the whole domain: the precise alternative to
// Drezner's four-point rule of normaldistribution.h, which errs by up to about 1e-5.
//
// Source: Genz (2004), "Numerical computation of rectangular bivariate and trivariate normal and t
// probabilities", Statistics and Computing 14, pp. 251-260, section 2.
// - |rho| < 0.925: Sheppard's integral over theta in [0, asin(rho)] of
//   exp(-(a^2 + b^2 - 2ab sin theta) / (2 cos^2 theta)) / (2 pi), plus N(a)N(b), by Gauss-Legendre
//   with 6 points (|rho| < 0.3), 12 points (|rho| < 0.75) or 20 points.
// - |rho| >= 0.925: the density integrated over correlations from |rho| to 1, taken from the
//   perfectly correlated limit, after the substitution x = sqrt(1 - t^2) that removes the
//   singularity at t = 1; the first terms of the integrand's expansion in x are integrated in
//   closed form and the rest by the 20-point rule. A negative rho is reflected through
//   M(a, b; rho) = N(a) - M(a, -b; -rho).
// The univariate N is 0.5 erfc(-x / sqrt 2), accurate to a few ulp relative in both tails. The
// library's normalcdf (0.5 + 0.5 erf) is as good in absolute terms (about 1e-17), which is all
// the quadrature needs, but it loses relative accuracy below x = -5 and is 0 below -8.3; erfc keeps
// the univariate limits (infinite arguments, rho = 0, rho = +-1) precise in the lower tail too.
// Elsewhere the accuracy is absolute: tiny values of M carry an error of up to about 1e-16.
//
// Limits, decided here:
// - a NaN argument, or |rho| > 1: NaN (quiet);
// - a = -inf or b = -inf: 0; a = +inf: N(b); b = +inf: N(a) (both +inf: 1), for any rho in
//   [-1, 1]; a finite argument beyond +-40 acts as its infinity (the mass beyond 40 standard
//   deviations is below the smallest double);
// - rho = 1: N(min(a, b)); rho = -1: P(-b < X <= a) = max(0, N(a) - N(-b));
// - rho = 0: N(a)N(b);
// - the result is held to [0, 1].
// Pure function: no state, no allocation, no messages.
#ifndef KZR_NUMERICS_PRECISEBIVARIATENORMAL_H
#define KZR_NUMERICS_PRECISEBIVARIATENORMAL_H

double precisebivariatenormalcdf(double a, double b, double rho);

#endif  // KZR_NUMERICS_PRECISEBIVARIATENORMAL_H
