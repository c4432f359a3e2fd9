// The engine framework as a new instrument meets it: contract equality field by field, who owns
// the clone, the carrier's run-time type in the cache, and the hooks a scheme calls (the step
// condition once per level, the edge values at each level's time, the reflecting edge of a
// similarity grid), each against an independent value.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "closedform/EuropeanLookback.h"
#include "fdtestsupport.h"
#include "finitedifference/AmericanVanilla.h"
#include "finitedifference/logndi.h"
#include "finitedifference/ndi.h"
#include "numerics/undefined.h"

namespace {

using fdtest::block;

contractdata putrecord() {
  return contractdata{1, 100, 0.2, 0.05, 0.02, 100, 90, 120, -1, 1, 0, 0};
}

TEST(ContractData, EveryFieldButTheSpotDecidesTheContract) {
  // Written out here, not taken from the library's list: a field that stops being compared
  // fails this table.
  // A term moved by 0.00005 is the same contract, by 0.0002 another; a flag moved by one is
  // another contract.
  struct fieldrow {
    const char* name;
    void (*move)(contractdata&, double);
  };
  const fieldrow fields[] = {
      {"expiry", [](contractdata& c, double d) { c.expiry += d; }},
      {"volatility", [](contractdata& c, double d) { c.volatility += d; }},
      {"rate", [](contractdata& c, double d) { c.rate += d; }},
      {"dividend", [](contractdata& c, double d) { c.dividend += d; }},
      {"strike", [](contractdata& c, double d) { c.strike += d; }},
      {"level1", [](contractdata& c, double d) { c.level1 += d; }},
      {"level2", [](contractdata& c, double d) { c.level2 += d; }},
      {"callput", [](contractdata& c, double d) { c.callput = d > 0.0001 ? 1 : c.callput; }},
      {"american", [](contractdata& c, double d) { c.american = d > 0.0001 ? 0 : c.american; }},
      {"critical", [](contractdata& c, double d) { c.critical = d > 0.0001 ? 1 : c.critical; }},
      {"reflecting",
       [](contractdata& c, double d) { c.reflecting = d > 0.0001 ? 1 : c.reflecting; }},
  };
  const contractdata base = putrecord();
  for (const fieldrow& f : fields) {
    contractdata near = base, far = base;
    f.move(near, 0.00005);
    f.move(far, 0.0002);
    EXPECT_TRUE(near == base) << f.name;
    EXPECT_TRUE(far != base) << f.name;
  }
  contractdata otherspot = base;
  otherspot.spot = 57.0;  // a cached grid serves any spot
  EXPECT_TRUE(otherspot == base);
}

TEST(Ownership, TheValuationTakesTheCloneAndAnUnvaluedInstrumentFreesIt) {
  block params;
  contractdata record = putrecord();
  AmericanVanilla::americanvanilla unvalued(record, params->entries[entrygrid]);
  ASSERT_NE(unvalued.clone, nullptr);  // freed with the instrument (the leak check watches)
  EXPECT_TRUE(unvalued.clone->ownsdata);
  EXPECT_NE(unvalued.clone->data, &record);

  AmericanVanilla::americanvanilla valued(record, params->entries[entrygrid]);
  CNNDI scheme(&valued);
  EXPECT_EQ(valued.clone, nullptr);
  params.set(entrymode, 0);
  EXPECT_TRUE(std::isfinite(scheme.value(params.get())));
  EXPECT_NE(params->fdclone, nullptr);  // parked
  CNNDI second(&valued);                // nothing left to work on: undefined, the cache untouched
  const fdbase* parked = params->fdclone;
  EXPECT_TRUE(isundefined(second.value(params.get())));
  EXPECT_EQ(params->fdclone, parked);
}

// A carrier of another engine, parked in the grid's carrier word.
class foreigncarrier : public methodcarries {};

TEST(GridCache, ACarrierOfAnotherClassIsNeverRead) {
  // The cached instrument is the very contract asked for, but the carrier beside it is not a
  // grid: the grid is solved afresh and the foreign carrier freed.
  const double T = 1, S = 95, K = 100, sigma = 0.2, r = 0.05, q = 0.02;
  block fresh;
  const double expected = AmericanVanilla::gridput(T, S, K, sigma, r, q, fresh.get());
  block params;
  params.set(entrymode, 0);
  AmericanVanilla::gridput(T, 100, K, sigma, r, q, params.get());
  delete params->fdcarrier;
  params->fdcarrier = new foreigncarrier;
  const fdbase* cachedinstrument = params->fdclone;
  EXPECT_EQ(AmericanVanilla::gridput(T, S, K, sigma, r, q, params.get()), expected);
  EXPECT_NE(params->fdclone, cachedinstrument);
  EXPECT_NE(cachedgrid(*params.get()), nullptr);
}

// The prepaid forward: the share received at expiry without the dividends paid until then,
// worth S e^(-q t) with t the time to expiry. The scheme is exact in S for a value linear in S,
// so with edge values that follow each level's time the grid errs only through time. That error
// is of the scheme's second order in dt, because each implicit step meets the edge values of its
// own level; an implicit step that met those of the level before (edges set after the step)
// erred at first order, by 4.8e-6, 4.7e-4 and 3.1e-3 here, and an edge blind to time (t = 0)
// errs by 1.7e-3, 0.36 and 3.7.
class prepaidforward : public fdbase {
 public:
  prepaidforward(contractdata& record, const parameterentry& grid) : fdbase(record, grid) {
    clone.reset(new prepaidforward(*this, clonetag{}));
  }
  void gridlimits(gridinfo& grid, const parameterblock*) const override {
    grid.extent = data->expiry;
    grid.low = 0.0;
    grid.high = 1.5 * data->strike;  // near the spot: the edge weighs on today's value
  }
  void boundary(double t, gridinfo& grid, const parameterblock*) const override {
    grid.lowedge = 0.0;
    grid.highedge = grid.high * std::exp(-data->dividend * t);
  }
  double payoff(double S, const parameterblock*) const override { return S; }

