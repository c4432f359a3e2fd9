// CreditSwap: a swap at its fair spread (or fair upfront) is worth nothing, quoted spreads are
// repriced by the hazard curve bootstrapped from them, a flat hazard rate gives the credit
// triangle's spread and the survival probabilities e^{-h t}, and the legs add up to the NPV.
#include <gtest/gtest.h>

#include <cmath>

#include "ficurves.h"

namespace {

using fitest::frame;
using QuantLib::Date;

using fitest::today;
const fitest::flatcurve flat{today, 0.03};

// The result's values row.
enum { npv = 1, fairspread, fairupfront, premiumleg, defaultleg, upfrontleg, rebate };

frame cds(const char* engine, double spread) {
  frame f;
  f.text("Curve", "FLAT")
      .text("Engine", engine)
      .text("Tenor", "5Y")
      .number("Notional", 1e7)
      .number("Spread", spread)
      .number("Recovery", 0.4);
  return f;
}

class creditswaps : public ::testing::Test {
 protected:
  void SetUp() override { fitest::build(fitest::flatcurveframe("FLAT", flat, 132)); }
};

TEST_F(creditswaps, flathazardcredittriangleandsurvival) {
  const double hazard = 0.02;
  for (const char* engine : {"ISDA", "MidPoint"}) {
    frame f = cds(engine, 0.01);
    f.number("HazardRate", hazard);
    const standin::fixedincomeresult r = fitest::call("CreditSwap", f);
    ASSERT_EQ(r.at(1, 1), 1.0) << engine;
    // The credit triangle s = h (1 - R) holds for premiums paid continuously on the time the
    // hazard rate is measured in; premiums accrue Actual/360, which scales it by 360/365, and
    // quarterly payments with the accrual paid on default move it by a few parts in a thousand.
    const double triangle = hazard * (1.0 - 0.4) * 360.0 / 365.0;
    EXPECT_NEAR(r.at(3, fairspread), triangle, 0.005 * triangle) << engine;
    EXPECT_NEAR(r.at(3, npv),
                r.at(3, premiumleg) + r.at(3, defaultleg) + r.at(3, upfrontleg) + r.at(3, rebate),
                1e-6)
        << engine << ": the legs add up";
    const std::vector<fitest::datedamount> survival = fitest::dated(r);
    ASSERT_EQ(survival.size(), 20u) << "quarterly, 20 March 2024 to 20 December 2028";
    for (const auto& s : survival)
      EXPECT_NEAR(s.amount, std::exp(-hazard * fitest::years(today, s.date)), 1e-14);
    // Traded between the rolls of 20 September 2023 and 20 March 2024, the five-year contract
    // of the 2015 rules matures on 20 December 2028.
    EXPECT_EQ(survival.back().date, Date(20, QuantLib::December, 2028));
  }
}

TEST_F(creditswaps, fairspreadandfairupfrontpricetozero) {
  for (const char* engine : {"ISDA", "MidPoint"}) {
    frame f = cds(engine, 0.01);
    f.number("HazardRate", 0.025);
    const standin::fixedincomeresult r = fitest::call("CreditSwap", f);
    ASSERT_EQ(r.at(1, 1), 1.0);
    frame atfair = cds(engine, r.at(3, fairspread));
    atfair.number("HazardRate", 0.025);
    EXPECT_NEAR(fitest::call("CreditSwap", atfair).at(2, 1), 0.0, 1e-6) << engine;
    frame withupfront = cds(engine, 0.01);
    withupfront.number("HazardRate", 0.025).number("Upfront", r.at(3, fairupfront));
    EXPECT_NEAR(fitest::call("CreditSwap", withupfront).at(2, 1), 0.0, 1e-6) << engine;
    frame seller = cds(engine, 0.01);
    seller.number("HazardRate", 0.025).text("Type", "Seller");
    EXPECT_NEAR(fitest::call("CreditSwap", seller).at(2, 1), -r.at(2, 1), 1e-8) << engine;
  }
}

TEST_F(creditswaps, quotedspreadsreprice) {
  const std::vector<double> spreads = {0.0060, 0.0080, 0.0100, 0.0115};
  const char* tenors[] = {"1Y", "3Y", "5Y", "10Y"};
  for (const char* engine : {"ISDA", "MidPoint"}) {
    for (int i = 0; i < 4; ++i) {
      frame f = cds(engine, spreads[i]);
      f.text("Tenor", tenors[i]).text("Tenors", "1Y,3Y,5Y,10Y").list("Quotes", spreads);
      const standin::fixedincomeresult r = fitest::call("CreditSwap", f);
      ASSERT_EQ(r.at(1, 1), 1.0) << engine << " " << tenors[i];
      EXPECT_NEAR(r.at(3, fairspread), spreads[i], 1e-10) << engine << " " << tenors[i];
      EXPECT_NEAR(r.at(2, 1), 0.0, 1e-3) << engine << " " << tenors[i];
      const std::vector<fitest::datedamount> survival = fitest::dated(r);
      ASSERT_EQ(survival.size(), 4u) << "one survival probability per quote";
      for (std::size_t k = 1; k < survival.size(); ++k)
        EXPECT_LT(survival[k].amount, survival[k - 1].amount);
    }
  }
}

TEST_F(creditswaps, unusableinputisreportedbyname) {
  frame linear = fitest::flatcurveframe("LINEAR", flat, 72);
  linear.text("Interpolation", "LinearZero");
  fitest::build(linear);
  auto flatcds = [](const char* engine) {
    frame f = cds(engine, 0.01);
    f.number("HazardRate", 0.02);
    return f;
  };
  frame both = flatcds("ISDA");
  both.text("Tenors", "5Y").list("Quotes", {0.01});
  const std::vector<std::pair<frame, std::string>> rows = {
      {cds("ISDA", 0.01),
       "CreditSwap: give either the number \"HazardRate\" or the quoted spreads (\"Tenors\" and "
       "\"Quotes\")"},
      {both, "CreditSwap: give either the number \"HazardRate\" or the quoted spreads"},
      {flatcds("ISDA").text("Curve", "LINEAR"),
       "CreditSwap: the ISDA engine needs a curve built with the Interpolation LogLinearDiscount "
       "or FlatForward and the DayCounter Actual365Fixed (the Engine MidPoint takes any curve)"},
      {flatcds("Hazard"),
       "CreditSwap: the text \"Engine\" must name a credit default swap engine, not \"Hazard\"; "
       "the engines are: ISDA, MidPoint"},
      {flatcds("ISDA").number("Recovery", 1.0),
       "CreditSwap: the number \"Recovery\" must lie from 0 up to, not including, 1"},
      {flatcds("ISDA").number("Spread", -0.01),
       "CreditSwap: the number \"Spread\" must not be negative"},
      {flatcds("ISDA").number("HazardRate", -0.01),
       "CreditSwap: the number \"HazardRate\" must not be negative"},
      {flatcds("ISDA").text("Type", "Payer"),
       "CreditSwap: the text \"Type\" must name a side, not \"Payer\"; the sides are: Buyer, "
       "Seller"},
      {flatcds("ISDA").date("StartDate", today),
       "CreditSwap: the start date 2024-01-15 is not after the curve's date 2024-01-15"},
      {cds("ISDA", 0.01).text("Tenors", "1Y,5Y").list("Quotes", {0.01}),
       "CreditSwap: the list \"Quotes\" has 1 values; it needs one for each of the 2 items of "
       "\"Tenors\""},
      {cds("ISDA", 0.01).text("Tenors", "1Y,5Y").list("Quotes", {0.01, 0.0}),
       "CreditSwap: the list \"Quotes\" must hold positive spreads"},
      {cds("ISDA", 0.01).text("Tenors", "1Y,5Y").list("Quotes", {0.01, 5.0}),
       "CreditSwap: the hazard bootstrap failed: "},
  };
  for (const auto& row : rows) fitest::expectrefused("CreditSwap", row.first, row.second);
  // The mid-point engine takes any curve.
  EXPECT_EQ(fitest::call("CreditSwap", flatcds("MidPoint").text("Curve", "LINEAR")).at(1, 1), 1.0);
}

}  // namespace
