#include "fikzrinputs.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <utility>

#include <ql/time/calendars/all.hpp>
#include <ql/time/daycounters/all.hpp>

namespace fikzr {

namespace {

using namespace QuantLib;

template <typename thing>
using namedtable = std::vector<std::pair<std::string, std::function<thing()>>>;

const namedtable<Calendar>& calendars() {
  static const namedtable<Calendar> table = {
      {"TARGET", [] { return TARGET(); }},
      {"NullCalendar", [] { return NullCalendar(); }},
      {"WeekendsOnly", [] { return WeekendsOnly(); }},
      {"UnitedStates", [] { return UnitedStates(UnitedStates::Settlement); }},
      {"UnitedStatesSettlement", [] { return UnitedStates(UnitedStates::Settlement); }},
      {"UnitedStatesNYSE", [] { return UnitedStates(UnitedStates::NYSE); }},
      {"UnitedStatesGovernmentBond", [] { return UnitedStates(UnitedStates::GovernmentBond); }},
      {"UnitedStatesNERC", [] { return UnitedStates(UnitedStates::NERC); }},
      {"UnitedStatesLiborImpact", [] { return UnitedStates(UnitedStates::LiborImpact); }},
      {"UnitedStatesFederalReserve", [] { return UnitedStates(UnitedStates::FederalReserve); }},
      {"UnitedKingdom", [] { return UnitedKingdom(UnitedKingdom::Settlement); }},
      {"UnitedKingdomExchange", [] { return UnitedKingdom(UnitedKingdom::Exchange); }},
      {"UnitedKingdomMetals", [] { return UnitedKingdom(UnitedKingdom::Metals); }},
      {"Japan", [] { return Japan(); }},
      {"Germany", [] { return Germany(Germany::Settlement); }},
      {"GermanyFrankfurtStockExchange", [] { return Germany(Germany::FrankfurtStockExchange); }},
      {"GermanyXetra", [] { return Germany(Germany::Xetra); }},
      {"GermanyEurex", [] { return Germany(Germany::Eurex); }},
      {"France", [] { return France(); }},
      {"Italy", [] { return Italy(); }},
      {"Switzerland", [] { return Switzerland(); }},
      {"Sweden", [] { return Sweden(); }},
      {"Denmark", [] { return Denmark(); }},
      {"Norway", [] { return Norway(); }},
      {"Finland", [] { return Finland(); }},
      {"Austria", [] { return Austria(); }},
      {"Poland", [] { return Poland(); }},
      {"CzechRepublic", [] { return CzechRepublic(); }},
      {"Hungary", [] { return Hungary(); }},
      {"Canada", [] { return Canada(Canada::Settlement); }},
      {"CanadaTSX", [] { return Canada(Canada::TSX); }},
      {"Australia", [] { return Australia(); }},
      {"NewZealand", [] { return NewZealand(); }},
      {"HongKong", [] { return HongKong(); }},
      {"Singapore", [] { return Singapore(); }},
      {"China", [] { return China(China::SSE); }},
      {"ChinaInterbank", [] { return China(China::IB); }},
      {"India", [] { return India(); }},
      {"SouthKorea", [] { return SouthKorea(); }},
      {"Taiwan", [] { return Taiwan(); }},
      {"Brazil", [] { return Brazil(Brazil::Settlement); }},
      {"BrazilExchange", [] { return Brazil(Brazil::Exchange); }},
      {"Mexico", [] { return Mexico(); }},
      {"SouthAfrica", [] { return SouthAfrica(); }},
  };
  return table;
}

const std::vector<std::pair<std::string, BusinessDayConvention>>& conventions() {
  static const std::vector<std::pair<std::string, BusinessDayConvention>> table = {
      {"Following", Following},
      {"ModifiedFollowing", ModifiedFollowing},
      {"Preceding", Preceding},
      {"ModifiedPreceding", ModifiedPreceding},
      {"Unadjusted", Unadjusted},
      {"HalfMonthModifiedFollowing", HalfMonthModifiedFollowing},
      {"Nearest", Nearest},
  };
  return table;
}

const std::vector<std::pair<std::string, Frequency>>& frequencies() {
  static const std::vector<std::pair<std::string, Frequency>> table = {
      {"Annual", Annual},
      {"Semiannual", Semiannual},
      {"Quarterly", Quarterly},
      {"Monthly", Monthly},
  };
  return table;
}

// Day counters; Business252 counts on the calendar it is given.
std::vector<std::pair<std::string, std::function<DayCounter(const Calendar&)>>>& daycounters() {
  static std::vector<std::pair<std::string, std::function<DayCounter(const Calendar&)>>> table = {
      {"Actual360", [](const Calendar&) { return Actual360(); }},
      {"Actual360IncludingLastDay", [](const Calendar&) { return Actual360(true); }},
      {"Actual365Fixed", [](const Calendar&) { return Actual365Fixed(); }},
      {"Actual365FixedCanadian",
       [](const Calendar&) { return Actual365Fixed(Actual365Fixed::Canadian); }},
      {"Actual365FixedNoLeap",
       [](const Calendar&) { return Actual365Fixed(Actual365Fixed::NoLeap); }},
      {"Actual366", [](const Calendar&) { return Actual366(); }},
      {"Actual36525", [](const Calendar&) { return Actual36525(); }},
      {"ActualActualISDA", [](const Calendar&) { return ActualActual(ActualActual::ISDA); }},
      {"ActualActualISMA", [](const Calendar&) { return ActualActual(ActualActual::ISMA); }},
      {"ActualActualBond", [](const Calendar&) { return ActualActual(ActualActual::Bond); }},
      {"ActualActualHistorical",
       [](const Calendar&) { return ActualActual(ActualActual::Historical); }},
      {"ActualActualActual365",
       [](const Calendar&) { return ActualActual(ActualActual::Actual365); }},
      {"ActualActualAFB", [](const Calendar&) { return ActualActual(ActualActual::AFB); }},
      {"ActualActualEuro", [](const Calendar&) { return ActualActual(ActualActual::Euro); }},
      {"Business252", [](const Calendar& c) { return Business252(c); }},
      {"OneDayCounter", [](const Calendar&) { return OneDayCounter(); }},
      {"SimpleDayCounter", [](const Calendar&) { return SimpleDayCounter(); }},
      {"Thirty360USA", [](const Calendar&) { return Thirty360(Thirty360::USA); }},
      {"Thirty360BondBasis", [](const Calendar&) { return Thirty360(Thirty360::BondBasis); }},
      {"Thirty360European", [](const Calendar&) { return Thirty360(Thirty360::European); }},
      {"Thirty360EurobondBasis",
       [](const Calendar&) { return Thirty360(Thirty360::EurobondBasis); }},
      {"Thirty360Italian", [](const Calendar&) { return Thirty360(Thirty360::Italian); }},
      {"Thirty360German", [](const Calendar&) { return Thirty360(Thirty360::German); }},
      {"Thirty360ISDA", [](const Calendar&) { return Thirty360(Thirty360::ISDA); }},
      {"Thirty360NASD", [](const Calendar&) { return Thirty360(Thirty360::NASD); }},
      {"Thirty365", [](const Calendar&) { return Thirty365(); }},
  };
  return table;
}

template <typename table>
std::vector<std::string> namesof(const table& t) {
  std::vector<std::string> names;
  for (const auto& row : t) names.push_back(row.first);
  return names;
}

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) text += (i ? ", " : "") + names[i];
  return text;
}

