// The library-wide undefined result: the signalling not-a-number with bit pattern
// 0x7FF0000000000001. Every pricing function returns it for inputs it refuses; it travels to the
// host unchanged. Compare results with isundefined (bit pattern), never with == or isnan alone.
#ifndef KZR_NUMERICS_UNDEFINED_H
#define KZR_NUMERICS_UNDEFINED_H

#include <cstdint>
#include <cstring>

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

#endif  // KZR_NUMERICS_UNDEFINED_H
