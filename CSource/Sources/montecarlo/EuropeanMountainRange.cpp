#include "montecarlo/EuropeanMountainRange.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>

#include "binding/countedhandler.h"
#include "finitedifference/contractdata.h"
#include "montecarlo/EuropeanMountainRangeCodes.h"
#include "montecarlo/instrumentterms.h"
#include "montecarlo/mcvaluation.h"
#include "numerics/comparisons.h"
#include "numerics/messages.h"

namespace EuropeanMountainRange {

using instrumentterms::nanownterms;
using instrumentterms::sameclass;
using instrumentterms::sameownterms;
using instrumentterms::scaledstep;

namespace {

resultarray refused(const char* message) {
  writemessage(message);
  return undefinedresult();
}

template <class instrumenttype>
resultarray valued(instrumenttype& instrument, parameterblock* block) {
  crnmontecarlo method(&instrument);
  return method.evaluate(block);
}

std::size_t assetcount(const marketdata& record) {
  return record.count > 0 ? static_cast<std::size_t>(record.count) : 0;
}

}  // namespace

// couponrange

couponrange::couponrange(marketdata& record, const double* barriers, double coupon, bool spotsteps,
                         const parameterblock& block)
    : multistepmc(
          record,
          simulationcounts(block, record.count, couponpaths, couponsteps, stepcount::adjustable),
          false),
      couponterms{barriers, coupon},
      spotsteps(spotsteps) {}

couponrange::couponrange(const couponrange& source, clonetag tag)
    : multistepmc(source, tag), couponterms(source), spotsteps(source.spotsteps) {
  termlist::ownarrays<couponterms>(*this, assetcount(*data), couponlist, ownbarriers);
}

bool couponrange::issame(const mcbase* other) const {
  // The record first: its count is the length of both instruments' barriers.
  return sameclass(*this, other) && samemarket(*data, *other->data) &&
         sameownterms<couponterms>(*this, other, couponlist) && samerun(other);
}

double couponrange::bumpsize(int s, int i) const {
  switch (s) {
    case 1: return spotsteps ? 0.04 * spot(i) : 0.0;
    case 2: return spotsteps ? 0.2 * spot(i) : 0.0;
    case 3: return 0.04 * data->volatilities[i];
    case 4: return 0.04 * data->expiry;
    default: return 0.04 * data->rate;
  }
}

bool couponrange::nanterms() const { return nanownterms<couponterms>(*this, couponlist); }

// altiplano

altiplano::altiplano(marketdata& record, const double* barriers, double coupon,
                     const parameterblock& block)
    : couponrange(record, barriers, coupon, true, block) {
  clone = copy();
}

std::unique_ptr<mcbase> altiplano::copy() const {
  return std::unique_ptr<mcbase>(new altiplano(*this, clonetag{}));
}

double altiplano::payoff(const double* path, int M) const {
  for (int i = 0; i < data->count; ++i) {
    const double* points = path + static_cast<std::size_t>(i) * M;
    const double H = barriers[i];
    for (int t = 0; t < M; ++t)
      if (points[t] >= H) return 0.0;
  }
  return coupon;
}

// annapurna

annapurna::annapurna(marketdata& record, const double* barriers, double coupon,
                     const parameterblock& block)
    : couponrange(record, barriers, coupon, false, block) {
  clone = copy();
}

std::unique_ptr<mcbase> annapurna::copy() const {
  return std::unique_ptr<mcbase>(new annapurna(*this, clonetag{}));
}

double annapurna::payoff(const double* path, int M) const {
  for (int i = 0; i < data->count; ++i) {
    const double* points = path + static_cast<std::size_t>(i) * M;
    const double level = barriers[i] * spot(i);
    for (int t = 0; t < M; ++t)
      if (level >= points[t]) return 0.0;
  }
  return coupon;
}

// performancerange

template <class shape>
bool performancerange<shape>::issame(const mcbase* other) const {
  return sameclass(*this, other) && sameownterms<performanceterms>(*this, other, performancelist) &&
         this->samerun(other);
}

template <class shape>
double performancerange<shape>::bumpsize(int s, int i) const {
  const marketdata& d = *this->data;
  switch (s) {
    case 1:
    case 2: return 0.0;
    case 3: return scaledstep(bumps.vega, d.volatilities[i]);
    case 4: return scaledstep(d.expiry == 0 ? bumps.thetaatexpiry : bumps.theta, d.expiry);
    default: return scaledstep(bumps.rho, d.rate);
  }
}

template <class shape>
bool performancerange<shape>::nanterms() const {
  return nanownterms<performanceterms>(*this, performancelist);
}

template class performancerange<singlestepmc>;
template class performancerange<multistepmc>;

// atlas

atlas::atlas(marketdata& record, double notional, const parameterblock& block)
    : performancerange(notional, {1e-8, 1e-8, 1e-8, 1e-8}, record, block, terminalpaths) {
  clone = copy();
}

std::unique_ptr<mcbase> atlas::copy() const {
  return std::unique_ptr<mcbase>(new atlas(*this, clonetag{}));
}

double atlas::payoff(const double* path, int M) const {
  const int n = data->count;
  double product = path[1], best = path[1], worst = path[1];
  for (int i = 1; i < n; ++i) {
    const double R = path[static_cast<std::size_t>(i) * M + 1];
    product *= R;
    best = maxof(best, R);
    worst = minof(worst, R);
  }
  const double G = std::pow(product / (best * worst), 1.0 / (n - 2));
  return notional * maxof(G - data->strike, 0.0);
}

// everest

everest::everest(marketdata& record, double notional, const parameterblock& block)
    : performancerange(notional, {1e-8, 1e-8, 1e-6, 1e-8}, record, block, terminalpaths) {
  clone = copy();
}

std::unique_ptr<mcbase> everest::copy() const {
  return std::unique_ptr<mcbase>(new everest(*this, clonetag{}));
}

double everest::payoff(const double* path, int M) const {
  double worst = path[1];
  for (int i = 1; i < data->count; ++i)
    worst = minof(worst, path[static_cast<std::size_t>(i) * M + 1]);
  return notional * worst;
}

// himalaya

himalaya::himalaya(marketdata& record, double notional, const parameterblock& block)
    : performancerange(
          notional, {0.01, 0.01, 0.001, 0.01}, record,
          simulationcounts(block, record.count, terminalpaths, record.count, stepcount::fixed),
          true),
      taken(assetcount(record)) {
  clone = copy();
}

himalaya::himalaya(const himalaya& source, clonetag tag)
    : performancerange(source, tag), taken(source.taken.size()) {}

std::unique_ptr<mcbase> himalaya::copy() const {
  return std::unique_ptr<mcbase>(new himalaya(*this, clonetag{}));
}

double himalaya::payoff(const double* path, int M) const {
  const int n = data->count;
  std::fill(taken.begin(), taken.end(), 0);
  double product = 1.0;
  for (int t = 0; t < M; ++t) {
    // The best growth of the period among the assets not yet taken: upward from a best of 0.0,
    // replaced only by a strictly greater one, so the lowest index wins a tie.
    double best = 0.0;
    int chosen = -1;
    for (int i = 0; i < n; ++i) {
      const double growth = path[static_cast<std::size_t>(i) * M + t];
      if (!taken[i] && growth > best) {
        best = growth;
        chosen = i;
      }
    }
    if (chosen >= 0) taken[chosen] = 1;
    product *= best;
  }
  return std::log(product);
}

double himalaya::discountedmean(double sum) const {
  return std::exp(-data->rate * data->expiry) * notional * (std::exp(sum / paths) - 1.0);
}

double himalaya::sensitivity(int s, double sum1, double sum2, double P, double h) const {
  const double T = data->expiry, r = data->rate, N = paths;
  const double D = std::exp(-r * T) * notional;
  const double E1 = std::exp(sum1 / N), E2 = std::exp(sum2 / N);
  switch (s) {
    case 0: return P;
    case 1:
    case 3: return (D * (E1 - 1.0) - P) / h;
    case 2: return (D * (E1 + E2 - 2.0) - 2 * P) / (h * h);
    case 4: return (std::exp(-r * (T + h)) * notional * (E1 - 1.0) - P) / (-h);
    default: return (std::exp(-(r + h) * T) * notional * (E1 - 1.0) - P) / h;
  }
}

// Pricing routines

resultarray altiplanovalue(const assetmarket& market, const double* spots, const double* barriers,
                           double coupon, parameterblock* block) {
  if (coupon <= 0) return refused(messages::valueundefined);
  for (int i = 0; i < market.n; ++i)
    if (spots[i] >= barriers[i]) return refused(messages::stockabovebarrier);
  marketdata record(market, spots, 1.0);
  altiplano instrument(record, barriers, coupon, *block);
  return valued(instrument, block);
}

resultarray annapurnavalue(const assetmarket& market, const double* spots, const double* fractions,
                           double coupon, parameterblock* block) {
  if (coupon <= 0) return refused(messages::valueundefined);
  for (int i = 0; i < market.n; ++i)
    if (fractions[i] <= 0 || fractions[i] >= 1) return refused(messages::valueundefined);
  marketdata record(market, spots, 1.0);
  annapurna instrument(record, fractions, coupon, *block);
  return valued(instrument, block);
}

resultarray atlasvalue(const assetmarket& market, double K, double notional,
                       parameterblock* block) {
  if (market.n == 1 || market.n == 2) return refused(messages::valueundefined);
  const std::vector<double> performances(market.n > 0 ? market.n : 0, 1.0);
  marketdata record(market, performances.data(), K);
  atlas instrument(record, notional, *block);
  return valued(instrument, block);
}

resultarray everestvalue(const assetmarket& market, double notional, parameterblock* block) {
  const std::vector<double> performances(market.n > 0 ? market.n : 0, 1.0);
  marketdata record(market, performances.data(), 1.0);
  everest instrument(record, notional, *block);
  return valued(instrument, block);
}

resultarray himalayavalue(const assetmarket& market, double notional, parameterblock* block) {
  const std::vector<double> performances(market.n > 0 ? market.n : 0, 1.0);
  marketdata record(market, performances.data(), 1.0);
  himalaya instrument(record, notional, *block);
  return valued(instrument, block);
}

namespace {

// The rows of the codes of one variant (EuropeanMountainRangeCodes.h), read by name, into its
// routine.
template <int variant>
resultarray mountainvariantvalue(const assetrows& rows, parameterblock* block) {
  constexpr codetable table = tableof(mountaincodes);
  const assetmarket market = marketofrows<mountaincodes, variant>(rows);
  if constexpr (variant == altiplanocoupon || variant == annapurnacoupon) {
    constexpr int spots = inputrow(table, variant, "S_i");
    constexpr int barriers = inputrow(table, variant, "H_i");
    constexpr int coupon = inputrow(table, variant, "coupon");
    const auto routine = variant == altiplanocoupon ? altiplanovalue : annapurnavalue;
    return routine(market, rows.values(spots), rows.values(barriers), rows.value(coupon), block);
  } else if constexpr (variant == atlascall) {
    constexpr int strike = inputrow(table, variant, "K");
    constexpr int notional = inputrow(table, variant, "notional");
    return atlasvalue(market, rows.value(strike), rows.value(notional), block);
  } else {
    constexpr int notional = inputrow(table, variant, "notional");
    const auto routine = variant == everestworst ? everestvalue : himalayavalue;
    return routine(market, rows.value(notional), block);
  }
}

resultarray mountainvalue(int variant, const assetrows& rows, parameterblock* block) {
  switch (variant) {
    case altiplanocoupon: return mountainvariantvalue<altiplanocoupon>(rows, block);
    case annapurnacoupon: return mountainvariantvalue<annapurnacoupon>(rows, block);
    case atlascall: return mountainvariantvalue<atlascall>(rows, block);
    case everestworst: return mountainvariantvalue<everestworst>(rows, block);
    default: return mountainvariantvalue<himalayabest>(rows, block);
  }
}

constexpr entrymask mountainentries = readsentry(entrymode) | readsentry(entrysensitivity);

}  // namespace

const scalarhandlerentry mountainhandler =
    countedscalarentry<mountaincodes, mountainvalue>(mountainentries);
const vectorhandlerentry mountainvectorhandler =
    countedvectorentry<mountaincodes, mountainvalue>(mountainentries);

}  // namespace EuropeanMountainRange
