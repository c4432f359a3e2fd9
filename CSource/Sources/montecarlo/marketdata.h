// The market record of a Monte Carlo contract on n assets: expiry, strike and rate, and per asset
// its spot, volatility and dividend yield, with the correlation matrix of the assets' Brownian
// motions (row-major, element (i, j) at i n + j).
//
// A record built by a handler borrows its arrays from the rows of the data table; a copy (the
// working instrument's record, or a bumped copy in a sensitivity run) owns arrays of its own, which
// can be bumped. Two records are the same contract (the simulation cache's test) when every term,
// count, expiry, strike and rate, and every spot, volatility, correlation and dividend, differ by
// at most sametolerance (0.0001) in absolute value. A NaN term is never the same as anything, so
// a cached run on a NaN term never answers for another contract. The comparison, the NaN test and
// the copy's arrays all follow one term list (marketfields::terms, montecarlo/termlist.h).
#ifndef KZR_MONTECARLO_MARKETDATA_H
#define KZR_MONTECARLO_MARKETDATA_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "binding/countedhandler.h"
#include "montecarlo/termlist.h"

// The market terms a multi-asset table gives beside each contract's own: n, T, and per asset the
// volatilities, correlations (n x n, row-major) and dividend yields, with the rate.
struct assetmarket {
  std::int32_t n;
  double T;                    // years
  const double* volatilities;  // n
  const double* correlations;  // n x n
  double r;
  const double* dividends;  // n
};

// The market of a counted table, read by the names of its rows in the codes of variant: T,
// sigma_i, rho_ij, r and q_i.
template <const auto& codes, int variant>
assetmarket marketofrows(const assetrows& rows) {
  constexpr codetable table = tableof(codes);
  constexpr int T = inputrow(table, variant, "T");
  constexpr int sigma = inputrow(table, variant, "sigma_i");
  constexpr int rho = inputrow(table, variant, "rho_ij");
  constexpr int r = inputrow(table, variant, "r");
  constexpr int q = inputrow(table, variant, "q_i");
  return {rows.n, rows.value(T), rows.values(sigma), rows.values(rho), rows.value(r),
          rows.values(q)};
}

// What a sensitivity bumps in a record.
enum class bumpedterm { spot, volatility, expiry, rate };

// The terms of the record, in one plain aggregate (see marketterms below for its list).
struct marketterms {
  std::int32_t count;          // n, assets
  double expiry;               // T, years
  const double* spots;         // n prices today (1.0 each for performance contracts)
  double strike;               // K; 1.0 where the contract has none
  const double* volatilities;  // n, annual
  const double* correlations;  // n x n, row-major
  double rate;                 // r, continuous
  const double* dividends;     // n continuous yields
};

class marketdata : public marketterms {
 public:
  // Borrows the four arrays (n, n, n x n and n doubles); ownsarrays is false.
  marketdata(std::int32_t count, double expiry, const double* spots, double strike,
             const double* volatilities, const double* correlations, double rate,
             const double* dividends);
  // Borrows the market's arrays and the spots.
  marketdata(const assetmarket& market, const double* spots, double strike)
      : marketdata(market.n, market.T, spots, strike, market.volatilities, market.correlations,
                   market.r, market.dividends) {}
  // A deep copy: every array of the term list of its own (empty when count < 1), ownsarrays
  // true.
  marketdata(const marketdata& source);
  marketdata& operator=(const marketdata&) = delete;

  // Adds h to a term of an owned record: the spot or volatility of asset k, the expiry, the rate.
  void bump(bumpedterm term, int k, double h);
  // True when a term or an array element is NaN.
  bool hasnan() const;

  bool ownsarrays;

 private:
  std::size_t assets() const { return count > 0 ? static_cast<std::size_t>(count) : 0; }
  // Adds h to element k of an owned array.
  void bumpelement(const double* marketterms::*array, int k, double h);
  // The owned arrays back to back, in the order of the term list.
  std::vector<double> owned;
};

// The same contract within sametolerance, term by term.
bool samemarket(const marketdata& a, const marketdata& b);

// The term list of the record: every field of marketterms once (checked when it is built).
namespace marketfields {
using termlist::array;
using termlist::length;
using termlist::scalar;
inline constexpr auto terms = termlist::checkedlist<marketterms>(
    scalar<marketterms, std::int32_t>{&marketterms::count},
    scalar<marketterms, double>{&marketterms::expiry},
    array<marketterms>{&marketterms::spots, length::assets},
    scalar<marketterms, double>{&marketterms::strike},
    array<marketterms>{&marketterms::volatilities, length::assets},
    array<marketterms>{&marketterms::correlations, length::pairs},
    scalar<marketterms, double>{&marketterms::rate},
    array<marketterms>{&marketterms::dividends, length::assets});
}  // namespace marketfields

#endif  // KZR_MONTECARLO_MARKETDATA_H
