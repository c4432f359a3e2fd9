#include "finitedifference/AmericanVanilla.h"

#include <cmath>
#include <memory>
#include <optional>

#include "binding/libraryoptions.h"
#include "binding/ratesigns.h"
#include "binding/tablehandler.h"
#include "closedform/BlackScholes.h"
#include "finitedifference/AmericanVanillaCodes.h"
#include "finitedifference/fdvaluation.h"
#include "finitedifference/ndi.h"
#include "numerics/americanboundary.h"
#include "numerics/comparisons.h"
#include "numerics/crrtree.h"
#include "numerics/messages.h"
#include "numerics/undefined.h"

namespace AmericanVanilla {

namespace {

constexpr double bisectionwidth = 0.0001;
constexpr int maximumhalvings = 24;                // one tree each (AmericanVanilla.h)
constexpr double binomialdividendfloor = 0.00001;  // inclusive: BINACO, BINACOCrit
constexpr double griddividendfloor = 0.001;        // exclusive: BSACOCrit

bool refused(double T, double S, double K, double sigma, double r, double q) {
  return T < 0 || S < 0 || K <= 0 || sigma <= 0 || signrefused(r) || signrefused(q);
}

bool refusedcritical(double T, double K, double sigma, double r, double q) {
  return T < 0 || K <= 0 || sigma <= 0 || signrefused(r) || signrefused(q);
}

// Negative rates and yields (AmericanVanilla.h): a put with q < r < 0, a call with r < q < 0, is
// exercised between two boundaries. Reached only under library option 4.
bool twoboundaries(int callput, double r, double q) {
  return callput < 0 ? q < r && r < 0 : r < q && q < 0;
}

// A put with r < 0 that is never exercised early (q >= r), reached only under the option: its
// critical price is 0.
bool putneverearly(double r, double q) { return r < 0 && q >= r; }

// The exercise value at a node, and per unit of its price y = 1 / price for a tree whose node
// prices overflowed (numerics/crrtree.h).
struct vanillaexercise {
  int callput;
  double K;
  double operator()(double price) const {
    return callput > 0 ? maxof(price - K, 0.0) : maxof(K - price, 0.0);
  }
  double perunit(double y) const {
    return callput > 0 ? maxof(1.0 - K * y, 0.0) : maxof(K * y - 1.0, 0.0);
  }
};

// The American value at spot S on tree. An option out of the money at every node of a tree whose
// weights are a probability law is worth 0 at every node: that is the tree's own answer, given
// without walking the tree (the far edges of the barrier grids ask for many such trees).
double treevalue(crrtree& tree, int callput, double S, double K) {
  const bool law = tree.probability() >= 0 && tree.probability() <= 1;
  if (law && (callput > 0 ? tree.highestprice(S) <= K : tree.lowestprice(S) >= K)) return 0.0;
  return tree.americanvalue(S, vanillaexercise{callput, K});
}

// The tree of one contract with the steps of parameter entry 4 and u^2 taken as u u (the powers
// of u are taken once and serve every spot the tree is asked for), or none after a message:
// steps out of range, or p outside [0, 1] or undefined while the inputs are numbers.
std::optional<crrtree> americantree(double T, double K, double sigma, double r, double q,
                                    const parameterblock* block) {
  const std::int64_t steps = entryinteger(*block, entrysteps, 0, defaultsteps);
  return checkedcrrtree(T, sigma, r - q, r, steps, crrsquare::product,
                        !std::isnan(T + K + sigma + r + q));
}

double binomialvalue(int callput, double T, double S, double K, double sigma, double r, double q,
                     const parameterblock* block) {
  std::optional<crrtree> tree = americantree(T, K, sigma, r, q, block);
  if (!tree) return undefinedvalue();
  return treevalue(*tree, callput, S, K);
}

double binomialcritical(int callput, double T, double K, double sigma, double r, double q,
                        parameterblock* block) {
  std::optional<crrtree> tree = americantree(T, K, sigma, r, q, block);
  if (!tree) return undefinedvalue();
  double lo = callput > 0 ? K : 0.0;
  double hi = callput > 0 ? perpetualcalllevel(K, sigma, r, q) : K;
  for (int halving = 0; halving < maximumhalvings && std::fabs(hi - lo) > bisectionwidth;
       ++halving) {
    const double mid = (lo + hi) / 2.0;
    if (mid == lo || mid == hi) break;  // no double left between them
    const double value = treevalue(*tree, callput, mid, K);
    if (std::isnan(value)) return value;
    const double exercise = callput > 0 ? maxof(mid - K, 0.0) : maxof(K - mid, 0.0);
    const bool continuation = value > exercise;
    if (callput > 0)
      (continuation ? lo : hi) = mid;
    else
      (continuation ? hi : lo) = mid;
  }
  return (lo + hi) / 2.0;
}

double gridvalue(int callput, bool critical, double T, double S, double K, double sigma, double r,
                 double q, parameterblock* block) {
  contractdata record{T, critical ? 0.0 : S, sigma, r, q, K, 0.0, 0.0, callput,
                      1, critical ? 1 : 0,   0};
  const parameterentry grid = block->entries[entrygrid];
  americanvanilla instrument(record, grid);
  CNNDI scheme(&instrument);
  return scheme.value(block);
}

// The refusals and early results of BINACO and BINAPO, in the design's order (the call's dividend
// floor, which follows them, is the tree path's own).
std::optional<double> binomialearly(int callput, double T, double S, double K, double sigma,
                                    double r, double q) {
  if (refused(T, S, K, sigma, r, q)) return undefinedvalue();
  if (S == 0) return callput > 0 ? 0.0 : K;
  if (T == 0) return maxof(callput * (S - K), 0.0);
  return std::nullopt;
}

bool precise(const parameterblock* block) {
  return readlibraryoptions(*block).numerics == bivariatemethod::precise;
}

// The put boundary of the precise option for these terms (a call's: r and q exchanged). In a
// caching mode the kept boundary when its terms are the same, else a new one parked in the
// carrier word (made before the words are emptied, so that it never takes the old one's
// address); in mode 1 one of the valuation's own, the words emptied (AmericanVanilla.h).
class preciseboundary {
 public:
  preciseboundary(const boundaryterms& terms, parameterblock* block) {
    if (!gridcaching(*block)) {
      gridcache::freecache(*block);
      own = americanputboundary(terms.T, terms.K, terms.sigma, terms.r, terms.q, terms.scheme);
      inuse = &own;
      return;
    }
    if (const methodcarriesboundary* kept = cachedboundary(*block))
      if (sameterms(kept->terms, terms)) {
        inuse = &kept->boundary;
        return;
      }
    auto fresh = std::make_unique<methodcarriesboundary>(terms);
    gridcache::freecache(*block);
    inuse = &fresh->boundary;
    block->fdcarrier = fresh.release();
  }
  preciseboundary(const preciseboundary&) = delete;
  preciseboundary& operator=(const preciseboundary&) = delete;
  const americanputboundary& operator*() const { return *inuse; }

