// Curve: a yield curve bootstrapped from market quotes (deposits, FRAs, futures, swaps and
// overnight-indexed swaps) on QuantLib's PiecewiseYieldCurve, kept under a name for later calls;
// and the operations on the table of kept curves.
//
// The bootstrap makes every quoted instrument price at its quote on the curve (QuantLib's
// iterative bootstrap, accuracy 1e-12). Futures carry no convexity adjustment. Pillars follow
// QuantLib's choice of each instrument's last relevant date. The interpolations are those Hagan
// and West review (Interpolation methods for curve construction, Appl. Math. Finance
// 13, 2006, pp. 89-129): log-linear discount factors (piecewise flat forwards), linear zero rates,
// Kruger's cubic on log discount factors and the natural cubic spline on zero rates.
#include <cctype>

#include <ql/math/interpolations/backwardflatinterpolation.hpp>
#include <ql/math/interpolations/cubicinterpolation.hpp>
#include <ql/math/interpolations/linearinterpolation.hpp>
#include <ql/math/interpolations/loginterpolation.hpp>
#include <ql/quotes/simplequote.hpp>
#include <ql/termstructures/yield/oisratehelper.hpp>
#include <ql/termstructures/yield/piecewiseyieldcurve.hpp>
#include <ql/termstructures/yield/ratehelpers.hpp>
#include <ql/time/daycounters/actual365fixed.hpp>
#include <ql/time/imm.hpp>

#include "curvequantities.h"
#include "namedcurves.h"

