// The small comparison operations the pricing code uses beside the normal distribution: the
// larger and the smaller of two values, and the sign of a value.
#ifndef KZR_NUMERICS_COMPARISONS_H
#define KZR_NUMERICS_COMPARISONS_H

// The larger of two values; the second when they compare equal (or the first is NaN).
inline double maxof(double a, double b) { return b >= a ? b : a; }
// The smaller of two values; the second when they compare equal (or the first is NaN).
inline double minof(double a, double b) { return b <= a ? b : a; }

// +1 when x >= 0 (so sign(0) = +1), otherwise -1 (NaN included).
inline double sign(double x) { return x >= 0 ? 1.0 : -1.0; }

#endif  // KZR_NUMERICS_COMPARISONS_H
