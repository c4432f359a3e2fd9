#include "finitedifference/DoubleBarrier.h"

#include <cmath>

#include "binding/libraryoptions.h"
#include "binding/tablehandler.h"
#include "closedform/BlackScholes.h"
#include "finitedifference/AmericanVanilla.h"
#include "finitedifference/DoubleBarrierCodes.h"
#include "finitedifference/heatvanilla.h"
#include "finitedifference/logndi.h"
#include "finitedifference/precisebarrier.h"
#include "numerics/comparisons.h"
#include "numerics/messages.h"
#include "numerics/undefined.h"

namespace {

bool corridorrefused(double L, double U, double K) { return L <= 0 || L >= U || K <= 0; }

bool outsidecorridor(double S, double L, double U) { return S <= L || S >= U; }

// The record of a double-barrier code: level1 L, level2 U.
contractdata recordof(int callput, int american, double T, double S, double L, double U, double K,
                      double sigma, double r, double q) {
  return {T, S, sigma, r, q, K, L, U, callput, american, 0, 0};
}

// extra: what the instrument takes beyond the record and the grid entry (the edge tree steps).
template <class instrumenttype, class... extra>
double corridorvalue(contractdata record, parameterblock* block, extra... more) {
  instrumenttype instrument(record, block->entries[entrygrid], more...);
  DouglasLogNDI scheme(&instrument);
  return scheme.value(block);
}

// A knock-out of either exercise: the checks, the early results and the grid.
template <class instrumenttype>
double knockout(int callput, int american, double T, double S, double L, double U, double K,
                double sigma, double r, double q, parameterblock* block) {
  if (corridorrefused(L, U, K)) return refusedwith(messages::valueundefined);
  if (anynan({T, S, L, U, K, sigma, r, q})) return nanresult();
  if (outsidecorridor(S, L, U)) return 0.0;
  if (T == 0) return maxof(callput * (S - K), 0.0);
  return corridorvalue<instrumenttype>(recordof(callput, american, T, S, L, U, K, sigma, r, q),
                                       block);
}

}  // namespace

namespace EuropeanDoubleBarrier {

namespace {

double europeanknockout(int callput, double T, double S, double L, double U, double K, double sigma,
                        double r, double q, parameterblock* block) {
  return knockout<europeandoublebarrier>(callput, 0, T, S, L, U, K, sigma, r, q, block);
}

// In-out parity: the vanilla less the knock-out of the same inputs.
double europeanknockin(int callput, double T, double S, double L, double U, double K, double sigma,
                       double r, double q, parameterblock* block) {
  if (T < 0 || L <= 0 || L >= U || S <= 0 || K <= 0 || sigma <= 0 || r < 0 || q < 0)
    return refusedwith(messages::valueundefined);
  if (anynan({T, S, L, U, K, sigma, r, q})) return nanresult();
  const double vanilla = callput > 0 ? BlackScholes::blackscholescall(T, S, K, sigma, r, q)
                                     : BlackScholes::blackscholesput(T, S, K, sigma, r, q);
  if (outsidecorridor(S, L, U)) return vanilla;
  if (T == 0) return 0.0;
  const double out = europeanknockout(callput, T, S, L, U, K, sigma, r, q, block);
  if (isundefined(out)) return out;
  return vanilla - out;
}

}  // namespace

void corridorlimits(const contractdata& d, gridinfo& grid) {
  grid.extent = d.volatility * d.volatility * d.expiry / 2.0;
  grid.low = std::log(d.level1 / d.strike);
  grid.high = std::log(d.level2 / d.strike);
}

europeandoublebarrier::europeandoublebarrier(contractdata& record, const parameterentry& grid)
    : fdbase(record, grid) {
  clone.reset(new europeandoublebarrier(*this, clonetag{}));
}

void europeandoublebarrier::heatgridlimits(gridinfo& grid, const parameterblock* /*params*/) const {
  corridorlimits(*data, grid);
}

void europeandoublebarrier::heatboundary(double /*tau*/, double /*k*/, double /*kprime*/,
                                         gridinfo& grid, const parameterblock* /*params*/) const {
  grid.lowedge = 0.0;
  grid.highedge = 0.0;
}

double europeandoublebarrier::heatpayoff(double x, double kprime,
                                         const parameterblock* /*params*/) const {
  return heatvanillapayoff(data->callput, x, kprime);
}

double knockoutcall(double T, double S, double L, double U, double K, double sigma, double r,
                    double q, parameterblock* block) {
  return europeanknockout(1, T, S, L, U, K, sigma, r, q, block);
}

double knockincall(double T, double S, double L, double U, double K, double sigma, double r,
                   double q, parameterblock* block) {
  return europeanknockin(1, T, S, L, U, K, sigma, r, q, block);
}

double knockoutput(double T, double S, double L, double U, double K, double sigma, double r,
                   double q, parameterblock* block) {
  return europeanknockout(-1, T, S, L, U, K, sigma, r, q, block);
}

double knockinput(double T, double S, double L, double U, double K, double sigma, double r,
                  double q, parameterblock* block) {
  return europeanknockin(-1, T, S, L, U, K, sigma, r, q, block);
}

const scalarhandlerentry europeandoublebarrierhandler = handlerentryof<
    europeandoublebarriercodes, refusal::withmessage, formulafor<knockoutcalltype, knockoutcall>,
    formulafor<knockincalltype, knockincall>, formulafor<knockoutputtype, knockoutput>,
    formulafor<knockinputtype, knockinput>>(readsentry(entrymode));

}  // namespace EuropeanDoubleBarrier

