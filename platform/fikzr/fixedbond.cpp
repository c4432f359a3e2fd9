// A fixed-rate bullet bond: price from yield or yield from price, accrued interest, durations,
// convexity and the cash flows, on QuantLib's FixedRateBond and BondFunctions.
//
// Prices and the accrued amount are quoted per 100 of face; the cash flows are in units of the
// face amount. The yield is compounded at the coupon frequency unless "Compounding" says
// otherwise. QuantLib's Macaulay duration is defined for compounded yields only; under continuous
// or simple compounding the duration reported as Macaulay's is QuantLib's simple duration (the
// present-value weighted mean time of the flows), which under continuous compounding is the same
// figure.
#include <ql/cashflow.hpp>
#include <ql/instruments/bonds/fixedratebond.hpp>
#include <ql/pricingengines/bond/bondfunctions.hpp>

#include "bondterms.h"
#include "fixedincome/fikzr.h"

void QL_FixedBond(fiinputholder& input, fioutputholder& output) {
  using namespace QuantLib;
  fikzr::answer(*input, *output, "FixedBond", [](const fikzr::inputs& in, fioutput& out) {
    const fikzr::bondterms b = fikzr::readbond(in);
    const Date settlement = in.date("SettlementDate");
    if (settlement < b.issue || settlement >= b.maturity)
      in.fail("the settlement date " + fikzr::isodate(settlement) +
              " must lie on or after the issue date " + fikzr::isodate(b.issue) +
              " and before the maturity date " + fikzr::isodate(b.maturity));
    const bool givenyield = in.hasnumber("Yield"), givenprice = in.hasnumber("CleanPrice");
    if (givenyield == givenprice)
      in.fail("give either the number \"Yield\" or the number \"CleanPrice\"");
    const Compounding yieldcompounding = in.compounding("Compounding", "Compounded");

    const FixedRateBond bond(0, b.face, b.schedule, {b.coupon}, b.counter, b.convention,
                             fikzr::pricebase, b.issue);
    double clean = 0.0, yield = 0.0;
    if (givenyield) {
      yield = in.number("Yield");
      clean = BondFunctions::cleanPrice(bond, yield, b.counter, yieldcompounding, b.frequency,
                                        settlement);
      out.scalar = clean;
    } else {
      clean = in.positive("CleanPrice");
      yield = BondFunctions::yield(bond, clean, b.counter, yieldcompounding, b.frequency,
                                   settlement, 1.0e-12, 200);
      out.scalar = yield;
    }
    const double accrued = BondFunctions::accruedAmount(bond, settlement);
    const InterestRate rate(yield, b.counter, yieldcompounding, b.frequency);
    const Duration::Type macaulaytype =
        yieldcompounding == Compounded ? Duration::Macaulay : Duration::Simple;
    out.values = {clean,
                  clean + accrued,
                  accrued,
                  yield,
                  BondFunctions::duration(bond, rate, macaulaytype, settlement),
                  BondFunctions::duration(bond, rate, Duration::Modified, settlement),
                  BondFunctions::convexity(bond, rate, settlement)};
    for (const ext::shared_ptr<CashFlow>& flow : bond.cashflows())
      out.datedvalues.push_back({flow->date(), flow->amount()});
  });
}