namespace {

using namespace QuantLib;
using helpers = std::vector<ext::shared_ptr<RateHelper>>;

enum class operation { build, list, remove, clear };
enum class quotekind { deposit, fra, future, swap, ois };
enum class interpolation { loglineardiscount, linearzero, flatforward, krugerlog, cubiczero };

const fikzr::choices<operation>& operations() {
  static const fikzr::choices<operation> table = {{"Build", operation::build},
                                                  {"List", operation::list},
                                                  {"Remove", operation::remove},
                                                  {"Clear", operation::clear}};
  return table;
}

const fikzr::choices<quotekind>& quotekinds() {
  static const fikzr::choices<quotekind> table = {{"Deposit", quotekind::deposit},
                                                  {"FRA", quotekind::fra},
                                                  {"Future", quotekind::future},
                                                  {"Swap", quotekind::swap},
                                                  {"OIS", quotekind::ois}};
  return table;
}

const fikzr::choices<interpolation>& interpolations() {
  static const fikzr::choices<interpolation> table = {
      {"LogLinearDiscount", interpolation::loglineardiscount},
      {"LinearZero", interpolation::linearzero},
      {"FlatForward", interpolation::flatforward},
      {"KrugerLogDiscount", interpolation::krugerlog},
      {"NaturalCubicZero", interpolation::cubiczero}};
  return table;
}

constexpr int futuremonths = 3;  // the deposit period of a rate future

// The quote table: the kinds, tenors and quotes of the instruments, one item each.
struct quotetable {
  std::vector<quotekind> kinds;
  std::vector<std::string> tenors;
  std::vector<double> quotes;
};

quotetable readquotes(const fikzr::inputs& in) {
  quotetable q;
  for (const std::string& item : in.items("Instruments", fikzr::mostquotes)) {
    bool known = false;
    for (const auto& row : quotekinds())
      if (row.first == item) {
        q.kinds.push_back(row.second);
        known = true;
      }
    if (!known)
      in.refuse("text", "Instruments",
                "must list instrument kinds (Deposit, FRA, Future, Swap, OIS); \"" + item +
                    "\" is not one");
  }
  q.tenors = in.items("Tenors");
  if (q.tenors.size() != q.kinds.size())
    in.refuse("text", "Tenors",
              "has " + std::to_string(q.tenors.size()) + " items; it needs one for each of the " +
                  std::to_string(q.kinds.size()) + " items of \"Instruments\"");
  q.quotes = in.numbers("Quotes");
  in.samelength("Quotes", q.quotes.size(), "Instruments", q.kinds.size());
  return q;
}

// Tenor item i refused with what a tenor of its kind looks like.
[[noreturn]] void badtenor(const fikzr::inputs& in, std::size_t i, const std::string& tenor,
                           const char* expected) {
  in.refuse("text", "Tenors",
            "item " + std::to_string(i + 1) + " must be " + expected + ", not \"" + tenor + "\"");
}

Period periodof(const fikzr::inputs& in, std::size_t i, const std::string& tenor) {
  Period period;
  if (!fikzr::parseperiod(tenor, period) || period.length() <= 0)
    badtenor(in, i, tenor, "a period such as 3M or 2Y");
  return period;
}

// "3x6": months to the start and to the end of a FRA.
std::pair<Natural, Natural> framonths(const fikzr::inputs& in, std::size_t i,
                                      const std::string& tenor) {
  const auto x = tenor.find_first_of("xX");
  const std::string start = tenor.substr(0, x),
                    end = x == std::string::npos ? "" : tenor.substr(x + 1);
  auto digits = [](const std::string& s) {
    if (s.empty() || s.size() > 3) return false;
    for (char c : s)
      if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
  };
  if (!digits(start) || !digits(end) || std::stoi(start) >= std::stoi(end))
    badtenor(in, i, tenor, "months to start x months to end, such as 3x6, for a FRA");
  return {static_cast<Natural>(std::stoi(start)), static_cast<Natural>(std::stoi(end))};
}

helpers buildhelpers(const fikzr::inputs& in, const quotetable& q,
                     const fikzr::marketconventions& c, const Date& today,
                     const Handle<YieldTermStructure>& discounting) {
  const Calendar calendar = c.calendar();
  const BusinessDayConvention convention = c.convention();
  const bool eom = c.index->endOfMonth();
  const DayCounter counter = c.index->dayCounter();
  const auto overnight = ext::dynamic_pointer_cast<OvernightIndex>(c.index);
  helpers made;
  for (std::size_t i = 0; i < q.kinds.size(); ++i) {
    const double quote = q.quotes[i];
    const std::string& tenor = q.tenors[i];
    switch (q.kinds[i]) {
      case quotekind::deposit:
        made.push_back(ext::make_shared<DepositRateHelper>(
            quote, periodof(in, i, tenor), c.settlementdays, calendar, convention, eom, counter));
        break;
      case quotekind::fra: {
        const auto months = framonths(in, i, tenor);
        made.push_back(ext::make_shared<FraRateHelper>(quote, months.first, months.second,
                                                       c.settlementdays, calendar, convention, eom,
                                                       counter));
        break;
      }
      case quotekind::future: {
        if (!IMM::isIMMcode(tenor, false))
          badtenor(in, i, tenor, "an IMM code such as H5, M5, U5 or Z5 for a future");
        made.push_back(ext::make_shared<FuturesRateHelper>(
            quote, IMM::date(tenor, today), futuremonths, calendar, convention, eom, counter));
        break;
      }
      case quotekind::swap:
        if (c.overnight)
          in.fail("item " + std::to_string(i + 1) +
                  " of \"Instruments\" is a Swap, which needs "
                  "a term index; the index of this curve is overnight (quote OIS instead)");
        made.push_back(ext::make_shared<SwapRateHelper>(
            quote, periodof(in, i, tenor), calendar, c.fixedfrequency, convention,
            c.fixeddaycounter, c.index, Handle<Quote>(), 0 * Days, discounting, c.settlementdays));
        break;
      case quotekind::ois:
        if (!overnight)
          in.fail("item " + std::to_string(i + 1) +
                  " of \"Instruments\" is an OIS, which needs "
                  "an overnight index (\"Index\" SOFR, ESTR, SONIA or FedFunds, or \"IndexTenor\" "
                  "1D)");
        made.push_back(ext::make_shared<OISRateHelper>(
            c.settlementdays, periodof(in, i, tenor),
            Handle<Quote>(ext::make_shared<SimpleQuote>(quote)), overnight, discounting, false, 0,
            Following, c.fixedfrequency, calendar));
        break;
    }
  }
  return made;
}

// A bootstrapped curve and its pillars. The curve is computed here and then frozen and cut off
// from its instruments, so that it answers from its nodes alone from then on.
struct bootstrap {
  ext::shared_ptr<YieldTermStructure> curve;
  std::vector<Date> pillars;
};

// QuantLib's accuracy for the pillars' discount factors or rates. A cubic interpolation ties every
// node to every quote, and its passes over the curve settle a little above 1e-12.
constexpr double localaccuracy = 1.0e-12, cubicaccuracy = 1.0e-11;

template <typename traits, typename interpolator>
bootstrap bootstrapped(const fikzr::inputs& in, const Date& today, const helpers& instruments,
                       const DayCounter& counter, const interpolator& method = interpolator(),
                       double accuracy = localaccuracy) {
  using curvetype = PiecewiseYieldCurve<traits, interpolator>;
  auto curve = ext::make_shared<curvetype>(today, instruments, counter, method,
                                           typename curvetype::bootstrap_type(accuracy));
  std::vector<Date> dates;
  try {
    dates = curve->dates();
  } catch (const std::exception& error) {
    in.fail(std::string("the bootstrap failed: ") + error.what());
  }
  curve->freeze();
  curve->unregisterWithAll();
  for (const auto& instrument : instruments) instrument->unregisterWithAll();
  return {curve, std::vector<Date>(dates.begin() + 1, dates.end())};
}

bootstrap bootstrapcurve(const fikzr::inputs& in, const Date& today, const helpers& instruments,
                         const DayCounter& counter) {
  switch (in.choose("Interpolation", "LogLinearDiscount", interpolations(), "an interpolation",
                    "interpolations")) {
    case interpolation::loglineardiscount:
      return bootstrapped<Discount, LogLinear>(in, today, instruments, counter);
    case interpolation::linearzero:
      return bootstrapped<ZeroYield, Linear>(in, today, instruments, counter);
    case interpolation::flatforward:
      return bootstrapped<ForwardRate, BackwardFlat>(in, today, instruments, counter);
    case interpolation::krugerlog:
      return bootstrapped<Discount, KrugerLog>(in, today, instruments, counter, KrugerLog(),
                                               cubicaccuracy);
    case interpolation::cubiczero: break;
  }
  return bootstrapped<ZeroYield, Cubic>(in, today, instruments, counter,
                                        Cubic(CubicInterpolation::Spline), cubicaccuracy);
}

// The text "Name", which must not be empty.
std::string curvename(const fikzr::inputs& in) {
  const std::string name = in.text("Name");
  if (name.empty()) in.refuse("text", "Name", "is empty");
  return name;
}

void build(const fikzr::inputs& in, fioutput& out) {
  const Date today = in.date("SettlementDate");
  const std::string name = in.hastext("Name") ? curvename(in) : std::string();
  const fikzr::marketconventions conventions = fikzr::readconventions(in);
  const DayCounter counter = in.daycounter("DayCounter", "Actual365Fixed", conventions.calendar());
  const quotetable quotes = readquotes(in);
  const fikzr::curveref discounting =
      in.hastext("DiscountCurve") ? fikzr::namedcurve(in, "DiscountCurve") : nullptr;
  if (discounting && discounting->date() != today)
    in.fail("the discount curve's date " + fikzr::isodate(discounting->date()) +
            " is not the settlement date " + fikzr::isodate(today));
  const bool extrapolate = in.flag("Extrapolate", false);
  const fikzr::rateconvention rates = fikzr::readrateconvention(in, counter);

  const fikzr::asof evaluation(today);
  const Handle<YieldTermStructure> discounthandle =
      discounting ? Handle<YieldTermStructure>(discounting->curve) : Handle<YieldTermStructure>();
  const helpers instruments = buildhelpers(in, quotes, conventions, today, discounthandle);
  const bootstrap made = bootstrapcurve(in, today, instruments, counter);
  if (extrapolate) made.curve->enableExtrapolation();

  for (const Date& pillar : made.pillars) {
    out.datedvalues.push_back({pillar, made.curve->discount(pillar)});
    out.values.push_back(fikzr::zerorate(*made.curve, pillar, rates));
  }
  out.scalar = static_cast<double>(made.pillars.size());
  if (!name.empty()) {
    auto kept = ext::make_shared<fikzr::keptcurve>();
    kept->curve = made.curve;
    kept->conventions = conventions;
    kept->pillars = made.pillars;
    fikzr::namedcurves::keep(name, kept);
  }
}

}  // namespace

void QL_Curve(fiinputholder& input, fioutputholder& output) {
  fikzr::answer(*input, *output, "Curve", [](const fikzr::inputs& in, fioutput& out) {
    switch (in.choose("Operation", "Build", operations(), "an operation", "operations")) {
      case operation::build: build(in, out); break;
      case operation::list:
        for (const auto& named : fikzr::namedcurves::all())
          out.datedvalues.push_back(
              {named.second->date(), static_cast<double>(named.second->pillars.size())});
        out.scalar = static_cast<double>(out.datedvalues.size());
        break;
      case operation::remove:
        fikzr::namedcurve(in, "Name");  // an unknown name is refused
        fikzr::namedcurves::remove(in.text("Name"));
        out.scalar = 1.0;
        break;
      case operation::clear: out.scalar = static_cast<double>(fikzr::namedcurves::clear()); break;
    }
  });
}
