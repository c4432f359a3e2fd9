// CreditSwap: a single-name credit default swap on a kept discount curve, with a flat hazard rate
// or a hazard curve bootstrapped from quoted par spreads (QuantLib's SpreadCdsHelper and
// PiecewiseDefaultCurve, log-linear in survival probability). Priced by QuantLib's engine of the
// ISDA standard model (the default; it asks for a discount curve interpolated LogLinearDiscount
// or FlatForward on Actual365Fixed) or its mid-point engine. The swap follows the standard
// conventions by default: protection from the day after the curve's date, quarterly premiums on
// Actual/360 (the last period counting its last day), the CDS2015 dates, accrual paid on default,
// and the upfront paid three business days after the curve's date. The default leg and the
// premium leg with its accrual on default are integrated as O'Kane and Turnbull describe
// (Valuation of credit default swaps, Quantitative Credit Research Quarterly, 2003); the recovery
// is a fixed fraction of the notional.
#include <ql/instruments/creditdefaultswap.hpp>
#include <ql/math/interpolations/backwardflatinterpolation.hpp>
#include <ql/math/interpolations/loginterpolation.hpp>
#include <ql/pricingengines/credit/isdacdsengine.hpp>
#include <ql/pricingengines/credit/midpointcdsengine.hpp>
#include <ql/termstructures/credit/defaultprobabilityhelpers.hpp>
#include <ql/termstructures/credit/flathazardrate.hpp>
#include <ql/termstructures/credit/piecewisedefaultcurve.hpp>
#include <ql/termstructures/yield/piecewiseyieldcurve.hpp>
#include <ql/time/daycounters/actual360.hpp>
#include <ql/time/daycounters/actual365fixed.hpp>

#include "namedcurves.h"

namespace {

using namespace QuantLib;

constexpr double defaultrecovery = 0.4;
constexpr Natural protectionlag = 1;  // calendar days from the curve's date
constexpr Natural upfrontlag = 3;     // business days from the curve's date
constexpr Natural cashsettlementdays = 3;

const fikzr::choices<Protection::Side>& sides() {
  static const fikzr::choices<Protection::Side> table = {{"Buyer", Protection::Buyer},
                                                         {"Seller", Protection::Seller}};
  return table;
}

const fikzr::choices<CreditDefaultSwap::PricingModel>& engines() {
  static const fikzr::choices<CreditDefaultSwap::PricingModel> table = {
      {"ISDA", CreditDefaultSwap::ISDA}, {"MidPoint", CreditDefaultSwap::Midpoint}};
  return table;
}

// The schedule conventions shared by the swap and the quoted spreads.
struct cdsconventions {
  Calendar calendar;
  BusinessDayConvention convention;
  Frequency frequency;
  DayCounter counter, lastperiodcounter;
  DateGeneration::Rule rule;
  double recovery;
  CreditDefaultSwap::PricingModel model;
  bool standardrule() const {
    return rule == DateGeneration::CDS2015 || rule == DateGeneration::CDS ||
           rule == DateGeneration::OldCDS;
  }
};

cdsconventions readcdsconventions(const fikzr::inputs& in) {
  cdsconventions c;
  c.calendar = in.calendar("Calendar", "WeekendsOnly");
  c.convention = in.convention("Convention", "Following");
  c.frequency = in.frequency("Frequency", "Quarterly");
  c.counter = in.daycounter("DayCounter", "Actual360", c.calendar);
  c.lastperiodcounter = c.counter == Actual360() ? DayCounter(Actual360(true)) : c.counter;
  c.rule = in.dategeneration("DateGeneration", "CDS2015");
  c.recovery = in.nonnegative("Recovery", defaultrecovery);
  if (c.recovery >= 1.0) in.refuse("number", "Recovery", "must lie from 0 up to, not including, 1");
  c.model = in.choose("Engine", "ISDA", engines(), "a credit default swap engine", "engines");
  return c;
}

ext::shared_ptr<PricingEngine> engine(const cdsconventions& c,
                                      const Handle<DefaultProbabilityTermStructure>& hazard,
                                      const Handle<YieldTermStructure>& discounting) {
  if (c.model == CreditDefaultSwap::ISDA)
    return ext::make_shared<IsdaCdsEngine>(hazard, c.recovery, discounting, false);
  return ext::make_shared<MidPointCdsEngine>(hazard, c.recovery, discounting);
}

// The ISDA engine integrates between the curve's nodes with flat forwards between them.
void checkisdacurve(const fikzr::inputs& in, const YieldTermStructure& curve) {
  const bool flatforwards =
      dynamic_cast<const PiecewiseYieldCurve<Discount, LogLinear>*>(&curve) != nullptr ||
      dynamic_cast<const PiecewiseYieldCurve<ForwardRate, BackwardFlat>*>(&curve) != nullptr;
  if (!flatforwards || curve.dayCounter() != Actual365Fixed())
    in.fail(
        "the ISDA engine needs a curve built with the Interpolation LogLinearDiscount or "
        "FlatForward and the DayCounter Actual365Fixed (the Engine MidPoint takes any curve)");
}

// The hazard curve: a flat "HazardRate", or bootstrapped from "Tenors" and "Quotes" (par
// spreads); `pillars` receives its nodes after the curve's date.
Handle<DefaultProbabilityTermStructure> hazardcurve(const fikzr::inputs& in,
                                                    const cdsconventions& c, const Date& today,
                                                    const Handle<YieldTermStructure>& discounting,
                                                    std::vector<Date>& pillars) {
  if (in.hasnumber("HazardRate") == in.hastext("Tenors"))
    in.fail(
        "give either the number \"HazardRate\" or the quoted spreads (\"Tenors\" and "
        "\"Quotes\")");
  if (in.hasnumber("HazardRate"))
    return Handle<DefaultProbabilityTermStructure>(
        ext::make_shared<FlatHazardRate>(today, in.nonnegative("HazardRate"), Actual365Fixed()));
  const std::vector<Period> tenors = in.periods("Tenors", fikzr::mostquotes);
  const std::vector<double> quotes = in.numbers("Quotes");
  in.samelength("Quotes", quotes.size(), "Tenors", tenors.size());
  std::vector<ext::shared_ptr<DefaultProbabilityHelper>> helpers;
  for (std::size_t i = 0; i < tenors.size(); ++i) {
    if (!(quotes[i] > 0.0)) in.refuse("list", "Quotes", "must hold positive spreads");
    helpers.push_back(ext::make_shared<SpreadCdsHelper>(
        quotes[i], tenors[i], static_cast<Integer>(protectionlag), c.calendar, c.frequency,
        c.convention, c.rule, c.counter, c.recovery, discounting, true, true, Date(),
        c.lastperiodcounter, true, c.model));
  }
  const auto curve = ext::make_shared<PiecewiseDefaultCurve<SurvivalProbability, LogLinear>>(
      today, helpers, Actual365Fixed());
  try {
    const std::vector<Date> dates = curve->dates();
    pillars.assign(dates.begin() + 1, dates.end());
  } catch (const std::exception& error) {
    in.fail(std::string("the hazard bootstrap failed: ") + error.what());
  }
  return Handle<DefaultProbabilityTermStructure>(curve);
}

}  // namespace

