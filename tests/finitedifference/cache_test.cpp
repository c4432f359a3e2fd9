// The grid cache of the parameter block: what each valuation mode leaves behind, when a cached
// grid is read instead of solved, and that a cached read gives exactly what a fresh solve gives.
// A cached grid is recognised by its instrument: a fresh solve always parks a new working copy
// (the old one is still alive while the new one is made), a reuse leaves the cached one in place.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <sstream>
#include <string>

#include "fdtestsupport.h"
#include "finitedifference/AmericanBarrier.h"
#include "finitedifference/AmericanVanilla.h"
#include "finitedifference/DoubleBarrier.h"
#include "numerics/undefined.h"
#include "testsupport.h"

namespace {

using fdtest::block;
namespace av = AmericanVanilla;

struct putterms {
  double T = 1.0, S = 100, K = 100, sigma = 0.2, r = 0.05, q = 0.02;
};

double gridput(block& params, double mode, const putterms& c) {
  params.set(entrymode, mode);
  return av::gridput(c.T, c.S, c.K, c.sigma, c.r, c.q, params.get());
}

double freshput(const putterms& c) {
  block params;
  return gridput(params, 1, c);
}

putterms at(double S) {
  putterms c;
  c.S = S;
  return c;
}

TEST(GridCache, ModeOneCachesNothing) {
  block params;
  const double first = gridput(params, 1, at(100));
  const double second = gridput(params, 1, at(100));
  EXPECT_EQ(first, second);
  EXPECT_EQ(params->fdclone, nullptr);
  EXPECT_EQ(params->fdcarrier, nullptr);
}

TEST(GridCache, ModeZeroReadsTheCachedGridAtAnotherSpot) {
  block params;
  const double first = gridput(params, 0, at(100));
  EXPECT_EQ(first, freshput(at(100)));
  const fdbase* cached = params->fdclone;
  ASSERT_NE(cached, nullptr);
  ASSERT_NE(params->fdcarrier, nullptr);
  for (double S : {95.0, 130.0, 61.7}) {
    EXPECT_EQ(gridput(params, 0, at(S)), freshput(at(S))) << "S " << S;
    EXPECT_EQ(params->fdclone, cached) << "S " << S << ": solved again";
  }
}

TEST(GridCache, TheCarrierHoldsTheFinishedGrid) {
  block params;
  params.set(entrygrid, 41, 11);
  gridput(params, 0, at(100));
  const methodcarriesfd& grid = *cachedgrid(*params.get());
  ASSERT_EQ(grid.size, 41);
  EXPECT_DOUBLE_EQ(grid.dt, 1.0 / 10);
  EXPECT_DOUBLE_EQ(grid.dx, 1000.0 / 40);
  EXPECT_EQ(grid.gridinfo.high, 1000.0);
  EXPECT_EQ(grid.nodes[40], 1000.0);
  EXPECT_EQ(grid.values[0], 100.0);  // the put's low edge: K
  EXPECT_EQ(grid.values[40], 0.0);
  for (int i = 1; i < 40; ++i)  // early exercise: never below the exercise value
    EXPECT_GE(grid.values[i], std::max(100.0 - grid.nodes[i], 0.0)) << "node " << i;
}

TEST(GridCache, StrikeWithinTheToleranceIsTheSameContract) {
  block params;
  gridput(params, 0, at(100));
  const fdbase* cached = params->fdclone;
  putterms nearby = at(95);
  nearby.K = 100.00005;
  EXPECT_EQ(gridput(params, 0, nearby), freshput(at(95)));  // the K = 100 grid, read at 95
  EXPECT_EQ(params->fdclone, cached);
  putterms other = at(95);
  other.K = 100.0002;
  EXPECT_EQ(gridput(params, 0, other), freshput(other));
  EXPECT_NE(params->fdclone, cached);
}

TEST(GridCache, ModeOneAfterModeZeroEmptiesTheCache) {
  block params;
  gridput(params, 0, at(100));
  gridput(params, 1, at(100));
  EXPECT_EQ(params->fdclone, nullptr);
  EXPECT_EQ(params->fdcarrier, nullptr);
}

TEST(GridCache, RefusedContractLeavesTheCacheAsItWas) {
  block params;
  gridput(params, 0, at(100));
  const fdbase* cached = params->fdclone;
  const methodcarries* grid = params->fdcarrier;
  putterms refused = at(100);
  refused.sigma = 0;  // refused by the grid's own check, after the instrument is built
  EXPECT_TRUE(isundefined(av::gridcall(refused.T, refused.S, refused.K, refused.sigma, refused.r,
                                       refused.q, params.get())));
  EXPECT_EQ(params->fdclone, cached);
  EXPECT_EQ(params->fdcarrier, grid);
  EXPECT_EQ(gridput(params, 0, at(90)), freshput(at(90)));
  EXPECT_EQ(params->fdclone, cached);
}

TEST(GridCache, OtherModesCacheLikeModeZero) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (double mode : {2.0, -1.0, 7.9, 0.5, nan}) {
    block params;
    gridput(params, mode, at(100));
    const fdbase* cached = params->fdclone;
    ASSERT_NE(cached, nullptr) << "mode " << mode;
    EXPECT_EQ(gridput(params, 0, at(88)), freshput(at(88))) << "mode " << mode;
    EXPECT_EQ(params->fdclone, cached) << "mode " << mode;
  }
}

