#include "swapterms.h"

#include <cmath>

#include <ql/instruments/makeois.hpp>
#include <ql/instruments/makevanillaswap.hpp>
#include <ql/pricingengines/swap/discountingswapengine.hpp>

namespace fikzr {

namespace {

using namespace QuantLib;

constexpr double largestrate = 100.0;  // 10000%: beyond it a rate is surely mistyped

const choices<Swap::Type>& swaptypes() {
  static const choices<Swap::Type> table = {{"Payer", Swap::Payer}, {"Receiver", Swap::Receiver}};
  return table;
}

double rate(const inputs& in, const std::string& key) {
  const double value = in.number(key);
  if (std::fabs(value) > largestrate)
    in.refuse("number", key, "must lie between -100 and 100 (a rate, 0.05 for 5%)");
  return value;
}

}  // namespace

Swap::Type readswaptype(const inputs& in) {
  return in.choose("Type", "Payer", swaptypes(), "a swap type", "swap types");
}

fixedleg readfixedleg(const inputs& in, const marketconventions& conventions) {
  return {in.hastext("FixedFrequency") ? in.frequency("FixedFrequency", nullptr)
                                       : conventions.fixedfrequency,
          in.hastext("FixedDayCounter")
              ? in.daycounter("FixedDayCounter", nullptr, conventions.calendar())
              : conventions.fixeddaycounter};
}

swapterms readswapterms(const inputs& in, const marketconventions& conventions) {
  swapterms t;
  t.type = Swap::Payer;
  t.notional = in.positive("Notional", defaultnotional);
  t.start = in.date("StartDate", Date());
  if (in.hasdate("MaturityDate") == in.hastext("Tenor"))
    in.fail("give either the date \"MaturityDate\" or the text \"Tenor\"");
  if (in.hasdate("MaturityDate")) {
    t.end = in.date("MaturityDate");
    if (t.start != Date() && t.end <= t.start)
      in.fail("the maturity date " + isodate(t.end) + " is not after the start date " +
              isodate(t.start));
  } else {
    t.tenor = in.period("Tenor");
  }
  t.fixedrate = in.hasnumber("FixedRate") ? rate(in, "FixedRate") : Null<Rate>();
  t.spread = in.hasnumber("Spread") ? rate(in, "Spread") : 0.0;
  const fixedleg fixed = readfixedleg(in, conventions);
  t.fixedfrequency = fixed.frequency;
  t.fixeddaycounter = fixed.counter;
  t.floatingdaycounter = in.hastext("FloatingDayCounter")
                             ? in.daycounter("FloatingDayCounter", nullptr, conventions.calendar())
                             : conventions.index->dayCounter();
  return t;
}

namespace {

// The dates, side, notional and discounting that QuantLib's two swap makers share.
template <typename maker>
maker& dated(maker& make, const swapterms& t, const marketconventions& c,
             const Handle<YieldTermStructure>& discounting) {
  make.withSettlementDays(c.settlementdays).withEffectiveDate(t.start);
  if (t.end != Date()) make.withTerminationDate(t.end);
  return make.withType(t.type).withNominal(t.notional).withDiscountingTermStructure(discounting);
}

}  // namespace

ext::shared_ptr<VanillaSwap> vanillaswap(const swapterms& t, const marketconventions& c,
                                         const ext::shared_ptr<IborIndex>& index,
                                         const Handle<YieldTermStructure>& discounting) {
  // The chain of the curve's swap quotes, so that a quoted tenor gets the quote's dates.
  MakeVanillaSwap make(t.tenor, index, t.fixedrate);
  return dated(make, t, c, discounting)
      .withFixedLegDayCount(t.fixeddaycounter)
      .withFixedLegTenor(Period(t.fixedfrequency))
      .withFixedLegConvention(c.convention())
      .withFixedLegTerminationDateConvention(c.convention())
      .withFixedLegCalendar(c.calendar())
      .withFloatingLegCalendar(c.calendar())
      .withFloatingLegDayCount(t.floatingdaycounter)
      .withFloatingLegSpread(t.spread);
}

ext::shared_ptr<OvernightIndexedSwap> overnightswap(const swapterms& t, const marketconventions& c,
                                                    const ext::shared_ptr<OvernightIndex>& index,
                                                    const Handle<YieldTermStructure>& discounting) {
  // The chain of the curve's OIS quotes.
  MakeOIS make(t.tenor, index, t.fixedrate);
  return dated(make, t, c, discounting)
      .withPaymentAdjustment(Following)
      .withPaymentFrequency(t.fixedfrequency)
      .withPaymentCalendar(c.calendar())
      .withFixedLegDayCount(t.fixeddaycounter)
      .withOvernightLegSpread(t.spread);
}

}  // namespace fikzr
