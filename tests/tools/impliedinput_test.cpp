// Implied inputs (tools/sensitivities/impliedinput.h): the implied volatility
// of BSECO and BSEPO against QuantLib's blackFormulaImpliedStdDev, round trips
// solve(price(x)) = x over the demo portfolio (one contract or more of every
// family), the messages when no root can be found, and Brent's method on
// functions whose roots are known.
#include "impliedinput.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <ql/pricingengines/blackformula.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "brent.h"
#include "catalogue.h"
#include "commandline.h"
#include "onecolumn.h"
#include "testsupport.h"

namespace {

using namespace sensitivities;

const double nan = std::numeric_limits<double>::quiet_NaN();

solveresult solve(const pricingcall& call, const std::string& input, double target,
                  std::optional<bracket> within = std::nullopt) {
  hostpricer calls(testsupport::library());
  return solvefor(calls, call, solverequest{input, target, within});
}

double priceof(const pricingcall& call) {
  hostpricer calls(testsupport::library());
  const quietcalls quiet(calls);  // the moves may leave the range a tree takes
  pricingcall fresh = call;
  fresh.set(entrymode, 1);
  return calls.fun(fresh).value;
}

// Targets from Black's formula written here; the implied standard deviation of
// QuantLib's solver, divided by sqrt(T), is the volatility both should find.
TEST(ImpliedInput, VolatilityAgainstQuantLibImpliedStdDev) {
  struct quote {
    double T, S, K, sigma, r, q;
  };
  const quote quotes[] = {{1.0, 100, 100, 0.2, 0.05, 0.02},
                          {0.25, 90, 100, 0.45, 0.01, 0.0},
                          {2.0, 120, 100, 0.12, 0.08, 0.04},
                          {5.0, 50, 80, 0.6, 0.02, 0.01},
                          {0.1, 100, 103, 0.3, 0.03, 0.0}};
  for (const quote& c : quotes) {
    for (const bool call : {true, false}) {
      const QuantLib::Option::Type side = call ? QuantLib::Option::Call : QuantLib::Option::Put;
      const double forward = c.S * std::exp((c.r - c.q) * c.T), discount = std::exp(-c.r * c.T);
      const double target =
          QuantLib::blackFormula(side, c.K, forward, c.sigma * std::sqrt(c.T), discount);
      const double quantlib =
          QuantLib::blackFormulaImpliedStdDev(side, c.K, forward, target, discount, 0.0,
                                              QuantLib::Null<QuantLib::Real>(), 1e-14, 200) /
          std::sqrt(c.T);
      const solveresult found = solve(
          contract(call ? "BSECO" : "BSEPO", {c.T, c.S, c.K, 0.3, c.r, c.q}), "sigma", target);
      const std::string what = std::string(call ? "call" : "put") + " sigma " +
                               std::to_string(c.sigma) + " T " + std::to_string(c.T);
      ASSERT_EQ(found.outcome, solveoutcome::found) << what << ": " << found.message;
      EXPECT_NEAR(found.value, quantlib, 1e-9) << what;
      EXPECT_NEAR(found.value, c.sigma, 1e-9) << what;
    }
  }
}

// Whitespace-separated words of a line.
std::vector<std::string> wordsof(const std::string& line) {
  std::istringstream stream(line);
  std::vector<std::string> words;
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}

// Every price line of the demo portfolio: its price is the target; one input (a
// volatility first, else a spot, a rate, any other) whose price at 0.9 and 1.1
// of its value lies on two sides of the target is solved for from rows where it
// stands at 1.05 of its value, in [0.9 x, 1.1 x] (where the price is monotone,
// so the root is x again) and, for a volatility or a rate, in the role's own
// bracket too (where another root may lie: the price must match).
TEST(ImpliedInput, RoundTripsOverTheDemoPortfolio) {
  std::istringstream demo(demoportfolio());
  int solved = 0;
  for (std::string line; std::getline(demo, line);) {
    const std::vector<std::string> words = wordsof(line);
    if (words.empty() || words[0] != "price") continue;
    // Lines with finer grids, trees or more paths repeat a code of the portfolio: skipped, so
    // that the sanitizer build stays quick.
    if (line.find(" --") != std::string::npos) continue;
    const pricingcall call = parsepricingcall(words);
    const catalogueentry* entry = findentry(call.code);
    ASSERT_NE(entry, nullptr) << line;
    const std::vector<placedinput> inputs = placedinputs(*entry, call.rows);
    const double target = priceof(call);
    const double tolerance = 1e-9 * std::fmax(1.0, std::fabs(target));
    ASSERT_TRUE(std::isfinite(target)) << line;
    auto movedprice = [&](const placedinput& input, double x) {
      pricingcall moved = call;
      setvalue(moved.rows, input.at, x);
      return priceof(moved);
    };
    const placedinput* chosen = nullptr;
    for (const inputrole role :
         {inputrole::volatility, inputrole::spot, inputrole::rate, inputrole::other}) {
      for (const placedinput& input : inputs) {
        if (chosen != nullptr || input.role != role || input.name == "n") continue;
        const double x = valueat(call.rows, input.at);
        const double down = movedprice(input, 0.9 * x), up = movedprice(input, 1.1 * x);
        if (x > 0 && std::fabs(down - target) > 1e-4 && std::fabs(up - target) > 1e-4 &&
            (down < target) != (up < target)) {
          chosen = &input;
        }
      }
    }
    ASSERT_NE(chosen, nullptr) << line;
    const double x = valueat(call.rows, chosen->at);
    pricingcall start = call;
    setvalue(start.rows, chosen->at, 1.05 * x);
    const solveresult near = solve(start, chosen->name, target, bracket{0.9 * x, 1.1 * x});
    ASSERT_EQ(near.outcome, solveoutcome::found) << line << ": " << near.message;
    EXPECT_NEAR(movedprice(*chosen, near.value), target, tolerance) << line << " " << chosen->name;
    // The critical prices of a grid or a tree are steps and saw teeth in the inputs: any value
    // on the target's step is a root, so the price alone is checked there.
    const bool critical =
        call.code.size() > 4 && call.code.compare(call.code.size() - 4, 4, "Crit") == 0;
    if (!critical) {
      EXPECT_NEAR(near.value, x, 1e-6 * x) << line << " in " << chosen->name;
    }
    ++solved;
    // The role's bracket, where the prices at its ends lie on two sides of the target (a target
    // near the least price of a code not monotone in the input can fall between the points the
    // search samples: RAINBOWBEST2EO in sigma1).
    if (chosen->role != inputrole::volatility && chosen->role != inputrole::rate) continue;
    const std::optional<bracket> role = rolebracket(chosen->role, chosen->name, x);
    if ((movedprice(*chosen, role->low) < target) == (movedprice(*chosen, role->high) < target))
      continue;
    const solveresult wide = solve(start, chosen->name, target);
    ASSERT_EQ(wide.outcome, solveoutcome::found) << line << ": " << wide.message;
    // A grid's layout moves with the volatility, so its price can jump across the target; a
    // root there is a point where the price steps over the target from one side to the other.
    const double step = 1e-9 * std::fabs(wide.value);
    const bool steps = (movedprice(*chosen, wide.value - step) < target) !=
                       (movedprice(*chosen, wide.value + step) < target);
    if (!steps) {
      EXPECT_NEAR(movedprice(*chosen, wide.value), target, tolerance)
          << line << " " << chosen->name;
    }
  }
  EXPECT_GE(solved, 25);  // the portfolio was read
}

// The messages when no root can be found: the target beyond what the role's
// bracket attains (a call worth more than its spot), no root in the caller's
// bracket, an input the code lacks, a bracket that the rows cannot give, an
// undefined price inside the bracket.
TEST(ImpliedInput, NoRootMessages) {
  const pricingcall call = contract("BSECO", {1.0, 100, 100, 0.2, 0.05, 0.02});
  struct failing {
    double target;
    std::optional<bracket> within;
    solveoutcome outcome;
    const char* message;  // its beginning
  };
  const failing failures[] = {
      {200, std::nullopt, solveoutcome::outofrange,
       "the price 200 is outside the range BSECO attains for sigma in [0.001, 5]: "},
      {9, bracket{0.5, 1}, solveoutcome::noroot,
       "no sigma in [0.5, 1] gives BSECO the price 9: its prices there run from "},
  };
  for (const failing& f : failures) {
    const solveresult result = solve(call, "sigma", f.target, f.within);
    EXPECT_EQ(result.outcome, f.outcome) << f.message;
    EXPECT_EQ(result.message.rfind(f.message, 0), 0u) << result.message;
  }
  // The highest price over the volatilities is below the spot, and near it.
  const solveresult above = solve(call, "sigma", 200);
  EXPECT_LT(above.highest, 100.0);
  EXPECT_GT(above.highest, 90.0);

  const solveresult missing = solve(call, "rho", 9);
  EXPECT_EQ(missing.outcome, solveoutcome::unknowninput);
  EXPECT_EQ(missing.message, "BSECO has no input rho in the rows given (T, S, K, sigma, r, q)");

  const solveresult zero = solve(contract("BSECO", {1.0, 100, 100, 0.2, 0.05, 0.0}), "q", 9);
  EXPECT_EQ(zero.outcome, solveoutcome::nobracket);
  EXPECT_EQ(zero.message, "q is 0 in the rows: give a bracket to search");

  // Rates below 0 are undefined for every family: a target the rates of 0 to
  // 0.5 reach is found there; one they do not reach is answered with the first
  // undefined rate met.
  const solveresult defined = solve(call, "r", 11, bracket{-0.5, 0.5});
  ASSERT_EQ(defined.outcome, solveoutcome::found) << defined.message;
  const solveresult undefined = solve(call, "r", 1, bracket{-0.5, 0.5});
  EXPECT_EQ(undefined.outcome, solveoutcome::undefined);
  EXPECT_EQ(undefined.message, "BSECO answers undefined for r = -0.5, in the bracket [-0.5, 0.5]");

  EXPECT_EQ(solve(contract("NOSUCH", {1.0}), "T", 1).outcome, solveoutcome::refused);
}

// A target that both ends of the bracket overshoot: the points inside find the
// change of side. An asset-or-nothing call at the money is worth S N(d1), d1 =
// (r + sigma^2/2) / sigma at T = 1, q = 0: falling from S to its least at sigma
// = sqrt(2 r), then rising towards S again; at sigma = 0.1 and at sigma = 1, d1
// = 0.55 alike.
// A rate's default bracket is [0, 1], and [-0.1, 1] under the negative-rates option.
TEST(ImpliedInput, NegativeRatesWidenTheRateBracket) {
  pricingcall call = contract("BSEPO", {1.0, 100, 100, 0.2, -0.02, -0.01});
  call.setvalue(entryoptions, optionnegativerates, 1.0);
  const double target = priceof(call);
  call.rows[4] = {0.03};  // the search starts from another value
  const solveresult found = solve(call, "r", target);
  ASSERT_EQ(found.outcome, solveoutcome::found) << found.message;
  EXPECT_NEAR(found.value, -0.02, 1e-9);
  EXPECT_EQ(found.searched.low, -0.1);
  pricingcall plain = contract("BSEPO", {1.0, 100, 100, 0.2, 0.03, 0.01});
  EXPECT_NE(solve(plain, "r", target).outcome, solveoutcome::found);  // outside [0, 1]
}

TEST(ImpliedInput, TargetsInsideTheBracketAreFound) {
  const pricingcall call = contract("BSEDCO", {1.0, 100, 100, 0.3, 0.05, 0.0, 1});
  const double target = 100 * 0.5 * std::erfc(-0.55 / std::sqrt(2.0));
  const solveresult found = solve(call, "sigma", target);
  ASSERT_EQ(found.outcome, solveoutcome::found) << found.message;
  const bool either = std::fabs(found.value - 0.1) < 1e-9 || std::fabs(found.value - 1) < 1e-9;
  EXPECT_TRUE(either) << found.value;
}

// Brent's method on functions with known roots: it stays inside its bracket,
// stops at the tolerance, and stops where the function is undefined.
TEST(ImpliedInput, BrentStaysInItsBracket) {
  struct rootcase {
    const char* what;
    std::function<double(double)> f;
    double a, b, root;
  };
  const rootcase cases[] = {
      {"cubic", [](double x) { return x * x * x - 2 * x - 5; }, 2, 3, 2.0945514815423265},
      {"cosine", [](double x) { return std::cos(x) - x; }, 0, 1, 0.7390851332151607},
      {"flat then steep", [](double x) { return std::pow(x, 9) - 1e-9; }, 0, 4, 0.1},
      {"step", [](double x) { return x < 1.0 / 3 ? -1.0 : 1.0; }, 0, 1, 1.0 / 3},
  };
  for (const rootcase& c : cases) {
    double lowest = c.b, highest = c.a;
    auto watched = [&](double x) {
      lowest = std::fmin(lowest, x);
      highest = std::fmax(highest, x);
      return c.f(x);
    };
    const rootsearch root = brentroot(watched, c.a, c.f(c.a), c.b, c.f(c.b), 1e-13);
    EXPECT_EQ(root.outcome, searchoutcome::converged) << c.what;
    EXPECT_NEAR(root.x, c.root, 1e-12) << c.what;
    EXPECT_GE(lowest, c.a) << c.what;
    EXPECT_LE(highest, c.b) << c.what;
    EXPECT_LE(root.evaluations, 100) << c.what;
  }
  const rootsearch undefined =
      brentroot([](double x) { return x > 0.5 ? nan : x - 0.75; }, 0, -0.75, 1, 0.25, 1e-12);
  EXPECT_EQ(undefined.outcome, searchoutcome::undefined);
  EXPECT_GT(undefined.x, 0.5);
}

}  // namespace
