// Standard errors of the single-process fronts (--stderr [--blocks B]): the error a call reports
// against the spread of seeded replicates, the blocks' estimate against Black-Scholes (a call on
// the maximum of one asset is a European call), the refusals every front shares, and what the
// tool prints for price, vector, greeks and curve.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "commandline.h"
#include "pricer.h"
#include "runner.h"
#include "splitsimulation.h"
#include "testsupport.h"

namespace {

using testsupport::runkzr;

double normal(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

// T = 1, S = K = 100, sigma = 0.2, r = 0.05, q = 0.02.
constexpr double T = 1, S = 100, K = 100, sigma = 0.2, r = 0.05, q = 0.02;
const double d1 = (std::log(S / K) + (r - q + 0.5 * sigma * sigma) * T) / (sigma * std::sqrt(T));
const double d2 = d1 - sigma * std::sqrt(T);
const double callprice = S * std::exp(-q * T) * normal(d1) - K * std::exp(-r * T) * normal(d2);
const double calldelta = std::exp(-q * T) * normal(d1);
const double callvega = S * std::exp(-q * T) * std::exp(-0.5 * d1 * d1) / std::sqrt(2 * M_PI);

// n, T, S_i, K, sigma_i, rho_ij, r, q_i
const std::string european = "RAINBOWMAXECO 1 1 100 100 0.2 1 0.05 0.02";

pricingcall callof(const std::string& line) { return parsepricingcall(splitwords(line)); }

blockestimate estimate(const std::string& line, int blocks) {
  sensitivities::hostpricer library(testsupport::library());
  return priceblocks(library, planerrors(callof(line), blocks));
}

// 24 runs at seeds 1 to 24, each 1,600 paths in 16 blocks: the reported errors' root mean square
// matches the standard deviation of the 24 estimates within a loose band (the deviation of 24
// replicates is itself off by about 15%), and every estimate and their mean lie within four of
// their errors of the Black-Scholes price.
TEST(StandardError, MatchesTheSpreadOfSeededReplicatesAroundTheClosedForm) {
  constexpr int runs = 24;
  double sum = 0, squares = 0, errors = 0;
  for (int seed = 1; seed <= runs; ++seed) {
    const blockestimate run =
        estimate("price " + european + " --paths 1600 --seed " + std::to_string(seed), 16);
    ASSERT_FALSE(run.refused);
    const double x = run.estimate.values.at(0), e = run.estimate.errors.at(0);
    EXPECT_LT(std::fabs(x - callprice), 4 * e) << seed;
    sum += x;
    squares += x * x;
    errors += e * e;
  }
  const double mean = sum / runs;
  const double spread = std::sqrt((squares - runs * mean * mean) / (runs - 1));
  const double reported = std::sqrt(errors / runs);
  EXPECT_GT(reported / spread, 0.6);
  EXPECT_LT(reported / spread, 1.6);
  EXPECT_LT(std::fabs(mean - callprice), 4 * reported / std::sqrt(runs));
}

// The engine's delta and vega (bump and revalue on common draws) within four of their errors of
// the closed form; the blocks' estimate is not the single call's answer at the same seed.
TEST(StandardError, GreeksInBlocksAroundTheClosedForm) {
  sensitivities::hostpricer library(testsupport::library());
  const errorplan plan = planerrors(callof("price " + european + " --paths 8000 --seed 9"), 32);
  const greeksestimate greeks = greeksinblocks(library, plan, sensitivities::greekselection());
  ASSERT_FALSE(greeks.report.refused);
  ASSERT_EQ(greeks.errors.size(), 1 + greeks.report.sensitivities.size());
  EXPECT_LT(std::fabs(greeks.report.price - callprice), 4 * greeks.errors[0]);
  int checked = 0;
  for (std::size_t k = 0; k < greeks.report.sensitivities.size(); ++k) {
    const sensitivities::sensitivity& s = greeks.report.sensitivities[k];
    const double error = greeks.errors[1 + k];
    EXPECT_GT(error, 0) << sensitivities::nameof(s.which);
    if (s.which == sensitivities::greek::delta) {
      EXPECT_LT(std::fabs(s.value - calldelta), 4 * error);
      ++checked;
    }
    if (s.which == sensitivities::greek::vega) {
      EXPECT_LT(std::fabs(s.value - callvega), 4 * error);
      ++checked;
    }
  }
  EXPECT_EQ(checked, 2);
}

// One block is the call as it stands, to the bit, with an undefined error; so is a count below
// one path. 32 blocks unless told, each with a seed of its own when the call has none.
TEST(StandardError, PlansAndTheirEdges) {
  const std::string call = "price " + european + " --paths 3200 --seed 5";
  sensitivities::hostpricer library(testsupport::library());
  const double single = library.fun(callof(call)).value;
  const blockestimate one = estimate(call, 1);
  EXPECT_EQ(one.estimate.values.at(0), single);
  EXPECT_TRUE(std::isnan(one.estimate.errors.at(0)));
  EXPECT_NE(estimate(call, 32).estimate.values.at(0), single) << "the blocks' mean, not the call";

  std::vector<std::string> words = splitwords(call + " --stderr");
  const errorrequest request = takeerroroptions(words);
  EXPECT_TRUE(request.wanted);
  EXPECT_EQ(errorblocksof(request), errorblocks);
  EXPECT_EQ(errorblocks, 32);
  const errorplan unseeded = planerrors(callof("price " + european + " --paths 3200"), 32);
  EXPECT_EQ(unseeded.split.blocks.size(), 32u);
  EXPECT_GE(unseeded.call.entries[entryoptions][optionseed], 1.0);
  const blockestimate under = estimate("price " + european + " --paths 0.5 --seed 1", 32);
  EXPECT_TRUE(std::isnan(under.estimate.errors.at(0)));
}

TEST(StandardError, RefusesWhatHasNoError) {
  const std::string himalaya = "price HIMALAYAEO 2 1 100 0.2,0.3 1,0.5,0.5,1 0.05 0,0 --seed 4";
  struct testcase {
    std::string line;
    int blocks;
    bool sensitivities;
    const char* says;
  };
  const testcase refused[] = {
      {"price BSECO 1 100 100 0.2 0.05 0.02", 32, false, "not a simulation"},
      {"price BSAPO 1 100 100 0.2 0.05 0.02 --grid 100,50", 32, false, "not a simulation"},
      {"price BINAPO 1 100 100 0.2 0.05 0.02 --steps 50", 32, false, "not a simulation"},
      // A closed form in the simulations' table.
      {"price ASIANGARECO 1 1 100 100 100 0.2 0.05 0.02 --paths 100", 32, false,
       "not a simulation"},
      {"price " + european + " --seed 1", 32, false, "give --paths N"},
      {himalaya + " --paths 1000 --greek delta", 32, false, "--blocks 1"},
      {"vector" + himalaya.substr(5) + " --paths 1000", 32, false, "--blocks 1"},
      {himalaya + " --paths 1000", 32, true, "--blocks 1"},
  };
  for (const testcase& c : refused) {
    try {
      planerrors(callof(c.line), c.blocks, c.sensitivities);
      ADD_FAILURE() << c.line << " was planned";
    } catch (const usageerror& error) {
      EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos) << error.what();
    }
  }
  // HIMALAYAEO's price combines through the inverse of its price; its sensitivities in one block.
  EXPECT_EQ(planerrors(callof(himalaya + " --paths 1000"), 32).split.blocks.size(), 32u);
  EXPECT_EQ(planerrors(callof(himalaya + " --paths 1000 --greek delta"), 1).split.blocks.size(),
            1u);
  for (const char* const mistake : {"--blocks 0", "--blocks 2.5", "--blocks", "--blocks 1e7"}) {
    std::vector<std::string> words = splitwords(std::string("price X 1 --stderr ") + mistake);
    EXPECT_THROW(takeerroroptions(words), usageerror) << mistake;
  }
  EXPECT_THROW(errorblocksof(errorrequest{false, 4}), usageerror) << "--blocks without --stderr";
}

std::vector<std::string> linesof(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

// What a user sees: the estimate, then "stderr" and one error per value; greeks with an error
// column; a curve with an error column after each.
TEST(StandardError, TheToolPrintsTheErrorAfterTheAnswer) {
  const auto price = runkzr("price " + european + " --paths 3200 --seed 5 --stderr");
  ASSERT_EQ(price.status, 0) << price.err;
  const auto lines = linesof(price.out);
  ASSERT_EQ(lines.size(), 2u) << price.out;
  const blockestimate direct = estimate("price " + european + " --paths 3200 --seed 5", 32);
  EXPECT_EQ(lines[0], formatnumber(direct.estimate.values[0]));
  EXPECT_EQ(lines[1], "stderr " + formatnumber(direct.estimate.errors[0]));

  const auto vector = runkzr(
      "vector EVERESTEO 2 1 100 0.2,0.3 1,0.5,0.5,1 0.05 0,0 --greek vega "
      "--paths 3200 --seed 5 --stderr --blocks 8");
  ASSERT_EQ(vector.status, 0) << vector.err;
  double a = 0, b = 0, ea = 0, eb = 0;
  const auto rows = linesof(vector.out);
  ASSERT_EQ(rows.size(), 2u) << vector.out;
  ASSERT_EQ(std::sscanf(rows[0].c_str(), "%lf %lf", &a, &b), 2) << vector.out;
  ASSERT_EQ(std::sscanf(rows[1].c_str(), "stderr %lf %lf", &ea, &eb), 2) << vector.out;
  EXPECT_GT(ea, 0);
  EXPECT_GT(eb, 0);

  const auto greeks = runkzr("greeks " + european + " --paths 3200 --seed 5 --stderr");
  ASSERT_EQ(greeks.status, 0) << greeks.err;
  const auto figures = linesof(greeks.out);
  ASSERT_EQ(figures.size(), 6u) << greeks.out;
  for (const std::string& line : figures)
    EXPECT_NE(line.find(" stderr "), std::string::npos) << line;
  EXPECT_EQ(figures[0].rfind("price ", 0), 0u);

  const auto curve = runkzr(
      "curve ASIANAARECO 1 1 100 100 0.2 0.05 0.02 --vary S=90:110:3 --paths 800 --steps 20 "
      "--seed 5 --stderr --blocks 8 --greek price --greek delta");
  ASSERT_EQ(curve.status, 0) << curve.err;
  const auto table = linesof(curve.out);
  ASSERT_EQ(table.size(), 4u) << curve.out;
  EXPECT_EQ(table[0], "# S price stderr delta stderr");
  double x = 0, v = 0, e = 0;
  ASSERT_EQ(std::sscanf(table[2].c_str(), "%lf %lf %lf", &x, &v, &e), 3);
  EXPECT_EQ(x, 100);
  EXPECT_GT(e, 0);
}

TEST(StandardError, TheToolRefusesWhatHasNoErrorInOneLine) {
  struct mistake {
    std::string arguments, says;
  };
  const mistake mistakes[] = {
      {"price BSECO 1 100 100 0.2 0.05 0.02 --stderr",
       "kzr: BSECO is not a simulation: its answer has no standard error (leave out --stderr)\n"},
      {"greeks BSAPO 1 100 100 0.2 0.05 0.02 --stderr",
       "kzr: BSAPO is not a simulation: its answer has no standard error (leave out --stderr)\n"},
      {"curve BSECO 1 100 0.2 0.05 0.02 --vary S=90:110:3 --stderr",
       "kzr: BSECO is not a simulation: its answer has no standard error (leave out --stderr)\n"},
      {"price " + european + " --stderr",
       "kzr: give --paths N with --stderr: the blocks share the paths\n"},
      {"price " + european + " --paths 100 --blocks 4",
       "kzr: --blocks B goes with --stderr: it sets the blocks of the standard error\n"},
  };
  for (const mistake& m : mistakes) {
    const auto run = runkzr(m.arguments);
    EXPECT_EQ(run.status, 2) << m.arguments;
    EXPECT_EQ(run.err, m.says) << m.arguments;
    EXPECT_EQ(run.out, "") << m.arguments;
  }
  const auto batch = runkzr("batch -", "price " + european + " --paths 100 --stderr\n");
  EXPECT_EQ(batch.status, 2);
  EXPECT_NE(batch.err.find("not taken in a batch line"), std::string::npos) << batch.err;
}

}  // namespace
