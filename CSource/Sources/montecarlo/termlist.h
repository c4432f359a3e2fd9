// The terms of a simulated record as one list, and what the simulation cache and the valuation do
// with every term of it: compare two records (the cache's test), look for a NaN, and give a copy
// arrays of its own.
//
// A record's terms live in a plain aggregate (the market's marketterms, each instrument's own
// terms) and its list names every field once: a scalar (any arithmetic type) or an array of
// doubles with its length, one per asset or one per pair of assets. A compile-time check ties
// each list to its aggregate's field count (checkedlist below), so a field added to a record and
// not to its list stops the build instead of escaping the comparison, where the cache would serve
// the contract another's run.
//
// Sameness: every scalar, and every element of every array, within sametolerance in absolute value
// (integers compared as doubles); a NaN is never the same as anything.
#ifndef KZR_MONTECARLO_TERMLIST_H
#define KZR_MONTECARLO_TERMLIST_H

#include <cmath>
#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "finitedifference/contractdata.h"

namespace termlist {

// Two terms are the same contract within sametolerance (a NaN is never the same).
inline bool sameterm(double a, double b) { return std::fabs(a - b) <= sametolerance; }

// The length of an array term, in the record's asset count n.
enum class length { assets, pairs };  // n, n x n

inline std::size_t elements(length size, std::size_t n) {
  return size == length::assets ? n : n * n;
}

template <class owner, class type>
struct scalar {
  type owner::*member;
};
template <class owner>
struct array {
  const double* owner::*member;
  length size;
};

// The number of fields of the aggregate record: the most initialisers its braces take.
namespace detail {
struct anyterm {
  template <class type>
  operator type() const;
};
template <std::size_t>
using anytermat = anyterm;
template <class record, class indices, class = void>
struct takes : std::false_type {};
template <class record, std::size_t... index>
struct takes<record, std::index_sequence<index...>,
             std::void_t<decltype(record{anytermat<index>{}...})>> : std::true_type {};
template <class record, std::size_t count = 0>
constexpr std::size_t fieldcount() {
  if constexpr (takes<record, std::make_index_sequence<count + 1>>::value)
    return fieldcount<record, count + 1>();
  else
    return count;
}
}  // namespace detail

template <class record>
constexpr std::size_t fieldcount() {
  static_assert(std::is_aggregate_v<record>, "a term record is a plain aggregate");
  return detail::fieldcount<record>();
}

// The list, checked against the record's fields at compile time.
template <class record, class... terms>
constexpr std::tuple<terms...> checkedlist(terms... list) {
  static_assert(sizeof...(terms) == fieldcount<record>(),
                "every field of a simulated record is in its term list, once");
  return {list...};
}

// The operations on one term.
template <class owner, class type>
bool same(const owner& a, const owner& b, std::size_t, scalar<owner, type> term) {
  return sameterm(static_cast<double>(a.*term.member), static_cast<double>(b.*term.member));
}
template <class owner>
bool same(const owner& a, const owner& b, std::size_t n, array<owner> term) {
  const double *x = a.*term.member, *y = b.*term.member;
  for (std::size_t i = 0; i < elements(term.size, n); ++i)
    if (!sameterm(x[i], y[i])) return false;
  return true;
}
template <class owner, class type>
bool isnan(const owner& a, std::size_t, scalar<owner, type> term) {
  return std::isnan(static_cast<double>(a.*term.member));
}
template <class owner>
bool isnan(const owner& a, std::size_t n, array<owner> term) {
  const double* x = a.*term.member;
  for (std::size_t i = 0; i < elements(term.size, n); ++i)
    if (std::isnan(x[i])) return true;
  return false;
}
template <class owner, class type>
std::size_t arraysize(std::size_t, scalar<owner, type>) {
  return 0;
}
template <class owner>
std::size_t arraysize(std::size_t n, array<owner> term) {
  return elements(term.size, n);
}
template <class owner, class type>
void own(owner&, std::size_t, scalar<owner, type>, double*&) {}
template <class owner>
void own(owner& a, std::size_t n, array<owner> term, double*& at) {
  const double* from = a.*term.member;
  const std::size_t size = elements(term.size, n);
  for (std::size_t i = 0; i < size; ++i) at[i] = from[i];
  a.*term.member = at;
  at += size;
}

// Every term of a and b the same, n the assets of their arrays.
template <class owner, class... terms>
bool sameterms(const owner& a, const owner& b, std::size_t n, const std::tuple<terms...>& list) {
  return std::apply([&](const auto&... term) { return (same(a, b, n, term) && ...); }, list);
}

// Some term of a, or an element of one of its arrays, NaN.
template <class owner, class... terms>
bool anynan(const owner& a, std::size_t n, const std::tuple<terms...>& list) {
  return std::apply([&](const auto&... term) { return (isnan(a, n, term) || ...); }, list);
}

// Copies every array of a, in list order, into storage and points a's arrays at the copies.
template <class owner, class... terms>
void ownarrays(owner& a, std::size_t n, const std::tuple<terms...>& list,
               std::vector<double>& storage) {
  storage.resize(std::apply(
      [&](const auto&... term) { return (std::size_t{0} + ... + arraysize(n, term)); }, list));
  double* at = storage.data();
  std::apply([&](const auto&... term) { (own(a, n, term, at), ...); }, list);
}

}  // namespace termlist

#endif  // KZR_MONTECARLO_TERMLIST_H
