#include "marketconventions.h"

#include <functional>

#include <ql/currency.hpp>
#include <ql/indexes/ibor/estr.hpp>
#include <ql/indexes/ibor/euribor.hpp>
#include <ql/indexes/ibor/fedfunds.hpp>
#include <ql/indexes/ibor/gbplibor.hpp>
#include <ql/indexes/ibor/sofr.hpp>
#include <ql/indexes/ibor/sonia.hpp>
#include <ql/indexes/ibor/usdlibor.hpp>
#include <ql/time/daycounters/actual360.hpp>
#include <ql/time/daycounters/actual365fixed.hpp>
#include <ql/time/daycounters/thirty360.hpp>

namespace fikzr {

namespace {

using namespace QuantLib;

using indexmaker = std::function<ext::shared_ptr<IborIndex>()>;

// A named index with the market's spot lag and fixed-leg conventions for swaps on it.
struct namedindex {
  indexmaker make;
  Natural settlementdays;
  Frequency fixedfrequency;
  std::function<DayCounter()> fixeddaycounter;
};

DayCounter bondbasis() { return Thirty360(Thirty360::BondBasis); }
DayCounter actual360() { return Actual360(); }
DayCounter actual365() { return Actual365Fixed(); }

template <typename euribor>
indexmaker term(int months) {
  return [months] { return ext::make_shared<euribor>(Period(months, Months)); };
}

template <typename overnightindex>
indexmaker overnight() {
  return [] { return ext::make_shared<overnightindex>(); };
}

const choices<namedindex>& namedindexes() {
  static const choices<namedindex> table = {
      {"Euribor1M", {term<Euribor>(1), 2, Annual, bondbasis}},
      {"Euribor3M", {term<Euribor>(3), 2, Annual, bondbasis}},
      {"Euribor6M", {term<Euribor>(6), 2, Annual, bondbasis}},
      {"Euribor12M", {term<Euribor>(12), 2, Annual, bondbasis}},
      {"USDLibor3M", {term<USDLibor>(3), 2, Semiannual, bondbasis}},
      {"GBPLibor6M", {term<GBPLibor>(6), 0, Semiannual, actual365}},
      {"SOFR", {overnight<Sofr>(), 2, Annual, actual360}},
      {"ESTR", {overnight<Estr>(), 2, Annual, actual360}},
      {"SONIA", {overnight<Sonia>(), 0, Annual, actual365}},
      {"FedFunds", {overnight<FedFunds>(), 2, Annual, actual360}},
  };
  return table;
}

// The keys that describe an index made from its conventions.
const char* const ownconventionkeys[] = {"IndexTenor", "SettlementDays", "IndexDayCounter",
                                         "Calendar", "Convention"};

constexpr int mostsettlementdays = 30;

}  // namespace

std::vector<std::string> indexnames() {
  std::vector<std::string> names;
  for (const auto& row : namedindexes()) names.push_back(row.first);
  return names;
}

Date marketconventions::spot(const Date& date) const {
  return calendar().advance(calendar().adjust(date), static_cast<Integer>(settlementdays), Days);
}

marketconventions readconventions(const inputs& in) {
  marketconventions c;
  Frequency fixedfrequency = Annual;
  DayCounter fixeddaycounter = bondbasis();
  if (in.hastext("Index")) {
    for (const char* key : ownconventionkeys)
      if (in.hastext(key) || in.hasnumber(key))
        in.fail(std::string("\"") + key +
                "\" describes an index of your own, and \"Index\" "
                "names one with its conventions: give one or the other");
    const namedindex named = in.choose("Index", nullptr, namedindexes(), "an index", "indexes");
    c.index = named.make();
    c.settlementdays = named.settlementdays;
    fixedfrequency = named.fixedfrequency;
    fixeddaycounter = named.fixeddaycounter();
  } else {
    const Period tenor = in.hastext("IndexTenor") ? in.period("IndexTenor") : Period(6, Months);
    c.settlementdays = static_cast<Natural>(in.whole("SettlementDays", 2, 0, mostsettlementdays));
    const Calendar calendar = in.calendar("Calendar", "TARGET");
    const DayCounter counter = in.daycounter("IndexDayCounter", "Actual360", calendar);
    if (tenor == Period(1, Days))
      c.index = ext::make_shared<OvernightIndex>("Overnight", 0, Currency(), calendar, counter);
    else
      c.index = ext::make_shared<IborIndex>("Index", tenor, c.settlementdays, Currency(), calendar,
                                            in.convention("Convention", "ModifiedFollowing"), false,
                                            counter);
  }
  c.overnight = ext::dynamic_pointer_cast<OvernightIndex>(c.index) != nullptr;
  c.fixedfrequency =
      in.hastext("FixedFrequency") ? in.frequency("FixedFrequency", nullptr) : fixedfrequency;
  if (c.overnight) {
    // QuantLib's OIS quotes count the fixed leg's days as the overnight index does.
    if (in.hastext("FixedDayCounter"))
      in.fail(
          "\"FixedDayCounter\" is not read for an overnight index: the fixed legs of its "
          "swaps count their days as the index does");
    c.fixeddaycounter = c.index->dayCounter();
  } else {
    c.fixeddaycounter = in.hastext("FixedDayCounter")
                            ? in.daycounter("FixedDayCounter", nullptr, c.calendar())
                            : fixeddaycounter;
  }
  return c;
}

ext::shared_ptr<IborIndex> indexon(const marketconventions& conventions,
                                   const Handle<YieldTermStructure>& curve) {
  return conventions.index->clone(curve);
}

}  // namespace fikzr
