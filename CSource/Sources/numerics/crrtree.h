// The Cox-Ross-Rubinstein binomial tree, shared by every tree of the library (the American
// vanilla trees, the symmetric power tree, and the trees that the American barrier, double-barrier
// and quanto families build on).
//
// n steps of dt = T / n; up factor u = e^(sigma sqrt(dt)), down factor d = 1 / u; up probability
// p = (e^(b dt) - d) / (u - d) for the growth rate b (r - q for a stock); discount e^(-r dt) per
// step. Node i of level j (i = 0..j, the highest price first) lies at S u^(j - 2i). Source: Cox,
// Ross and Rubinstein, "Option pricing: a simplified approach", J. Financial Economics 7 (1979),
// pp. 229-263; Hull, Options, Futures and Other Derivatives, 4th ed., 2000, ch. 16.
//
// Powers of u are taken as pow(u, m). How u^2 is formed is each family's own rule: the American
// trees take it as the product u u, the power tree by pow like the others. The two differ in the
// last bit for about one u in a thousand, so the rule travels with the tree.
//
// Step bound: 1 to maximumtreesteps steps for every tree. The work grows as n^2 / 2 node updates
// (5e9 at the bound, a few seconds); memory as n. A critical-price bisection prices at most
// twenty trees of the same steps.
//
// The backward inductions run with subnormal numbers flushed to zero (numerics/subnormals.h): the
// same answers to the bit, without the tenfold cost of the subnormal band in the far nodes.
//
// Up probabilities outside [0, 1] (a drift |b| dt too strong for sigma sqrt(dt)) make the tree's
// weights no probability law: callers refuse such trees (probabilityoutside, or checkedcrrtree
// with its messages).
//
// Node prices past the largest double (a long, very volatile tree: S u^n overflows once
// n sigma sqrt(dt) passes about 709) make a call's payoff, and so its American value, +inf,
// though the value is below S. A payoff that also states its value per unit of the price,
// perunit(y) = g(1 / y) y for y = 1 / price (a call's max(1 - K y, 0)), lets such a tree be
// valued again with the price as numeraire: W = V / X at every node, the same backward
// induction with the weights p u and (1 - p) / u (the continuation V = e^(-r dt) (p V_up +
// (1 - p) V_down) divided by X, with X_up = X u and X_down = X / u), the exercise value
// perunit(1 / X), 1 / X = u^-m / S taken from the powers without forming X; the value is S W
// at the root. The second pass runs only when the first gave +inf, so every finite answer is
// the first pass's to the bit. A payoff without perunit, or a second pass that overflows too,
// answers undefined with "Input data error, value undefined" (finitetreevalue).
#ifndef KZR_NUMERICS_CRRTREE_H
#define KZR_NUMERICS_CRRTREE_H

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include "numerics/comparisons.h"
#include "numerics/messages.h"
#include "numerics/subnormals.h"

constexpr std::int64_t maximumtreesteps = 100000;

// True when a tree of this many steps can be built.
inline bool treestepsadmissible(std::int64_t steps) {
  return steps >= 1 && steps <= maximumtreesteps;
}

// How u^2 is formed among the node prices: pow(u, 2) like every other power, or the product u u.
enum class crrsquare { power, product };

// Whether a payoff (or a last step) states its value per unit of the price, perunit(1 / price).
template <class payoff, class = void>
struct hasperunit : std::false_type {};
template <class payoff>
struct hasperunit<payoff, std::void_t<decltype(std::declval<const payoff&>().perunit(1.0))>>
    : std::true_type {};

class crrtree {
 public:
  // T expiry (years), sigma volatility, growth b and rate r (continuous), steps n (admissible).
  crrtree(double T, double sigma, double growth, double rate, std::int64_t steps, crrsquare square);

  std::int64_t steps() const { return n; }
  double probability() const { return p; }
  // p < 0 or p > 1 (a NaN p is neither).
  bool probabilityoutside() const { return p < 0 || p > 1; }
  // u^m by the tree's rule, -n <= m <= n.
  double power(std::int64_t m) const {
    return m == 2 && square == crrsquare::product ? u * u : std::pow(u, static_cast<double>(m));
  }

  // The lowest and the highest price of the tree from spot S (its expiry nodes S u^-n, S u^n),
  // the same bits as the nodes the valuations below take.
  double lowestprice(double S) const { return S * power(-n); }
  double highestprice(double S) const { return S * power(n); }

  // The European value at spot S of the payoff g(price) at expiry: V[i] = g(S u^(n - 2i)), then
  // for each level V[i] = (p V[i] + (1 - p) V[i + 1]) e^(-r dt), i rising, in place.
  template <class payoffat>
  double europeanvalue(double S, payoffat g);
  // The European value with the last step smoothed: each node of level n - 1 holds
  // laststep(price), the European value of the payoff over the one remaining step (a closed form
  // or a quadrature), instead of the continuation from the expiry nodes; the levels below as
  // europeanvalue. One step gives laststep(S) alone.
  template <class europeanstep>
  double smoothedeuropeanvalue(double S, europeanstep laststep);

