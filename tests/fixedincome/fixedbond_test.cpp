// Fixed-rate bonds through fifun against textbook examples and the closed forms of a bullet
// bond's price, durations and convexity.
#include <gtest/gtest.h>

#include <cmath>

#include "fiframe.h"

namespace {

// The result's values row: clean, dirty, accrued, yield, Macaulay, modified, convexity.
enum { clean = 1, dirty, accrued, yield, macaulay, modified, convexity };

struct figures {
  double price, macaulay, modified, convexity;
};

// A bullet bond at a coupon date: n periods of f per year, coupon c, yield y compounded f times
// a year. Convexity is (1/P) d2P/dy2.
figures compounded(double c, double y, int n, int f) {
  const double v = 1.0 / (1.0 + y / f);
  double price = 0.0, weighted = 0.0, second = 0.0;
  for (int k = 1; k <= n; ++k) {
    const double flow = 100.0 * c / f + (k == n ? 100.0 : 0.0);
    const double pv = flow * std::pow(v, k);
    price += pv;
    weighted += pv * k / f;
    second += pv * k * (k + 1.0) / (f * f) * v * v;
  }
  return {price, weighted / price, weighted / price * v, second / price};
}

// The same bond under a continuously compounded yield.
figures continuous(double c, double y, int n, int f) {
  double price = 0.0, weighted = 0.0, second = 0.0;
  for (int k = 1; k <= n; ++k) {
    const double t = static_cast<double>(k) / f;
    const double pv = (100.0 * c / f + (k == n ? 100.0 : 0.0)) * std::exp(-y * t);
    price += pv;
    weighted += pv * t;
    second += pv * t * t;
  }
  return {price, weighted / price, weighted / price, second / price};
}

fitest::frame bond(int issueyear, int years, double coupon) {
  fitest::frame f;
  f.date("IssueDate", issueyear, 1, 15)
      .date("MaturityDate", issueyear + years, 1, 15)
      .date("SettlementDate", issueyear, 1, 15)
      .number("Coupon", coupon);
  return f;
}

TEST(fixedbond, textbookpricesdurationsandconvexity) {
  struct row {
    const char* source;
    fitest::frame inputs;
    figures expected;                                     // closed form
    double publishedprice, publishedduration, tolerance;  // duration: Macaulay or modified
    int durationkind;
  };
  const std::vector<row> rows = {
      // Fabozzi, Bond Markets, Analysis, and Strategies (chapter on bond price volatility): the 9%
      // 20-year bond priced to yield 6% costs 134.6722 and has a modified duration of 10.66.
      {"Fabozzi, 9% 20-year bond at 6%", bond(2020, 20, 0.09).number("Yield", 0.06),
       compounded(0.09, 0.06, 40, 2), 134.6722, 10.66, 5e-3, modified},
      // Hull, Options, Futures, and Other Derivatives, Table 4.6: a 3-year 10% bond with
      // semiannual coupons at a 12% continuously compounded yield: price 94.213, duration 2.653.
      {"Hull, Table 4.6",
       bond(2020, 3, 0.10).number("Yield", 0.12).text("Compounding", "Continuous"),
       continuous(0.10, 0.12, 6, 2), 94.213, 2.653, 5e-4, macaulay},
      {"annual coupons at par",
       bond(2021, 5, 0.05).number("Yield", 0.05).text("Frequency", "Annual"),
       compounded(0.05, 0.05, 5, 1), 100.0, compounded(0.05, 0.05, 5, 1).macaulay, 1e-9, macaulay},
  };
  for (const row& r : rows) {
    const standin::fixedincomeresult result = fitest::call("FixedBond", r.inputs);
    ASSERT_EQ(result.at(1, 1), 1.0) << r.source;
    EXPECT_NEAR(result.at(2, 1), r.expected.price, 1e-9 * r.expected.price) << r.source;
    EXPECT_NEAR(result.at(3, clean), r.publishedprice, r.tolerance * 0.1) << r.source;
    EXPECT_NEAR(result.at(3, r.durationkind), r.publishedduration, r.tolerance) << r.source;
    EXPECT_EQ(result.at(3, accrued), 0.0) << r.source << ": settled on a coupon date";
    EXPECT_EQ(result.at(3, dirty), result.at(3, clean)) << r.source;
    EXPECT_NEAR(result.at(3, macaulay), r.expected.macaulay, 1e-9) << r.source;
    EXPECT_NEAR(result.at(3, modified), r.expected.modified, 1e-9) << r.source;
    EXPECT_NEAR(result.at(3, convexity), r.expected.convexity, 1e-7 * r.expected.convexity)
        << r.source;
  }
}

TEST(fixedbond, yieldfromprice) {
  // Hull, Options, Futures, and Other Derivatives, Section 4.4: a 2-year 6% bond with
  // semiannual coupons priced 98.39 yields 6.76% with continuous compounding.
  standin::fixedincomeresult result = fitest::call(
      "FixedBond",
      bond(2020, 2, 0.06).number("CleanPrice", 98.39).text("Compounding", "Continuous"));
  ASSERT_EQ(result.at(1, 1), 1.0);
  EXPECT_NEAR(result.at(2, 1), 0.0676, 5e-5);
  EXPECT_EQ(result.at(3, yield), result.at(2, 1));
  EXPECT_EQ(result.at(3, clean), 98.39);
  // Round trip: the price of a yield gives that yield back.
  const double price = compounded(0.09, 0.06, 40, 2).price;
  result = fitest::call("FixedBond", bond(2020, 20, 0.09).number("CleanPrice", price));
  EXPECT_NEAR(result.at(2, 1), 0.06, 1e-10);
}

TEST(fixedbond, betweencoupondates) {
  // Settled 91 days into a 182-day period (15 January to 15 July 2020): half the coupon has
  // accrued, and every flow is discounted half a period less than at the coupon date.
  fitest::frame f;
  f.date("IssueDate", 2020, 1, 15)
      .date("MaturityDate", 2030, 1, 15)
      .date("SettlementDate", 2020, 4, 15)
      .number("Coupon", 0.06)
      .number("Yield", 0.07);
  standin::fixedincomeresult result = fitest::call("FixedBond", f);
  ASSERT_EQ(result.at(1, 1), 1.0);
  EXPECT_NEAR(result.at(3, accrued), 1.5, 1e-12);
  const double expecteddirty = compounded(0.06, 0.07, 20, 2).price * std::sqrt(1.0 + 0.07 / 2);
  EXPECT_NEAR(result.at(3, dirty), expecteddirty, 1e-9);
  EXPECT_NEAR(result.at(3, clean), expecteddirty - 1.5, 1e-9);
  // 30/360: from 15 January to 10 March is 55 days of a 180-day period.
  f.date("SettlementDate", 2020, 3, 10).text("DayCounter", "Thirty360BondBasis");
  result = fitest::call("FixedBond", f);
  EXPECT_NEAR(result.at(3, accrued), 3.0 * 55.0 / 180.0, 1e-12);
}

TEST(fixedbond, cashflowsareinunitsoftheface) {
  const standin::fixedincomeresult result = fitest::call(
      "FixedBond", bond(2020, 20, 0.09).number("Yield", 0.06).number("FaceAmount", 1000));
  ASSERT_EQ(result.dims, (std::vector<hostinteger>{7, 41}));  // 40 coupons and the redemption
  EXPECT_NEAR(result.at(3, clean), 134.6722, 5e-5) << "prices stay per 100 of face";
  for (hostinteger k = 1; k <= 40; ++k) {
    EXPECT_NEAR(result.at(7, k), 45.0, 1e-9) << "coupon " << k;
    EXPECT_EQ(result.at(4, k), 2020 + k / 2) << "coupon " << k;
    EXPECT_EQ(result.at(5, k), k % 2 == 1 ? 7 : 1) << "coupon " << k;
    EXPECT_EQ(result.at(6, k), 15) << "coupon " << k;
  }
  EXPECT_EQ(result.at(4, 41), 2040);
  EXPECT_EQ(result.at(7, 41), 1000.0);
}

TEST(fixedbond, unusableinputisreportedbyname) {
  struct row {
    fitest::frame inputs;
    std::string shown;  // the start of the message
  };
  fitest::frame late;
  late.date("IssueDate", 2030, 1, 15)
      .date("MaturityDate", 2020, 1, 15)
      .date("SettlementDate", 2030, 1, 15)
      .number("Coupon", 0.05)
      .number("Yield", 0.05);
  fitest::frame settledafter = bond(2020, 5, 0.05).number("Yield", 0.05);
  settledafter.date("SettlementDate", 2025, 1, 15);
  const std::vector<row> rows = {
      {late, "FixedBond: the maturity date 2020-01-15 is not after the issue date 2030-01-15"},
      {settledafter,
       "FixedBond: the settlement date 2025-01-15 must lie on or after the issue date "
       "2020-01-15 and before the maturity date 2025-01-15"},
      {bond(2020, 5, 0.05),
       "FixedBond: give either the number \"Yield\" or the number "
       "\"CleanPrice\""},
      {bond(2020, 5, 0.05).number("Yield", 0.05).number("CleanPrice", 100),
       "FixedBond: give either the number \"Yield\" or the number \"CleanPrice\""},
      {bond(2020, 5, std::nan("")).number("Yield", 0.05),
       "FixedBond: the number \"Coupon\" is not finite"},
      {bond(2020, 5, 0.05).number("Yield", 0.05).text("Frequency", "Weekly"),
       "FixedBond: the text \"Frequency\" must name a frequency, not \"Weekly\"; the frequencies "
       "are: Annual, Semiannual, Quarterly, Monthly"},
      {bond(2020, 5, 0.05).number("CleanPrice", -3),
       "FixedBond: the number \"CleanPrice\" must be positive"},
      {fitest::frame().number("Coupon", 0.05), "FixedBond: the date \"IssueDate\" is missing"},
  };
  for (const row& r : rows) {
    standin::fixedincomeresult result;
    const std::vector<std::string> shown = fitest::shownafter("FixedBond", r.inputs, result);
    ASSERT_EQ(shown.size(), 1u) << r.shown;
    EXPECT_EQ(shown[0].substr(0, r.shown.size()), r.shown);
    EXPECT_EQ(result.at(1, 1), 0.0) << r.shown;
  }
}

// A key the function does not take, or a known key of the wrong kind, would be ignored and the
// defaults priced (the semi-annual 134.672 of the bond below where the annual is 134.410): the
// call fails instead, naming the key and listing the keys it takes.
TEST(fixedbond, keysitdoesnottakearerefused) {
  const fitest::frame twenty = bond(2020, 20, 0.09).number("Yield", 0.06);
  fitest::frame annual = twenty;
  annual.text("Frequency", "Annual");
  standin::fixedincomeresult priced;
  EXPECT_TRUE(fitest::shownafter("FixedBond", annual, priced).empty());
  EXPECT_NEAR(priced.at(2, 1), compounded(0.09, 0.06, 20, 1).price, 1e-9);
  struct row {
    fitest::frame inputs;
    std::string shown;
  };
  fitest::frame misspelt = twenty, wrongkind = twenty, unknown = twenty;
  misspelt.text("Frequncy", "Annual");
  wrongkind.number("Frequency", 1);
  unknown.number("Cupon", 3);
  const std::vector<row> rows = {
      {misspelt, "FixedBond: takes no text \"Frequncy\"; its keys: the dates "},
      {wrongkind,
       "FixedBond: takes no number \"Frequency\" (it takes \"Frequency\" as a text); its keys: "},
      {unknown, "FixedBond: takes no number \"Cupon\"; its keys: the dates "},
  };
  for (const row& r : rows) {
    standin::fixedincomeresult result;
    const std::vector<std::string> shown = fitest::shownafter("FixedBond", r.inputs, result);
    ASSERT_EQ(shown.size(), 1u) << r.shown;
    EXPECT_EQ(shown[0].substr(0, r.shown.size()), r.shown);
    for (const char* key : {"\"IssueDate\"", "\"Coupon\"", "\"Frequency\"", "\"Compounding\""})
      EXPECT_NE(shown[0].find(key), std::string::npos) << key << " in " << shown[0];
    EXPECT_EQ(result.at(1, 1), 0.0) << r.shown;
  }
}

}  // namespace
