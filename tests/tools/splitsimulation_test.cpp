// One simulation split into blocks: the blocks' paths and seeds, and the combination of their
// answers into one estimate with its standard error.
#include "splitsimulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>

#include "codeentries.h"
#include "commandline.h"

namespace {

pricingcall callof(const std::string& line) { return parsepricingcall(splitwords(line)); }

const std::string himalaya =
    "price HIMALAYAEO 2 1 100 0.2,0.3 1,0.5,0.5,1 0.05 0,0 --paths 1000 --seed 5";

TEST(SplitSimulation, BlocksShareThePathsAndBlockZeroKeepsTheCallsSeed) {
  struct testcase {
    std::int64_t paths;
    int blocks;
    std::size_t count;
  };
  for (const testcase c :
       {testcase{10, 3, 3}, testcase{2, 5, 2}, testcase{1000001, 64, 64}, testcase{7, 1, 1}}) {
    const auto split = splitpaths(c.paths, 42, c.blocks);
    ASSERT_EQ(split.size(), c.count);
    EXPECT_EQ(split[0].seed, 42.0);
    std::int64_t total = 0;
    std::set<double> seeds;
    for (const simulationblock& b : split) {
      total += b.paths;
      EXPECT_GE(b.paths, c.paths / static_cast<std::int64_t>(c.count));
      EXPECT_LE(b.paths, c.paths / static_cast<std::int64_t>(c.count) + 1);
      EXPECT_GE(b.seed, 1.0);
      seeds.insert(std::fmod(b.seed, 4294967296.0));  // the word the library takes
    }
    EXPECT_EQ(total, c.paths);
    EXPECT_EQ(seeds.size(), split.size()) << "two blocks on one stream";
  }
}

// One call takes at most 2^31 - 1 paths (the library clamps a larger count): a larger count
// takes as many more blocks as it needs, whatever was asked, and every block fits one call.
TEST(SplitSimulation, PathsBeyondOneCallTakeMoreBlocks) {
  struct testcase {
    double paths;
    int asked, blocks;
  };
  const testcase cases[] = {
      {4e9, 1, 2},          {4e9, 4, 4},  {2147483647.0, 1, 1}, {2147483648.0, 1, 2},
      {2147483648.0, 3, 3}, {1e11, 2, 47}, {1e20, 1, 0},       {INFINITY, 1, 0},
  };
  for (const testcase& c : cases) {
    const int blocks = blocksfor(c.paths, c.asked);
    EXPECT_EQ(blocks, c.blocks) << c.paths << " " << c.asked;
    if (blocks == 0) continue;
    const auto split = splitpaths(static_cast<std::int64_t>(c.paths), 1, blocks);
    ASSERT_EQ(split.size(), static_cast<std::size_t>(blocks));
    for (const simulationblock& b : split) EXPECT_LE(b.paths, 2147483647) << c.paths;
  }
}

TEST(SplitSimulation, RunsWithNeighbouringSeedsShareNoStream) {
  std::set<double> first, second;
  for (const simulationblock& b : splitpaths(1000, 7, 64)) first.insert(b.seed);
  for (const simulationblock& b : splitpaths(1000, 8, 64)) second.insert(b.seed);
  for (const double seed : second) EXPECT_EQ(first.count(seed), 0u) << seed;
  // A derived word never repeats an earlier block's, even when the mixer would give it again.
  EXPECT_NE(blockseedword(7, 1, {7, blockseedword(7, 1, {7})}), blockseedword(7, 1, {7}));
}

TEST(SplitSimulation, BlockCallsSetPathsAndSeedAndDrawAfreshWhenSplit) {
  pricingcall call = callof(himalaya + " --precise --mode 0");
  call.setvalue(entryoptions, 4, 1);  // an option beyond the numerics travels with every block
  const pricingcall alone = blockcall(call, {1000, 5}, true);
  EXPECT_EQ(alone.flags, call.flags);
  EXPECT_EQ(alone.entries, call.entries);
  const pricingcall part = blockcall(call, {334, 99}, false);
  EXPECT_EQ(part.entries[entrypaths][0], 334);
  EXPECT_EQ(part.entries[entryoptions][0], 99);
  EXPECT_EQ(part.entries[entryoptions][1], 1) << "the precise numerics kept";
  EXPECT_EQ(part.entries[entryoptions][4], 1) << "every later option kept";
  // Without an options entry, a block's options are the seed alone.
  const pricingcall plain = blockcall(callof(himalaya), {334, 99}, false);
  EXPECT_EQ(plain.entries[entryoptions], (std::array<double, entryvaluecount>{99}));
  EXPECT_EQ(part.entries[entrymode][0], 1) << "a block must not reuse another's draws";
}

TEST(SplitSimulation, CombinesAPathWeightedMeanWithABatchMeansError) {
  const pricingcall call = callof("price EVERESTEO 2 1 100 0.2,0.3 1,0.5,0.5,1 0.05 0,0");
  const auto estimate =
      combineblocks(call, {{10.0, 1.0}, {13.0, 1.0}, {16.0, 1.0}}, {100, 100, 200});
  ASSERT_EQ(estimate.values.size(), 2u);
  EXPECT_DOUBLE_EQ(estimate.values[0], 13.75);  // (1000 + 1300 + 3200) / 400
  EXPECT_EQ(estimate.values[1], 1.0) << "agreeing blocks give their value exactly";
  // s^2 = (100 3.75^2 + 100 0.75^2 + 200 2.25^2) / 2, error s / sqrt(400)
  EXPECT_DOUBLE_EQ(estimate.errors[0], std::sqrt((1406.25 + 56.25 + 1012.5) / 2 / 400));
  EXPECT_EQ(estimate.errors[1], 0.0);
  // One block: the call's own answer to the bit (a negative zero stays one), no error.
  const auto one = combineblocks(call, {{-0.0}}, {1000});
  EXPECT_TRUE(std::signbit(one.values[0]));
  EXPECT_TRUE(std::isnan(one.errors[0]));
}

TEST(SplitSimulation, HimalayaCombinesItsMeansThroughTheInverseOfItsPrice) {
  const pricingcall call = callof(himalaya);
  const double D = std::exp(-0.05 * 1) * 100;  // exp(-r T) notional
  const double m[] = {0.10, 0.13, 0.07};
  const std::int64_t n[] = {300, 300, 400};
  std::vector<std::vector<double>> answers;
  for (const double mb : m) answers.push_back({D * (std::exp(mb) - 1)});
  const double mean = (300 * 0.10 + 300 * 0.13 + 400 * 0.07) / 1000;
  const auto estimate = combineblocks(call, answers, {n[0], n[1], n[2]});
  EXPECT_NEAR(estimate.values[0], D * (std::exp(mean) - 1), 1e-12);
  const double s2 = (300 * std::pow(0.10 - mean, 2) + 300 * std::pow(0.13 - mean, 2) +
                     400 * std::pow(0.07 - mean, 2)) /
                    2;
  EXPECT_NEAR(estimate.errors[0], D * std::exp(mean) * std::sqrt(s2 / 1000), 1e-12);
}

// A code marked as pricing through the mean of its log payoffs is inverted through exp(-r T)
// notional: it must simulate and name those inputs, or its blocks could not be combined.
TEST(SplitSimulation, CodesMarkedByTheirLogMeanNameWhatTheInverseReads) {
  int marked = 0;
  for (const catalogueentry& entry : catalogue()) {
    if (entry.estimate != estimator::expmeanlog) continue;
    ++marked;
    EXPECT_EQ(entry.keeps, cacheuse::draws) << entry.code;
    for (const char* name : {"r", "T", "notional"})
      EXPECT_NE(std::find(entry.inputs.begin(), entry.inputs.end(), name), entry.inputs.end())
          << entry.code << " " << name;
  }
  EXPECT_GE(marked, 1) << "HIMALAYAEO prices through its log mean";
}

TEST(SplitSimulation, RefusesToSplitWhatItsAnswersCannotRebuild) {
  EXPECT_EQ(whynotsplit(callof(himalaya)), "");
  EXPECT_EQ(whynotsplit(callof("price EVERESTEO 2 1 100 0.2,0.3 1,0.5,0.5,1 0.05 0,0 --greek 1")),
            "");
  EXPECT_NE(whynotsplit(callof("vector" + himalaya.substr(5))), "");
  EXPECT_NE(whynotsplit(callof(himalaya + " --greek delta")), "");
  EXPECT_NE(whynotsplit(callof("price HIMALAYAEO 2 1 0 0.2,0.3 1,0.5,0.5,1 0.05 0,0")), "")
      << "a notional of 0 hides the mean";
}

}  // namespace
