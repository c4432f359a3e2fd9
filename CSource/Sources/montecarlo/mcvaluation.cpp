#include "montecarlo/mcvaluation.h"

#include <cstddef>
#include <limits>
#include <utility>

#include "binding/libraryoptions.h"
#include "binding/ratesigns.h"
#include "montecarlo/pathsimulation.h"
#include "montecarlo/randomsource.h"
#include "numerics/messages.h"
#include "numerics/undefined.h"

namespace {

const cacheunload<simulationcache> freesimulationcacheatunload;

// Selectors whose result has one value per asset.
bool perasset(std::int64_t s) { return s >= selectdelta && s <= selectvega; }

// What a sensitivity bumps.
bumpedterm termof(std::int64_t s) {
  switch (s) {
    case selectdelta:
    case selectgamma: return bumpedterm::spot;
    case selectvega: return bumpedterm::volatility;
    case selecttheta: return bumpedterm::expiry;
    default: return bumpedterm::rate;
  }
}

// A copy of the working instrument with term k of its record moved by h.
std::unique_ptr<mcbase> bumpedcopy(const mcbase& working, std::int64_t s, int k, double h) {
  std::unique_ptr<mcbase> copy = working.copy();
  copy->data->bump(termof(s), k, h);
  return copy;
}

drawoptions drawoptionsof(const libraryoptions& options) {
  return {options.sobol, options.controlvariates};
}

// Runs the variants over kept draws, or fresh ones from the options' source (kept in store when
// it is given), and corrects each variant's sum by its control variates when the options ask.
void runvariants(drawoptions options, std::int64_t seed, double* store, const double* kept,
                 std::vector<pathvariant>& variants, std::int64_t N, int M, int n) {
  std::vector<std::unique_ptr<controlsums>> sums;
  if (options.controlvariates) {
    // All the variants or none: a finite difference of one corrected and one plain sum would
    // lose the common random numbers' cancellation.
    bool every = true;
    for (const pathvariant& variant : variants) {
      sums.push_back(std::make_unique<controlsums>(*variant.instrument, M));
      every = every && sums.back()->count() == variant.instrument->controlcount();
    }
    for (std::size_t v = 0; every && v < variants.size(); ++v)
      if (sums[v]->count() > 0) variants[v].controls = sums[v].get();
  }
  if (kept != nullptr) {
    simulatepaths({nullptr, nullptr, kept}, variants, N, M, n);
  } else if (options.sobol) {
    const int start = variants.empty() ? 1 : variants.front().law.start;
    sobolpaths sobol(M - start, n, seed);
    simulatepaths({nullptr, store, nullptr, &sobol}, variants, N, M, n);
  } else {
    randomsource source(seed);
    simulatepaths({&source, store, nullptr}, variants, N, M, n);
  }
  for (pathvariant& variant : variants) {
    if (variant.controls == nullptr) continue;
    variant.sum = variant.controls->adjustedsum(variant.sum, N);
    variant.controls = nullptr;
  }
}

}  // namespace

// methodcarriesmc

methodcarriesmc::methodcarriesmc(std::int32_t paths, std::int32_t steps, std::int32_t assets,
                                 std::int64_t seed, drawoptions options)
    : N(paths), M(steps), n(assets), seed(seed), options(options) {}

double* methodcarriesmc::store() {
  if (!memory && N >= 0 && M >= 0 && n >= 0)
    memory.reset(new double[static_cast<std::size_t>(N) * static_cast<std::size_t>(M) *
                            static_cast<std::size_t>(n)]);
  return memory.get();
}

// crnmontecarlo

struct crnmontecarlo::run {
  std::int64_t selector;  // s
  bool caching;           // c = 0
  std::int64_t seed;      // library options: 0 seeds from the clock
  drawoptions options;    // library options 2 and 3
  std::vector<double> h;  // the steps of a sensitivity, one per asset
  parameterblock* params;
};

crnmontecarlo::crnmontecarlo(mcbase* instrument)
    : instrument(instrument), cache(std::move(instrument->clone)) {}