TEST(GridCache, OtherContractsAndCriticalRequestsSolveAgain) {
  block params;
  gridput(params, 0, at(100));
  const fdbase* cached = params->fdclone;
  // A critical request is another contract (the spot aside, every term is compared).
  params.set(entrymode, 0);
  const double critical = av::gridputcritical(1, 100, 0.2, 0.05, 0.02, params.get());
  EXPECT_NE(params->fdclone, cached);
  cached = params->fdclone;
  EXPECT_EQ(av::gridputcritical(1, 100, 0.2, 0.05, 0.02, params.get()), critical);
  EXPECT_EQ(params->fdclone, cached);
  // So is a call on the same terms, and the same put on another grid.
  EXPECT_EQ(av::gridcall(1, 100, 100, 0.2, 0.05, 0.02, params.get()),
            av::gridcall(1, 100, 100, 0.2, 0.05, 0.02, block().get()));
  EXPECT_NE(params->fdclone, cached);
  cached = params->fdclone;
  params.set(entrygrid, 101, 50);
  gridput(params, 0, at(100));
  EXPECT_NE(params->fdclone, cached);
}

// Grids whose edges are binomial trees (the down-and-out's far edge, the double knock-in's
// barriers) depend on the tree steps of entry 4: a cached grid solved with other steps is another
// grid. Before the steps were compared, DBKNOCKINACO at 10 then 200 steps answered 9.2353990
// twice where 200 steps give 9.2423443.
TEST(GridCache, TreeStepsOfTheEdgesArePartOfTheContract) {
  using pricing = double (*)(parameterblock*);
  const struct {
    const char* code;
    pricing price;
  } cases[] = {
      {"DBKNOCKINACO",
       [](parameterblock* b) {
         return AmericanDoubleBarrier::knockincall(1, 100, 80, 130, 100, 0.25, 0.05, 0.02, b);
       }},
      {"DOWNOUTAPO",
       [](parameterblock* b) {
         return AmericanBarrier::downoutput(1, 100, 90, 100, 0.2, 0.05, 0.02, b);
       }},
  };
  for (const auto& c : cases) {
    block fresh;
    fresh.set(entrysteps, 200);
    const double at200 = c.price(fresh.get());
    block params;
    params.set(entrymode, 0).set(entrysteps, 10);
    c.price(params.get());
    const fdbase* cached = params->fdclone;
    params.set(entrysteps, 200);
    EXPECT_EQ(c.price(params.get()), at200) << c.code;
    EXPECT_NE(params->fdclone, cached) << c.code << ": other steps solve afresh";
    cached = params->fdclone;
    EXPECT_EQ(c.price(params.get()), at200) << c.code;
    EXPECT_EQ(params->fdclone, cached) << c.code << ": the same steps read the cached grid";
  }
}

// The same sequences through the kzr tool: one loaded library, one parameter block.
std::map<int, std::string> batchresults(const std::string& lines) {
  const testsupport::toolrun run = testsupport::runkzr("batch -", lines);
  EXPECT_EQ(run.status, 0) << run.err;
  std::map<int, std::string> results;
  std::istringstream out(run.out);
  std::string line;
  while (std::getline(out, line)) {
    const auto colon = line.find(": ");
    if (colon == std::string::npos) continue;
    results[std::stoi(line.substr(0, colon))] = line.substr(colon + 2);
  }
  return results;
}

TEST(GridCache, SequencesThroughOneLoadedLibrary) {
  const std::string put = "price BSAPO 1 ";
  const std::string terms = " 100 0.2 0.05 0.02";
  std::map<int, std::string> r =
      batchresults(put + "100" + terms + " --mode 0\n" +                    // 1 solve, cache
                   put + "95" + terms + " --mode 0\n" +                     // 2 cached grid at 95
                   "price BSAPO 1 95 100.00005 0.2 0.05 0.02 --mode 0\n" +  // 3 same contract
                   "price BSAPO 1 95 100 0 0.05 0.02 --mode 0\n" +          // 4 refused
                   put + "90" + terms + " --mode 0\n" +                     // 5 still cached
                   put + "95" + terms + "\n" +           // 6 mode 1: fresh, frees
                   put + "90" + terms + " --mode 1\n" +  // 7 fresh
                   put + "90" + terms + " --mode 2\n" +  // 8 caches like 0
                   put + "95" + terms + " --mode 0\n" +  // 9 cached grid at 95
                   "price BSAPO 1 95 100.00005 0.2 0.05 0.02 --mode 0\n" +  // 10 same contract
                   "price BSAPO 1 95 100.00005 0.2 0.05 0.02\n");  // 11 fresh: its own grid
  ASSERT_EQ(r.size(), 11u);
  // Lines 3 and 10 print the K = 100 grid's value: read off the cache, not solved.
  EXPECT_NE(r[11], r[6]);
  EXPECT_EQ(r[2], r[6]);
  EXPECT_EQ(r[3], r[6]);
  EXPECT_EQ(r[4], "nan");
  EXPECT_EQ(r[5], r[7]);
  EXPECT_EQ(r[8], r[7]);
  EXPECT_EQ(r[9], r[6]);
  EXPECT_EQ(r[10], r[6]);
  EXPECT_NE(r[1], r[2]);
}

}  // namespace
