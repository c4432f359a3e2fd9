// BondOption: with no exercise dates the callable bond is the straight bond; a call at par below
// the straight bond's price lowers the price and a put at par above it raises it; with almost no
// volatility the issuer calls as a certain-rates investor would; the option-adjusted spread of
// the model's own price is nothing.
#include <gtest/gtest.h>

#include <cmath>

#include "ficurves.h"

namespace {

using fitest::frame;
using QuantLib::Date;
using QuantLib::Months;
using QuantLib::Period;

using fitest::today;
const fitest::flatcurve flat{today, 0.03};

// The result's values row.
enum { clean = 1, dirty, accrued, straight, option, oas };

// A ten-year semiannual bond issued on the curve's date, under Hull-White a = 5%, sigma = 1%, on a
// tree of 40 steps (coarse, and enough for these bounds).
frame bond(double coupon, double sigma = 0.01) {
  frame f;
  f.text("Curve", "FLAT")
      .date("IssueDate", today)
      .date("MaturityDate", today + Period(120, Months))
      .number("Coupon", coupon)
      .number("MeanReversion", 0.05)
      .number("Sigma", sigma)
      .number("TimeSteps", 40);
  return f;
}

// The bond's value on the flat curve: the semiannual coupons, and the redemption at `last`.
double discounted(double coupon, const Date& last, double redemption) {
  double value = 0.0;
  for (Date d = today + Period(6, Months); d <= last; d = d + Period(6, Months))
    value += 50.0 * coupon * flat.discount(d);
  return value + redemption * flat.discount(last);
}

class bondoptions : public ::testing::Test {
 protected:
  void SetUp() override { fitest::build(fitest::flatcurveframe("FLAT", flat, 132)); }
};

TEST_F(bondoptions, withoutexercisedatesthestraightbond) {
  const standin::fixedincomeresult r = fitest::call("BondOption", bond(0.05));
  ASSERT_EQ(r.at(1, 1), 1.0);
  const double byhand = discounted(0.05, today + Period(120, Months), 100.0);
  EXPECT_NEAR(r.at(3, straight), byhand, 1e-10);
  EXPECT_NEAR(r.at(3, clean), byhand, 1e-8 * byhand) << "the tree fits the curve";
  EXPECT_NEAR(r.at(3, option), 0.0, 1e-8 * byhand);
  EXPECT_EQ(r.at(3, accrued), 0.0) << "settled on the issue date";
  EXPECT_EQ(fitest::dated(r).size(), 21u) << "twenty coupons and the redemption";
}

TEST_F(bondoptions, callsandputsatpar) {
  const Date exercise = today + Period(60, Months);
  frame callable = bond(0.05);
  callable.row8(exercise, 100.0);
  standin::fixedincomeresult r = fitest::call("BondOption", callable);
  ASSERT_EQ(r.at(1, 1), 1.0);
  EXPECT_GT(r.at(3, straight), 100.0);
  EXPECT_LT(r.at(3, clean), r.at(3, straight)) << "the issuer's call lowers the price";
  EXPECT_NEAR(r.at(3, option), r.at(3, straight) - r.at(3, clean), 1e-12);
  // Called for certain: the coupons to the call date and the call price.
  const double called = discounted(0.05, exercise, 100.0);
  EXPECT_LE(r.at(3, clean), called + 1e-9);

  frame puttable = bond(0.01);
  puttable.text("Type", "Put").row8(exercise, 100.0);
  r = fitest::call("BondOption", puttable);
  ASSERT_EQ(r.at(1, 1), 1.0);
  EXPECT_LT(r.at(3, straight), 100.0);
  EXPECT_GT(r.at(3, clean), r.at(3, straight)) << "the holder's put raises the price";
  EXPECT_GE(r.at(3, clean), discounted(0.01, exercise, 100.0) - 1e-9);
  EXPECT_NEAR(r.at(3, option), r.at(3, clean) - r.at(3, straight), 1e-12);
}

// With rates nearly certain, a 5% bond on a 3% curve is called at the first chance.
TEST_F(bondoptions, almostnovolatilitycallsatthefirstdate) {
  const Date first = today + Period(36, Months), second = today + Period(72, Months);
  frame callable = bond(0.05, 1e-5);
  callable.row8(first, 101.0).row8(second, 100.0);
  const standin::fixedincomeresult r = fitest::call("BondOption", callable);
  ASSERT_EQ(r.at(1, 1), 1.0);
  EXPECT_NEAR(r.at(3, clean), discounted(0.05, first, 101.0), 1e-6);
}

TEST_F(bondoptions, optionadjustedspread) {
  frame callable = bond(0.05);
  callable.row8(today + Period(60, Months), 100.0);
  const double model = fitest::call("BondOption", callable).at(2, 1);
  frame atmodel = callable;
  atmodel.number("CleanPrice", model);
  standin::fixedincomeresult r = fitest::call("BondOption", atmodel);
  ASSERT_EQ(r.at(1, 1), 1.0);
  EXPECT_NEAR(r.at(3, oas), 0.0, 1e-8);
  frame cheaper = callable;
  cheaper.number("CleanPrice", model - 2.0);
  r = fitest::call("BondOption", cheaper);
  ASSERT_EQ(r.at(1, 1), 1.0);
  EXPECT_GT(r.at(3, oas), 0.002) << "a cheaper bond pays a spread over the curve";
  EXPECT_LT(r.at(3, oas), 0.01);
}

TEST_F(bondoptions, unusableinputisreportedbyname) {
  frame late = bond(0.05);
  late.date("IssueDate", 2024, 6, 1);
  frame unordered = bond(0.05);
  unordered.row8(today + Period(60, Months), 100.0).row8(today + Period(48, Months), 100.0);
  frame afterdue = bond(0.05);
  afterdue.row8(today + Period(121, Months), 100.0);
  frame free = bond(0.05);
  free.row8(today + Period(60, Months), 0.0);
  const std::vector<std::pair<frame, std::string>> rows = {
      {late,
       "BondOption: the curve's date 2024-01-15, when the bond settles, must lie on or "
       "after the issue date 2024-06-01 and before the maturity date 2034-01-15"},
      {unordered,
       "BondOption: row 2 of table 8 (2028-01-15) must come after the row before it, "
       "2029-01-15 and not after the maturity date 2034-01-15"},
      {afterdue,
       "BondOption: row 1 of table 8 (2034-02-15) must come after the curve's date "
       "2024-01-15 and not after the maturity date 2034-01-15"},
      {free, "BondOption: row 1 of table 8 has a price that is not positive"},
      {bond(0.05).text("Type", "Callable"),
       "BondOption: the text \"Type\" must name an exercise type, not \"Callable\"; the exercise "
       "types are: Call, Put"},
      {bond(0.05).number("Sigma", 0), "BondOption: the number \"Sigma\" must be positive"},
      {bond(0.05).number("CleanPrice", -1),
       "BondOption: the number \"CleanPrice\" must be positive"},
      {bond(0.05).text("Compounding", "Daily"),
       "BondOption: the text \"Compounding\" must name a compounding, not \"Daily\""},
  };
  for (const auto& row : rows) fitest::expectrefused("BondOption", row.first, row.second);
}

}  // namespace