 private:
  americanputboundary own;
  const americanputboundary* inuse = nullptr;
};

boundaryterms putterms(int callput, double T, double K, double sigma, double r, double q) {
  return callput < 0 ? boundaryterms{T, K, sigma, r, q, precisescheme}
                     : boundaryterms{T, K, sigma, q, r, precisescheme};
}

// The converged value under the precise option, after the refusals and early results of the
// code (T > 0, S > 0). A call without dividend is never exercised early: the European call.
double precisevalue(int callput, double T, double S, double K, double sigma, double r, double q,
                    parameterblock* block) {
  if (std::isnan(T + S + K + sigma + r + q)) return T + S + K + sigma + r + q;  // propagates
  if (twoboundaries(callput, r, q)) return refusedwith(messages::twoboundaries);
  if (callput > 0 && q == 0) {
    if (!gridcaching(*block)) gridcache::freecache(*block);
    return BlackScholes::blackscholescall(T, S, K, sigma, r, q);
  }
  const preciseboundary boundary(putterms(callput, T, K, sigma, r, q), block);
  return callput < 0 ? (*boundary).value(S) : americancallvalue(*boundary, S, K);
}

// The boundary at time to expiry T under the precise option (T > 0): a put that is never
// exercised early (r = 0) answers 0, a call (q = 0) +infinity.
double precisecritical(int callput, double T, double K, double sigma, double r, double q,
                       parameterblock* block) {
  if (std::isnan(T + K + sigma + r + q)) return T + K + sigma + r + q;  // propagates
  if (twoboundaries(callput, r, q)) return refusedwith(messages::twoboundaries);
  if (callput > 0 && q == 0) {
    if (!gridcaching(*block)) gridcache::freecache(*block);
    return HUGE_VAL;
  }
  const preciseboundary boundary(putterms(callput, T, K, sigma, r, q), block);
  return callput < 0 ? (*boundary).at(T) : K / (*boundary).at(T) * K;
}

}  // namespace

// The boundary cache

bool sameterms(const boundaryterms& a, const boundaryterms& b) {
  const boundaryscheme &x = a.scheme, &y = b.scheme;
  return a.T == b.T && a.K == b.K && a.sigma == b.sigma && a.r == b.r && a.q == b.q &&
         x.nodes == y.nodes && x.sweeps == y.sweeps && x.newtonsweeps == y.newtonsweeps &&
         x.boundarypoints == y.boundarypoints && x.pricepoints == y.pricepoints &&
         x.smooth == y.smooth && x.tolerance == y.tolerance;
}

methodcarriesboundary::methodcarriesboundary(const boundaryterms& terms)
    : terms(terms), boundary(terms.T, terms.K, terms.sigma, terms.r, terms.q, terms.scheme) {}

const methodcarriesboundary* cachedboundary(const parameterblock& params) {
  return dynamic_cast<const methodcarriesboundary*>(params.fdcarrier);
}

// americanvanilla

americanvanilla::americanvanilla(contractdata& record, const parameterentry& grid)
    : fdbase(record, grid) {
  clone.reset(new americanvanilla(*this, clonetag{}));
}

void americanvanilla::boundary(double t, gridinfo& grid, const parameterblock* /*params*/) const {
  const double K = data->strike, r = data->rate, q = data->dividend;
  if (data->callput == 1) {
    grid.lowedge = 0.0;
    grid.highedge = maxof(grid.high - K, 0.0);
    if (r < 0 || q < 0)  // held rather than exercised where it is worth more so
      grid.highedge = maxof(grid.highedge, grid.high * std::exp(-q * t) - K * std::exp(-r * t));
  } else {
    grid.lowedge = r < 0 ? K * std::exp(-r * t) : K;  // r < 0: held to expiry from S = 0
    grid.highedge = 0.0;
  }
}

double americanvanilla::payoff(double S, const parameterblock* /*params*/) const {
  return maxof(data->callput * (S - data->strike), 0.0);
}

void americanvanilla::gridlimits(gridinfo& grid, const parameterblock* /*params*/) const {
  grid.extent = data->expiry;
  grid.low = 0.0;
  grid.high = highlimit();
}

double americanvanilla::critstart(const gridinfo& grid, const parameterblock* /*params*/) const {
  return data->strike / grid.high - 2.0 * data->callput / nspace;
}

double americanvanilla::highlimit() const {
  const double K = data->strike;
  const double wide = maxof(10.0 * K, 100.0);
  if (data->callput != 1 || data->rate < 0 || data->dividend < 0) return wide;
  const double level = perpetualcalllevel(K, data->volatility, data->rate, data->dividend);
  if (maxof(1.2 * K, 10.0) <= level && level <= wide) return level;
  return wide;
}

// Plain functions

double perpetualcalllevel(double K, double sigma, double r, double q) {
  const double sigma2 = sigma * sigma;
  const double m = r - q - sigma2 / 2.0;
  const double beta = (-m + std::sqrt(m * m + 2.0 * r * sigma2)) / sigma2;
  return beta * K / (beta - 1.0);
}

double binomialtree(int callput, double T, double S, double K, double sigma, double r, double q,
                    std::int64_t n) {
  crrtree tree(T, sigma, r - q, r, n, crrsquare::product);
  return treevalue(tree, callput, S, K);
}

double binomialamerican(int callput, double T, double S, double K, double sigma, double r, double q,
                        const parameterblock* block) {
  if (std::optional<double> early = binomialearly(callput, T, S, K, sigma, r, q)) return *early;
  if (callput > 0 && q <= binomialdividendfloor && !twoboundaries(callput, r, q))
    return BlackScholes::blackscholescall(T, S, K, sigma, r, q);
  return binomialvalue(callput, T, S, K, sigma, r, q, block);
}

double binomialcall(double T, double S, double K, double sigma, double r, double q,
                    parameterblock* block) {
  if (!precise(block)) return binomialamerican(1, T, S, K, sigma, r, q, block);
  if (std::optional<double> early = binomialearly(1, T, S, K, sigma, r, q)) return *early;
  return precisevalue(1, T, S, K, sigma, r, q, block);
}

double binomialput(double T, double S, double K, double sigma, double r, double q,
                   parameterblock* block) {
  if (!precise(block)) return binomialamerican(-1, T, S, K, sigma, r, q, block);
  if (std::optional<double> early = binomialearly(-1, T, S, K, sigma, r, q)) return *early;
  return precisevalue(-1, T, S, K, sigma, r, q, block);
}

double gridcall(double T, double S, double K, double sigma, double r, double q,
                parameterblock* block) {
  if (K <= 0) return undefinedvalue();
  if (S == 0) return 0.0;
  if (T == 0) return maxof(S - K, 0.0);
  if (precise(block)) {
    if (refused(T, S, K, sigma, r, q)) return undefinedvalue();  // the grid's own checks
    return precisevalue(1, T, S, K, sigma, r, q, block);
  }
  return gridvalue(1, false, T, S, K, sigma, r, q, block);
}

double gridput(double T, double S, double K, double sigma, double r, double q,
               parameterblock* block) {
  if (refused(T, S, K, sigma, r, q)) return undefinedvalue();
  if (S == 0) return K;
  if (T == 0) return maxof(K - S, 0.0);
  if (precise(block)) return precisevalue(-1, T, S, K, sigma, r, q, block);
  return gridvalue(-1, false, T, S, K, sigma, r, q, block);
}

double binomialcallcritical(double T, double K, double sigma, double r, double q,
                            parameterblock* block) {
  if (refusedcritical(T, K, sigma, r, q)) return undefinedvalue();
  if (T == 0) return K;
  if (precise(block)) return precisecritical(1, T, K, sigma, r, q, block);
  if (twoboundaries(1, r, q)) return refusedwith(messages::twoboundaries);
  if (q <= binomialdividendfloor) return HUGE_VAL;
  return binomialcritical(1, T, K, sigma, r, q, block);
}

double binomialputcritical(double T, double K, double sigma, double r, double q,
                           parameterblock* block) {
  if (refusedcritical(T, K, sigma, r, q)) return undefinedvalue();
  if (T == 0) return K;
  if (precise(block)) return precisecritical(-1, T, K, sigma, r, q, block);
  if (twoboundaries(-1, r, q)) return refusedwith(messages::twoboundaries);
  if (putneverearly(r, q)) return 0.0;
  return binomialcritical(-1, T, K, sigma, r, q, block);
}

double gridcallcritical(double T, double K, double sigma, double r, double q,
                        parameterblock* block) {
  if (K <= 0) return undefinedvalue();
  if (T == 0) return K;
  if (negativeratesallowed() && twoboundaries(1, r, q)) {
    if (refusedcritical(T, K, sigma, r, q)) return undefinedvalue();
    return refusedwith(messages::twoboundaries);
  }
  if (precise(block)) {
    if (q < 0) return HUGE_VAL;  // the design's shortcut answers a negative yield so
    if (refusedcritical(T, K, sigma, r, q)) return undefinedvalue();  // the grid's own checks
    return precisecritical(1, T, K, sigma, r, q, block);
  }
  if (q < griddividendfloor) return HUGE_VAL;
  return gridvalue(1, true, T, 0.0, K, sigma, r, q, block);
}

double gridputcritical(double T, double K, double sigma, double r, double q,
                       parameterblock* block) {
  if (refusedcritical(T, K, sigma, r, q)) return undefinedvalue();
  if (T == 0) return K;
  if (precise(block)) return precisecritical(-1, T, K, sigma, r, q, block);
  if (twoboundaries(-1, r, q)) return refusedwith(messages::twoboundaries);
  if (putneverearly(r, q)) return 0.0;
  return gridvalue(-1, true, T, 0.0, K, sigma, r, q, block);
}

const scalarhandlerentry americanvanillahandler = handlerentryof<
    americanvanillacodes, refusal::silent, formulafor<binomialcallvalue, binomialcall>,
    formulafor<binomialputvalue, binomialput>, formulafor<gridcallvalue, gridcall>,
    formulafor<gridputvalue, gridput>, formulafor<binomialcallcrit, binomialcallcritical>,
    formulafor<binomialputcrit, binomialputcritical>, formulafor<gridcallcrit, gridcallcritical>,
    formulafor<gridputcrit, gridputcritical>>(readsentry(entrymode));

}  // namespace AmericanVanilla