 private:
  prepaidforward(const prepaidforward& source, clonetag tag) : fdbase(source, tag) {}
};

TEST(PriceGrid, EdgeValuesFollowTheLevelsTime) {
  // 101 nodes, 1001 levels; observed errors 2.1e-11, 9.1e-10 and 1.8e-8.
  struct row {
    double T, tolerance;
  };
  for (const row& c : {row{0.25, 1e-10}, row{1.0, 5e-9}, row{3.0, 1e-7}}) {
    block params;
    params.set(entrygrid, 101, 1001);
    contractdata record{c.T, 100, 0.3, 0.03, 0.05, 100, 0, 0, 1, 0, 0, 0};
    prepaidforward forward(record, params->entries[entrygrid]);
    CNNDI scheme(&forward);
    EXPECT_NEAR(scheme.value(params.get()), 100 * std::exp(-0.05 * c.T), c.tolerance)
        << "T " << c.T;
  }
}

// Records the time and growth of every call of the step condition (and applies none).
class recordinglevels : public fdbase {
 public:
  struct calls {
    std::vector<double> times, growths;
  };
  recordinglevels(contractdata& record, const parameterentry& grid, calls* seen)
      : fdbase(record, grid), seen(seen) {
    clone.reset(new recordinglevels(*this, clonetag{}));
  }
  void gridlimits(gridinfo& grid, const parameterblock*) const override {
    grid.extent = data->expiry;
    grid.high = 200.0;
  }
  void heatgridlimits(gridinfo& grid, const parameterblock*) const override {
    grid.extent = data->volatility * data->volatility * data->expiry / 2.0;
    grid.low = -1.0;
    grid.high = 1.0;
  }
  void stepcondition(const gridlevel& level, double*, const parameterblock*) const override {
    seen->times.push_back(level.time);
    seen->growths.push_back(level.growth);
  }

