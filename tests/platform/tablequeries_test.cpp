// What the entry points ask the host about their tables, in which order, and how far they read:
// each table is asked once, in the order fixed for the call, and a table of rank 3 or more with a
// zero leading dimension (no element, whatever its last two dimensions promise) is never read.
// The host lends a valid one-byte block for every empty tensor here, as hosts built on malloc(0)
// do, so that a read past a table's end shows under AddressSanitizer.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "closedform/BlackScholes.h"
#include "fixedincome/FixedIncome.h"
#include "numerics/undefined.h"
#include "testsupport.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

standin::host& host() { return testsupport::library(); }

class TableQueries : public testing::Test {
 protected:
  void SetUp() override { host().lendonebyteforempty(true); }
  void TearDown() override {
    host().lendonebyteforempty(false);
    host().recordqueries(false);
    host().recordevents(false);
    EXPECT_EQ(host().outstandingshares(), 0);
  }

  // The queries of one call, without the give-backs.
  static std::vector<std::string> queriesof(const std::vector<std::string>& events) {
    std::vector<std::string> queries;
    for (const std::string& e : events)
      if (e.rfind("release", 0) != 0) queries.push_back(e);
    return queries;
  }
};

standin::tensor labelled(standin::tensor t, const char* label) {
  t.label = label;
  return t;
}

TEST_F(TableQueries, FunAsksEachTableOnceInTheOrderOfTheCall) {
  standin::tensor T0 = labelled(standin::realtensor({6, 1}, {1, 100, 100, 0.2, 0.05, 0.02}), "T0");
  standin::tensor T1 = labelled(standin::integertensor({6}, {1, 1, 1, 1, 1, 1}), "T1");
  standin::tensor T2 = labelled(standin::realtensor({6, 2}, std::vector<double>(12, 0.0)), "T2");
  host().recordevents(true);
  host().recordqueries(true);
  for (int call = 0; call < 2; ++call) {  // the second call finds its code remembered
    host().clearevents();
    const standin::scalarresult result = host().fun("BSECO", T0, T1, T2);
    EXPECT_EQ(result.value, BlackScholes::blackscholescall(1, 100, 100, 0.2, 0.05, 0.02));
    // The rebuild of the parameter block asks for T2's dimensions before its rank; T1's shape,
    // which counts the flags, comes last.
    const std::vector<std::string> expected = {"tensorrank T0", "tensordims T0", "integerdata T1",
                                               "realdata T2",   "tensordims T2", "tensorrank T2",
                                               "realdata T0",   "tensorrank T1", "tensordims T1"};
    EXPECT_EQ(queriesof(host().events()), expected) << "call " << call;
  }
}

TEST_F(TableQueries, FifunAsksDimensionsRankAndDataOfEachTableInConversionOrder) {
  std::array<standin::tensor, 11> t;
  for (int k = 0; k < 11; ++k) {
    const bool ids = k % 2 == 0 && k < 8;
    t[k] = ids ? standin::integertensor({0, 1}, {}) : standin::realtensor({0, 5}, {});
    t[k].label = "T" + std::to_string(k);
  }
  std::array<standin::tensor*, 11> tables;
  for (int k = 0; k < 11; ++k) tables[k] = &t[k];
  host().recordevents(true);
  host().recordqueries(true);
  host().clearevents();
  host().clearshownmessages();
  const standin::fixedincomeresult result = host().fifun("DayCount", tables);
  EXPECT_EQ(result.at(1, 1), 0.0);  // no dates: the function fails, after every table was read
  std::vector<std::string> expected;
  for (int k : {10, 9, 8, 6, 7, 4, 5, 2, 3, 0, 1}) {
    const std::string name = "T" + std::to_string(k);
    const bool ids = k % 2 == 0 && k < 8;
    expected.insert(expected.end(), {"tensordims " + name, "tensorrank " + name,
                                     (ids ? "integerdata " : "realdata ") + name});
  }
  EXPECT_EQ(queriesof(host().events()), expected);
}

