// BondOption: a callable or puttable fixed-rate bond on a kept curve under Hull-White, fitted to
// the curve, on QuantLib's trinomial tree (TreeCallableFixedRateBondEngine; Hull and White,
// Journal of Derivatives 2, 1994, pp. 7-16), beside the straight bond discounted on the same
// curve. The bond settles on the curve's date; its terms are read as FixedBond reads them, and
// its exercise schedule comes as the rows of table 8 (each a date and a clean price per 100 of
// face; the holder receives the price and the accrued interest). Exercise is Bermudan, on the
// dates given; the model's parameters are constant.
//
// The option's value is the straight bond's price less the callable one's (for a call, which
// the issuer holds) or the puttable one's less the straight one's (for a put, which the holder
// holds); the tree's own error is part of it. The option-adjusted spread of a "CleanPrice" is
// QuantLib's: the spread over the curve's zero rates at which the tree gives that price.
#include <ql/cashflow.hpp>
#include <ql/experimental/callablebonds/callablebond.hpp>
#include <ql/experimental/callablebonds/treecallablebondengine.hpp>
#include <ql/instruments/bonds/fixedratebond.hpp>
#include <ql/pricingengines/bond/discountingbondengine.hpp>

#include "bondterms.h"
#include "hullwhite.h"
#include "namedcurves.h"

namespace {

using namespace QuantLib;

const fikzr::choices<Callability::Type>& exercisetypes() {
  static const fikzr::choices<Callability::Type> table = {{"Call", Callability::Call},
                                                          {"Put", Callability::Put}};
  return table;
}

constexpr double oasaccuracy = 1.0e-10;
constexpr Size oasiterations = 50;  // each one prices on a new tree

CallabilitySchedule exerciseschedule(const fikzr::inputs& in, Callability::Type type,
                                     const Date& today, const Date& maturity) {
  CallabilitySchedule schedule;
  Date previous = today;
  std::size_t i = 0;
  for (const fikzr::datedrow& row : in.rows()) {
    const std::string name = "row " + std::to_string(++i) + " of table 8";
    if (row.date <= previous || row.date > maturity)
      in.fail(name + " (" + fikzr::isodate(row.date) + ") must come after " +
              (i == 1 ? "the curve's date " : "the row before it, ") + fikzr::isodate(previous) +
              " and not after the maturity date " + fikzr::isodate(maturity));
    if (!(row.amount > 0.0)) in.fail(name + " has a price that is not positive");
    schedule.push_back(
        ext::make_shared<Callability>(Bond::Price(row.amount, Bond::Price::Clean), type, row.date));
    previous = row.date;
  }
  return schedule;
}

}  // namespace

void QL_BondOption(fiinputholder& input, fioutputholder& output) {
  fikzr::answer(*input, *output, "BondOption", [](const fikzr::inputs& in, fioutput& out) {
    const fikzr::curveref kept = fikzr::namedcurve(in, "Curve");
    const Date today = kept->date();
    const Handle<YieldTermStructure> curve(kept->curve);
    const fikzr::bondterms b = fikzr::readbond(in);
    if (today < b.issue || today >= b.maturity)
      in.fail("the curve's date " + fikzr::isodate(today) +
              ", when the bond settles, must lie on "
              "or after the issue date " +
              fikzr::isodate(b.issue) + " and before the maturity date " +
              fikzr::isodate(b.maturity));
    const Callability::Type type =
        in.choose("Type", "Call", exercisetypes(), "an exercise type", "exercise types");
    const CallabilitySchedule exercises = exerciseschedule(in, type, today, b.maturity);
    const auto hullwhite = fikzr::readhullwhite(in, curve);
    const int steps = fikzr::readtimesteps(in);
    const Compounding compounding = in.compounding("Compounding", "Continuous");

    const fikzr::asof evaluation(today);
    CallableFixedRateBond callable(0, b.face, b.schedule, {b.coupon}, b.counter, b.convention,
                                   fikzr::pricebase, b.issue, exercises);
    callable.setPricingEngine(
        ext::make_shared<TreeCallableFixedRateBondEngine>(hullwhite, steps, curve));
    FixedRateBond straight(0, b.face, b.schedule, {b.coupon}, b.counter, b.convention,
                           fikzr::pricebase, b.issue);
    straight.setPricingEngine(ext::make_shared<DiscountingBondEngine>(curve));

    const double clean = callable.cleanPrice(), straightclean = straight.cleanPrice();
    out.scalar = clean;
    out.values = {clean, callable.dirtyPrice(), callable.accruedAmount(), straightclean,
                  type == Callability::Call ? straightclean - clean : clean - straightclean};
    if (in.hasnumber("CleanPrice")) {
      const double price = in.positive("CleanPrice");
      try {
        out.values.push_back(callable.OAS(price, curve, kept->curve->dayCounter(), compounding,
                                          b.frequency, today, oasaccuracy, oasiterations));
      } catch (const std::exception& error) {
        in.refuse("number", "CleanPrice",
                  std::string("is reached by no option-adjusted spread: ") + error.what());
      }
    }
    for (const ext::shared_ptr<CashFlow>& flow : callable.cashflows())
      if (!flow->hasOccurred(today)) out.datedvalues.push_back({flow->date(), flow->amount()});
  });
}