 private:
  recordinglevels(const recordinglevels& source, clonetag tag)
      : fdbase(source, tag), seen(source.seen) {}
  calls* seen;
};

TEST(Schemes, TheStepConditionMeetsEveryLevelOnceWithItsTime) {
  const double T = 0.8, sigma = 0.25, r = 0.04, q = 0.01;
  const int levels = 9;
  for (int heat = 0; heat < 2; ++heat) {
    block params;
    params.set(entrygrid, 11, levels);
    contractdata record{T, 100, sigma, r, q, 100, 0, 0, -1, 1, 0, 0};
    recordinglevels::calls seen;
    recordinglevels instrument(record, params->entries[entrygrid], &seen);
    if (heat == 1) {
      DouglasLogNDI scheme(&instrument);
      scheme.value(params.get());
    } else {
      CNNDI scheme(&instrument);
      scheme.value(params.get());
    }
    const std::vector<double>& times = seen.times;
    const std::vector<double>& growths = seen.growths;
    ASSERT_EQ(times.size(), static_cast<std::size_t>(levels - 1)) << "heat " << heat;
    // Time to expiry, in years on the price grid and in tau = sigma^2 (T - t) / 2 on the heat
    // grid, where the exercise value grows by exp(((k'-1)^2/4 + k) tau).
    const double horizon = heat == 1 ? sigma * sigma * T / 2 : T;
    const double k = 2 * r / (sigma * sigma), kp = 2 * (r - q) / (sigma * sigma);
    for (int level = 0; level < levels - 1; ++level) {
      const double expected = horizon * (level + 1) / (levels - 1);
      EXPECT_NEAR(times[level], expected, 1e-15) << "heat " << heat << " level " << level;
      const double growth = heat == 1 ? std::exp(((kp - 1) * (kp - 1) / 4 + k) * expected) : 1;
      EXPECT_NEAR(growths[level], growth, 1e-14) << "heat " << heat << " level " << level;
    }
  }
}

// The floating-strike lookback on the similarity grid xi in [0, 1], European: V = M W(S / M)
// for the put (M the maximum so far), V = S W(m / S) for the call (m the minimum so far, rate
// and yield exchanged). W pays 1 - xi, is worth e^(-rate t) at xi = 0 with t the time to expiry,
// and meets the reflecting edge at xi = 1 (the value does not move with the extreme there).
class similaritylookback : public fdbase {
 public:
  similaritylookback(contractdata& record, const parameterentry& grid) : fdbase(record, grid) {
    clone.reset(new similaritylookback(*this, clonetag{}));
  }
  void gridlimits(gridinfo& grid, const parameterblock*) const override {
    grid.extent = data->expiry;
    grid.low = 0.0;
    grid.high = data->level1;
  }
  void boundary(double t, gridinfo& grid, const parameterblock*) const override {
    grid.lowedge = std::exp(-data->rate * t);
    grid.highedge = 0.0;
  }
  double payoff(double xi, const parameterblock*) const override {
    return std::fmax(data->level1 - xi, 0.0);
  }

 private:
  similaritylookback(const similaritylookback& source, clonetag tag) : fdbase(source, tag) {}
};

TEST(PriceGrid, ReflectingEdgeGivesTheFloatingLookback) {
  // Against Goldman, Sosin and Gatto (1979) in closed form. The reflecting edge is of first
  // order in the spacing: 2001 nodes, 1001 levels, observed 3e-4 to 1.4e-3 of the value.
  struct row {
    int callput;
    double T, S, extreme, sigma, r, q;
  };
  const row rows[] = {
      {-1, 1.0, 100, 110, 0.2, 0.05, 0.02},
      {-1, 0.5, 95, 100, 0.3, 0.03, 0.0},
      {+1, 1.0, 100, 90, 0.2, 0.05, 0.02},
      {+1, 2.0, 120, 100, 0.25, 0.04, 0.01},
  };
  for (const row& c : rows) {
    block params;
    params.set(entrygrid, 2001, 1001);
    const bool call = c.callput > 0;
    const double xi = call ? c.extreme / c.S : c.S / c.extreme;
    contractdata record{c.T,       xi,  c.sigma, call ? c.q : c.r, call ? c.r : c.q,
                        c.extreme, 1.0, 0.0,     c.callput,        0,
                        0,         1};
    similaritylookback instrument(record, params->entries[entrygrid]);
    CNNDI scheme(&instrument);
    const double value = (call ? c.S : c.extreme) * scheme.value(params.get());
    const double exact =
        call ? EuropeanLookback::lookbackfloatingcall(c.T, c.S, c.extreme, c.sigma, c.r, c.q)
             : EuropeanLookback::lookbackfloatingput(c.T, c.S, c.extreme, c.sigma, c.r, c.q);
    EXPECT_NEAR(value, exact, 2e-3 * exact)
        << "cp " << c.callput << " T " << c.T << " S " << c.S << " extreme " << c.extreme;
  }
}

}  // namespace
