// The natural cubic spline through a grid's values and its evaluation, with which the
// finite-difference schemes read the price at the spot off a time level.
// Source: the natural spline of Press et al., Numerical Recipes in C, 2nd ed., 1992, pp. 113-116.
#ifndef KZR_NUMERICS_INTERPOLATION_H
#define KZR_NUMERICS_INTERPOLATION_H

// Fills y2a with the second derivatives of the natural cubic spline through (xa[i], ya[i]),
// i = 0..n-1, xa strictly increasing; zero second derivative at both ends.
void naturalspline(const double* xa, const double* ya, int n, double* y2a);

// The spline's value at x (extrapolated from the end intervals outside [xa[0], xa[n-1]]). With
// cubic false and w <= 0.05 it interpolates linearly instead. Two equal knots around x write
// "Bad xa input to routine splint" and give an infinite or NaN result.
double splint(const double* xa, const double* ya, const double* y2a, int n, double x, bool cubic,
              double w);

#endif  // KZR_NUMERICS_INTERPOLATION_H