  // The American value at spot S: as the European one with V[i] = max(continuation, g(price of
  // the node)) at every node of every level. The powers of u are taken once per tree and the
  // exercise values once per spot, laid out by the parity of m so that each level reads them in
  // order: even[s] at S u^(n - 2s), odd[s] at S u^(n - 1 - 2s).
  template <class payoffat>
  double americanvalue(double S, payoffat g);
  // The American value with the last step smoothed (Broadie and Detemple, "American option
  // valuation: new bounds, approximations, and a comparison of existing methods", Review of
  // Financial Studies 9(4), 1996): each node of level n - 1 holds the larger of g(price) and
  // laststep(price), the European value of the payoff over the one remaining step (a closed
  // form), instead of the continuation from the expiry nodes; the levels below as americanvalue.
  template <class payoffat, class europeanstep>
  double smoothedamericanvalue(double S, payoffat g, europeanstep laststep);

 private:
  void takepowers();  // powers[m + n] = u^m, m = -n..n
  // The backward induction with early exercise from level `top` (its values in V) to the root,
  // each node the larger of its continuation (weights up and down, then the discount) and its
  // exercise value (even and odd as filled).
  double exerciseinduction(double* V, std::int64_t top, double up, double down) const;
  // The exercise values per unit of the price (the layout of even and odd), for the second pass.
  template <class payoffat>
  void fillperunit(double S, const payoffat& g);
  // The second pass's weights: p u and (1 - p) / u.
  double upperunit() const { return p * u; }
  double downperunit() const { return complement / u; }

  std::int64_t n;
  crrsquare square;
  double u, p, complement, discount;
  std::vector<double> powers, values, even, odd;
};

// The tree of an early-exercise family, or none after a message: steps outside
// 1..maximumtreesteps ("Tree steps out of range, value undefined"), or an up probability outside
// [0, 1], or undefined while inputsarenumbers (infinite inputs: "Tree probability outside [0, 1],
// value undefined"). A NaN input gives a NaN probability and a tree that carries it.
std::optional<crrtree> checkedcrrtree(double T, double sigma, double growth, double rate,
                                      std::int64_t steps, crrsquare square, bool inputsarenumbers);

template <class payoffat>
double crrtree::europeanvalue(double S, payoffat g) {
  const std::size_t count = static_cast<std::size_t>(n) + 1;
  values.resize(count);
  even.resize(count);
  for (std::size_t i = 0; i < count; ++i)
    even[i] = g(S * power(n - 2 * static_cast<std::int64_t>(i)));
  double* V = values.data();
  const double pu = p, pd = complement, df = discount;
  const std::int64_t levels = n;
  return exactinduction([&] {
    for (std::size_t i = 0; i < count; ++i) V[i] = even[i];
    for (std::int64_t j = levels; j >= 1; --j)
      for (std::int64_t i = 0; i < j; ++i) V[i] = (pu * V[i] + pd * V[i + 1]) * df;
    return V[0];
  });
}

template <class europeanstep>
double crrtree::smoothedeuropeanvalue(double S, europeanstep laststep) {
  const std::size_t count = static_cast<std::size_t>(n);  // the nodes of level n - 1
  values.resize(count);
  even.resize(count);
  for (std::size_t i = 0; i < count; ++i)
    even[i] = laststep(S * power(n - 1 - 2 * static_cast<std::int64_t>(i)));
  double* V = values.data();
  const double pu = p, pd = complement, df = discount;
  const std::int64_t levels = n - 1;
  return exactinduction([&] {
    for (std::size_t i = 0; i < count; ++i) V[i] = even[i];
    for (std::int64_t j = levels; j >= 1; --j)
      for (std::int64_t i = 0; i < j; ++i) V[i] = (pu * V[i] + pd * V[i + 1]) * df;
    return V[0];
  });
}

// Richardson extrapolation of two trees of n and m < n steps whose error is first order in the
// step: (n V(n) - m V(m)) / (n - m). The improved trees take m = n / 2 (Broadie and Detemple,
// 1996, their binomial Black-Scholes method with Richardson extrapolation), and so does the
// improved two-asset lattice over its steps (closedform/TwoAssetLattice.h).
inline double extrapolatedinsteps(std::int64_t n, double finer, std::int64_t m, double coarser) {
  const double nn = static_cast<double>(n), mm = static_cast<double>(m);
  return (nn * finer - mm * coarser) / (nn - mm);
}

