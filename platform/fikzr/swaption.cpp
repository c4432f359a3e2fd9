// Swaption: a European swaption on the index of a kept curve, physically settled, priced with a
// flat volatility (QuantLib's Black engine for a lognormal volatility, shifted when "Shift" is
// given, its Bachelier engine for a normal one) or under Hull-White, fitted to the curve, on a
// trinomial tree or by Jamshidian's decomposition (Jamshidian, 1989). Times to expiry are in
// Actual/365 (Fixed). The Hull-White models price on one curve.
#include <cmath>
#include <vector>

#include <ql/exercise.hpp>
#include <ql/instruments/swaption.hpp>
#include <ql/pricingengines/swaption/blackswaptionengine.hpp>
#include <ql/pricingengines/swaption/jamshidianswaptionengine.hpp>
#include <ql/pricingengines/swaption/treeswaptionengine.hpp>
#include <ql/time/daycounters/actual365fixed.hpp>

#include "hullwhite.h"
#include "optionvolatility.h"
#include "swapterms.h"

namespace {

using namespace QuantLib;

enum class model { flatvolatility, hullwhitetree, jamshidian };

const fikzr::choices<model>& models() {
  static const fikzr::choices<model> table = {{"FlatVolatility", model::flatvolatility},
                                              {"HullWhiteTree", model::hullwhitetree},
                                              {"Jamshidian", model::jamshidian}};
  return table;
}

constexpr double basispoint = 1.0e-4;
constexpr double impliedaccuracy = 1.0e-12;
constexpr Natural impliedevaluations = 200;
constexpr double leastvolatility = 1.0e-7, mostvolatility = 4.0;

Date exercisedate(const fikzr::inputs& in, const fikzr::market& market) {
  if (in.hasdate("ExerciseDate") == in.hastext("Expiry"))
    in.fail("give either the date \"ExerciseDate\" or the text \"Expiry\"");
  const fikzr::marketconventions& c = market.conventions();
  const Date exercise =
      in.hasdate("ExerciseDate")
          ? in.date("ExerciseDate")
          : c.calendar().advance(market.today(), in.period("Expiry"), c.convention());
  if (exercise <= market.today())
    in.fail("the exercise date " + fikzr::isodate(exercise) + " is not after the curve's date " +
            fikzr::isodate(market.today()));
  return exercise;
}

// The flat volatility at which the swaption is worth "Price".
double impliedvolatility(const fikzr::inputs& in, const Swaption& swaption,
                         const fikzr::market& market, const fikzr::flatvolatility& flat,
                         double guess) {
  const double price = in.positive("Price");
  try {
    return swaption.impliedVolatility(price, market.discountcurve(), guess, impliedaccuracy,
                                      impliedevaluations, leastvolatility, mostvolatility,
                                      flat.type(), flat.shift);
  } catch (const std::exception& error) {
    in.refuse("number", "Price",
              std::string("is reached by no volatility from 1e-07 to 4: ") + error.what());
  }
}

}  // namespace

void QL_Swaption(fiinputholder& input, fioutputholder& output) {
  fikzr::answer(*input, *output, "Swaption", [](const fikzr::inputs& in, fioutput& out) {
    const fikzr::market market(in);
    const fikzr::marketconventions& c = market.conventions();
    if (c.overnight) in.fail("swaptions are priced on a term index; this curve's is overnight");
    if (in.hasdate("StartDate"))
      in.fail("the swap starts at the spot date of the exercise date; \"StartDate\" is not read");
    const Date exercise = exercisedate(in, market);
    fikzr::swapterms terms = fikzr::readswapterms(in, c);
    terms.type = fikzr::readswaptype(in);
    terms.start = c.spot(exercise);
    if (terms.end != Date() && terms.end <= terms.start)
      in.fail("the maturity date " + fikzr::isodate(terms.end) +
              " is not after the swap's start date " + fikzr::isodate(terms.start));
    const model chosen =
        in.choose("Model", "FlatVolatility", models(), "a swaption model", "swaption models");

    const auto underlying = fikzr::vanillaswap(terms, c, market.index(), market.discountcurve());
    Swaption swaption(underlying, ext::make_shared<EuropeanExercise>(exercise));
    std::vector<double> implied;
    ext::shared_ptr<PricingEngine> engine;
    if (chosen == model::flatvolatility) {
      // With a price and no volatility, the swaption is priced at the price's own volatility.
      const bool priced = in.hasnumber("Price");
      fikzr::flatvolatility flat =
          fikzr::readflatvolatility(in, !priced || in.hasnumber("Volatility"));
      if (priced) {
        const double guess =
            in.hasnumber("Volatility") ? flat.volatility : (flat.normal ? 0.01 : 0.2);
        implied.push_back(impliedvolatility(in, swaption, market, flat, guess));
        if (!in.hasnumber("Volatility")) flat.volatility = implied.back();
      }
      if (flat.normal)
        engine = ext::make_shared<BachelierSwaptionEngine>(market.discountcurve(), flat.volatility);
      else
        engine = ext::make_shared<BlackSwaptionEngine>(market.discountcurve(), flat.volatility,
                                                       Actual365Fixed(), flat.shift);
    } else {
      if (in.hastext("DiscountCurve"))
        in.fail("the Hull-White models price on one curve; \"DiscountCurve\" is not read");
      if (in.hasnumber("Price"))
        in.fail(
            "\"Price\" gives an implied flat volatility; it is read with the model "
            "FlatVolatility");
      const auto hullwhite = fikzr::readhullwhite(in, market.discountcurve());
      if (chosen == model::hullwhitetree)
        engine = ext::make_shared<TreeSwaptionEngine>(hullwhite, fikzr::readtimesteps(in),
                                                      market.discountcurve());
      else
        engine = ext::make_shared<JamshidianSwaptionEngine>(hullwhite, market.discountcurve());
    }
    swaption.setPricingEngine(engine);
    out.scalar = swaption.NPV();
    out.values = {swaption.NPV(), underlying->fairRate(),
                  std::fabs(underlying->fixedLegBPS()) / basispoint};
    out.values.insert(out.values.end(), implied.begin(), implied.end());
  });
}