void QL_CDS(fiinputholder& input, fioutputholder& output) {
  fikzr::answer(*input, *output, "CreditSwap", [](const fikzr::inputs& in, fioutput& out) {
    const fikzr::curveref kept = fikzr::namedcurve(in, "Curve");
    const Date today = kept->date();
    const Handle<YieldTermStructure> discounting(kept->curve);
    const cdsconventions c = readcdsconventions(in);
    if (c.model == CreditDefaultSwap::ISDA) checkisdacurve(in, *kept->curve);
    const Protection::Side side = in.choose("Type", "Buyer", sides(), "a side", "sides");
    const double notional = in.positive("Notional", fikzr::defaultnotional);
    const double spread = in.nonnegative("Spread");
    const double upfront = in.number("Upfront", 0.0);
    const Date protection = in.date("StartDate", today + static_cast<Integer>(protectionlag));
    if (protection <= today)
      in.fail("the start date " + fikzr::isodate(protection) + " is not after the curve's date " +
              fikzr::isodate(today));
    if (in.hasdate("MaturityDate") == in.hastext("Tenor"))
      in.fail("give either the date \"MaturityDate\" or the text \"Tenor\"");
    const Date maturity = in.hasdate("MaturityDate")
                              ? in.date("MaturityDate")
                              : (c.standardrule() ? cdsMaturity(in.date("StartDate", today),
                                                                in.period("Tenor"), c.rule)
                                                  : protection + in.period("Tenor"));
    if (maturity <= protection)
      in.fail("the maturity date " + fikzr::isodate(maturity) + " is not after the start date " +
              fikzr::isodate(protection));

    const fikzr::asof evaluation(today);
    std::vector<Date> pillars;
    const Handle<DefaultProbabilityTermStructure> hazard =
        hazardcurve(in, c, today, discounting, pillars);
    const Date first = c.standardrule() ? protection : c.calendar.adjust(protection, c.convention);
    const Schedule schedule(first, maturity, Period(c.frequency), c.calendar, c.convention,
                            Unadjusted, c.rule, false);
    CreditDefaultSwap cds(
        side, notional, upfront, spread, schedule, c.convention, c.counter, true, true, protection,
        c.calendar.advance(today, static_cast<Integer>(upfrontlag), Days), ext::shared_ptr<Claim>(),
        c.lastperiodcounter, true, today, cashsettlementdays);
    cds.setPricingEngine(engine(c, hazard, discounting));
    out.scalar = cds.NPV();
    out.values = {cds.NPV(),           cds.fairSpread(), cds.fairUpfront(),     cds.couponLegNPV(),
                  cds.defaultLegNPV(), cds.upfrontNPV(), cds.accrualRebateNPV()};
    if (pillars.empty())
      for (const auto& flow : cds.coupons()) pillars.push_back(flow->date());
    for (const Date& pillar : pillars)
      out.datedvalues.push_back({pillar, hazard->survivalProbability(pillar)});
  });
}
