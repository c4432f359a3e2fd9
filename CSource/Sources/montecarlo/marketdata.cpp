#include "montecarlo/marketdata.h"

#include <algorithm>
#include <cmath>

#include "finitedifference/contractdata.h"
#include "montecarlo/instrumentterms.h"

namespace {

using instrumentterms::sameterm;

bool samearray(const double* a, const double* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (!sameterm(a[i], b[i])) return false;
  return true;
}

bool anynanin(const double* values, std::size_t n) {
  return std::any_of(values, values + n, [](double x) { return std::isnan(x); });
}

}  // namespace

marketdata::marketdata(std::int32_t count, double expiry, const double* spots, double strike,
                       const double* volatilities, const double* correlations, double rate,
                       const double* dividends)
    : count(count),
      expiry(expiry),
      spots(spots),
      strike(strike),
      volatilities(volatilities),
      correlations(correlations),
      rate(rate),
      dividends(dividends),
      ownsarrays(false) {}

marketdata::marketdata(const marketdata& source)
    : count(source.count),
      expiry(source.expiry),
      strike(source.strike),
      rate(source.rate),
      ownsarrays(true) {
  const std::size_t n = assets();
  owned.resize(4 * n + n * n);
  double* at = owned.data();
  const auto take = [&](const double* from, std::size_t size) {
    std::copy(from, from + size, at);
    const double* start = at;
    at += size;
    return start;
  };
  spots = take(source.spots, n);
  volatilities = take(source.volatilities, n);
  correlations = take(source.correlations, n * n);
  dividends = take(source.dividends, n);
}

void marketdata::bump(bumpedterm term, int k, double h) {
  if (!ownsarrays) return;  // the handler's rows are the host's; only copies are bumped
  const std::size_t n = assets();
  switch (term) {
    case bumpedterm::spot: owned[static_cast<std::size_t>(k)] += h; break;
    case bumpedterm::volatility: owned[n + static_cast<std::size_t>(k)] += h; break;
    case bumpedterm::expiry: expiry += h; break;
    case bumpedterm::rate: rate += h; break;
  }
}

bool marketdata::hasnan() const {
  const std::size_t n = assets();
  return std::isnan(expiry) || std::isnan(strike) || std::isnan(rate) || anynanin(spots, n) ||
         anynanin(volatilities, n) || anynanin(correlations, n * n) || anynanin(dividends, n);
}

bool samemarket(const marketdata& a, const marketdata& b) {
  if (!sameterm(a.count, b.count) || !sameterm(a.rate, b.rate) || !sameterm(a.expiry, b.expiry) ||
      !sameterm(a.strike, b.strike))
    return false;
  const std::size_t n = a.count > 0 ? static_cast<std::size_t>(a.count) : 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (!sameterm(a.dividends[i], b.dividends[i]) || !sameterm(a.spots[i], b.spots[i]) ||
        !sameterm(a.volatilities[i], b.volatilities[i]))
      return false;
  }
  return samearray(a.correlations, b.correlations, n * n);
}
