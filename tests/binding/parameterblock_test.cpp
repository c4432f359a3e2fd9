// Row tables, parameter-entry readers and the rebuild of the parameter block.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "binding/entrypoints.h"
#include "binding/parameterblock.h"
#include "binding/registries.h"
#include "testsupport.h"

namespace {

TEST(BindRows, PlainTablePointsAtEachRow) {
  std::vector<double> data(6 * 3);
  const std::int64_t dims[] = {6, 3};
  const datashape shape{2, dims, 8};
  rowtable<6> table{};
  bindrows(table, data.data(), shape);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(table.slot[i], data.data() + 3 * i);
  EXPECT_TRUE(table.holds(6));
}

TEST(BindRows, HigherRankUsesTheLastTwoDimensions) {
  std::vector<double> data(2 * 4 * 5);
  const std::int64_t dims[] = {2, 4, 5};
  const datashape shape{3, dims, 8};
  rowtable<6> table{};
  bindrows(table, data.data(), shape);
  EXPECT_EQ(table.slot[3], data.data() + 15);
  EXPECT_TRUE(table.holds(4));
  EXPECT_FALSE(table.holds(5));
}

TEST(BindRows, EmptyRowsHoldNothing) {
  const std::int64_t dims[] = {6, 0};
  const datashape shape{2, dims, 8};
  rowtable<6> table{};
  bindrows(table, nullptr, shape);
  EXPECT_FALSE(table.holds(1));
}

TEST(BindCountedRows, CountFirstThenRowsFromOne) {
  std::vector<double> data(8 * 9, 0.0);
  data[0] = 3.0;
  const std::int64_t dims[] = {8, 9};
  const datashape shape{2, dims, 8};
  countedrowtable<8> table{};
  bindcountedrows(table, data.data(), shape);
  EXPECT_EQ(table.count, 3);
  for (int i = 1; i < 8; ++i) EXPECT_EQ(table.slot[i], data.data() + 9 * i);
}

TEST(BindCountedRows, CountIsTruncatedAndBounded) {
  const std::int64_t dims[] = {1, 1};
  const datashape shape{2, dims, 8};
  struct countcase {
    double first;
    std::int32_t count;
  };
  const countcase cases[] = {{3.9, 3},
                             {-2.5, -2},
                             {std::numeric_limits<double>::quiet_NaN(), 0},
                             {1e300, std::numeric_limits<std::int32_t>::max()}};
  for (const auto& c : cases) {
    countedrowtable<4> table{};
    bindcountedrows(table, &c.first, shape);
    EXPECT_EQ(table.count, c.count) << c.first;
  }
}

TEST(EntryReaders, DefaultsTruncationAndSafeConversion) {
  const double rows[] = {7.9, 0, -3.7, 0, 1e300, 0, std::nan(""), 0, 0, 0, 0, 0};
  parameterblock block{};
  for (int e = 0; e < 6; ++e) block.entries[e] = {e == 5 ? 1 : 0, rows + 2 * e};
  EXPECT_EQ(entryinteger(block, 0, 0, 42), 7);
  EXPECT_EQ(entryinteger(block, 1, 0, 42), -3);
  EXPECT_EQ(entryinteger(block, 2, 0, 42), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(entryinteger(block, 3, 0, 42), 0);
  EXPECT_EQ(entryinteger(block, 5, 0, 42), 42);  // nonzero flag: the default
  EXPECT_EQ(entryvalue(block, 0, 0, 1.5), 7.9);
  EXPECT_EQ(entryvalue(block, 5, 0, 1.5), 1.5);
}

// The entry point rebuilds words 0 to 14 from T1 and T2 and leaves the cache words alone.
TEST(ParameterBlockRebuild, EntriesPointIntoTheRowsOfT2) {
  initializeregistries();
  parameterblock& block = theparameterblock();
  block.mclastprice = 12.5;
  standin::tensor T0 = standin::realtensor({6, 1}, {1, 100, 100, 0.2, 0.05, 0.02});
  standin::tensor T1 = standin::integertensor({6}, {0, 1, 1, 1, 1, 1});
  std::vector<double> rows(18);
  for (int i = 0; i < 18; ++i) rows[i] = i;
  standin::tensor T2 = standin::realtensor({6, 3}, rows);
  char* code = standin::lendstring("BSECO");
  hosttensor handles[] = {T0.handle(), T1.handle(), T2.handle()};
  hostargument arguments[] = {&code, &handles[0], &handles[1], &handles[2]};
  double result = 0;
  standin::lend(T0), standin::lend(T1), standin::lend(T2);
  ASSERT_EQ(scalarentry(testsupport::library().table(), 4, arguments, &result), hoststatusok);
  EXPECT_EQ(block.rank, 2);
  EXPECT_EQ(block.dims[0], 6);
  EXPECT_EQ(block.dims[1], 3);
  EXPECT_EQ(block.elementsize, 8);
  for (int e = 0; e < 6; ++e) {
    EXPECT_EQ(block.entries[e].row, T2.reals.data() + 3 * e);
    EXPECT_EQ(block.entries[e].flag, e == 0 ? 0 : 1);
  }
  EXPECT_EQ(block.entries[2].row[1], 7.0);  // a two-value entry takes elements 3e and 3e + 1
  EXPECT_EQ(block.mclastprice, 12.5);
  EXPECT_EQ(T0.shares + T1.shares + T2.shares, 0);
}

}  // namespace