resultarray crnmontecarlo::evaluate(parameterblock* params) {
  const std::int64_t s = entryinteger(*params, entrysensitivity, 0, 0);
  const bool caching = valuationmode(*params) == 0;
  const std::int32_t n = instrument->data->count;
  resultarray result = newresult(n);
  const mcbase* working = cache.working();
  if (working == nullptr) {  // the clone went to another valuation
    result[1] = undefinedvalue();
    return result;
  }
  const auto stop = [&](double value) {
    if (value != 0.0) result[1] = value;
    cache.discard();  // the working copy is nobody's; the cache stays as it was
    return std::move(result);
  };
  if (s < 0 || s > lastselector) return stop(refusedwith(messages::selectorrange));
  const libraryoptions options = readlibraryoptions(*params);
  run r{s, caching, options.seed, drawoptionsof(options), {}, params};
  if (s != selectprice) {
    for (int i = 0; i < n; ++i) {
      r.h.push_back(working->bumpsize(static_cast<int>(s), i));
      if (r.h.back() == 0.0) return stop(0.0);
    }
  }
  // At T = 0 only theta simulates (the contract over T = h); the rest is the expiry value.
  runspaths = working->data->expiry != 0 || s == selecttheta;
  const double admissible = checkinputs(instrument->steps);
  if (admissible != 1.0) return stop(admissible);
  if (working->nanterms()) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int i = 1; i <= (perasset(s) ? n : 1); ++i) result[i] = nan;
    return stop(nan);
  }
  if (runspaths) {
    if (!covariancefactor(*working->data).valid())
      return stop(refusedwith(messages::notpositivedefinite));
    if (working->countscut) writemessage(memorylimitmessage(working->paths, working->steps));
  }
  const bool reused = caching && canreuse(params);
  if (reused) {
    cache.usecached(*params);
    if (s == selectprice)
      result[1] = params->mclastprice;
    else
      simulatesensitivity(r, true, result.get());
  } else {
    std::unique_ptr<methodcarriesmc> fresh;
    if (caching)
      fresh = std::make_unique<methodcarriesmc>(working->paths, working->steps, n, r.seed,
                                                r.options);
    cache.usefresh(*params, std::move(fresh));
    if (s == selectprice)
      simulateprice(r, result.get());
    else
      simulatesensitivity(r, false, result.get());
  }
  release(reused, caching ? 0 : 1, params);
  return result;
}

bool crnmontecarlo::canreuse(parameterblock* params) {
  if (!cache.canreuse(*params)) return false;
  const auto* carrier = static_cast<const methodcarriesmc*>(params->mccarrier);
  const mcbase& working = *cache.working();
  const libraryoptions options = readlibraryoptions(*params);
  return carrier->filled() && carrier->fits(working.paths, working.steps, working.data->count) &&
         carrier->servesseed(options.seed) && carrier->servesoptions(drawoptionsof(options));
}

void crnmontecarlo::release(bool reused, int mode, parameterblock* params) {
  cache.release(reused, mode == 0, *params);
}

double crnmontecarlo::checkinputs(int steps) {
  const marketdata& d = *instrument->data;
  const int n = d.count;
  if (steps < 0) return refusedwith(messages::stepspositive);
  if (instrument->paths < 0) return refusedwith(messages::pathspositive);
  if (n <= 0 || d.strike <= 0 || d.expiry < 0 || signrefused(d.rate))
    return refusedwith(messages::valueundefined);
  for (int i = 0; i < n; ++i)
    if (d.spots[i] <= 0 || signrefused(d.dividends[i]) || d.volatilities[i] <= 0)
      return refusedwith(messages::valueundefined);
  const auto correlation = [&](int i, int j) {
    return d.correlations[static_cast<std::size_t>(i) * n + j];
  };
  for (int i = 0; i < n; ++i)
    if (correlation(i, i) != 1.0) return refusedwith(messages::diagonalcorrelationerror);
  if (n > 1)
    for (int i = 0; i < n; ++i)
      for (int j = i + 1; j < n; ++j)
        if (correlation(i, j) != correlation(j, i)) return refusedwith(messages::correlationerror);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      if (correlation(i, j) < -1.0 || correlation(i, j) > 1.0)
        return refusedwith(messages::correlationerror);
  if (steps == 0 && runspaths) return refusedwith(messages::stepspositive);
  return 1.0;
}

