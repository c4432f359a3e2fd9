// The market record of a Monte Carlo contract on n assets: expiry, strike and rate, and per asset
// its spot, volatility and dividend yield, with the correlation matrix of the assets' Brownian
// motions (row-major, element (i, j) at i n + j).
//
// A record built by a handler borrows its arrays from the rows of the data table; a copy (the
// working instrument's record, or a bumped copy in a sensitivity run) owns arrays of its own, which
// can be bumped. Two records are the same contract (the simulation cache's test) when count, rate,
// expiry and strike, then every dividend, spot and volatility, then every correlation differ by at
// most sametolerance (0.0001) in absolute value. A NaN term is never the same as anything, so a
// cached run on a NaN term never answers for another contract.
#ifndef KZR_MONTECARLO_MARKETDATA_H
#define KZR_MONTECARLO_MARKETDATA_H

#include <cstddef>
#include <cstdint>
#include <vector>

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

// What a sensitivity bumps in a record.
enum class bumpedterm { spot, volatility, expiry, rate };

class marketdata {
 public:
  // Borrows the four arrays (n, n, n x n and n doubles); ownsarrays is false.
  marketdata(std::int32_t count, double expiry, const double* spots, double strike,
             const double* volatilities, const double* correlations, double rate,
             const double* dividends);
  // Borrows the market's arrays and the spots.
  marketdata(const assetmarket& market, const double* spots, double strike)
      : marketdata(market.n, market.T, spots, strike, market.volatilities, market.correlations,
                   market.r, market.dividends) {}
  // A deep copy: four arrays of its own (empty when count < 1), ownsarrays true.
  marketdata(const marketdata& source);
  marketdata& operator=(const marketdata&) = delete;

  // Adds h to a term of an owned record: the spot or volatility of asset k, the expiry, the rate.
  void bump(bumpedterm term, int k, double h);
  // True when a term or an array element is NaN.
  bool hasnan() const;

  std::int32_t count;          // n, assets
  double expiry;               // T, years
  const double* spots;         // n prices today (1.0 each for performance contracts)
  double strike;               // K; 1.0 where the contract has none
  const double* volatilities;  // n, annual
  const double* correlations;  // n x n, row-major
  double rate;                 // r, continuous
  const double* dividends;     // n continuous yields
  bool ownsarrays;

 private:
  std::size_t assets() const { return count > 0 ? static_cast<std::size_t>(count) : 0; }
  // The owned arrays back to back: spots, volatilities, correlations, dividends.
  std::vector<double> owned;
};

// The same contract within sametolerance, term by term in the order above.
bool samemarket(const marketdata& a, const marketdata& b);

#endif  // KZR_MONTECARLO_MARKETDATA_H