std::string unknown(const char* what, const std::string& name, const char* plural,
                    const std::vector<std::string>& names) {
  return std::string("unknown ") + what + " \"" + name + "\"; the " + plural +
         " are: " + joined(names);
}

}  // namespace

std::vector<std::string> daycounternames() { return namesof(daycounters()); }
std::vector<std::string> calendarnames() { return namesof(calendars()); }
std::vector<std::string> conventionnames() { return namesof(conventions()); }
std::vector<std::string> frequencynames() { return namesof(frequencies()); }

std::string isodate(const QuantLib::Date& date) {
  if (date == QuantLib::Date()) return "null date";
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", static_cast<int>(date.year()),
                static_cast<int>(date.month()), static_cast<int>(date.dayOfMonth()));
  return buffer;
}

void inputs::fail(const std::string& text) const { throw inputerror(function + ": " + text); }

QuantLib::Date inputs::date(const std::string& key) const {
  const auto found = input.datemap.find(key);
  if (found == input.datemap.end()) fail("the date \"" + key + "\" is missing");
  if (found->second == QuantLib::Date())
    fail("the date \"" + key + "\" is the null date (a year before 1902)");
  return found->second;
}

double inputs::number(const std::string& key) const {
  const auto found = input.numbermap.find(key);
  if (found == input.numbermap.end()) fail("the number \"" + key + "\" is missing");
  if (!std::isfinite(found->second)) fail("the number \"" + key + "\" is not finite");
  return found->second;
}

double inputs::number(const std::string& key, double fallback) const {
  return hasnumber(key) ? number(key) : fallback;
}

std::string inputs::text(const std::string& key) const {
  const auto found = input.textmap.find(key);
  if (found == input.textmap.end()) fail("the text \"" + key + "\" is missing");
  return found->second;
}

std::string inputs::text(const std::string& key, const std::string& fallback) const {
  return hastext(key) ? text(key) : fallback;
}

QuantLib::DayCounter inputs::daycounter(const std::string& name,
                                        const QuantLib::Calendar& calendar) const {
  for (const auto& row : daycounters())
    if (row.first == name) return row.second(calendar);
  fail(unknown("day counter", name, "day counters", daycounternames()));
}

QuantLib::Calendar inputs::calendar(const std::string& name) const {
  for (const auto& row : calendars())
    if (row.first == name) return row.second();
  fail(unknown("calendar", name, "calendars", calendarnames()));
}

QuantLib::BusinessDayConvention inputs::convention(const std::string& name) const {
  for (const auto& row : conventions())
    if (row.first == name) return row.second;
  fail(unknown("convention", name, "conventions", conventionnames()));
}

QuantLib::Frequency inputs::frequency(const std::string& name) const {
  for (const auto& row : frequencies())
    if (row.first == name) return row.second;
  fail(unknown("frequency", name, "frequencies", frequencynames()));
}

}  // namespace fikzr
