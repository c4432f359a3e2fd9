// Numerical constants the library uses, each written once, as the nearest double unless said
// otherwise.
#ifndef KZR_NUMERICS_CONSTANTS_H
#define KZR_NUMERICS_CONSTANTS_H

namespace constants {

inline constexpr double pi = 3.141592653589793;
inline constexpr double sqrt2 = 1.4142135623730951;
inline constexpr double sqrtpi = 1.772453850905516;
inline constexpr double sqrt2pi = 2.5066282746310007;
// 1/sqrt(2 pi) as the lookback formulas have always used it: one unit in the last place below
// the nearest double (0.3989422804014327). Kept so that their prices keep their bits.
inline constexpr double inversesqrt2pi = 0.39894228040143265;

}  // namespace constants

#endif  // KZR_NUMERICS_CONSTANTS_H
