#include "montecarlo/marketdata.h"

marketdata::marketdata(std::int32_t count, double expiry, const double* spots, double strike,
                       const double* volatilities, const double* correlations, double rate,
                       const double* dividends)
    : marketterms{count, expiry, spots, strike, volatilities, correlations, rate, dividends},
      ownsarrays(false) {}

marketdata::marketdata(const marketdata& source) : marketterms(source), ownsarrays(true) {
  termlist::ownarrays<marketterms>(*this, assets(), marketfields::terms, owned);
}

void marketdata::bumpelement(const double* marketterms::*array, int k, double h) {
  owned[static_cast<std::size_t>(this->*array - owned.data()) + static_cast<std::size_t>(k)] += h;
}

void marketdata::bump(bumpedterm term, int k, double h) {
  if (!ownsarrays) return;  // the handler's rows are the host's; only copies are bumped
  switch (term) {
    case bumpedterm::spot: bumpelement(&marketterms::spots, k, h); break;
    case bumpedterm::volatility: bumpelement(&marketterms::volatilities, k, h); break;
    case bumpedterm::expiry: expiry += h; break;
    case bumpedterm::rate: rate += h; break;
  }
}

bool marketdata::hasnan() const {
  return termlist::anynan<marketterms>(*this, assets(), marketfields::terms);
}

bool samemarket(const marketdata& a, const marketdata& b) {
  // The counts first: the arrays are read for n = a's count only when both have it.
  if (!termlist::sameterm(a.count, b.count)) return false;
  const std::size_t n = a.count > 0 ? static_cast<std::size_t>(a.count) : 0;
  return termlist::sameterms<marketterms>(a, b, n, marketfields::terms);
}