namespace AmericanDoubleBarrier {

namespace {

// The precise option's American knock-out (precisebarrier.h) after the checks and early
// results of the design and the grid's own refusals (fdvaluation.h).
double preciseknockout(int callput, double T, double S, double L, double U, double K,
                       double sigma, double r, double q, parameterblock* block) {
  if (T < 0 || S < 0 || sigma <= 0 || r < 0 || q < 0) return undefinedvalue();
  const precisegrid::sizes fine = precisebarrier::gridsizes(*block, false);
  if (fine.intervals == 0) return undefinedvalue();
  const precisebarrier::corridor limits{std::log(L), std::log(U), true, true};
  return precisebarrier::knockout({callput, T, K, sigma, r, q, 0.0}, limits, S, false, fine,
                                  precisebarrier::doubleknockout, block);
}

double americanknockout(int callput, double T, double S, double L, double U, double K, double sigma,
                        double r, double q, parameterblock* block) {
  if (precisenumerics(*block) && !corridorrefused(L, U, K) && !anynan({T, S, L, U, K, sigma, r, q}) &&
      !outsidecorridor(S, L, U) && T != 0)
    return preciseknockout(callput, T, S, L, U, K, sigma, r, q, block);
  return knockout<americandoublebarrierout>(callput, 1, T, S, L, U, K, sigma, r, q, block);
}

double americanknockin(int callput, double T, double S, double L, double U, double K, double sigma,
                       double r, double q, parameterblock* block) {
  if (corridorrefused(L, U, K)) return refusedwith(messages::valueundefined);
  if (anynan({T, S, L, U, K, sigma, r, q})) return nanresult();
  if (precisenumerics(*block)) {
    if (outsidecorridor(S, L, U))  // the vanilla code under the option: the converged value
      return callput > 0 ? AmericanVanilla::binomialcall(T, S, K, sigma, r, q, block)
                         : AmericanVanilla::binomialput(T, S, K, sigma, r, q, block);
    if (T == 0) return 0.0;
    if (T < 0 || sigma <= 0 || r < 0 || q < 0) return undefinedvalue();
    const precisegrid::sizes fine = precisebarrier::gridsizes(*block, false);
    if (fine.intervals == 0) return undefinedvalue();
    const precisebarrier::corridor barriers{std::log(L), std::log(U), true, true};
    return precisebarrier::knockin({callput, T, K, sigma, r, q, 0.0}, barriers, S, fine,
                                   precisebarrier::doubleknockin, block);
  }
  if (outsidecorridor(S, L, U))
    return AmericanVanilla::binomialamerican(callput, T, S, K, sigma, r, q, block);
  if (T == 0) return 0.0;
  return corridorvalue<americandoublebarrierin>(recordof(callput, 0, T, S, L, U, K, sigma, r, q),
                                                block, edgetreesteps(*block));
}

}  // namespace

americandoublebarrierout::americandoublebarrierout(contractdata& record, const parameterentry& grid)
    : europeandoublebarrier(record, grid, withoutclone{}) {
  clone.reset(new americandoublebarrierout(*this, clonetag{}));
}

americandoublebarrierin::americandoublebarrierin(contractdata& record, const parameterentry& grid,
                                                 std::int64_t edgesteps)
    : fdbase(record, grid, edgesteps) {
  clone.reset(new americandoublebarrierin(*this, clonetag{}));
}

void americandoublebarrierin::heatgridlimits(gridinfo& grid,
                                             const parameterblock* /*params*/) const {
  EuropeanDoubleBarrier::corridorlimits(*data, grid);
}

void americandoublebarrierin::heatboundary(double tau, double k, double kprime, gridinfo& grid,
                                           const parameterblock* params) const {
  grid.lowedge = heatamericanedge(*data, grid.low, tau, k, kprime, params);
  grid.highedge = heatamericanedge(*data, grid.high, tau, k, kprime, params);
}

double americandoublebarrierin::heatpayoff(double /*x*/, double /*kprime*/,
                                           const parameterblock* /*params*/) const {
  return 0.0;
}

bool americandoublebarrierin::heatedgesready(const parameterblock* params) const {
  gridinfo corridor;
  EuropeanDoubleBarrier::corridorlimits(*data, corridor);
  return americanedgesready(*data, {corridor.low, corridor.high}, ntime, params);
}

double knockoutcall(double T, double S, double L, double U, double K, double sigma, double r,
                    double q, parameterblock* block) {
  return americanknockout(1, T, S, L, U, K, sigma, r, q, block);
}

double knockincall(double T, double S, double L, double U, double K, double sigma, double r,
                   double q, parameterblock* block) {
  return americanknockin(1, T, S, L, U, K, sigma, r, q, block);
}

double knockoutput(double T, double S, double L, double U, double K, double sigma, double r,
                   double q, parameterblock* block) {
  return americanknockout(-1, T, S, L, U, K, sigma, r, q, block);
}

double knockinput(double T, double S, double L, double U, double K, double sigma, double r,
                  double q, parameterblock* block) {
  return americanknockin(-1, T, S, L, U, K, sigma, r, q, block);
}

const scalarhandlerentry americandoublebarrierhandler = handlerentryof<
    americandoublebarriercodes, refusal::withmessage, formulafor<knockoutcalltype, knockoutcall>,
    formulafor<knockincalltype, knockincall>, formulafor<knockoutputtype, knockoutput>,
    formulafor<knockinputtype, knockinput>>(readsentry(entrymode));

}  // namespace AmericanDoubleBarrier
