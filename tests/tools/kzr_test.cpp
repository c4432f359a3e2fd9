// The kzr tool: its catalogue held against the library's registries, how it reads a call, and
// what a person sees (last line, exit status, batch numbering, refusals on standard error).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <limits>
#include <set>
#include <sstream>

#include "binding/registries.h"
#include "catalogue.h"
#include "closedform/BlackScholes.h"
#include "closedform/EuropeanPower.h"
#include "closedform/EuropeanRainbowTwoAsset.h"
#include "commandline.h"
#include "numerics/messages.h"
#include "numerics/undefined.h"
#include "runner.h"
#include "testsupport.h"

namespace {

using testsupport::lastline;
using testsupport::runkzr;

// The tool's catalogue and the library's registries come from the same code tables; this holds
// the list of tables the tool links against the handlers the library registers.
TEST(Catalogue, MatchesTheLibraryRegistries) {
  initializeregistries();
  std::set<std::string> catalogued;
  for (const catalogueentry& entry : catalogue()) {
    EXPECT_TRUE(catalogued.insert(entry.code).second) << entry.code << " listed twice";
    const auto found = scalarhandlers().find(entry.code);
    ASSERT_NE(found, scalarhandlers().end()) << entry.code << " is catalogued but not served";
    EXPECT_FALSE(entry.description.empty()) << entry.code;
    if (!entry.variable) {
      EXPECT_LE(static_cast<std::int64_t>(entry.inputs.size()), found->second.rowcapacity)
          << entry.code << ": the handler's row table cannot hold the inputs named";
    }
    EXPECT_EQ(entry.vector, vectorhandlers().count(entry.code) == 1) << entry.code;
  }
  for (const auto& registered : scalarhandlers()) {
    if (registered.first.rfind("TEST", 0) == 0) continue;  // handlers other tests add
    EXPECT_EQ(catalogued.count(registered.first), 1u) << registered.first << " not catalogued";
  }
}

TEST(Catalogue, EntriesComeFromCodeRows) {
  const catalogueentry plain = entryof({"ABC", 0, "T, S1, sigma1", "a thing", true});
  EXPECT_EQ(plain.code, "ABC");
  EXPECT_EQ(plain.description, "a thing");
  EXPECT_EQ(plain.inputs, (std::vector<std::string>{"T", "S1", "sigma1"}));
  EXPECT_TRUE(plain.vector);
  EXPECT_FALSE(plain.variable);
  const catalogueentry counted = entryof({"DEF", 1, "n, T, ...", "per-asset rows"});
  EXPECT_TRUE(counted.variable);
  EXPECT_FALSE(counted.vector);
  EXPECT_EQ(counted.inputs, (std::vector<std::string>{"n", "T"}));
}

TEST(CommandLine, RowsArePaddedAndOptionsFillTheirEntries) {
  const pricingcall call = parsepricingcall(
      {"price", "X", "1", "0.2,0.3,0.25", "-4", "--grid", "200,100", "--greek", "vega", "--steps",
       "50", "--mode", "0", "--paths", "1e5", "--precise", "--seed", "42"});
  EXPECT_FALSE(call.vector);
  EXPECT_EQ(call.code, "X");
  ASSERT_EQ(call.rows.size(), 3u);
  EXPECT_EQ(call.rows[1], (std::vector<double>{0.2, 0.3, 0.25}));
  const standin::tensor table = standin::realtable(call.rows);
  EXPECT_EQ(table.dims, (std::vector<hostinteger>{3, 3}));
  EXPECT_EQ(table.reals, (std::vector<double>{1, 0, 0, 0.2, 0.3, 0.25, -4, 0, 0}));
  EXPECT_EQ(call.flags, (std::array<std::int64_t, 6>{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(call.entries[0][0], 0.0);
  EXPECT_EQ(call.entries[1][0], 3.0);
  EXPECT_EQ(call.entries[2], (std::array<double, entryvaluecount>{200, 100}));
  EXPECT_EQ(call.entries[3][0], 1e5);
  EXPECT_EQ(call.entries[4][0], 50.0);
  EXPECT_EQ(call.entries[5], (std::array<double, entryvaluecount>{42, 1}));
  // Each of the two options alone leaves the other value of entry 5 at its default, 0.
  const pricingcall seeded = parsepricingcall({"price", "X", "1", "--seed", "7"});
  EXPECT_EQ(seeded.flags[5], 0);
  EXPECT_EQ(seeded.entries[5], (std::array<double, entryvaluecount>{7, 0}));
  const pricingcall precise = parsepricingcall({"price", "X", "1", "--precise"});
  EXPECT_EQ(precise.flags[5], 0);
  EXPECT_EQ(precise.entries[5], (std::array<double, entryvaluecount>{0, 1}));
  EXPECT_EQ(parsepricingcall({"price", "X", "1"}).flags[5], 1);
  const pricingcall negative = parsepricingcall({"price", "X", "1", "--negative-rates", "2"});
  EXPECT_EQ(negative.flags[5], 0);
  EXPECT_EQ(negative.entries[5][optionnegativerates], 1.0);
  EXPECT_EQ(negative.rows.size(), 2u);  // takes no value: the 2 is a row
  EXPECT_EQ(echoentries(negative), " --negative-rates");
  // Flags without a value, before or after the rows.
  const pricingcall drawn = parsepricingcall({"price", "X", "--sobol", "1", "--control"});
  EXPECT_EQ(drawn.rows.size(), 1u);
  EXPECT_EQ(drawn.entries[5][optionsobol], 1);
  EXPECT_EQ(drawn.entries[5][optioncontrolvariates], 1);
}

// The entries a demo row echoes: each entry given, and each library option given, the ones after
// the numerics by their flags (--sobol, --control at 1) or by position; an options entry left at its default
// echoes nothing even when its row holds values.
TEST(CommandLine, EchoNamesEveryEntryAndOptionGiven) {
  pricingcall call = parsepricingcall({"price", "X", "1", "--grid", "200,100", "--seed", "7"});
  EXPECT_EQ(echoentries(call), " --grid 200,100 --seed 7");
  call.setvalue(5, 1, 1);
  call.setvalue(5, 3, 2.5);
  EXPECT_EQ(echoentries(call), " --grid 200,100 --seed 7 --precise --option 3=2.5");
  call.setvalue(5, 2, 1);
  call.setvalue(5, 3, 1);
  EXPECT_EQ(echoentries(call), " --grid 200,100 --seed 7 --precise --sobol --control");
  call.flags[5] = 1;
  EXPECT_EQ(echoentries(call), " --grid 200,100");
}

TEST(CommandLine, MistakesAreUsageErrors) {
  const std::vector<std::vector<std::string>> mistakes = {
      {"price"},
      {"price", "BSECO"},
      {"price", "BSECO", "1", "abc"},
      {"price", "BSECO", "1", "1,,2"},
      {"price", "BSECO", "1", "2,"},
      {"price", "BSECO", "1", "--greek", "speed"},
      {"price", "BSECO", "1", "--greek", "6"},
      {"price", "BSECO", "1", "--grid", "100"},
      {"price", "BSECO", "1", "--steps"},
      {"price", "BSECO", "1", "--colour", "red"},
      {"price", "BSECO", "1", "1e999"},
      {"price", "BSECO", "1", "--seed"},
      {"price", "BSECO", "1", "--seed", "x"},
  };
  for (const auto& words : mistakes) {
    std::string line;
    for (const auto& word : words) line += word + " ";
    EXPECT_THROW(parsepricingcall(words), usageerror) << line;
  }
  EXPECT_TRUE(std::isnan(parsenumber("nan")));
  EXPECT_TRUE(std::isinf(parsenumber("-inf")));
}

TEST(Output, NumbersAndLineStarts) {
  EXPECT_EQ(formatnumber(0.1), "0.10000000000000001");
  EXPECT_EQ(formatnumber(std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(formatnumber(undefinedvalue()), "nan");
  // A NaN with its sign bit set prints as "nan" too, in every format the tool uses.
  const double negativenan = -std::numeric_limits<double>::quiet_NaN();
  ASSERT_TRUE(std::signbit(negativenan));
  for (const char* format : {"%.17g", "%g", "%.6f", "%04.0f"})
    EXPECT_EQ(formatnumber(negativenan, format), "nan") << format;
  EXPECT_EQ(formatnumber(-std::numeric_limits<double>::infinity()), "-inf");
  EXPECT_EQ(formatnumber(2024, "%04.0f"), "2024");
  trackstandardoutput();
  testing::internal::CaptureStdout();
  std::cout << "Singular matrix" << std::flush;  // a message without its line end
  startline();
  std::cout << "1.5\n";
  startline();  // already at a line start: nothing added
  std::cout << std::flush;
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Singular matrix\n1.5\n");
}

TEST(Tool, PricePrintsTheValueOnTheLastLine) {
  const auto run = runkzr("price BSECO 1 100 100 0.2 0.05 0.02");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(lastline(run.out),
            formatnumber(BlackScholes::blackscholescall(1, 100, 100, 0.2, 0.05, 0.02)));
}

// One table shape serves a family: POWERECO reads seven rows and ignores the eighth, which the
// capped codes read. --precise fills the library options and picks the precise bivariate normal.
TEST(Tool, FamilyTableShapesAndThePreciseOption) {
  const auto power = runkzr("price POWERECO 1 100 100 0.2 0.05 0.02 1 5");
  EXPECT_EQ(power.status, 0);
  EXPECT_EQ(power.out,
            formatnumber(EuropeanPower::powercall(1, 100, 100, 0.2, 0.05, 0.02, 1)) + "\n");
  const std::string rainbow = "price RAINBOWMAX2ECO 0.5 100 105 0.11 0.16 0.63 0.05 0.06 0.09 98";
  using EuropeanRainbowTwoAsset::rainbowcallmax;
  EXPECT_EQ(lastline(runkzr(rainbow + " --precise").out),
            formatnumber(rainbowcallmax(0.5, 100, 105, 0.11, 0.16, 0.63, 0.05, 0.06, 0.09, 98,
                                        bivariatemethod::precise)));
  EXPECT_EQ(lastline(runkzr(rainbow + " --seed 42").out),
            formatnumber(rainbowcallmax(0.5, 100, 105, 0.11, 0.16, 0.63, 0.05, 0.06, 0.09, 98,
                                        bivariatemethod::drezner)));
}

TEST(Tool, AnUndefinedValueIsStillAnAnswer) {
  const auto run = runkzr("price BSECO 1 100 100 0 0.05 0.02");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "nan\n");
}

TEST(Tool, EveryNaNPrintsAsNan) {
  // Calls whose NaN comes back with its sign bit set, which C prints as "-nan".
  const char* calls[] = {"price BSECO 1 -nan 100 0.2 0.05 0.02",
                         "price BSAPO 0.79 82.3 4.43 1.7976931348623157e308 0.84 0.089"};
  for (const char* call : calls) {
    const auto run = runkzr(call);
    EXPECT_EQ(run.status, 0) << call;
    EXPECT_EQ(lastline(run.out), "nan") << call;
    const auto batch = runkzr("batch -", std::string(call) + "\n");
    EXPECT_EQ(lastline(batch.out), "1: nan") << call;
  }
}

TEST(Tool, RefusalsAndMistakesExitTwoWithOneLineOnStandardError) {
  const char* commands[] = {"price bseco 1 100 100 0.2 0.05 0.02",
                            "price 'BSECO ' 1 100 100 0.2 0.05 0.02",
                            "vector BSECO 1 100 100 0.2 0.05 0.02",
                            "price BSECO 1 x",
                            "frobnicate",
                            "",
                            "batch",
                            "batch /nonexistent/file"};
  for (const char* command : commands) {
    const auto run = runkzr(command);
    EXPECT_EQ(run.status, 2) << command;
    EXPECT_EQ(run.err.rfind("kzr: ", 0), 0u) << command << ": " << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << command << ": " << run.err;
  }
  EXPECT_NE(runkzr("price bseco 1").err.find("unknown code 'bseco'"), std::string::npos);
}

TEST(Tool, BatchNumbersResultsByInputLine) {
  const std::string input =
      "# a comment\n"
      "price BSECO 1 100 100 0.2 0.05 0.02\n"
      "\n"
      "price BSEPO 1 100 100 0.2 0.05 0.02\n"
      "price NOSUCH 1\n"
      "price COCEO 0.1 0.25 125.0 90.0 3.0 0.12 0.08 0.0   # q = 0: undefined\n";
  const auto run = runkzr("batch -", input);
  const std::string call =
      formatnumber(BlackScholes::blackscholescall(1, 100, 100, 0.2, 0.05, 0.02));
  const std::string put = formatnumber(BlackScholes::blackscholesput(1, 100, 100, 0.2, 0.05, 0.02));
  // The library's own messages carry the number of the line that made them.
  EXPECT_EQ(run.out, "2: " + call + "\n4: " + put + "\n5: Unknown contract code: NOSUCH\n6: " +
                         messages::valueundefined + "\n6: nan\n");
  EXPECT_EQ(run.err.rfind("kzr: line 5: ", 0), 0u) << run.err;
  EXPECT_EQ(run.status, 2);  // a line was refused; the others still ran
}

// A script reads a batch's output line by line: every line it writes starts with its number, a
// fixed-income message on standard error too, and mistakes exit 2 as an unknown code does.
TEST(Tool, BatchTiesEveryLineToItsNumber) {
  const auto run = runkzr("batch -",
                          "fi NoSuchFunction\n"
                          "fi DayCount --date StartDate=2024-01-01 --date EndDate=2024-07-01 "
                          "--text DayCounter=Actual360 --number Oops=1  # a key it does not take\n"
                          "greeks BSECO 1 100 100 0.2 0.05 0.02 --only delta # comment\n");
  EXPECT_EQ(run.status, 2);
  std::stringstream out(run.out), err(run.err);
  std::vector<std::string> numbers;
  for (std::string line; std::getline(out, line);) numbers.push_back(line.substr(0, 3));
  EXPECT_EQ(numbers, (std::vector<std::string>{"2: ", "2: ", "3: ", "3: "})) << run.out;
  std::string line;
  ASSERT_TRUE(std::getline(err, line));
  EXPECT_EQ(line.rfind(std::string("kzr: line 1: ") + messages::fixedincomeunknownname, 0), 0u)
      << run.err;
  while (std::getline(err, line)) EXPECT_EQ(line.rfind("kzr: line 2: ", 0), 0u) << run.err;
  EXPECT_NE(run.out.find("2: scalar nan"), std::string::npos) << run.out;
  EXPECT_EQ(runkzr("fi NoSuchFunction").status, 2);  // it used to answer "status 0" and exit 0
}

TEST(Tool, AVectorOfACodeWithoutOneAsksNothingOfTheLibrary) {
  const auto run = runkzr("vector BSECO 1 100 100 0.2 0.05 0.02");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");  // the library's "Unknown contract code" came here before
  EXPECT_EQ(run.err, "kzr: BSECO has no vector form (use kzr price)\n");
}

// Progress goes to standard error, only on a terminal or when asked for, and leaves the results
// as they are.
TEST(Tool, BatchShowsProgressOnlyWhenAsked) {
  const std::string input =
      "price BSECO 1 100 100 0.2 0.05 0.02\nprice BSEPO 1 100 100 0.2 0.05 0.02\n";
  char name[] = "/tmp/kzrbatchXXXXXX";
  const int descriptor = mkstemp(name);
  ASSERT_GE(descriptor, 0);
  close(descriptor);
  std::ofstream(name) << input;
  const auto quiet = runkzr(std::string("batch ") + name);
  const auto shown = runkzr(std::string("batch --progress ") + name);
  std::remove(name);
  EXPECT_EQ(quiet.err, "");
  EXPECT_EQ(shown.out, quiet.out);
  EXPECT_NE(shown.err.find("kzr: 2 of 2 lines"), std::string::npos) << shown.err;
  EXPECT_EQ(shown.err.substr(shown.err.size() - 4), "\r\033[K") << "erased at the end";
  EXPECT_EQ(runkzr("batch --progress -", input).out, quiet.out);
}

// Mode 0 across the lines of one batch: the simulation's cache and the grid's are kept apart, a
// sensitivity of the cached contract at the same seed comes from the cached draws, a price within
// 0.0001 of it is the kept price, and another contract, another seed or a mode-1 call draws
// afresh.
TEST(Tool, BatchKeepsTheSimulationCacheBesideTheGrids) {
  const std::string market = " 1 0.2,0.3,0.25 1,0.5,0.2,0.5,1,0.3,0.2,0.3,1 0.05 0.01,0.02,0";
  const std::string everest =
      "EVERESTEO 3" + market.substr(0, 2) + " 100" + market.substr(2) + " --paths 2000";
  const std::string other =
      "EVERESTEO 3" + market.substr(0, 2) + " 101" + market.substr(2) + " --paths 2000";
  const std::string neighbour =
      "EVERESTEO 3" + market.substr(0, 2) + " 100.00005" + market.substr(2) + " --paths 2000";
  const std::string grid = "price BSAPO 1 100 100 0.2 0.05 0.02";
  const auto run =
      runkzr("batch -", "price " + everest + " --mode 0 --seed 7\n" + grid + " --mode 0\n" +
                            "vector " + everest + " --mode 0 --seed 7 --greek vega\n" + "price " +
                            neighbour + " --mode 0 --seed 7\n" + "price " + other +
                            " --mode 0 --seed 8\n" + grid + " --mode 0\n" + "price " + everest +
                            " --mode 1 --seed 8\n" + "price " + everest + " --mode 0 --seed 9\n");
  const auto fresh =
      runkzr("batch -", "price " + everest + " --seed 7\n" + grid + "\n" + "vector " + everest +
                            " --seed 7 --greek vega\n" + "price " + everest + " --seed 7\n" +
                            "price " + other + " --seed 8\n" + grid + "\n" + "price " + everest +
                            " --seed 8\n" + "price " + everest + " --seed 9\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, fresh.out);
  EXPECT_NE(lastline(fresh.out).substr(3), fresh.out.substr(3, fresh.out.find('\n') - 3));
}

// Under --negative-rates a counted code of a family kept out of the option refuses a negative
// per-asset yield or rate with one line naming the row; without it the design's refusal stays.
TEST(Tool, NegativeRatesRefusedNamingTheRowOfACountedCode) {
  const std::string atlas =
      "price ATLASEO 3 2.0 100.0 100 0.3,0.2,0.2 1.0,0.3,0.3,0.3,1.0,0.3,0.3,0.3,1.0 ";
  const std::string seeded = " --paths 500 --seed 742";
  EXPECT_EQ(runkzr(atlas + "0.05 0.02,-0.02,0.02" + seeded + " --negative-rates").out,
            "Negative input refused by this code, value undefined: q_i\nnan\n");
  EXPECT_EQ(runkzr(atlas + "-0.05 0.02,0.02,0.02" + seeded + " --negative-rates").out,
            "Negative input refused by this code, value undefined: r\nnan\n");
  EXPECT_EQ(runkzr(atlas + "0.05 0.02,-0.02,0.02" + seeded).out,
            "Input data error, value undefined\nnan\n");
}

TEST(Tool, CodesAndDemo) {
  const auto codes = runkzr("codes");
  EXPECT_EQ(codes.status, 0);
  for (const catalogueentry& entry : catalogue())
    EXPECT_NE(codes.out.find(entry.code), std::string::npos) << entry.code;
  EXPECT_NE(codes.out.find("T, S, K, sigma, r, q"), std::string::npos);
  // Every description ends at least two spaces before its inputs start (four ran into them).
  const std::string table = "\n" + codes.out;
  for (const catalogueentry& entry : catalogue()) {
    const auto at = table.find("\n" + entry.code + " ");
    ASSERT_NE(at, std::string::npos) << entry.code;
    const auto end = table.find(entry.description, at) + entry.description.size();
    EXPECT_EQ(table.substr(end, 2), "  ") << entry.code;
  }
  EXPECT_NE(codes.out.find("--precise"), std::string::npos);
  EXPECT_NE(codes.out.find("--seed N"), std::string::npos);
  EXPECT_NE(runkzr("--help").out.find("--precise"), std::string::npos);
  EXPECT_NE(runkzr("--help").out.find("--negative-rates"), std::string::npos);

  const auto demo = runkzr("demo");
  EXPECT_EQ(demo.status, 0);
  EXPECT_EQ(demo.err, "");
  EXPECT_NE(demo.out.find("Code"), std::string::npos);
  EXPECT_NE(demo.out.find("BSECO"), std::string::npos);
  EXPECT_NE(demo.out.find("EVERESTEO"), std::string::npos);
  EXPECT_NE(demo.out.find("fixed seed"), std::string::npos);
  EXPECT_EQ(runkzr("demo").out, demo.out) << "the simulation repeats itself";
  EXPECT_EQ(demo.out.find("refused"), std::string::npos);
  EXPECT_EQ(demo.out.find("nan"), std::string::npos);
}

}  // namespace
