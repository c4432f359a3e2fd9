// InterestSwap: a vanilla fixed-for-floating swap on kept curves (QuantLib's VanillaSwap, or its
// OvernightIndexedSwap when the curve's index is overnight, with the discounting swap engine):
// NPV, fair rate, fair spread, the legs' values and BPS, and the cash flows still to be paid. Each
// leg is its cash flows discounted on the curve, the floating ones forecast from it (Hull,
// Options, Futures, and Other Derivatives, the valuation of swaps).
//
// A period whose index fixing lies before the curve's date needs that fixing: "CurrentFixing"
// gives it for a term index (it is dropped again when the call ends).
#include <optional>

#include <ql/cashflows/floatingratecoupon.hpp>
#include <ql/indexes/indexmanager.hpp>

#include "swapterms.h"

namespace {

using namespace QuantLib;

// Holds a fixing of the index for one call: QuantLib keeps fixings process-wide, by index name.
class fixingforcall {
 public:
  fixingforcall(const ext::shared_ptr<IborIndex>& index, const Date& date, double value)
      : name(index->name()) {
    index->addFixing(date, value, true);
  }
  ~fixingforcall() { IndexManager::instance().clearHistory(name); }
  fixingforcall(const fixingforcall&) = delete;
  fixingforcall& operator=(const fixingforcall&) = delete;

 private:
  std::string name;
};

// The fixing date of the floating period running at `today` that fixed on or before it.
Date currentfixingdate(const Leg& floating, const Date& today) {
  for (const auto& flow : floating) {
    const auto coupon = ext::dynamic_pointer_cast<FloatingRateCoupon>(flow);
    if (coupon && coupon->date() > today && coupon->fixingDate() <= today)
      return coupon->fixingDate();
  }
  return Date();
}

template <typename swaptype>
void writeswap(const swaptype& swap, double fixedsign, const Date& today, fioutput& out) {
  out.scalar = swap.NPV();
  out.values = {swap.NPV(),     swap.fairRate(), swap.fairSpread(), swap.legNPV(0),
                swap.legNPV(1), swap.legBPS(0),  swap.legBPS(1)};
  for (int leg = 0; leg < 2; ++leg) {
    const double sign = leg == 0 ? fixedsign : -fixedsign;
    for (const auto& flow : swap.leg(leg))
      if (!flow->hasOccurred(today))
        out.datedvalues.push_back({flow->date(), sign * flow->amount()});
  }
}

}  // namespace

void QL_Swap(fiinputholder& input, fioutputholder& output) {
  fikzr::answer(*input, *output, "InterestSwap", [](const fikzr::inputs& in, fioutput& out) {
    const fikzr::market market(in);
    const fikzr::marketconventions& c = market.conventions();
    fikzr::swapterms terms = fikzr::readswapterms(in, c);
    terms.type = fikzr::readswaptype(in);
    const double fixedsign = terms.type == Swap::Payer ? -1.0 : 1.0;
    const Date end = terms.end != Date()     ? terms.end
                     : terms.start != Date() ? terms.start + terms.tenor
                                             : Date();
    if (end != Date() && end <= market.today())
      in.fail("the swap ends on " + fikzr::isodate(end) + ", not after the curve's date " +
              fikzr::isodate(market.today()));
    if (c.overnight) {
      if (in.hasnumber("CurrentFixing"))
        in.fail("\"CurrentFixing\" is read for a term index; this curve's index is overnight");
      const auto index = ext::dynamic_pointer_cast<OvernightIndex>(market.index());
      writeswap(*fikzr::overnightswap(terms, c, index, market.discountcurve()), fixedsign,
                market.today(), out);
      return;
    }
    // A swap that started before spot may be in a period whose fixing is past.
    std::optional<fixingforcall> fixing;
    const bool givenfixing = in.hasnumber("CurrentFixing");
    const bool seasoned = terms.start != Date() && terms.start < c.spot(market.today());
    if (givenfixing || seasoned) {
      // The dates alone, from the swap at a zero rate (the fair rate would need the fixing).
      fikzr::swapterms probe = terms;
      probe.fixedrate = 0.0;
      const Date date = currentfixingdate(
          fikzr::vanillaswap(probe, c, market.index(), market.discountcurve())->floatingLeg(),
          market.today());
      if (givenfixing && date == Date())
        in.fail(
            "\"CurrentFixing\" is given, but no period of the floating leg fixed on or "
            "before the curve's date " +
            fikzr::isodate(market.today()));
      if (!givenfixing && date != Date() && date < market.today())
        in.fail("the floating period running at the curve's date fixed on " + fikzr::isodate(date) +
                ": give that fixing as the number \"CurrentFixing\"");
      if (givenfixing) fixing.emplace(market.index(), date, in.number("CurrentFixing"));
    }
    writeswap(*fikzr::vanillaswap(terms, c, market.index(), market.discountcurve()), fixedsign,
              market.today(), out);
  });
}