// fun and funvec refuse a data or parameter table whose rows and columns promise values it does
// not hold, before the handler runs. The codes read T0's rows and the parameter entries (the grid
// and the steps), which is where a hollow table used to be read past its end.
TEST_F(TableQueries, FunRefusesHollowTablesBeforeReadingThem) {
  struct hollowcase {
    const char* code;
    std::vector<hostinteger> data;  // shape of a hollow T0, or empty for a full one
    std::vector<hostinteger> rows;  // shape of a hollow T2, or empty for a full one
    const char* message;
  };
  const hollowcase cases[] = {
      {"BSECO", {0, 6, 1}, {}, "the data table holds no values but promises 6 rows of 1"},
      {"BINAPO", {2, 0, 6, 4}, {}, "the data table holds no values but promises 6 rows of 4"},
      {"BINAPO", {}, {0, 6, 3}, "the parameter table holds no values but promises 6 rows of 3"},
      {"BSAPO", {}, {5, 0, 6, 2}, "the parameter table holds no values but promises 6 rows of 2"},
  };
  const std::vector<double> american = {1, 100, 100, 0.2, 0.05, 0.02};
  for (const hollowcase& c : cases) {
    standin::tensor T0 =
        c.data.empty() ? standin::realtensor({6, 1}, american) : standin::realtensor(c.data, {});
    standin::tensor T1 = standin::integertensor({6}, {0, 0, 0, 0, 0, 0});
    standin::tensor T2 = c.rows.empty()
                             ? standin::realtensor({6, 2}, {1, 0, 0, 0, 50, 20, 0, 0, 30, 0, 0, 0})
                             : standin::realtensor(c.rows, {});
    CaptureStdout();
    const standin::scalarresult result = host().fun(c.code, T0, T1, T2);
    EXPECT_EQ(GetCapturedStdout(), std::string("Input tables refused: ") + c.message + "\n");
    EXPECT_EQ(result.status, 0) << c.message;
    EXPECT_TRUE(isundefined(result.value)) << c.message;
    CaptureStdout();
    const standin::vectorresult vector = host().funvec(c.code, T0, T1, T2);
    GetCapturedStdout();
    EXPECT_NE(vector.status, 0) << c.message;
    EXPECT_TRUE(vector.values.empty()) << c.message;
  }
  // A table with no rows at all holds what it promises: the contract is priced as having no
  // inputs (undefined) and nothing is read.
  standin::tensor T0 = standin::realtensor({0, 1}, {});
  standin::tensor T1 = standin::integertensor({6}, {1, 1, 1, 1, 1, 1});
  standin::tensor T2 = standin::realtensor({6, 2}, std::vector<double>(12, 0.0));
  CaptureStdout();
  const standin::scalarresult empty = host().fun("BINAPO", T0, T1, T2);
  GetCapturedStdout();
  EXPECT_EQ(empty.status, 0);
  EXPECT_TRUE(std::isnan(empty.value));
}

// What a fixed-income function saw of its input: the size of every field the tables fill.
std::array<std::size_t, 11> seen;
void probe(fiinputholder& input, fioutputholder& output) {
  const fiinput& in = *input;
  seen = {in.numbermap.size(),
          in.numbermap.size(),
          in.datemap.size(),
          in.datemap.size(),
          in.textmap.size(),
          in.textmap.size(),
          in.listmap.size(),
          in.listmap.size(),
          in.views8.size() + in.series8.values.size(),
          in.views9.size() + in.series9.values.size(),
          in.views10.size() + static_cast<std::size_t>(in.values10.size)};
  output->scalar = 1.0;
}

// Each of the eleven tables in turn made hollow (rows and columns promised, no element held): a
// table that may be empty is read as empty; the second table of a pair whose first names rows is
// refused, as a table with too few rows would be.
TEST_F(TableQueries, FifunReadsAHollowTableAsEmptyOrRefusesIt) {
  FixedIncome::fillfixedincomehandlers();
  FixedIncome::fixedincomehandlers()["HollowProbe"] = probe;
  const auto id = [](const char* text) { return static_cast<double>(host().addtext(text)); };
  const auto ids = [](hostinteger value) { return standin::integertensor({1, 1}, {value}); };
  std::array<standin::tensor, 11> full = {ids(host().addtext("Notional")),
                                          standin::realtensor({1, 1}, {100.0}),
                                          ids(host().addtext("Start")),
                                          standin::realtensor({1, 3}, {2024, 1, 2}),
                                          ids(host().addtext("Counter")),
                                          standin::realtensor({1, 1}, {id("Actual360")}),
                                          ids(host().addtext("Rates")),
                                          standin::realtensor({1, 3}, {2, 0.01, 0.02}),
                                          standin::realtensor({1, 5}, {1, 2024, 1, 2, 5}),
                                          standin::realtensor({1, 5}, {1, 2024, 1, 2, 5}),
                                          standin::realtensor({1, 3}, {1, 2, 3})};
  const std::array<std::size_t, 11> fullsizes = {1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 3};
  for (int k = 0; k < 11; ++k) {
    std::array<standin::tensor, 11> t = full;
    const std::vector<hostinteger> shape = {0, t[k].dims[0], t[k].dims[1]};
    t[k] = t[k].type == hosttypeinteger ? standin::integertensor(shape, {})
                                        : standin::realtensor(shape, {});
    std::array<standin::tensor*, 11> tables;
    for (int j = 0; j < 11; ++j) tables[j] = &t[j];
    seen = {};
    host().clearshownmessages();
    const standin::fixedincomeresult result =
        host().fifun("HollowProbe", tables, FixedIncome::fifunentry);
    const bool second = k % 2 == 1 && k < 8;
    if (second) {
      EXPECT_EQ(result.at(1, 1), 0.0) << "T" << k;
      const std::vector<std::string> refused = {"Fixed-income tables refused: T" +
                                                std::to_string(k) + " holds no values, T" +
                                                std::to_string(k - 1) + " names 1"};
      EXPECT_EQ(host().shownmessages(), refused);
      continue;
    }
    EXPECT_EQ(result.at(1, 1), 1.0) << "T" << k;
    EXPECT_TRUE(host().shownmessages().empty()) << "T" << k;
    for (int j = 0; j < 11; ++j) {
      const bool emptied = j == k || (k % 2 == 0 && k < 8 && j == k + 1);
      EXPECT_EQ(seen[j], emptied ? 0u : fullsizes[j]) << "T" << k << " hollow, field of T" << j;
    }
  }
  FixedIncome::fixedincomehandlers().erase("HollowProbe");
}

}  // namespace
