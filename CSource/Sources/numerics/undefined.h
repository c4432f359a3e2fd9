// The library-wide undefined result: the signalling not-a-number with bit pattern
// 0x7FF0000000000001. Every pricing function returns it for inputs it refuses; it travels to the
// host unchanged. Compare results with isundefined (bit pattern), never with == or isnan alone.
#ifndef KZR_NUMERICS_UNDEFINED_H
#define KZR_NUMERICS_UNDEFINED_H

#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>

constexpr std::uint64_t undefinedbits = 0x7FF0000000000001ULL;

inline double undefinedvalue() {
  double value;
  std::memcpy(&value, &undefinedbits, sizeof value);
  return value;
}

inline bool isundefined(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits == undefinedbits;
}

// A NaN input is not refused: it travels into the result. A formula that branches on an input (a
// comparison with NaN is false, so a NaN falls into some branch) tests its inputs with anynan
// first and answers nanresult(), so that no branch can turn a NaN into a number.
inline bool anynan(std::initializer_list<double> values) {
  for (double value : values)
    if (std::isnan(value)) return true;
  return false;
}
inline double nanresult() { return std::numeric_limits<double>::quiet_NaN(); }
// Whether an input is infinite: the methods that need finite terms (a quadrature, a smoothed
// lattice) leave such inputs to the design's method.
inline bool anyinfinite(std::initializer_list<double> values) {
  for (double value : values)
    if (std::isinf(value)) return true;
  return false;
}

#endif  // KZR_NUMERICS_UNDEFINED_H
