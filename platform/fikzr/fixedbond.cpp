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
#include <ql/time/schedule.hpp>

#include "fixedincome/fikzr.h"
#include "fikzrinputs.h"

namespace {

constexpr double defaultfaceamount = 100.0;
constexpr double largestcoupon = 100.0;  // 10000%; beyond it the schedule is surely mistyped

QuantLib::Compounding compounding(const fikzr::inputs& in) {
  const std::string name = in.text("Compounding", "Compounded");
  if (name == "Compounded") return QuantLib::Compounded;
  if (name == "Continuous") return QuantLib::Continuous;
  if (name == "Simple") return QuantLib::Simple;
  in.fail("unknown compounding \"" + name +
          "\"; the compoundings are: Compounded, Continuous, Simple");
}

}  // namespace

void QL_FixedBond(fiinputholder& input, fioutputholder& output) {
  using namespace QuantLib;
  const fikzr::inputs in(*input, "FixedBond");
  const Date issue = in.date("IssueDate");
  const Date maturity = in.date("MaturityDate");
  const Date settlement = in.date("SettlementDate");
  if (maturity <= issue)
    in.fail("the maturity date " + fikzr::isodate(maturity) + " is not after the issue date " +
            fikzr::isodate(issue));
  if (settlement < issue || settlement >= maturity)
    in.fail("the settlement date " + fikzr::isodate(settlement) +
            " must lie on or after the issue date " + fikzr::isodate(issue) +
            " and before the maturity date " + fikzr::isodate(maturity));
  const double coupon = in.number("Coupon");
  if (coupon < 0.0 || coupon > largestcoupon)
    in.fail("the number \"Coupon\" must lie between 0 and 100 (a rate, 0.05 for 5%)");
  const double face = in.number("FaceAmount", defaultfaceamount);
  if (face <= 0.0) in.fail("the number \"FaceAmount\" must be positive");
  const bool givenyield = in.hasnumber("Yield"), givenprice = in.hasnumber("CleanPrice");
  if (givenyield == givenprice)
    in.fail("give either the number \"Yield\" or the number \"CleanPrice\"");

  const Calendar calendar = in.calendar(in.text("Calendar", "NullCalendar"));
  const DayCounter counter = in.daycounter(in.text("DayCounter", "ActualActualISMA"), calendar);
  const BusinessDayConvention convention = in.convention(in.text("Convention", "Unadjusted"));
  const Frequency frequency = in.frequency(in.text("Frequency", "Semiannual"));
  const Compounding yieldcompounding = compounding(in);

  const Schedule schedule(issue, maturity, Period(frequency), calendar, convention, convention,
                          DateGeneration::Backward, false);
  const FixedRateBond bond(0, face, schedule, {coupon}, counter, convention, 100.0, issue);

  double clean = 0.0, yield = 0.0;
  if (givenyield) {
    yield = in.number("Yield");
    clean = BondFunctions::cleanPrice(bond, yield, counter, yieldcompounding, frequency,
                                      settlement);
    output->scalar = clean;
  } else {
    clean = in.number("CleanPrice");
    if (clean <= 0.0) in.fail("the number \"CleanPrice\" must be positive");
    yield = BondFunctions::yield(bond, clean, counter, yieldcompounding, frequency, settlement,
                                 1.0e-12, 200);
    output->scalar = yield;
  }
  const double accrued = BondFunctions::accruedAmount(bond, settlement);
  const InterestRate rate(yield, counter, yieldcompounding, frequency);
  const Duration::Type macaulaytype =
      yieldcompounding == Compounded ? Duration::Macaulay : Duration::Simple;
  output->values = {clean,
                    clean + accrued,
                    accrued,
                    yield,
                    BondFunctions::duration(bond, rate, macaulaytype, settlement),
                    BondFunctions::duration(bond, rate, Duration::Modified, settlement),
                    BondFunctions::convexity(bond, rate, settlement)};
  for (const ext::shared_ptr<CashFlow>& flow : bond.cashflows())
    output->datedvalues.push_back({flow->date(), flow->amount()});
}
