// kzr greeks and kzr solve as a user runs them: the lines printed, the exit statuses, the batch
// lines, and the mistakes refused before any call.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "commandline.h"
#include "testsupport.h"

namespace {

using testsupport::lastline;
using testsupport::runkzr;

// The value printed after a label ("delta S"), as a number; NaN when the label is absent.
double printed(const std::string& out, const std::string& label) {
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(label + " ", 0) != 0) continue;
    std::istringstream rest(line.substr(label.size()));
    std::string value;
    rest >> value;
    if (!rest.fail()) return value == "-" ? -1e300 : parsenumber(value);
  }
  return std::nan("");
}

double N(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

// BSECO at T = 1, S = K = 100, sigma 0.2, r 0.05, q 0.02: the Black-Scholes price and delta;
// the targets of the solves below are its price and the put's by parity (9.2270055081540,
// 6.3300806275499).
TEST(GreeksCommand, PrintsEachGreekOnItsLine) {
  const auto run = runkzr("greeks BSECO 1 100 100 0.2 0.05 0.02");
  ASSERT_EQ(run.status, 0) << run.err;
  const double d1 = (std::log(1.0) + 0.05 - 0.02 + 0.02) / 0.2, d2 = d1 - 0.2;
  const double price = 100 * std::exp(-0.02) * N(d1) - 100 * std::exp(-0.05) * N(d2);
  EXPECT_NEAR(printed(run.out, "price"), price, 1e-12);
  EXPECT_NEAR(printed(run.out, "delta S"), std::exp(-0.02) * N(d1), 1e-7);
  for (const char* label : {"gamma S", "vega sigma", "theta", "rho r"})
    EXPECT_TRUE(std::isfinite(printed(run.out, label))) << label << "\n" << run.out;
  // A code without a spot prints "-" for delta and gamma.
  const auto critical = runkzr("greeks BSAPOCrit 1 100 0.2 0.05 0.02");
  EXPECT_EQ(printed(critical.out, "delta"), -1e300) << critical.out;
  // --only asks for some.
  const auto only = runkzr("greeks BSECO 1 100 100 0.2 0.05 0.02 --only delta,rho");
  EXPECT_TRUE(std::isfinite(printed(only.out, "rho r"))) << only.out;
  EXPECT_TRUE(std::isnan(printed(only.out, "vega sigma"))) << only.out;
}

// An implied volatility, and the three ways of finding none: exit 3 and the reason.
TEST(GreeksCommand, SolveAnswersOrSaysWhyNot) {
  const std::string call = "solve BSECO 1 100 100 0.2 0.05 0.02 ";
  const auto found = runkzr(call + "--target 9.227005508154036 --for sigma");
  ASSERT_EQ(found.status, 0) << found.err;
  EXPECT_NEAR(parsenumber(lastline(found.out)), 0.2, 1e-10);
  struct failing {
    const char* options;
    int status;
    const char* message;
  };
  const failing failures[] = {
      {"--target 200 --for sigma", 3, "the price 200 is outside the range BSECO attains"},
      {"--target 9 --for sigma --bracket 0.5,1", 3, "no sigma in [0.5, 1] gives BSECO"},
      {"--target 1 --for r --bracket -0.5,0.5", 3, "BSECO answers undefined for r = -0.5"},
      {"--target 9 --for rho", 2, "BSECO has no input rho"},
      {"--for sigma", 2, "solve needs --target PRICE"},
      {"--target 9", 2, "solve needs --for NAME"},
      {"--target 9 --for sigma --bracket 1,0.5", 2, "--bracket takes two finite ends"},
      {"--target 9 --for sigma --mode 1", 2, "--mode is not taken"},
  };
  for (const failing& f : failures) {
    const auto run = runkzr(call + f.options);
    EXPECT_EQ(run.status, f.status) << f.options;
    EXPECT_NE(run.err.find(f.message), std::string::npos) << f.options << ": " << run.err;
    EXPECT_EQ(run.out, "") << f.options;
  }
}

// greeks and solve lines in a batch carry their line numbers; a failing line sets the status.
TEST(GreeksCommand, BatchLines) {
  const auto run = runkzr("batch -",
                          "greeks BSECO 1 100 100 0.2 0.05 0.02 --only delta\n"
                          "solve BSECO 1 100 100 0.2 0.05 0.02 --target 200 --for sigma\n"
                          "solve BSEPO 1 100 100 0.3 0.05 0.02 --target 6.330080627549918 "
                          "--for sigma\n");
  EXPECT_EQ(run.status, 3);
  EXPECT_NE(run.out.find("1: price"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("1: delta S"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("line 2: the price 200 is outside"), std::string::npos) << run.err;
  const std::string last = lastline(run.out);
  ASSERT_EQ(last.rfind("3: ", 0), 0u) << run.out;
  EXPECT_NEAR(parsenumber(last.substr(3)), 0.2, 1e-10);
}

// --greek never prints a price under a greek's name: for a code whose engine computes no
// sensitivity, price, curve and batch lines print kzr greeks' figure (theta one day's change),
// here against the Black-Scholes greeks of BSECO (fun alone would print the price 9.227 for
// each); a code without an input of the kind is a usage error.
TEST(GreeksCommand, GreekOfAClosedFormIsItsSensitivityInEveryCommand) {
  const double T = 1, S = 100, K = 100, sigma = 0.2, r = 0.05, q = 0.02;
  auto call = [&](double t) {
    if (t <= 0) return std::fmax(S - K, 0.0);
    const double d1 = (std::log(S / K) + (r - q + sigma * sigma / 2) * t) / (sigma * std::sqrt(t));
    return S * std::exp(-q * t) * N(d1) - K * std::exp(-r * t) * N(d1 - sigma * std::sqrt(t));
  };
  const double d1 = (r - q + sigma * sigma / 2) / sigma;
  const double density = std::exp(-d1 * d1 / 2) / std::sqrt(2 * M_PI);
  struct row {
    const char* greek;
    double expected, tolerance;
  };
  const row rows[] = {
      {"delta", std::exp(-q) * N(d1), 1e-8},
      {"gamma", std::exp(-q) * density / (S * sigma), 1e-6},
      {"vega", S * std::exp(-q) * density, 1e-5},
      {"theta", call(T - 1.0 / 365) - call(T), 1e-10},  // one day's change
      {"rho", K * std::exp(-r) * N(d1 - sigma), 1e-5},
  };
  const auto price = runkzr("price BSECO 1 100 100 0.2 0.05 0.02 --greek delta");
  ASSERT_EQ(price.status, 0) << price.err;
  EXPECT_NEAR(parsenumber(lastline(price.out)), rows[0].expected, rows[0].tolerance);
  std::string batch;
  for (const row& g : rows)
    batch += std::string("price BSECO 1 100 100 0.2 0.05 0.02 --greek ") + g.greek + "\n";
  const auto lines = runkzr("batch -", batch + "price BSAPOCrit 1 100 0.2 0.05 0.02 --greek delta\n");
  EXPECT_EQ(lines.status, 2);
  EXPECT_EQ(lines.err, "kzr: line 6: BSAPOCrit has no spot (S, S1, F, E) input, so no delta\n");
  std::istringstream answers(lines.out);
  std::string line;
  for (const row& g : rows) {
    ASSERT_TRUE(std::getline(answers, line));
    EXPECT_NEAR(parsenumber(line.substr(line.find(": ") + 2)), g.expected, g.tolerance) << g.greek;
  }
  EXPECT_FALSE(std::getline(answers, line)) << line;
  // A curve's delta column: e^(-q) N(d1) at each spot.
  const auto curve = runkzr("curve BSECO 1 100 0.2 0.05 0.02 --vary S=80:120:3 --greek delta");
  ASSERT_EQ(curve.status, 0) << curve.err;
  std::istringstream table(curve.out);
  ASSERT_TRUE(std::getline(table, line));
  EXPECT_EQ(line, "# S delta");
  for (const double spot : {80.0, 100.0, 120.0}) {
    ASSERT_TRUE(std::getline(table, line));
    std::istringstream values(line);
    double x = 0, delta = 0;
    values >> x >> delta;
    const double d = (std::log(spot / K) + (r - q + sigma * sigma / 2)) / sigma;
    EXPECT_NEAR(delta, std::exp(-q) * N(d), 1e-7) << spot;
  }
}

}  // namespace
