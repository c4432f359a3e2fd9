// The contract record that every grid instrument shares, and when two records are the same
// contract for the grid cache.
//
// Equality compares every field but the spot (a cached grid serves any spot), each within
// sametolerance in absolute value; the integer fields are compared the same way after conversion
// to double. The compared fields are one list (comparedfields below), and a compile-time check
// ties that list and the excluded spot to the record's size: a field added to the record and to
// neither list stops the build instead of silently escaping the comparison.
#ifndef KZR_FINITEDIFFERENCE_CONTRACTDATA_H
#define KZR_FINITEDIFFERENCE_CONTRACTDATA_H

#include <cstddef>
#include <cstdint>
#include <tuple>

#include "binding/interfacenumbers.h"  // sametolerance

// Plain data, built by the pricing handler on its stack and copied into the working instrument.
struct contractdata {
  double expiry;            // T, years
  double spot;              // S today; 0 for critical-price requests
  double volatility;        // sigma, annual
  double rate;              // r, continuous
  double dividend;          // q, continuous yield
  double strike;            // K
  double level1;            // first contract level (a barrier), 0 when none
  double level2;            // second contract level (an upper barrier), 0 when none
  std::int32_t callput;     // +1 call, -1 put
  std::int32_t american;    // 1 early exercise (projection at every level), 0 European
  std::int32_t critical;    // 1 return the critical underlying price instead of the value
  std::int32_t reflecting;  // 1 reflecting upper edge, critical search runs upward
};

// The fields that decide whether a cached grid serves a contract, and the one that does not.
constexpr auto comparedfields = std::make_tuple(
    &contractdata::expiry, &contractdata::volatility, &contractdata::rate, &contractdata::dividend,
    &contractdata::strike, &contractdata::level1, &contractdata::level2, &contractdata::callput,
    &contractdata::american, &contractdata::critical, &contractdata::reflecting);
constexpr auto uncomparedfields = std::make_tuple(&contractdata::spot);

namespace contractfields {
template <class member>
struct typeof;
template <class record, class field>
struct typeof<field record::*> {
  using type = field;
};
template <class... members>
constexpr std::size_t bytes(const std::tuple<members...>&) {
  return (std::size_t{0} + ... + sizeof(typename typeof<members>::type));
}
}  // namespace contractfields

static_assert(contractfields::bytes(comparedfields) + contractfields::bytes(uncomparedfields) ==
                  sizeof(contractdata),
              "every field of contractdata is in comparedfields or uncomparedfields (and the "
              "record has no padding)");

bool operator==(const contractdata& a, const contractdata& b);
inline bool operator!=(const contractdata& a, const contractdata& b) { return !(a == b); }

#endif  // KZR_FINITEDIFFERENCE_CONTRACTDATA_H
