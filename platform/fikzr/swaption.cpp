// Swaption: a European swaption on the index of a kept curve, physically settled, priced with a
// flat volatility (QuantLib's Black engine for a lognormal volatility, shifted when "Shift" is
// given, its Bachelier engine for a normal one) or under Hull-White, fitted to the curve, on a
// trinomial tree (Hull and White, Numerical procedures for implementing term structure models I,
// Journal of Derivatives 2, 1994, pp. 7-16) or by Jamshidian's decomposition (An exact bond
// option formula, Journal of Finance 44, 1989, pp. 205-209). Times to expiry are in Actual/365
// (Fixed). The Hull-White models price on one curve, their parameters constant.
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

// The pricing model and its keys, read before anything is priced.
struct pricing {
  model chosen;
  fikzr::flatvolatility flat{};  // FlatVolatility
  bool givenvolatility = false;
  double price = 0.0;                    // "Price", 0 when none
  ext::shared_ptr<HullWhite> hullwhite;  // the Hull-White models
  int steps = 0;
};

pricing readpricing(const fikzr::inputs& in, const fikzr::market& market) {
  pricing p;
  p.chosen = in.choose("Model", "FlatVolatility", models(), "a swaption model", "swaption models");
  if (p.chosen == model::flatvolatility) {
    // With a price and no volatility, the swaption is priced at the price's own volatility.
    p.givenvolatility = in.hasnumber("Volatility") || !in.hasnumber("Price");
    p.flat = fikzr::readflatvolatility(in, p.givenvolatility);
    p.price = in.positive("Price", 0.0);
    return p;
  }
  if (in.hastext("DiscountCurve"))
    in.fail("the Hull-White models price on one curve; \"DiscountCurve\" is not read");
  if (in.hasnumber("Price"))
    in.fail("\"Price\" gives an implied flat volatility; it is read with the model FlatVolatility");
  p.hullwhite = fikzr::readhullwhite(in, market.discountcurve());
  if (p.chosen == model::hullwhitetree) p.steps = fikzr::readtimesteps(in);
  return p;
}

// The flat volatility at which the swaption is worth `p.price`.
double impliedvolatility(const fikzr::inputs& in, const Swaption& swaption,
                         const fikzr::market& market, const pricing& p) {
  const double guess = p.givenvolatility ? p.flat.volatility : (p.flat.normal ? 0.01 : 0.2);
  try {
    return swaption.impliedVolatility(p.price, market.discountcurve(), guess, impliedaccuracy,
                                      impliedevaluations, leastvolatility, mostvolatility,
                                      p.flat.type(), p.flat.shift);
  } catch (const std::exception& error) {
    in.refuse("number", "Price",
              std::string("is reached by no volatility from 1e-07 to 4: ") + error.what());
  }
}

ext::shared_ptr<PricingEngine> engine(const pricing& p, const fikzr::market& market) {
  switch (p.chosen) {
    case model::flatvolatility:
      if (p.flat.normal)
        return ext::make_shared<BachelierSwaptionEngine>(market.discountcurve(), p.flat.volatility);
      return ext::make_shared<BlackSwaptionEngine>(market.discountcurve(), p.flat.volatility,
                                                   Actual365Fixed(), p.flat.shift);
    case model::hullwhitetree:
      return ext::make_shared<TreeSwaptionEngine>(p.hullwhite, p.steps, market.discountcurve());
    case model::jamshidian: break;
  }
  return ext::make_shared<JamshidianSwaptionEngine>(p.hullwhite, market.discountcurve());
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
    pricing p = readpricing(in, market);

    const auto underlying = fikzr::vanillaswap(terms, c, market.index(), market.discountcurve());
    Swaption swaption(underlying, ext::make_shared<EuropeanExercise>(exercise));
    std::vector<double> implied;
    if (p.price > 0.0) {
      implied.push_back(impliedvolatility(in, swaption, market, p));
      if (!p.givenvolatility) p.flat.volatility = implied.back();
    }
    swaption.setPricingEngine(engine(p, market));
    out.scalar = swaption.NPV();
    out.values = {swaption.NPV(), underlying->fairRate(),
                  std::fabs(underlying->fixedLegBPS()) / basispoint};
    out.values.insert(out.values.end(), implied.begin(), implied.end());
  });
}