inline double crrtree::exerciseinduction(double* V, std::int64_t top, double up,
                                         double down) const {
  const double pu = up, pd = down, df = discount;
  for (std::int64_t j = top; j >= 1; --j) {
    // Level j - 1 holds the prices S u^(j-1-2i), i = 0..j-1.
    const std::int64_t gap = n - (j - 1);
    const double* exercise = gap % 2 == 0 ? even.data() + gap / 2 : odd.data() + (gap - 1) / 2;
    for (std::int64_t i = 0; i < j; ++i) {
      const double continuation = (pu * V[i] + pd * V[i + 1]) * df;
      V[i] = maxof(continuation, exercise[i]);
    }
  }
  return V[0];
}

// A long, very volatile tree has node prices past the largest double: a call's payoff there is
// infinite and so would be its value, which is no price. Where no second pass with the price as
// numeraire gives a number, such a tree answers undefined, saying so.
inline double finitetreevalue(double value) {
  return std::isinf(value) ? refusedwith(messages::valueundefined) : value;
}

template <class payoffat>
void crrtree::fillperunit(double S, const payoffat& g) {
  const std::size_t count = static_cast<std::size_t>(n) + 1;
  const double* powerof = powers.data() + n;  // powerof[m] = u^m
  for (std::size_t s = 0; s < count; ++s)
    even[s] = g.perunit(powerof[-(n - 2 * static_cast<std::int64_t>(s))] / S);
  for (std::size_t s = 0; s + 1 < count; ++s)
    odd[s] = g.perunit(powerof[-(n - 1 - 2 * static_cast<std::int64_t>(s))] / S);
}

template <class payoffat>
double crrtree::americanvalue(double S, payoffat g) {
  if (powers.empty()) takepowers();
  const std::size_t count = static_cast<std::size_t>(n) + 1;
  values.resize(count);
  even.resize(count);
  odd.resize(count);
  const double* powerof = powers.data() + n;  // powerof[m] = u^m
  for (std::size_t s = 0; s < count; ++s)
    even[s] = g(S * powerof[n - 2 * static_cast<std::int64_t>(s)]);
  for (std::size_t s = 0; s + 1 < count; ++s)
    odd[s] = g(S * powerof[n - 1 - 2 * static_cast<std::int64_t>(s)]);
  double* V = values.data();
  const std::int64_t levels = n;
  const double value = exactinduction([&] {
    for (std::size_t i = 0; i < count; ++i) V[i] = even[i];
    return exerciseinduction(V, levels, p, complement);
  });
  if constexpr (hasperunit<payoffat>::value) {
    if (std::isinf(value)) {  // overflowed node prices: the second pass, per unit of the price
      fillperunit(S, g);
      return finitetreevalue(S * exactinduction([&] {
                               for (std::size_t i = 0; i < count; ++i) V[i] = even[i];
                               return exerciseinduction(V, levels, upperunit(), downperunit());
                             }));
    }
  }
  return finitetreevalue(value);
}

template <class payoffat, class europeanstep>
double crrtree::smoothedamericanvalue(double S, payoffat g, europeanstep laststep) {
  if (powers.empty()) takepowers();
  const std::size_t count = static_cast<std::size_t>(n);  // the nodes of level n - 1
  values.resize(count + 1);
  even.resize(count + 1);
  odd.resize(count + 1);
  const double* powerof = powers.data() + n;  // powerof[m] = u^m
  // Level n - 1 - k holds S u^(n - 1 - k - 2i): the odd layout of americanvalue for even k, the
  // even one (shifted by one) for odd k.
  for (std::size_t s = 0; s <= count; ++s)
    even[s] = g(S * powerof[n - 2 * static_cast<std::int64_t>(s)]);
  for (std::size_t s = 0; s < count; ++s)
    odd[s] = g(S * powerof[n - 1 - 2 * static_cast<std::int64_t>(s)]);
  std::vector<double> start(count);
  for (std::size_t i = 0; i < count; ++i) {
    const double price = S * powerof[n - 1 - 2 * static_cast<std::int64_t>(i)];
    start[i] = maxof(laststep(price), odd[i]);
  }
  double* V = values.data();
  const std::int64_t levels = n;
  const double value = exactinduction([&] {
    for (std::size_t i = 0; i < count; ++i) V[i] = start[i];
    return exerciseinduction(V, levels - 1, p, complement);
  });
  if constexpr (hasperunit<payoffat>::value && hasperunit<europeanstep>::value) {
    if (std::isinf(value)) {  // overflowed node prices: the second pass, per unit of the price
      fillperunit(S, g);
      for (std::size_t i = 0; i < count; ++i) {
        const double inverse = powerof[-(n - 1 - 2 * static_cast<std::int64_t>(i))] / S;
        start[i] = maxof(laststep.perunit(inverse), odd[i]);
      }
      return finitetreevalue(S * exactinduction([&] {
                               for (std::size_t i = 0; i < count; ++i) V[i] = start[i];
                               return exerciseinduction(V, levels - 1, upperunit(), downperunit());
                             }));
    }
  }
  return finitetreevalue(value);
}

#endif  // KZR_NUMERICS_CRRTREE_H
