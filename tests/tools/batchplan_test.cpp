// The division of a batch among processes: which lines must stay together because of the caches
// they share, and how units gather into chunks.
#include "batchplan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "commandline.h"

namespace {

const std::string bsapo = "price BSAPO 1 100 100 0.2 0.05 0.02";    // grid
const std::string binapo = "price BINAPO 1 100 100 0.2 0.05 0.02";  // tree, same table
const std::string bseco = "price BSECO 1 100 100 0.2 0.05 0.02";    // closed form
const std::string everest = "price EVERESTEO 2 1 100 0.2,0.3 1,0.5,0.5,1 0.05 0,0";
const std::string curve = "fi DayCount --date StartDate=2024-01-01 --date EndDate=2024-07-01";

// The units of a batch as lists of line numbers, in file order of their first lines.
std::vector<std::vector<int>> groups(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  const batchplan plan = planbatch(text);
  std::vector<std::vector<int>> result;
  for (const batchunit& unit : plan.units) {
    std::vector<int> numbers;
    for (const int e : unit.entries) numbers.push_back(plan.entries[e].number);
    result.push_back(numbers);
  }
  std::sort(result.begin(), result.end());
  return result;
}

using grouping = std::vector<std::vector<int>>;

TEST(BatchPlan, LinesThatShareACacheStayTogetherFromFirstToLastReader) {
  struct testcase {
    const char* what;
    std::vector<std::string> lines;
    grouping expected;
  };
  const std::vector<testcase> cases = {
      {"no mode: every line stands alone", {bsapo, bsapo, everest, bseco}, {{1}, {2}, {3}, {4}}},
      {"grid readers with a clearer between them, clearers outside alone",
       {bsapo, bsapo + " --mode 0", bseco, bsapo, bsapo + " --mode 0", bsapo},
       {{1}, {2, 4, 5}, {3}, {6}}},
      {"a tree of a grid family counts with the grids (it may not clear, never separates)",
       {bsapo + " --mode 0", binapo, bsapo + " --mode 0"},
       {{1, 2, 3}}},
      {"mode 2 caches for grids but not for simulations",
       {bsapo + " --mode 2", everest + " --mode 2", bsapo + " --mode 2", everest + " --mode 2"},
       {{1, 3}, {2}, {4}}},
      {"simulations at mode 0, and a NaN mode read as 0",
       {everest + " --mode 0 --seed 7", bseco, "vector " + everest.substr(6) + " --mode nan"},
       {{1, 3}, {2}}},
      {"the engines' groups are apart",
       {bsapo + " --mode 0", everest + " --mode 0", bsapo + " --mode 0", everest + " --mode 0"},
       {{1, 3}, {2, 4}}},
      {"greeks and solve choose their own modes: readers",
       {"greeks BSAPO 1 100 100 0.2 0.05 0.02", bsapo,
        "solve BSAPO 1 100 100 0.2 0.05 0.02 "
        "--target 7 --for sigma",
        "greeks BSECO 1 100 100 0.2 0.05 0.02"},
       {{1, 2, 3}, {4}}},
      {"every fixed-income line together", {curve, bseco, curve, curve}, {{1, 3, 4}, {2}}},
      {"unknown codes and unreadable lines alone",
       {"price NOPE 1", bsapo + " --mode 0", "price BSAPO x --mode 0", "hello",
        bsapo + " --mode 0"},
       {{1}, {2, 5}, {3}, {4}}},
  };
  for (const testcase& c : cases) EXPECT_EQ(groups(c.lines), c.expected) << c.what;
}

TEST(BatchPlan, KeepsLineNumbersSkipsCommentsAndOrdersUnitsHeaviestFirst) {
  const batchplan plan = planbatch("# a portfolio\n\n" + bseco + "\n" + everest +
                                   " --paths 1000000\n   \n" + bsapo + " --grid 2001,1001\n");
  ASSERT_EQ(plan.entries.size(), 3u);
  EXPECT_EQ(plan.entries[0].number, 3);
  EXPECT_EQ(plan.entries[2].number, 6);
  ASSERT_EQ(plan.units.size(), 3u);
  for (std::size_t u = 1; u < plan.units.size(); ++u)
    EXPECT_GE(plan.units[u - 1].cost, plan.units[u].cost);
  EXPECT_EQ(plan.units.back().entries, std::vector<int>{0});  // the closed form is lightest
}

TEST(BatchPlan, ChunksGatherLightUnitsUpToTheTargetAndLeaveHeavyOnesAlone) {
  std::string text = everest + " --paths 1000000\n";
  for (int i = 0; i < 10; ++i) text += bseco + "\n";
  const batchplan plan = planbatch(text);
  const auto chunks = chunksof(plan, 4.0);
  ASSERT_EQ(chunks.size(), 4u);  // the simulation, then closed forms in fours, two at the end
  EXPECT_EQ(chunks[0], std::vector<int>{0});
  EXPECT_EQ(chunks[1].size(), 4u);
  EXPECT_EQ(chunks[3].size(), 2u);
  std::size_t dealt = 0;
  for (const auto& chunk : chunks) dealt += chunk.size();
  EXPECT_EQ(dealt, plan.units.size());
}

// The costs are read from the calls as the tool parses them: lines it cannot read cost 1.
TEST(BatchPlan, CostGrowsWithDrawsNodesAndSteps) {
  const auto cost = [](const std::string& line) { return linecost(splitwords(line)); };
  const std::string bseco = "BSECO 1 100 100 0.2 0.05 0.02";
  EXPECT_EQ(cost("price " + bseco), 1.0);
  EXPECT_GT(cost(everest + " --paths 1000000"), cost(everest + " --paths 1000"));
  EXPECT_GT(cost(bsapo + " --grid 2001,1001"), cost(bsapo));
  EXPECT_GT(cost(binapo + " --steps 5000"), cost(binapo));
  EXPECT_GT(cost("greeks " + bseco), cost("price " + bseco));
  EXPECT_EQ(cost("price BSAPO x --grid 2001,1001"), 1.0);
}

}  // namespace
