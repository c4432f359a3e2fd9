// kzr fi: the command line builds the tables, prints the result readably or as the raw table,
// sends the library's messages to standard error, and works inside batches.
#include <gtest/gtest.h>

#include "commandline.h"
#include "fixedincomecommand.h"
#include "testsupport.h"

namespace {

using testsupport::runkzr;

TEST(kzrfi, printsstatusscalarvaluesanddatedvalues) {
  auto run = runkzr(
      "fi DayCount --date StartDate=2024-01-01 --date EndDate=2024-07-01 "
      "--text DayCounter=Actual360");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "status 1\nscalar 182\n");
  EXPECT_EQ(run.err, "");

  run = runkzr(
      "fi CalendarUtilities --text Calendar=TARGET --text Operation=HolidayList "
      "--date StartDate=2024-03-01 --date EndDate=2024-05-31");
  EXPECT_EQ(run.out,
            "status 1\nscalar 3\ndated 2024-03-29 1\ndated 2024-04-01 1\ndated 2024-05-01 1\n");

  // --table: the seven rows, 17 significant digits.
  run = runkzr(
      "fi YearFraction --date StartDate=2003-11-01 --date EndDate=2004-05-01 "
      "--text DayCounter=ActualActualISDA --table");
  EXPECT_EQ(run.out, "1\n0.49772438056740775\n0\n0\n0\n0\n0\n");
}

TEST(kzrfi, librarymessagesgotostandarderrorandstillexitzero) {
  auto run = runkzr(
      "fi DayCount --date StartDate=2019-02-29 --date EndDate=2024-07-01 "
      "--text DayCounter=Actual360");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "kzr: day outside month (2) day-range [1,28]\n");
  EXPECT_EQ(run.out.substr(0, 9), "status 0\n");

  run = runkzr("fi Swaption");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "kzr: Swaption: the text \"Curve\" is missing\n");
}

TEST(kzrfi, batchlinesarenumbered) {
  const auto run =
      runkzr("batch -",
             "fi DayCount --date StartDate=2024-01-01 --date EndDate=2024-01-31 "
             "--text DayCounter=Actual365Fixed\n"
             "# a comment\n"
             "fi FixedBond --date IssueDate=2020-01-15 --date MaturityDate=2040-01-15 "
             "--date SettlementDate=2020-01-15 --number Coupon=0.09 --number Yield=0.06 --table\n"
             "fi DayCount --date StartDate=2024-01-01\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("1: status 1\n1: scalar 30\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("3: 1 0 0 "), std::string::npos) << "the status row of line 3";
  EXPECT_NE(run.out.find("4: status 0\n"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("kzr: line 4: DayCount: the text \"DayCounter\" is missing\n"),
            std::string::npos)
      << run.err;
}

// One refused call of each function in a batch: each line answers status 0 and each message names
// its function and key; a curve built on the way is used by the lines after it.
TEST(kzrfi, everyfunctionrefusesbadinputinabatch) {
  const std::string curve =
      "fi Curve --text Name=C --date SettlementDate=2024-01-15 --text Index=Euribor6M "
      "--text Instruments=Deposit,Swap --text Tenors=6M,5Y --list Quotes=0.039,0.028\n";
  const std::pair<const char*, const char*> lines[] = {
      {"fi Curve --date SettlementDate=2024-01-15 --text Instruments=Swap",
       "kzr: Curve: the text \"Tenors\" is missing"},
      {"fi CurveValue --text Curve=C --text Dates=1Y,soon",
       "kzr: CurveValue: the text \"Dates\" must list dates (YYYY-MM-DD) or periods such "
       "as 6M or 2Y; \"soon\" is neither"},
      {"fi InterestSwap --text Curve=D --text Tenor=5Y",
       "kzr: InterestSwap: the text \"Curve\" names no kept curve: \"D\" (the kept "
       "curves are: C)"},
      {"fi CapFloor --text Curve=C --text Tenor=2Y",
       "kzr: CapFloor: the number \"Volatility\" is missing"},
      {"fi Swaption --text Curve=C --text Expiry=1Y --text Tenor=5Y --number Volatility=-0.2",
       "kzr: Swaption: the number \"Volatility\" must be positive"},
      {"fi CalibrateModel --text Curve=C --text Expiries=1Y --text Tenors=4Y",
       "kzr: CalibrateModel: the list \"Volatilities\" is missing"},
      {"fi CreditSwap --text Curve=C --text Tenor=5Y --number HazardRate=0.01",
       "kzr: CreditSwap: the number \"Spread\" is missing"},
      {"fi BondOption --text Curve=C --date IssueDate=2024-01-15 --date MaturityDate=2030-01-15 "
       "--number Coupon=0.04 --number Sigma=0.01",
       "kzr: BondOption: the number \"MeanReversion\" is missing"},
  };
  std::string batch = "# build, then refuse\n" + curve;
  for (const auto& line : lines) batch += std::string(line.first) + "\n";
  const auto run = runkzr("batch -", batch);
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("2: status 1\n"), std::string::npos) << run.out;
  for (int number = 3; number <= 10; ++number)
    EXPECT_NE(run.out.find(std::to_string(number) + ": status 0\n"), std::string::npos) << number;
  std::string expected;  // each message with its line's number
  int number = 3;
  for (const auto& line : lines)
    expected += "kzr: line " + std::to_string(number++) + ": " + (line.second + 5) + "\n";
  EXPECT_EQ(run.err, expected);
}

TEST(kzrfi, commandlinemistakesareusageerrors) {
  const char* mistakes[] = {
      "fi",
      "fi --table",
      "fi DayCount --date StartDate",
      "fi DayCount --date StartDate=2024/01/01",
      "fi DayCount --number Coupon=abc",
      "fi DayCount --colour blue",
      "fi DayCount --text",
  };
  for (const char* words : mistakes) {
    std::vector<std::string> split = splitwords(words);
    EXPECT_THROW(parsefixedincomecall(split), usageerror) << words;
  }
  const auto run = runkzr("fi DayCount --date StartDate=2024/01/01");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err.rfind("kzr: --date StartDate takes a date YYYY-MM-DD", 0), 0u) << run.err;
}

TEST(kzrfi, listsandseriesreachthetables) {
  const fixedincomecall call = parsefixedincomecall(splitwords(
      "fi Curve --list Tenors=1,2,5 --list Empty= --series8 2,2020,6,30,0.05 --table10 3,4"));
  ASSERT_EQ(call.lists.size(), 2u);
  EXPECT_EQ(call.lists[0].second, (std::vector<double>{1, 2, 5}));
  EXPECT_TRUE(call.lists[1].second.empty());
  EXPECT_EQ(call.series8, (std::vector<std::vector<double>>{{2, 2020, 6, 30, 0.05}}));
  EXPECT_EQ(call.table10, (std::vector<std::vector<double>>{{3, 4}}));
}

}  // namespace
