#include "finitedifference/AmericanBarrier.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "binding/libraryoptions.h"
#include "binding/tablehandler.h"
#include "closedform/BlackScholes.h"
#include "closedform/EuropeanBarrier.h"
#include "finitedifference/AmericanBarrierCodes.h"
#include "finitedifference/AmericanVanilla.h"
#include "finitedifference/heatvanilla.h"
#include "finitedifference/logndi.h"
#include "finitedifference/ndi.h"
#include "finitedifference/precisegrid.h"
#include "numerics/comparisons.h"
#include "numerics/messages.h"
#include "numerics/undefined.h"

namespace AmericanBarrier {

namespace {

constexpr double farlimit = 20.0;  // the heat grid of the down-and-out codes ends at 20 K
constexpr double putlimit = 10.0;  // the put's critical grid ends at 10 K; DOWNOUTAPO is 0 there
constexpr double criticaldividendfloor = 0.00001;  // exclusive: DOWNOUTACOCrit
constexpr double blendguard = 0.0000001;           // keeps the blend's weight finite

enum side { down, up };

double exercise(int callput, double S, double K) { return maxof(callput * (S - K), 0.0); }

// The record of a grid code: level1 the barrier, American, spot 0 for a critical price.
contractdata recordof(int callput, bool critical, double T, double S, double H, double K,
                      double sigma, double r, double q) {
  return {T, critical ? 0.0 : S, sigma, r, q, K, H, 0.0, callput, 1, critical ? 1 : 0, 0};
}

// extra: what the instrument takes beyond the record and the grid entry (the edge tree steps).
template <class instrumenttype, class schemetype, class... extra>
double gridvalue(contractdata record, parameterblock* block, extra... more) {
  instrumenttype instrument(record, block->entries[entrygrid], more...);
  schemetype scheme(&instrument);
  return scheme.value(block);
}

// The down-and-out heat grids, whose far edge is a tree of entry 4's steps.
double heatgridvalue(contractdata record, parameterblock* block) {
  return gridvalue<americanbarrier, DouglasLogNDI>(record, block, edgetreesteps(*block));
}

// The converged grids of the precise option (precisegrid.h).

// Sizes of the finer of the two grids of a price, and of the one grid of a critical price, when
// entry 2 keeps its default flag (about 4 ms and 6 ms a call). A critical price takes as many
// steps as intervals: with larger steps the free boundary moves across several nodes in the last
// step and its reading scatters by a few 1e-4.
constexpr precisegrid::sizes precisesizes{400, 200};
constexpr precisegrid::sizes precisecriticalsizes{400, 400};
constexpr double precisespan = 8.0;    // standard deviations sigma sqrt(T) beyond spot and strike
constexpr double precisewidth = 0.5;   // the stretch's width at the strike, in sigma sqrt(T)

// The finer grid's sizes: entry 2's nodes and levels less one, or the option's own.
precisegrid::sizes precisegridsizes(const parameterblock& block, bool critical) {
  if (usesdefault(block, entrygrid)) return critical ? precisecriticalsizes : precisesizes;
  const parameterentry& grid = block.entries[entrygrid];
  return {clampto32(truncatetointeger(grid.row[0])) - 1,
          clampto32(truncatetointeger(grid.row[1])) - 1};
}

// One solved grid of the option: its nodes and today's level of its layers.
struct gridsolve {
  std::vector<double> nodes;
  std::vector<precisegrid::layer> layers;
};

// The American vanilla far out of or deep in the money at spot `at`: the larger of the exercise
// value and the European value, the American value there to far below the target.
precisegrid::edgerule vanillaedge(int callput, double at, double K, double sigma, double r,
                                  double q) {
  return [=](double tau, const std::vector<precisegrid::layer>&) {
    const double european = callput > 0 ? BlackScholes::blackscholescall(tau, at, K, sigma, r, q)
                                        : BlackScholes::blackscholesput(tau, at, K, sigma, r, q);
    return maxof(european, exercise(callput, at, K));
  };
}

// The nodes from low to high with the strike a node when inside, crowded at the strike (at the
// barrier when the strike is outside).
std::vector<double> gridnodes(double low, double high, double xH, double xK, double deviation,
                              int intervals, int refine) {
  std::vector<double> marks{low};
  for (double level : {minof(xH, xK), maxof(xH, xK)})
    if (level > marks.back() && level < high) marks.push_back(level);
  marks.push_back(high);
  const double focus = xK > low && xK < high ? xK : xH;
  return precisegrid::stretchednodes(marks, focus, precisewidth * deviation, intervals, refine);
}

// The American vanilla on every node, early exercise and all.
precisegrid::layer vanillalayer(int callput, const std::vector<double>& nodes, double K,
                                double sigma, double r, double q) {
  precisegrid::layer option;
  option.first = 0;
  option.last = static_cast<int>(nodes.size()) - 1;
  for (double x : nodes) option.values.push_back(exercise(callput, std::exp(x), K));
  option.exercise = option.values;
  option.exerciseside = callput > 0 ? 1 : -1;
  option.lowedge = vanillaedge(callput, std::exp(nodes.front()), K, sigma, r, q);
  option.highedge = vanillaedge(callput, std::exp(nodes.back()), K, sigma, r, q);
  return option;
}

// The knock-out on the grid in x = ln S from the barrier (its edge carries the exercise value
// there: the holder exercises just before the option dies) to spot and strike plus precisespan
// standard deviations (the far edge: vanillaedge). Today's level of one grid.
gridsolve knockoutgrid(int callput, side barrier, double T, double S, double H, double K,
                       double sigma, double r, double q, int intervals, int steps, int refine) {
  const double deviation = sigma * std::sqrt(T);
  const double xH = std::log(H), xK = std::log(K), xS = std::log(S);
  const double low = barrier == down ? xH : std::min(xS, xK) - precisespan * deviation;
  double high = barrier == down ? std::max(xS, xK) + precisespan * deviation : xH;
  // A down-and-out call's boundary lies below the perpetual call's: a far edge beyond it is in
  // the exercise region, so that the boundary is read inside the grid.
  if (barrier == down && callput > 0 && q > 0)
    high = maxof(high, std::log(AmericanVanilla::perpetualcalllevel(K, sigma, r, q)) + deviation);
  gridsolve grid;
  grid.nodes = gridnodes(low, high, xH, xK, deviation, intervals, refine);
  precisegrid::layer option = vanillalayer(callput, grid.nodes, K, sigma, r, q);
  const double atbarrier = exercise(callput, H, K);
  auto barrieredge = [=](double, const std::vector<precisegrid::layer>&) { return atbarrier; };
  (barrier == down ? option.lowedge : option.highedge) = barrieredge;
  grid.layers.push_back(std::move(option));
  precisegrid::march(grid.nodes, {sigma, r, q}, T, steps, grid.layers);
  return grid;
}

// The knock-in: the American vanilla on the whole grid (spot, strike and barrier plus
// precisespan standard deviations each way, the barrier a node), and beside it the region not
// yet knocked in, from the barrier to the far edge: no exercise there (the option does not exist
// yet), the rebate R at expiry, R discounted at the far edge, and at the barrier the vanilla's
// value at the same level (the option becomes the vanilla the moment the barrier is touched).
gridsolve knockingrid(int callput, side barrier, double T, double S, double H, double K,
                      double sigma, double r, double q, double R, int intervals, int steps,
                      int refine) {
  const double deviation = sigma * std::sqrt(T);
  const double xH = std::log(H), xK = std::log(K), xS = std::log(S);
  const double low = minof(minof(xS, xK), xH) - precisespan * deviation;
  const double high = maxof(maxof(xS, xK), xH) + precisespan * deviation;
  gridsolve grid;
  grid.nodes = gridnodes(low, high, xH, xK, deviation, intervals, refine);
  const int last = static_cast<int>(grid.nodes.size()) - 1;
  const int atbarrier = static_cast<int>(
      std::lower_bound(grid.nodes.begin(), grid.nodes.end(), xH) - grid.nodes.begin());
  grid.layers.push_back(vanillalayer(callput, grid.nodes, K, sigma, r, q));
  precisegrid::layer waiting;
  waiting.first = barrier == down ? atbarrier : 0;
  waiting.last = barrier == down ? last : atbarrier;
  waiting.values.assign(static_cast<std::size_t>(waiting.last - waiting.first + 1), R);
  waiting.values[barrier == down ? 0 : waiting.values.size() - 1] = exercise(callput, H, K);
  auto touched = [atbarrier](double, const std::vector<precisegrid::layer>& layers) {
    return layers.front().values[static_cast<std::size_t>(atbarrier)];
  };
  auto rebate = [R, r](double tau, const std::vector<precisegrid::layer>&) {
    return R * std::exp(-r * tau);
  };
  waiting.lowedge = barrier == down ? precisegrid::edgerule(touched) : rebate;
  waiting.highedge = barrier == down ? precisegrid::edgerule(rebate) : touched;
  grid.layers.push_back(std::move(waiting));
  precisegrid::march(grid.nodes, {sigma, r, q}, T, steps, grid.layers);
  return grid;
}

// The grid's sizes of the block, or the undefined value after the message.
bool precisesizesadmissible(const precisegrid::sizes& fine) {
  if (gridsizesadmissible(fine.intervals + 1, fine.steps + 1)) return true;
  writemessage(messages::gridsizes);
  return false;
}

// Richardson over the grid of the block's sizes and the one of half as many intervals and
// steps; one grid where the sizes cannot be halved. solve(intervals, steps, refine) reads one.
template <class reader>
double extrapolated(const precisegrid::sizes& fine, reader solve) {
  const int intervals = fine.intervals / 2, steps = fine.steps / 2;
  if (intervals < 2 || steps < 1) return solve(fine.intervals, fine.steps, 1);
  return precisegrid::richardson(solve(intervals, steps, 1), solve(intervals, 2 * steps, 2));
}

// The value at S (critical: the critical price, off one grid).
double preciseknockout(int callput, side barrier, bool critical, double T, double S, double H,
                       double K, double sigma, double r, double q, const parameterblock* block) {
  const precisegrid::sizes fine = precisegridsizes(*block, critical);
  if (!precisesizesadmissible(fine)) return undefinedvalue();
  auto solve = [&](int intervals, int steps, int refine) {
    const gridsolve grid =
        knockoutgrid(callput, barrier, T, S, H, K, sigma, r, q, intervals, steps, refine);
    const precisegrid::layer& option = grid.layers.front();
    return critical ? std::exp(precisegrid::boundaryof(grid.nodes, option))
                    : precisegrid::at(grid.nodes, option, std::log(S));
  };
  if (critical) return solve(fine.intervals, fine.steps, 1);
  return extrapolated(fine, solve);
}

// The knock-in's value at S under the option.
double preciseknockin(int callput, side barrier, double T, double S, double H, double K,
                      double sigma, double r, double q, double R, const parameterblock* block) {
  const precisegrid::sizes fine = precisegridsizes(*block, false);
  if (!precisesizesadmissible(fine)) return undefinedvalue();
  return extrapolated(fine, [&](int intervals, int steps, int refine) {
    const gridsolve grid =
        knockingrid(callput, barrier, T, S, H, K, sigma, r, q, R, intervals, steps, refine);
    return precisegrid::at(grid.nodes, grid.layers.back(), std::log(S));
  });
}

// The precise path after the grid's own refusals (fdvaluation.h), which it keeps.
double preciseknockoutchecked(int callput, side barrier, bool critical, double T, double S,
                              double H, double K, double sigma, double r, double q,
                              const parameterblock* block) {
  if (T < 0 || S < 0 || sigma <= 0 || r < 0 || q < 0) return undefinedvalue();
  return preciseknockout(callput, barrier, critical, T, critical ? K : S, H, K, sigma, r, q, block);
}

double knockin(int callput, side barrier, double T, double S, double H, double K, double sigma,
               double r, double q, double R, parameterblock* block) {
  if (T < 0 || H <= 0 || S <= 0 || K <= 0 || sigma <= 0 || r < 0 || q < 0 || R < 0)
    return refusedwith(messages::valueundefined);
  if (anynan({T, S, H, K, sigma, r, q, R})) return nanresult();
  const bool reached = barrier == down ? H >= S : S >= H;
  if (precisenumerics(*block)) {
    if (reached)  // the vanilla code under the option: the converged American value
      return callput > 0 ? AmericanVanilla::binomialcall(T, S, K, sigma, r, q, block)
                         : AmericanVanilla::binomialput(T, S, K, sigma, r, q, block);
    if (T == 0) return R;
    return preciseknockin(callput, barrier, T, S, H, K, sigma, r, q, R, block);
  }
  if (reached) return AmericanVanilla::binomialamerican(callput, T, S, K, sigma, r, q, block);
  if (T == 0) return R;
  namespace eb = EuropeanBarrier;
  const double european =
      callput > 0 ? (barrier == down ? eb::downincall : eb::upincall)(T, S, H, K, sigma, r, q, 0.0)
                  : (barrier == down ? eb::downinput : eb::upinput)(T, S, H, K, sigma, r, q, 0.0);
  const double vanilla = callput > 0 ? BlackScholes::blackscholescall(T, H, K, sigma, r, q)
                                     : BlackScholes::blackscholesput(T, H, K, sigma, r, q);
  const double american = AmericanVanilla::binomialamerican(callput, T, H, K, sigma, r, q, block);
  if (isundefined(american)) return american;  // the tree's message is written
  const double weight = european / (blendguard + vanilla);
  return american * weight + R * std::exp(-r * T) * (1.0 - weight);
}

}  // namespace

// americanbarrier

americanbarrier::americanbarrier(contractdata& record, const parameterentry& grid,
                                 std::int64_t edgesteps)
    : fdbase(record, grid, edgesteps) {
  clone.reset(new americanbarrier(*this, clonetag{}));
}

void americanbarrier::boundary(double /*t*/, gridinfo& grid,
                               const parameterblock* /*params*/) const {
  grid.lowedge = data->callput == 1 ? 0.0 : data->strike;
  grid.highedge = 0.0;
}

double americanbarrier::payoff(double S, const parameterblock* /*params*/) const {
  return exercise(data->callput, S, data->strike);
}

void americanbarrier::gridlimits(gridinfo& grid, const parameterblock* /*params*/) const {
  grid.extent = data->expiry;
  grid.low = 0.0;
  grid.high = data->level1;
}

void americanbarrier::heatgridlimits(gridinfo& grid, const parameterblock* /*params*/) const {
  grid.extent = data->volatility * data->volatility * data->expiry / 2.0;
  grid.low = std::log(data->level1 / data->strike);
  grid.high = std::log(farlimit);
}

void americanbarrier::heatboundary(double tau, double k, double kprime, gridinfo& grid,
                                   const parameterblock* params) const {
  grid.lowedge = 0.0;
  grid.highedge = heatamericanedge(*data, grid.high, tau, k, kprime, params);
}

double americanbarrier::heatpayoff(double x, double kprime,
                                   const parameterblock* /*params*/) const {
  return heatvanillapayoff(data->callput, x, kprime);
}

bool americanbarrier::heatedgesready(const parameterblock* params) const {
  return americanedgesready(*data, {std::log(farlimit)}, ntime, params);
}

// americanbarriercrit

americanbarriercrit::americanbarriercrit(contractdata& record, const parameterentry& grid)
    : fdbase(record, grid) {
  clone.reset(new americanbarriercrit(*this, clonetag{}));
}

void americanbarriercrit::boundary(double /*t*/, gridinfo& grid,
                                   const parameterblock* /*params*/) const {
  const double K = data->strike;
  if (data->callput == 1) {
    grid.lowedge = 0.0;
    grid.highedge = maxof(grid.high - K, 0.0);
  } else {
    grid.lowedge = K - data->level1;
    grid.highedge = 0.0;
  }
}

double americanbarriercrit::payoff(double S, const parameterblock* /*params*/) const {
  return exercise(data->callput, S, data->strike);
}

void americanbarriercrit::gridlimits(gridinfo& grid, const parameterblock* /*params*/) const {
  grid.extent = data->expiry;
  grid.low = data->level1;
  grid.high = highlimit();
}

double americanbarriercrit::critstart(const gridinfo& grid,
                                      const parameterblock* /*params*/) const {
  return (data->strike - data->level1) / (grid.high - data->level1);
}

double americanbarriercrit::highlimit() const {
  const double K = data->strike;
  if (data->callput != 1) return putlimit * K;
  return AmericanVanilla::perpetualcalllevel(K, data->volatility, data->rate, data->dividend);
}

// Pricing functions

double downincall(double T, double S, double H, double K, double sigma, double r, double q,
                  double R, parameterblock* block) {
  return knockin(1, down, T, S, H, K, sigma, r, q, R, block);
}

double upincall(double T, double S, double H, double K, double sigma, double r, double q, double R,
                parameterblock* block) {
  return knockin(1, up, T, S, H, K, sigma, r, q, R, block);
}

double downinput(double T, double S, double H, double K, double sigma, double r, double q, double R,
                 parameterblock* block) {
  return knockin(-1, down, T, S, H, K, sigma, r, q, R, block);
}

double upinput(double T, double S, double H, double K, double sigma, double r, double q, double R,
               parameterblock* block) {
  return knockin(-1, up, T, S, H, K, sigma, r, q, R, block);
}

double downoutcall(double T, double S, double H, double K, double sigma, double r, double q,
                   parameterblock* block) {
  if (H <= 0 || K <= 0) return refusedwith(messages::valueundefined);
  if (anynan({T, S, H, K, sigma, r, q})) return nanresult();
  if (H >= S) return 0.0;
  if (T != 0 && precisenumerics(*block))
    return preciseknockoutchecked(1, down, false, T, S, H, K, sigma, r, q, block);
  if (T == 0 || H > K || S >= farlimit * K) return exercise(1, S, K);
  return heatgridvalue(recordof(1, false, T, S, H, K, sigma, r, q), block);
}

double upoutcall(double T, double S, double H, double K, double sigma, double r, double q,
                 parameterblock* block) {
  if (H <= 0 || K <= 0) return refusedwith(messages::valueundefined);
  if (anynan({T, S, H, K, sigma, r, q})) return nanresult();
  if (S >= H) return 0.0;
  if (T == 0) return exercise(1, S, K);
  if (K >= H) return 0.0;
  if (precisenumerics(*block))
    return preciseknockoutchecked(1, up, false, T, S, H, K, sigma, r, q, block);
  return gridvalue<americanbarrier, CNNDI>(recordof(1, false, T, S, H, K, sigma, r, q), block);
}

double downoutput(double T, double S, double H, double K, double sigma, double r, double q,
                  parameterblock* block) {
  if (H <= 0 || K <= 0) return refusedwith(messages::valueundefined);
  if (anynan({T, S, H, K, sigma, r, q})) return nanresult();
  if (H >= S || H >= K) return 0.0;
  if (T == 0) return exercise(-1, S, K);
  if (precisenumerics(*block))
    return preciseknockoutchecked(-1, down, false, T, S, H, K, sigma, r, q, block);
  if (S >= putlimit * K) return 0.0;
  return heatgridvalue(recordof(-1, false, T, S, H, K, sigma, r, q), block);
}

double upoutput(double T, double S, double H, double K, double sigma, double r, double q,
                parameterblock* block) {
  if (H <= 0 || K <= 0) return refusedwith(messages::valueundefined);
  if (anynan({T, S, H, K, sigma, r, q})) return nanresult();
  if (S >= H) return 0.0;
  if (T != 0 && precisenumerics(*block))
    return preciseknockoutchecked(-1, up, false, T, S, H, K, sigma, r, q, block);
  if (T == 0 || K >= H) return exercise(-1, S, K);
  return gridvalue<americanbarrier, CNNDI>(recordof(-1, false, T, S, H, K, sigma, r, q), block);
}

double downoutcallcritical(double T, double H, double K, double sigma, double r, double q,
                           parameterblock* block) {
  if (H <= 0 || K <= 0) return refusedwith(messages::criticalundefined);
  if (anynan({T, H, K, sigma, r, q})) return nanresult();
  if (H > K) return H;
  if (T == 0) return K;
  if (q < criticaldividendfloor) {
    writemessage(messages::criticalinfinitedividend);
    return HUGE_VAL;
  }
  if (precisenumerics(*block))
    return preciseknockoutchecked(1, down, true, T, 0.0, H, K, sigma, r, q, block);
  return gridvalue<americanbarriercrit, CNNDI>(recordof(1, true, T, 0.0, H, K, sigma, r, q), block);
}

double upoutcallcritical(double T, double H, double K, double sigma, double r, double q,
                         parameterblock* block) {
  if (H <= 0 || K <= 0) return refusedwith(messages::criticalundefined);
  if (anynan({T, H, K, sigma, r, q})) return nanresult();
  if (K >= H) return 0.0;
  if (T == 0) return K;
  if (precisenumerics(*block))
    return preciseknockoutchecked(1, up, true, T, 0.0, H, K, sigma, r, q, block);
  return gridvalue<americanbarrier, CNNDI>(recordof(1, true, T, 0.0, H, K, sigma, r, q), block);
}

double downoutputcritical(double T, double H, double K, double sigma, double r, double q,
                          parameterblock* block) {
  if (H <= 0 || K <= 0) return refusedwith(messages::criticalundefined);
  if (anynan({T, H, K, sigma, r, q})) return nanresult();
  if (H >= K) {
    writemessage(messages::neverexercise);
    return HUGE_VAL;
  }
  if (T == 0) return K;
  if (precisenumerics(*block))
    return preciseknockoutchecked(-1, down, true, T, 0.0, H, K, sigma, r, q, block);
  return gridvalue<americanbarriercrit, CNNDI>(recordof(-1, true, T, 0.0, H, K, sigma, r, q),
                                               block);
}

double upoutputcritical(double T, double H, double K, double sigma, double r, double q,
                        parameterblock* block) {
  if (H <= 0 || K <= 0) return refusedwith(messages::criticalundefined);
  if (anynan({T, H, K, sigma, r, q})) return nanresult();
  if (K >= H) return 0.0;
  if (T == 0) return K;
  if (precisenumerics(*block))
    return preciseknockoutchecked(-1, up, true, T, 0.0, H, K, sigma, r, q, block);
  return gridvalue<americanbarrier, CNNDI>(recordof(-1, true, T, 0.0, H, K, sigma, r, q), block);
}

const scalarhandlerentry americanbarrierhandler = handlerentryof<
    americanbarriercodes, refusal::withmessage, formulafor<downincallblend, downincall>,
    formulafor<upincallblend, upincall>, formulafor<downinputblend, downinput>,
    formulafor<upinputblend, upinput>, formulafor<downoutcallgrid, downoutcall>,
    formulafor<upoutcallgrid, upoutcall>, formulafor<downoutputgrid, downoutput>,
    formulafor<upoutputgrid, upoutput>, formulafor<downoutcallcrit, downoutcallcritical>,
    formulafor<upoutcallcrit, upoutcallcritical>, formulafor<downoutputcrit, downoutputcritical>,
    formulafor<upoutputcrit, upoutputcritical>>(readsentry(entrymode) | readsentry(entrygrid) |
                                                readsentry(entrysteps));

}  // namespace AmericanBarrier