void crnmontecarlo::simulateprice(const run& r, double* result) {
  const mcbase& working = *cache.working();
  const int M = instrument->steps, n = working.data->count;
  double price;
  if (working.data->expiry == 0) {
    price = working.expiryvalue();
  } else {
    const covariancefactor factor(*working.data);
    methodcarriesmc* carrier = cache.carrier();
    std::vector<pathvariant> variants;
    variants.push_back({&working, pathlaw(working, M), &factor});
    runvariants(r.options, r.seed, carrier != nullptr ? carrier->store() : nullptr, nullptr,
                variants, working.paths, M, n);
    if (carrier != nullptr) carrier->markfilled();
    price = working.discountedmean(variants.front().sum);
  }
  if (r.caching) r.params->mclastprice = price;
  result[1] = price;
}

void crnmontecarlo::simulatesensitivity(const run& r, bool reused, double* result) {
  const mcbase& working = *cache.working();
  if (working.data->expiry == 0) {
    zeroexpirysensitivity(r, reused, result);
    return;
  }
  const int M = instrument->steps, n = working.data->count;
  const std::int64_t s = r.selector;
  const int bumps = perasset(s) ? n : 1;
  const covariancefactor factor(*working.data);
  // The bumped copies and, for vega, the factors of their covariances, made before any path.
  std::vector<std::unique_ptr<mcbase>> copies;
  std::vector<std::unique_ptr<covariancefactor>> vegafactors;
  std::vector<pathvariant> variants;
  variants.reserve(2 * static_cast<std::size_t>(bumps) + 1);
  // The unbumped contract is always simulated: on reuse its terms may differ from the kept
  // contract's within the cache's tolerance, and P must be the price of these very terms.
  variants.push_back({&working, pathlaw(working, M), &factor});
  const std::size_t firstbumped = variants.size();
  const int directions = s == selectgamma ? 2 : 1;  // gamma: up, then down
  for (int k = 0; k < bumps; ++k) {
    for (int d = 0; d < directions; ++d) {
      copies.push_back(bumpedcopy(working, s, k, d == 0 ? r.h[k] : -r.h[k]));
      const covariancefactor* bumpedfactor = &factor;
      if (s == 3) {
        vegafactors.push_back(std::make_unique<covariancefactor>(*copies.back()->data));
        bumpedfactor = vegafactors.back().get();
      }
      variants.push_back({copies.back().get(), pathlaw(*copies.back(), M), bumpedfactor});
    }
  }
  if (reused) {
    runvariants(r.options, r.seed, nullptr, cache.carrier()->draws(), variants, working.paths, M,
                n);
  } else {
    methodcarriesmc* carrier = cache.carrier();
    runvariants(r.options, r.seed, carrier != nullptr ? carrier->store() : nullptr, nullptr,
                variants, working.paths, M, n);
    if (carrier != nullptr) carrier->markfilled();
  }
  const double P = working.discountedmean(variants.front().sum);
  if (!reused && r.caching) r.params->mclastprice = P;
  for (int k = 0; k < bumps; ++k) {
    const pathvariant* up = &variants[firstbumped + static_cast<std::size_t>(k) * directions];
    const double sum2 = directions == 2 ? up[1].sum : 0.0;
    result[1 + k] = working.sensitivity(static_cast<int>(s), up->sum, sum2, P, r.h[k]);
  }
}

void crnmontecarlo::zeroexpirysensitivity(const run& r, bool reused, double* result) {
  const mcbase& working = *cache.working();
  const std::int64_t s = r.selector;
  const double V0 = working.expiryvalue();  // this contract's own, reused or not
  if (!reused && r.caching) r.params->mclastprice = V0;
  if (s == 4) {  // the contract over T = h, from fresh draws (no draws are kept at T = 0)
    const int M = instrument->steps, n = working.data->count;
    const covariancefactor factor(*working.data);
    const std::unique_ptr<mcbase> later = bumpedcopy(working, s, 0, r.h[0]);
    std::vector<pathvariant> variants;
    variants.push_back({later.get(), pathlaw(*later, M), &factor});
    runvariants(r.options, r.seed, nullptr, nullptr, variants, working.paths, M, n);
    result[1] = working.sensitivity(4, variants.front().sum, 0.0, V0, r.h[0]);
    return;
  }
  const int bumps = perasset(s) ? working.data->count : 1;
  for (int k = 0; k < bumps; ++k) {
    const double h = r.h[k];
    const double up = bumpedcopy(working, s, k, h)->expiryvalue();
    if (s == 2) {
      const double down = bumpedcopy(working, s, k, -h)->expiryvalue();
      result[1 + k] = (up + down - 2 * V0) / (h * h);
    } else {
      result[1 + k] = (up - V0) / h;
    }
  }
}
