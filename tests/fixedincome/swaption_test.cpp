// Swaption: Black and Bachelier prices against their closed forms on a flat curve, payer minus
// receiver against the forward swap, Jamshidian's decomposition against the Hull-White tree within
// the tree's own error, and the implied volatility of a price back to the volatility that made it.
#include <gtest/gtest.h>

#include <cmath>

#include "ficurves.h"

namespace {

using fitest::frame;
using QuantLib::Date;
using QuantLib::Months;
using QuantLib::Period;

using fitest::today;
const fitest::flatcurve flat{today, 0.04};

double normalcdf(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }
double normalpdf(double x) { return std::exp(-0.5 * x * x) / std::sqrt(2.0 * M_PI); }

// A swaption exercised in two years into a five-year swap paying annually, every leg Actual/365
// (Fixed): its annuity, forward rate and time to expiry by hand.
struct underlying {
  double annuity = 0.0, forward = 0.0, expiry = 0.0;
};
underlying byhand() {
  underlying u;
  const Date start = today + Period(24, Months);
  for (int i = 1; i <= 5; ++i) {
    const Date from = start + Period(12 * (i - 1), Months), to = start + Period(12 * i, Months);
    u.annuity += fitest::years(from, to) * flat.discount(to);
  }
  u.forward = (flat.discount(start) - flat.discount(start + Period(60, Months))) / u.annuity;
  u.expiry = fitest::years(today, start);
  return u;
}

frame swaption(const char* type, double strike) {
  frame f;
  f.text("Curve", "FLAT")
      .text("Type", type)
      .text("Expiry", "2Y")
      .text("Tenor", "5Y")
      .number("Notional", 1e6)
      .number("FixedRate", strike)
      .text("FixedFrequency", "Annual");
  return f;
}

class swaptions : public ::testing::Test {
 protected:
  void SetUp() override { fitest::build(fitest::flatcurveframe("FLAT", flat, 96)); }
};

TEST_F(swaptions, blackandbachelieragainsttheclosedforms) {
  const underlying u = byhand();
  struct row {
    const char* type;
    double strike, volatility;
    bool normal;
  };
  const row rows[] = {{"Payer", 0.045, 0.25, false},
                      {"Receiver", 0.035, 0.25, false},
                      {"Payer", 0.04, 0.0080, true},
                      {"Receiver", 0.05, 0.0080, true}};
  for (const row& r : rows) {
    frame f = swaption(r.type, r.strike);
    f.number("Volatility", r.volatility);
    if (r.normal) f.text("VolatilityType", "Normal");
    const standin::fixedincomeresult result = fitest::call("Swaption", f);
    ASSERT_EQ(result.at(1, 1), 1.0) << r.type;
    const double v = r.volatility * std::sqrt(u.expiry),
                 w = std::string(r.type) == "Payer" ? 1 : -1;
    double undiscounted;
    if (r.normal) {
      const double d = (u.forward - r.strike) / v;
      undiscounted = w * (u.forward - r.strike) * normalcdf(w * d) + v * normalpdf(d);
    } else {
      const double d1 = (std::log(u.forward / r.strike) + 0.5 * v * v) / v, d2 = d1 - v;
      undiscounted = w * (u.forward * normalcdf(w * d1) - r.strike * normalcdf(w * d2));
    }
    EXPECT_NEAR(result.at(2, 1), 1e6 * u.annuity * undiscounted, 1e-9 * 1e6) << r.type;
    EXPECT_NEAR(result.at(3, 2), u.forward, 1e-13) << "the forward swap rate";
    EXPECT_NEAR(result.at(3, 3), 1e6 * u.annuity, 1e-7) << "the annuity";
  }
}

// Payer minus receiver is the forward swap paying the strike, whatever the model.
TEST_F(swaptions, payerlessreceiveristheforwardswap) {
  const underlying u = byhand();
  const double k = 0.042;
  for (const char* model : {"FlatVolatility", "Jamshidian", "HullWhiteTree"}) {
    auto price = [&](const char* type) {
      frame f = swaption(type, k);
      f.text("Model", model)
          .number("Volatility", 0.3)
          .number("MeanReversion", 0.05)
          .number("Sigma", 0.01);
      if (std::string(model) != "FlatVolatility") {
        f.numbers.erase(f.numbers.begin() + 2);  // no flat volatility under Hull-White
        f.numberids.erase(f.numberids.begin() + 2);
      } else {
        f.numbers.resize(3);
        f.numberids.resize(3);
      }
      const standin::fixedincomeresult r = fitest::call("Swaption", f);
      EXPECT_EQ(r.at(1, 1), 1.0) << model << " " << type;
      return r.at(2, 1);
    };
    // Jamshidian's critical rate is found by QuantLib to 1e-8, which moves the price by ~1e-9
    // of the notional; on the tree both sides are valued on one lattice.
    const double tolerance = std::string(model) == "FlatVolatility" ? 1e-8 : 1e-8 * 1e6;
    EXPECT_NEAR(price("Payer") - price("Receiver"), 1e6 * u.annuity * (u.forward - k), tolerance)
        << model;
  }
}

// The tree converges to Jamshidian's closed form: the gap at n steps is within a few times the
// change from n to 2n steps.
TEST_F(swaptions, hullwhitetreeconvergestojamshidian) {
  auto price = [](const char* model, int steps) {
    frame f = swaption("Payer", 0.045);
    f.text("Model", model).number("MeanReversion", 0.05).number("Sigma", 0.01);
    if (steps > 0) f.number("TimeSteps", steps);
    const standin::fixedincomeresult r = fitest::call("Swaption", f);
    EXPECT_EQ(r.at(1, 1), 1.0) << model;
    return r.at(2, 1);
  };
  const double jamshidian = price("Jamshidian", 0);
  const double coarse = price("HullWhiteTree", 50), fine = price("HullWhiteTree", 100);
  EXPECT_LT(std::fabs(fine - jamshidian), std::fabs(coarse - jamshidian) + 1e-2);
  EXPECT_LT(std::fabs(fine - jamshidian), 3.0 * std::fabs(fine - coarse) + 1e-2)
      << "Jamshidian " << jamshidian << ", tree " << coarse << " and " << fine;
  EXPECT_LT(std::fabs(fine - jamshidian), 2e-3 * jamshidian);
}

TEST_F(swaptions, impliedvolatilityroundtrip) {
  for (const char* type : {"Lognormal", "Normal"}) {
    const double volatility = std::string(type) == "Normal" ? 0.0075 : 0.23;
    frame f = swaption("Receiver", 0.041);
    f.text("VolatilityType", type).number("Volatility", volatility);
    const double price = fitest::call("Swaption", f).at(2, 1);
    frame implied = swaption("Receiver", 0.041);
    implied.text("VolatilityType", type).number("Price", price);
    const standin::fixedincomeresult r = fitest::call("Swaption", implied);
    ASSERT_EQ(r.at(1, 1), 1.0) << type;
    EXPECT_NEAR(r.at(3, 4), volatility, 1e-10) << type;
    EXPECT_NEAR(r.at(2, 1), price, 1e-9 * 1e6) << type << ": priced at the implied volatility";
  }
}

TEST_F(swaptions, unusableinputisreportedbyname) {
  frame hullwhiteprice = swaption("Payer", 0.04);
  hullwhiteprice.text("Model", "Jamshidian")
      .number("MeanReversion", 0.05)
      .number("Sigma", 0.01)
      .number("Price", 1000);
  frame twodates = swaption("Payer", 0.04);
  twodates.date("ExerciseDate", 2026, 1, 15).number("Volatility", 0.2);
  const std::vector<std::pair<frame, std::string>> rows = {
      {frame().text("Curve", "FLAT").text("Tenor", "5Y").number("Volatility", 0.2),
       "Swaption: give either the date \"ExerciseDate\" or the text \"Expiry\""},
      {twodates, "Swaption: give either the date \"ExerciseDate\" or the text \"Expiry\""},
      {swaption("Payer", 0.04).date("StartDate", 2026, 1, 15),
       "Swaption: the swap starts at the spot date of the exercise date; \"StartDate\" is not "
       "read"},
      {swaption("Payer", 0.04).text("Model", "SABR"),
       "Swaption: the text \"Model\" must name a swaption model, not \"SABR\"; the swaption "
       "models are: FlatVolatility, HullWhiteTree, Jamshidian"},
      {swaption("Payer", 0.04), "Swaption: the number \"Volatility\" is missing"},
      {swaption("Payer", 0.04).text("Model", "Jamshidian").number("Sigma", 0.01),
       "Swaption: the number \"MeanReversion\" is missing"},
      {swaption("Payer", 0.04)
           .text("Model", "HullWhiteTree")
           .number("MeanReversion", 0.05)
           .number("Sigma", 0.01)
           .number("TimeSteps", 1e9),
       "Swaption: the number \"TimeSteps\" must be a whole number from 1 to 500"},
      {hullwhiteprice,
       "Swaption: \"Price\" gives an implied flat volatility; it is read with the "
       "model FlatVolatility"},
      {swaption("Payer", 0.04).number("Price", 1e9),
       "Swaption: the number \"Price\" is reached by no volatility from 1e-07 to 4: "},
      {swaption("Payer", 0.04)
           .date("MaturityDate", 2025, 1, 15)
           .number("Volatility", 0.2)
           .text("Tenor", "5Y"),
       "Swaption: give either the date \"MaturityDate\" or the text \"Tenor\""},
  };
  for (const auto& row : rows) fitest::expectrefused("Swaption", row.first, row.second);
}

}  // namespace
