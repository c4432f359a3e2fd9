// The Black-Scholes, Black-76 and digital codes against QuantLib's Black calculator, the
// parities they must keep, and the early results and refusals of their formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <ql/pricingengines/blackcalculator.hpp>
#include <ql/pricingengines/blackformula.hpp>

#include "closedform/BlackScholes.h"
#include "numerics/undefined.h"
#include "testsupport.h"

namespace {

using namespace BlackScholes;
using QuantLib::Option;
using testsupport::price;

const double nan = std::numeric_limits<double>::quiet_NaN();

struct contract {
  double T, S, K, sigma, r, q;
};

// Spot below, at and above the strike; short and long expiries; low and high volatility.
const contract contracts[] = {
    {1.0, 100, 100, 0.2, 0.05, 0.02},  {0.25, 90, 100, 0.3, 0.01, 0.0},
    {2.0, 120, 100, 0.15, 0.08, 0.04}, {0.01, 100, 101, 0.5, 0.03, 0.0},
    {10.0, 50, 80, 0.35, 0.02, 0.01},  {0.5, 100, 60, 0.9, 0.0, 0.1},
};

std::string describe(const contract& c) {
  return "T=" + std::to_string(c.T) + " S=" + std::to_string(c.S) + " K=" + std::to_string(c.K) +
         " sigma=" + std::to_string(c.sigma) + " r=" + std::to_string(c.r) +
         " q=" + std::to_string(c.q);
}

double quantlibblack(Option::Type type, const contract& c) {
  const double forward = c.S * std::exp((c.r - c.q) * c.T);
  return QuantLib::blackFormula(type, c.K, forward, c.sigma * std::sqrt(c.T), std::exp(-c.r * c.T));
}

TEST(BlackScholes, AgreesWithQuantLibThroughFun) {
  for (const contract& c : contracts) {
    const double tolerance = 1e-11 * c.S;
    EXPECT_NEAR(price("BSECO", {c.T, c.S, c.K, c.sigma, c.r, c.q}), quantlibblack(Option::Call, c),
                tolerance)
        << describe(c);
    EXPECT_NEAR(price("BSEPO", {c.T, c.S, c.K, c.sigma, c.r, c.q}), quantlibblack(Option::Put, c),
                tolerance)
        << describe(c);
  }
}

TEST(BlackScholes, PutCallParity) {
  for (const contract& c : contracts) {
    const double call = blackscholescall(c.T, c.S, c.K, c.sigma, c.r, c.q);
    const double put = blackscholesput(c.T, c.S, c.K, c.sigma, c.r, c.q);
    EXPECT_NEAR(call - put, c.S * std::exp(-c.q * c.T) - c.K * std::exp(-c.r * c.T), 1e-12 * c.S)
        << describe(c);
  }
}

TEST(BlackScholes, EarlyResultsInTheirOrder) {
  // A zero spot comes before a zero expiry: the put is the discounted strike even at T = 0.
  EXPECT_EQ(blackscholesput(1.0, 0.0, 100, 0.2, 0.05, 0.0), 100 * std::exp(-0.05));
  EXPECT_EQ(blackscholesput(0.0, 0.0, 100, 0.2, 0.05, 0.0), 100.0);
  EXPECT_EQ(blackscholescall(1.0, 0.0, 100, 0.2, 0.05, 0.0), 0.0);
  EXPECT_EQ(blackscholescall(0.0, 110, 100, 0.2, 0.05, 0.0), 10.0);
  EXPECT_EQ(blackscholescall(0.0, 90, 100, 0.2, 0.05, 0.0), 0.0);
  EXPECT_EQ(blackscholesput(0.0, 90, 100, 0.2, 0.05, 0.0), 10.0);
}

TEST(BlackScholes, RefusedInputsAreUndefined) {
  const contract refused[] = {
      {-0.1, 100, 100, 0.2, 0.05, 0.0}, {1, -1, 100, 0.2, 0.05, 0.0},
      {1, 100, 0, 0.2, 0.05, 0.0},      {0, 100, 0, 0.2, 0.05, 0.0},
      {1, 100, 100, 0, 0.05, 0.0},      {0, 100, 100, 0, 0.05, 0.0},
      {1, 100, 100, 0.2, -0.01, 0.0},   {1, 100, 100, 0.2, 0.05, -0.01},
  };
  for (const contract& c : refused) {
    EXPECT_TRUE(isundefined(price("BSECO", {c.T, c.S, c.K, c.sigma, c.r, c.q}))) << describe(c);
    EXPECT_TRUE(isundefined(price("BSEPO", {c.T, c.S, c.K, c.sigma, c.r, c.q}))) << describe(c);
  }
}

TEST(BlackScholes, NotANumberPassesTheChecksAndPropagates) {
  for (int k = 0; k < 6; ++k) {
    std::vector<double> inputs = {1, 100, 100, 0.2, 0.05, 0.02};
    inputs[k] = nan;
    const double value = price("BSECO", inputs);
    EXPECT_TRUE(std::isnan(value)) << "input " << k;
    EXPECT_FALSE(isundefined(value)) << "input " << k;
  }
}

TEST(Black76, AgreesWithQuantLibAndParity) {
  struct forwardcontract {
    double T, F, K, sigma, r;
  };
  const forwardcontract cases[] = {
      {0.5, 102, 100, 0.25, 0.04}, {2.0, 80, 100, 0.4, 0.0}, {0.1, 100, 100, 0.1, 0.1}};
  for (const auto& c : cases) {
    const double discount = std::exp(-c.r * c.T), deviation = c.sigma * std::sqrt(c.T);
    const double call = price("BLACK76ECO", {c.T, c.F, c.K, c.sigma, c.r});
    const double put = price("BLACK76EPO", {c.T, c.F, c.K, c.sigma, c.r});
    EXPECT_NEAR(call, QuantLib::blackFormula(Option::Call, c.K, c.F, deviation, discount), 1e-11);
    EXPECT_NEAR(put, QuantLib::blackFormula(Option::Put, c.K, c.F, deviation, discount), 1e-11);
    EXPECT_NEAR(call - put, discount * (c.F - c.K), 1e-11);
  }
  // At expiry the payoff is not discounted; a zero forward is refused (unlike a zero spot).
  // Kept on purpose: the plain call prices a zero spot, Black-76 refuses a zero forward.
  EXPECT_EQ(black76call(0.0, 110, 100, 0.2, 0.05), 10.0);
  EXPECT_EQ(black76put(0.0, 110, 100, 0.2, 0.05), 0.0);
  EXPECT_TRUE(isundefined(price("BLACK76ECO", {1, 0, 100, 0.2, 0.05})));
  EXPECT_TRUE(isundefined(price("BLACK76EPO", {1, 100, 100, 0.2, -0.05})));
}

TEST(Digital, AgreesWithQuantLibBlackCalculator) {
  using QuantLib::AssetOrNothingPayoff;
  using QuantLib::CashOrNothingPayoff;
  for (const contract& c : contracts) {
    const double forward = c.S * std::exp((c.r - c.q) * c.T);
    const double deviation = c.sigma * std::sqrt(c.T), discount = std::exp(-c.r * c.T);
    auto value = [&](const QuantLib::ext::shared_ptr<QuantLib::StrikedTypePayoff>& payoff) {
      return QuantLib::BlackCalculator(payoff, forward, deviation, discount).value();
    };
    const std::vector<double> cash = {c.T, c.S, c.K, c.sigma, c.r, c.q, 0};
    const std::vector<double> asset = {c.T, c.S, c.K, c.sigma, c.r, c.q, 1};
    auto cashcall = QuantLib::ext::make_shared<CashOrNothingPayoff>(Option::Call, c.K, 1.0);
    auto cashput = QuantLib::ext::make_shared<CashOrNothingPayoff>(Option::Put, c.K, 1.0);
    auto assetcall = QuantLib::ext::make_shared<AssetOrNothingPayoff>(Option::Call, c.K);
    auto assetput = QuantLib::ext::make_shared<AssetOrNothingPayoff>(Option::Put, c.K);
    EXPECT_NEAR(price("BSEDCO", cash), value(cashcall), 1e-12) << describe(c);
    EXPECT_NEAR(price("BSEDPO", cash), value(cashput), 1e-12) << describe(c);
    EXPECT_NEAR(price("BSEDACO", asset), value(assetcall), 1e-11 * c.S) << describe(c);
    EXPECT_NEAR(price("BSEDAPO", asset), value(assetput), 1e-11 * c.S) << describe(c);
    // Call plus put pays for sure.
    EXPECT_NEAR(price("BSEDCO", cash) + price("BSEDPO", cash), discount, 1e-15);
    EXPECT_NEAR(price("BSEDACO", asset) + price("BSEDAPO", asset), c.S * std::exp(-c.q * c.T),
                1e-12 * c.S);
  }
}

TEST(Digital, KindIsTruncatedTowardZero) {
  const std::vector<double> base = {1, 100, 95, 0.2, 0.05, 0.02};
  auto with = [&](const char* code, double kind) {
    std::vector<double> inputs = base;
    inputs.push_back(kind);
    return price(code, inputs);
  };
  const double cash = digitalcall(1, 100, 95, 0.2, 0.05, 0.02, 0);
  const double asset = digitalcall(1, 100, 95, 0.2, 0.05, 0.02, 1);
  EXPECT_EQ(with("BSEDCO", 0), cash);
  EXPECT_EQ(with("BSEDACO", 0), cash);  // the letter A selects nothing by itself
  EXPECT_EQ(with("BSEDCO", 0.9), cash);
  EXPECT_EQ(with("BSEDCO", -0.9), cash);
  EXPECT_EQ(with("BSEDCO", 1), asset);
  EXPECT_EQ(with("BSEDCO", -1), asset);  // kept on purpose: only a kind of 0 is cash-or-nothing
  EXPECT_EQ(with("BSEDCO", 7), asset);
}

TEST(Digital, AtExpiryAndRefusals) {
  struct expirycase {
    double S, kind, call, put;
  };
  const expirycase cases[] = {
      {100, 0, 0, 0}, {100, 1, 0, 0},  // kept on purpose: at the strike neither side pays
      {110, 0, 1, 0}, {110, 1, 110, 0}, {90, 0, 0, 1}, {90, 1, 0, 90},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(digitalcall(0, c.S, 100, 0.2, 0.05, 0, c.kind), c.call) << c.S << " " << c.kind;
    EXPECT_EQ(digitalput(0, c.S, 100, 0.2, 0.05, 0, c.kind), c.put) << c.S << " " << c.kind;
  }
  // Kept on purpose: a digital refuses the zero spot that the plain formulas price.
  EXPECT_TRUE(isundefined(digitalcall(1, 0, 100, 0.2, 0.05, 0, 0)));
  EXPECT_TRUE(isundefined(digitalput(1, 100, 100, 0, 0.05, 0, 0)));
  EXPECT_TRUE(isundefined(digitalput(1, 100, 100, 0.2, 0.05, -0.1, 0)));
}

TEST(Handlers, ReadTheFirstValueOfEachRowAndRefuseShortTables) {
  // Extra columns are ignored; each input is the first value of its row.
  const double expected = blackscholescall(1, 100, 100, 0.2, 0.05, 0.02);
  EXPECT_EQ(
      testsupport::funrows("BSECO", {{1, 9}, {100, 9}, {100, 9}, {0.2, 9}, {0.05}, {0.02}}).value,
      expected);
  // Fewer rows than inputs: undefined, and nothing read past the table.
  EXPECT_TRUE(isundefined(price("BSECO", {1, 100, 100, 0.2, 0.05})));
  EXPECT_TRUE(isundefined(price("BLACK76ECO", {1, 100})));
  EXPECT_TRUE(isundefined(price("BSEDCO", {1, 100, 100, 0.2, 0.05, 0.02})));
}

}  // namespace
