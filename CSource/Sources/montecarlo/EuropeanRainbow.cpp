#include "montecarlo/EuropeanRainbow.h"

#include <cmath>
#include <limits>
#include <vector>

#include "binding/countedhandler.h"
#include "closedform/EuropeanRainbowTwoAsset.h"
#include "montecarlo/EuropeanRainbowCodes.h"
#include "montecarlo/instrumentterms.h"
#include "montecarlo/mcvaluation.h"
#include "numerics/comparisons.h"
#include "numerics/messages.h"

namespace EuropeanRainbow {

using instrumentterms::nanownterms;
using instrumentterms::sameclass;
using instrumentterms::sameownterms;
using instrumentterms::scaledstep;

namespace {

constexpr stepfractions minmaxsteps{1e-6, 0.001, 1e-6, 1e-6, 0.001, 1e-6};
constexpr stepfractions bestworststeps{1e-8, 1e-4, 1e-8, 1e-8, 1e-8, 1e-8};
constexpr stepfractions bestmoneysteps{1e-6, 0.001, 1e-6, 1e-6, 1e-6, 1e-6};

resultarray refused() {
  writemessage(messages::valueundefined);
  return undefinedresult();
}

template <class instrumenttype>
resultarray valued(instrumenttype& instrument, parameterblock* block) {
  crnmontecarlo method(&instrument);
  return method.evaluate(block);
}

}  // namespace

// terminalrainbow

terminalrainbow::terminalrainbow(marketdata& record, const parameterblock& block,
                                 const stepfractions& fractions)
    : singlestepmc(record, block, rainbowpaths), fractions(fractions) {}

double terminalrainbow::bumpsize(int s, int i) const {
  const double T = data->expiry;
  switch (s) {
    case 1: return scaledstep(fractions.delta, spot(i));
    case 2: return scaledstep(fractions.gamma, spot(i));
    case 3: return scaledstep(fractions.vega, data->volatilities[i]);
    case 4: return scaledstep(T == 0 ? fractions.thetaatzero : fractions.theta, T);
    default: return scaledstep(fractions.rho, data->rate);
  }
}

double terminalrainbow::extremeprice(const double* path, int M, bool best) const {
  const auto price = [&](int i) {
    return path != nullptr ? spot(i) * path[static_cast<std::size_t>(i) * M + 1] : spot(i);
  };
  double extreme = price(0);
  for (int i = 1; i < data->count; ++i)
    extreme = best ? maxof(extreme, price(i)) : minof(extreme, price(i));
  return extreme;
}

void terminalrainbow::controls(const double* path, int M, double* values) const {
  if (data->count == 2)
    values[0] = payoff(path, M);
  else
    terminalprices(path, M, values);
}

void terminalrainbow::controlmeans(int /*M*/, double* means) const {
  if (data->count == 2)  // a spot bumped below 0 has no closed form (and no message)
    means[0] = data->spots[0] > 0 && data->spots[1] > 0
                   ? twoassetprice() * std::exp(data->rate * data->expiry)
                   : std::numeric_limits<double>::quiet_NaN();
  else
    forwards(means);
}

namespace {

// A two-asset closed form on the record of count 2: f(T, S1, S2, sigma1, sigma2, rho, r, q1, q2,
// extra...).
template <class formula, class... extra>
double twoasset(const marketdata& d, formula f, extra... x) {
  return f(d.expiry, d.spots[0], d.spots[1], d.volatilities[0], d.volatilities[1],
           d.correlations[1], d.rate, d.dividends[0], d.dividends[1], x...);
}

}  // namespace

// rainbowminmax

rainbowminmax::rainbowminmax(marketdata& record, std::int32_t callput, std::uint32_t usemax,
                             const parameterblock& block)
    : terminalrainbow(record, block, minmaxsteps), minmaxterms{callput, usemax} {
  clone = copy();
}

std::unique_ptr<mcbase> rainbowminmax::copy() const {
  return std::unique_ptr<mcbase>(new rainbowminmax(*this, clonetag{}));
}

bool rainbowminmax::issame(const mcbase* other) const {
  return sameclass(*this, other) && sameownterms<minmaxterms>(*this, other, minmaxlist) &&
         samerun(other);
}

bool rainbowminmax::nanterms() const { return nanownterms<minmaxterms>(*this, minmaxlist); }

double rainbowminmax::expiryvalue() const { return payoff(nullptr, 0); }

double rainbowminmax::twoassetprice() const {
  using namespace EuropeanRainbowTwoAsset;
  const auto formula = usemax == 1 ? (callput > 0 ? rainbowcallmax : rainbowputmax)
                                   : (callput > 0 ? rainbowcallmin : rainbowputmin);
  return twoasset(*data, formula, data->strike, bivariatemethod::precise);
}

double rainbowminmax::payoff(const double* path, int M) const {
  const double X = extremeprice(path, M, usemax == 1);
  return maxof(callput * (X - data->strike), 0.0);
}

// rainbowbestworst

rainbowbestworst::rainbowbestworst(marketdata& record, std::uint32_t best,
                                   const parameterblock& block)
    : terminalrainbow(record, block, bestworststeps), bestworstterms{best} {
  clone = copy();
}

std::unique_ptr<mcbase> rainbowbestworst::copy() const {
  return std::unique_ptr<mcbase>(new rainbowbestworst(*this, clonetag{}));
}

bool rainbowbestworst::issame(const mcbase* other) const {
  return sameclass(*this, other) && sameownterms<bestworstterms>(*this, other, bestworstlist) &&
         samerun(other);
}

bool rainbowbestworst::nanterms() const {
  return nanownterms<bestworstterms>(*this, bestworstlist);
}

double rainbowbestworst::expiryvalue() const { return payoff(nullptr, 0); }

double rainbowbestworst::twoassetprice() const {
  using namespace EuropeanRainbowTwoAsset;
  return twoasset(*data, best == 1 ? rainbowbest : rainbowworst);
}

double rainbowbestworst::payoff(const double* path, int M) const {
  return extremeprice(path, M, best == 1);
}

// rainbowbestmoney

rainbowbestmoney::rainbowbestmoney(marketdata& record, double cash, const parameterblock& block)
    : terminalrainbow(record, block, bestmoneysteps), bestmoneyterms{cash} {
  clone = copy();
}

std::unique_ptr<mcbase> rainbowbestmoney::copy() const {
  return std::unique_ptr<mcbase>(new rainbowbestmoney(*this, clonetag{}));
}

bool rainbowbestmoney::issame(const mcbase* other) const {
  return sameclass(*this, other) && samerun(other) &&
         sameownterms<bestmoneyterms>(*this, other, bestmoneylist);
}

double rainbowbestmoney::expiryvalue() const { return payoff(nullptr, 0); }

double rainbowbestmoney::twoassetprice() const {
  using namespace EuropeanRainbowTwoAsset;
  // The closed form reads a positive cash amount; with none the contract is the best of the two.
  if (!(cash > 0)) return twoasset(*data, rainbowbest);
  return twoasset(*data, rainbowbestcash, cash, bivariatemethod::precise);
}

double rainbowbestmoney::payoff(const double* path, int M) const {
  return maxof(extremeprice(path, M, true), cash);
}

bool rainbowbestmoney::nanterms() const {
  return nanownterms<bestmoneyterms>(*this, bestmoneylist);
}

// Pricing routines

resultarray bestworstvalue(const assetmarket& market, const double* spots, std::uint32_t best,
                           parameterblock* block) {
  marketdata record(market, spots, 1.0);
  rainbowbestworst instrument(record, best, *block);
  return valued(instrument, block);
}

resultarray minmaxvalue(const assetmarket& market, const double* spots, double K,
                        std::int32_t callput, std::uint32_t usemax, parameterblock* block) {
  if (K <= 0) return refused();
  marketdata record(market, spots, K);
  rainbowminmax instrument(record, callput, usemax, *block);
  return valued(instrument, block);
}

resultarray bestmoneyvalue(const assetmarket& market, const double* spots, double cash,
                           parameterblock* block) {
  if (cash < 0) return refused();
  marketdata record(market, spots, 1.0);
  rainbowbestmoney instrument(record, cash, *block);
  return valued(instrument, block);
}

namespace {

// The rows of the codes of one variant (EuropeanRainbowCodes.h), read by name, into its routine.
template <int variant>
resultarray rainbowvariantvalue(const assetrows& rows, parameterblock* block) {
  constexpr codetable table = tableof(rainbowcodes);
  constexpr int spots = inputrow(table, variant, "S_i");
  const assetmarket market = marketofrows<rainbowcodes, variant>(rows);
  if constexpr (variant == bestasset || variant == worstasset) {
    return bestworstvalue(market, rows.values(spots), variant == bestasset ? 1 : 0, block);
  } else if constexpr (variant == bestorcash) {
    constexpr int cash = inputrow(table, variant, "X");
    return bestmoneyvalue(market, rows.values(spots), rows.value(cash), block);
  } else {
    constexpr int strike = inputrow(table, variant, "K");
    const std::int32_t callput = variant == callonmax || variant == callonmin ? +1 : -1;
    const std::uint32_t usemax = variant == callonmax || variant == putonmax ? 1 : 0;
    return minmaxvalue(market, rows.values(spots), rows.value(strike), callput, usemax, block);
  }
}

resultarray rainbowvalue(int variant, const assetrows& rows, parameterblock* block) {
  switch (variant) {
    case bestasset: return rainbowvariantvalue<bestasset>(rows, block);
    case worstasset: return rainbowvariantvalue<worstasset>(rows, block);
    case callonmax: return rainbowvariantvalue<callonmax>(rows, block);
    case putonmax: return rainbowvariantvalue<putonmax>(rows, block);
    case callonmin: return rainbowvariantvalue<callonmin>(rows, block);
    case putonmin: return rainbowvariantvalue<putonmin>(rows, block);
    default: return rainbowvariantvalue<bestorcash>(rows, block);
  }
}

constexpr entrymask rainbowentries = readsentry(entrymode) | readsentry(entrysensitivity);

}  // namespace

const scalarhandlerentry rainbowhandler =
    countedscalarentry<rainbowcodes, rainbowvalue>(rainbowentries);
const vectorhandlerentry rainbowvectorhandler =
    countedvectorentry<rainbowcodes, rainbowvalue>(rainbowentries);

}  // namespace EuropeanRainbow
