// CapFloor: a cap, floor or collar (long the cap, short the floor) on the index of a kept curve,
// with a flat volatility: lognormal (QuantLib's Black engine, shifted when "Shift" is given) or
// normal (its Bachelier engine). Each caplet is Black's formula on the forward rate (Black, The
// pricing of commodity contracts, Journal of Financial Economics 3, 1976, pp. 167-179; Hull,
// Options, Futures, and Other Derivatives, the chapter on caps). Times to the fixings are in
// Actual/365 (Fixed); the volatility is flat across the caplets.
//
// The periods are those of the swap's floating leg from "StartDate" (spot by default); a period
// that fixed on or before the curve's date is no longer an option and is left out, so a cap
// starting at spot begins with its second period, as a market cap does.
#include <ql/cashflows/floatingratecoupon.hpp>
#include <ql/instruments/capfloor.hpp>
#include <ql/pricingengines/capfloor/bacheliercapfloorengine.hpp>
#include <ql/pricingengines/capfloor/blackcapfloorengine.hpp>
#include <ql/time/daycounters/actual365fixed.hpp>

#include "optionvolatility.h"
#include "swapterms.h"

namespace {

using namespace QuantLib;

const fikzr::choices<CapFloor::Type> capfloortypes() {
  return {{"Cap", CapFloor::Cap}, {"Floor", CapFloor::Floor}, {"Collar", CapFloor::Collar}};
}

// The floating periods that fix after `today`.
Leg optionperiods(const Leg& floating, const Date& today) {
  Leg periods;
  for (const auto& flow : floating) {
    const auto coupon = ext::dynamic_pointer_cast<FloatingRateCoupon>(flow);
    if (coupon && coupon->fixingDate() > today) periods.push_back(flow);
  }
  return periods;
}

ext::shared_ptr<PricingEngine> engine(const fikzr::flatvolatility& v,
                                      const Handle<YieldTermStructure>& discounting) {
  if (v.normal) return ext::make_shared<BachelierCapFloorEngine>(discounting, v.volatility);
  return ext::make_shared<BlackCapFloorEngine>(discounting, v.volatility, Actual365Fixed(),
                                               v.shift);
}

}  // namespace

void QL_Capfloor(fiinputholder& input, fioutputholder& output) {
  fikzr::answer(*input, *output, "CapFloor", [](const fikzr::inputs& in, fioutput& out) {
    const fikzr::market market(in);
    const fikzr::marketconventions& c = market.conventions();
    if (c.overnight)
      in.fail("caps and floors are priced on a term index; this curve's is overnight");
    const CapFloor::Type type =
        in.choose("Type", "Cap", capfloortypes(), "a cap or floor type", "types");
    fikzr::swapterms terms = fikzr::readswapterms(in, c);
    terms.fixedrate = 0.0;  // the swap gives the periods only
    const fikzr::flatvolatility volatility = fikzr::readflatvolatility(in);
    const Leg periods = optionperiods(
        fikzr::vanillaswap(terms, c, market.index(), market.discountcurve())->floatingLeg(),
        market.today());
    if (periods.empty())
      in.fail("no period of the cap fixes after the curve's date " +
              fikzr::isodate(market.today()));
    const auto pricing = engine(volatility, market.discountcurve());

    // The at-the-money rate: the strike whose cap and floor are worth the same.
    CapFloor probe(CapFloor::Cap, periods, std::vector<Rate>{0.0});
    const double atm = probe.atmRate(**market.discountcurve());
    std::vector<Rate> caprates, floorrates;
    if (type == CapFloor::Collar) {
      caprates = {in.number("CapStrike")};
      floorrates = {in.number("FloorStrike")};
    } else if (type == CapFloor::Cap) {
      caprates = {in.number("Strike", atm)};
    } else {
      floorrates = {in.number("Strike", atm)};
    }
    CapFloor instrument(type, periods, caprates, floorrates);
    instrument.setPricingEngine(pricing);
    out.scalar = instrument.NPV();
    out.values = {instrument.NPV(), atm};
    const auto optionlets = instrument.result<std::vector<Real>>("optionletsPrice");
    for (std::size_t i = 0; i < periods.size() && i < optionlets.size(); ++i)
      out.datedvalues.push_back({periods[i]->date(), optionlets[i]});
  });
}
