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
#include "finitedifference/precisebarrier.h"
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

// The perpetual American put's exercise level K lambda / (lambda - 1), lambda the negative root
// of sigma^2/2 l (l - 1) + (r - q) l - r = 0 (r > 0) (Merton, Bell J. Economics 4 (1973)).
double perpetualputlevel(double K, double sigma, double r, double q) {
  const double s2 = sigma * sigma, m = r - q - 0.5 * s2;
  const double lambda = (-m - std::sqrt(m * m + 2.0 * r * s2)) / s2;
  return K * lambda / (lambda - 1.0);
}

// The precise option's knock-out at S (critical: its critical price), after the grid's own
// refusals (fdvaluation.h), which it keeps. The grid runs from the barrier to spot and strike
// plus the span; a down-and-out call's boundary lies below the perpetual call's, so for its
// critical price the far edge lies beyond that level, in the exercise region.
double preciseknockoutchecked(int callput, side barrier, bool critical, double T, double S,
                              double H, double K, double sigma, double r, double q,
                              parameterblock* block) {
  if (T < 0 || S < 0 || sigma <= 0 || r < 0 || q < 0) return undefinedvalue();
  const precisegrid::sizes fine = precisebarrier::gridsizes(*block, critical);
  if (fine.intervals == 0) return undefinedvalue();
  if (critical) S = K;
  const precisebarrier::contract c{callput, T, K, sigma, r, q, 0.0};
  const double xH = std::log(H), xS = std::log(S), xK = std::log(K);
  precisebarrier::corridor limits{xH, xH, barrier == down, barrier == up};
  const double deviation = precisebarrier::griddeviation(sigma, T);
  if (barrier == down) {
    limits.high = precisebarrier::faredge(1, c, {xS, xK});
    if (critical && callput > 0 && q > 0)
      limits.high = maxof(limits.high,
                          std::log(AmericanVanilla::perpetualcalllevel(K, sigma, r, q)) + deviation);
  } else {
    limits.low = precisebarrier::faredge(-1, c, {xS, xK});
    // An up-and-out put's boundary lies above the perpetual put's: the same for its critical price.
    if (critical && callput < 0 && r > 0)
      limits.low = minof(limits.low, std::log(perpetualputlevel(K, sigma, r, q)) - deviation);
  }
  return precisebarrier::knockout(c, limits, S, critical, fine, precisebarrier::singleknockout,
                                  block);
}

// The precise option's knock-in at S.
double preciseknockin(int callput, side barrier, double T, double S, double H, double K,
                      double sigma, double r, double q, double R, parameterblock* block) {
  const precisegrid::sizes fine = precisebarrier::gridsizes(*block, false);
  if (fine.intervals == 0) return undefinedvalue();
  const double xH = std::log(H);
  const precisebarrier::corridor barriers{xH, xH, barrier == down, barrier == up};
  return precisebarrier::knockin({callput, T, K, sigma, r, q, R}, barriers, S, fine,
                                 precisebarrier::singleknockin, block);
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
    formulafor<upoutputcrit, upoutputcritical>>(readsentry(entrymode));

}  // namespace AmericanBarrier
