#include "finitedifference/AmericanLookback.h"

#include <cmath>

#include "binding/libraryoptions.h"
#include "binding/tablehandler.h"
#include "finitedifference/AmericanLookbackCodes.h"
#include "finitedifference/ndi.h"
#include "finitedifference/precisebarrier.h"
#include "finitedifference/precisegrid.h"
#include "numerics/comparisons.h"
#include "numerics/messages.h"
#include "numerics/undefined.h"

namespace AmericanLookback {

namespace {

constexpr double calldividendfloor = 0.00001;  // inclusive: LBFLSTACOCrit

// W at xi (or the critical xi*) under the precise option, after the grid's own refusals
// (fdvaluation.h): the grid of precisegrid.h in xi itself, from 0 to 1, crowded at 1 (where the
// reflecting edge meets the payoff), the reflecting edge to second order, Richardson over two
// grids (a critical xi* read once off the same two grids); the sizes as for the barrier grids (precisebarrier.h).
double precisesimilarity(int callput, bool critical, double T, double xi, double sigma, double r,
                         double q, parameterblock* block) {
  if (T < 0 || sigma <= 0 || r < 0 || q < 0) return undefinedvalue();
  const precisegrid::sizes fine = precisebarrier::gridsizes(*block, critical);
  if (fine.intervals == 0) return undefinedvalue();
  const bool call = callput == 1;
  const precisegrid::market terms{sigma, call ? q : r, call ? r : q};
  auto solve = [&](int intervals, int steps, int refine) {
    precisebarrier::solvedlayer grid;
    grid.nodes = precisegrid::stretchednodes(
        {0.0, 1.0}, 1.0, precisebarrier::stretchwidth * precisebarrier::griddeviation(sigma, T),
        intervals, refine);
    precisegrid::layer w;
    w.first = 0;
    w.last = static_cast<int>(grid.nodes.size()) - 1;
    for (double x : grid.nodes) w.values.push_back(1.0 - x);
    w.exercise = w.values;
    w.exerciseside = -1;
    w.lowedge = [](double, const std::vector<precisegrid::layer>&) { return 1.0; };
    w.reflecting = true;
    w.reflection = call ? 0.0 : 1.0;  // dV/dm = 0: W' = 0 (call), W' = W (put)
    std::vector<precisegrid::layer> layers{std::move(w)};
    precisegrid::march(grid.nodes, terms, T, steps, layers, precisegrid::space::price);
    grid.layer = std::move(layers.front());
    return grid;
  };
  if (critical) return precisebarrier::boundaryreading(fine, solve, precisegrid::defaultwindow);
  const std::vector<double> key{precisebarrier::lookback, static_cast<double>(callput), T, sigma,
                                r, q, static_cast<double>(fine.intervals),
                                static_cast<double>(fine.steps)};
  return precisebarrier::cachedvalue(block, key, fine, xi, solve);
}

// W at xi (value codes) or the critical xi* (critical codes) from the similarity grid. The
// call's reduced problem has the share as numeraire: its rate is q and its yield r.
double similaritygrid(int callput, bool critical, double T, double xi, double extreme, double sigma,
                      double r, double q, parameterblock* block) {
  if (precisenumerics(*block))
    return precisesimilarity(callput, critical, T, xi, sigma, r, q, block);
  const bool call = callput == 1;
  const double rate = call ? q : r, dividend = call ? r : q;
  contractdata record{T, critical ? 0.0 : xi, sigma, rate, dividend, extreme, 1.0, 0.0, callput,
                      1, critical ? 1 : 0,    1};
  const parameterentry grid = block->entries[entrygrid];
  americanlookback instrument(record, grid);
  CNNDI scheme(&instrument);
  return scheme.value(block);
}

// scale x grid, keeping the undefined value of a refused contract as it is.
double scaled(double scale, double grid) { return isundefined(grid) ? grid : scale * grid; }

}  // namespace

// americanlookback

americanlookback::americanlookback(contractdata& record, const parameterentry& grid)
    : fdbase(record, grid) {
  clone.reset(new americanlookback(*this, clonetag{}));
}

void americanlookback::boundary(double /*t*/, gridinfo& grid,
                                const parameterblock* /*params*/) const {
  grid.lowedge = 1.0;
  grid.highedge = 0.0;
}

double americanlookback::payoff(double xi, const parameterblock* /*params*/) const {
  return maxof(data->level1 - xi, 0.0);
}

void americanlookback::gridlimits(gridinfo& grid, const parameterblock* /*params*/) const {
  grid.extent = data->expiry;
  grid.low = 0.0;
  grid.high = 1.0;
}

double americanlookback::critstart(const gridinfo& /*grid*/,
                                   const parameterblock* /*params*/) const {
  return 0.0;
}

// Pricing functions

double lookbackcall(double T, double S, double m, double sigma, double r, double q,
                    parameterblock* block) {
  if (!(m > 0 && m <= S)) return refusedwith(messages::valueundefined);
  if (T == 0) return maxof(S - m, 0.0);
  return scaled(S, similaritygrid(1, false, T, m / S, m, sigma, r, q, block));
}

double lookbackput(double T, double S, double m, double sigma, double r, double q,
                   parameterblock* block) {
  if (!(m > 0 && S <= m)) return refusedwith(messages::valueundefined);
  if (T == 0) return maxof(m - S, 0.0);
  return scaled(m, similaritygrid(-1, false, T, S / m, m, sigma, r, q, block));
}

double lookbackcallcritical(double T, double m, double sigma, double r, double q,
                            parameterblock* block) {
  if (!(m > 0)) return refusedwith(messages::criticalundefined);
  if (T == 0) return 0.0;
  if (q <= calldividendfloor) {
    writemessage(messages::criticalinfinity);
    return HUGE_VAL;
  }
  const double xi = similaritygrid(1, true, T, 0.0, m, sigma, r, q, block);
  return isundefined(xi) ? xi : m / xi;
}

double lookbackputcritical(double T, double m, double sigma, double r, double q,
                           parameterblock* block) {
  if (!(m > 0)) return refusedwith(messages::criticalundefined);
  if (T == 0) return 0.0;
  return scaled(m, similaritygrid(-1, true, T, 0.0, m, sigma, r, q, block));
}

const scalarhandlerentry lookbackhandler =
    handlerentryof<lookbackcodes, refusal::withmessage, formulafor<callvalue, lookbackcall>,
                   formulafor<putvalue, lookbackput>,
                   formulafor<callcritical, lookbackcallcritical>,
                   formulafor<putcritical, lookbackputcritical>>(readsentry(entrymode));

}  // namespace AmericanLookback
