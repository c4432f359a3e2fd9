#include "fikzrinputs.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <utility>

#include <ql/time/calendars/all.hpp>
#include <ql/time/daycounters/all.hpp>
#include <ql/utilities/dataparsers.hpp>

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

const choices<BusinessDayConvention>& conventions() {
  static const choices<BusinessDayConvention> table = {
      {"Following", Following},   {"ModifiedFollowing", ModifiedFollowing},
      {"Preceding", Preceding},   {"ModifiedPreceding", ModifiedPreceding},
      {"Unadjusted", Unadjusted}, {"HalfMonthModifiedFollowing", HalfMonthModifiedFollowing},
      {"Nearest", Nearest},
  };
  return table;
}

const choices<Frequency>& frequencies() {
  static const choices<Frequency> table = {
      {"Annual", Annual},
      {"Semiannual", Semiannual},
      {"Quarterly", Quarterly},
      {"Monthly", Monthly},
  };
  return table;
}

const choices<Compounding>& compoundings() {
  static const choices<Compounding> table = {
      {"Continuous", Continuous},
      {"Compounded", Compounded},
      {"Simple", Simple},
      {"SimpleThenCompounded", SimpleThenCompounded},
  };
  return table;
}

const choices<DateGeneration::Rule>& dategenerations() {
  static const choices<DateGeneration::Rule> table = {
      {"CDS2015", DateGeneration::CDS2015},   {"CDS", DateGeneration::CDS},
      {"OldCDS", DateGeneration::OldCDS},     {"TwentiethIMM", DateGeneration::TwentiethIMM},
      {"Backward", DateGeneration::Backward}, {"Forward", DateGeneration::Forward},
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

template <typename table>
auto lookup(const table& t, const std::string& name) -> decltype(&t.front().second) {
  for (const auto& row : t)
    if (row.first == name) return &row.second;
  return nullptr;
}

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool alldigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// A date written YYYY-MM-DD within QuantLib's range of dates; false when the text is none.
bool parsedate(const std::string& text, Date& date) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  const std::string y = text.substr(0, 4), m = text.substr(5, 2), d = text.substr(8, 2);
  if (!alldigits(y) || !alldigits(m) || !alldigits(d)) return false;
  const int year = std::stoi(y), month = std::stoi(m), day = std::stoi(d);
  if (year < 1901 || year > 2199 || month < 1 || month > 12 || day < 1) return false;
  static const int monthlengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int length = monthlengths[month - 1] + (month == 2 && Date::isLeap(year) ? 1 : 0);
  if (day > length) return false;
  date = Date(day, static_cast<Month>(month), year);
  return true;
}

std::string quoted(const std::string& key) { return "\"" + key + "\""; }

}  // namespace

bool parseperiod(const std::string& text, QuantLib::Period& period) {
  if (text.empty() || text.size() > 12) return false;
  try {
    period = QuantLib::PeriodParser::parse(text);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

std::vector<std::string> daycounternames() { return namesof(daycounters()); }
std::vector<std::string> calendarnames() { return namesof(calendars()); }
std::vector<std::string> conventionnames() { return namesof(conventions()); }
std::vector<std::string> frequencynames() { return namesof(frequencies()); }

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) text += (i ? ", " : "") + names[i];
  return text;
}

std::string isodate(const QuantLib::Date& date) {
  if (date == QuantLib::Date()) return "null date";
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", static_cast<int>(date.year()),
                static_cast<int>(date.month()), static_cast<int>(date.dayOfMonth()));
  return buffer;
}

void answer(const fiinput& input, fioutput& output, const char* function,
            const std::function<void(const inputs& in, fioutput& out)>& work) {
  const inputs in(input, function);
  fioutput result;
  try {
    work(in, result);
  } catch (const inputerror&) {
    throw;
  } catch (const std::exception& error) {
    throw std::runtime_error(std::string(function) + ": " + error.what());
  }
  // A model taken outside its range (a volatility of thousands, a notional of 1e308) can end in
  // a result that is not a number: that is a failure, not an answer.
  bool finite = std::isfinite(result.scalar);
  for (double v : result.values) finite = finite && std::isfinite(v);
  for (const datedvalue& d : result.datedvalues) finite = finite && std::isfinite(d.amount);
  if (!finite)
    in.fail("the result is not finite: the inputs lie outside what the method can price");
  in.refuseunasked();
  output = std::move(result);
}

void inputs::fail(const std::string& text) const { throw inputerror(function + ": " + text); }

void inputs::refuseunasked() const {
  static const char* const kinds[kindcount] = {"date", "number", "text", "list"};
  static const char* const plurals[kindcount] = {"dates", "numbers", "texts", "lists"};
  std::vector<std::string> given[kindcount];
  for (const auto& entry : input.datemap) given[datekind].push_back(entry.first);
  for (const auto& entry : input.numbermap) given[numberkind].push_back(entry.first);
  for (const auto& entry : input.textmap) given[textkind].push_back(entry.first);
  for (const auto& entry : input.listmap) given[listkind].push_back(entry.first);
  for (int k = 0; k < kindcount; ++k) {
    for (const std::string& key : given[k]) {
      if (askedabout[k].count(key) != 0) continue;
      std::string text = "takes no " + std::string(kinds[k]) + " " + quoted(key);
      for (int other = 0; other < kindcount; ++other)
        if (other != k && askedabout[other].count(key) != 0)
          text += " (it takes " + quoted(key) + " as a " + kinds[other] + ")";
      text += "; its keys:";
      const char* separator = " ";
      for (int listed = 0; listed < kindcount; ++listed) {
        if (askedabout[listed].empty()) continue;
        std::vector<std::string> names;
        for (const std::string& name : askedabout[listed]) names.push_back(quoted(name));
        text += separator + std::string("the ") + plurals[listed] + " " + joined(names);
        separator = "; ";
      }
      fail(text);
    }
  }
}

void inputs::refuse(const char* kind, const std::string& key, const std::string& what) const {
  fail(std::string("the ") + kind + " " + quoted(key) + " " + what);
}

std::string inputs::unknown(const std::string& key, const std::string& given, const char* kind,
                            const char* kinds, const std::vector<std::string>& names) {
  return "the text " + quoted(key) + " must name " + kind + ", not " + quoted(given) + "; the " +
         kinds + " are: " + joined(names);
}

QuantLib::Date inputs::date(const std::string& key) const {
  hasdate(key);
  const auto found = input.datemap.find(key);
  if (found == input.datemap.end()) refuse("date", key, "is missing");
  if (found->second == QuantLib::Date())
    refuse("date", key, "is the null date (a year before 1902)");
  return found->second;
}

QuantLib::Date inputs::date(const std::string& key, const QuantLib::Date& fallback) const {
  return hasdate(key) ? date(key) : fallback;
}

double inputs::number(const std::string& key) const {
  hasnumber(key);
  const auto found = input.numbermap.find(key);
  if (found == input.numbermap.end()) refuse("number", key, "is missing");
  if (!std::isfinite(found->second)) refuse("number", key, "is not finite");
  return found->second;
}

double inputs::number(const std::string& key, double fallback) const {
  return hasnumber(key) ? number(key) : fallback;
}

double inputs::positive(const std::string& key) const {
  const double value = number(key);
  if (!(value > 0.0)) refuse("number", key, "must be positive");
  return value;
}

double inputs::positive(const std::string& key, double fallback) const {
  return hasnumber(key) ? positive(key) : fallback;
}

double inputs::nonnegative(const std::string& key) const {
  const double value = number(key);
  if (value < 0.0) refuse("number", key, "must not be negative");
  return value;
}

double inputs::nonnegative(const std::string& key, double fallback) const {
  return hasnumber(key) ? nonnegative(key) : fallback;
}

int inputs::whole(const std::string& key, int fallback, int least, int most) const {
  if (!hasnumber(key)) return fallback;
  const double value = number(key);
  if (value != std::floor(value) || value < least || value > most)
    refuse("number", key,
           "must be a whole number from " + std::to_string(least) + " to " + std::to_string(most));
  return static_cast<int>(value);
}

bool inputs::flag(const std::string& key, bool fallback) const {
  if (!hasnumber(key)) return fallback;
  const double value = number(key);
  if (value != 0.0 && value != 1.0) refuse("number", key, "must be 0 or 1");
  return value == 1.0;
}

std::string inputs::text(const std::string& key) const {
  hastext(key);
  const auto found = input.textmap.find(key);
  if (found == input.textmap.end()) refuse("text", key, "is missing");
  return found->second;
}

std::string inputs::text(const std::string& key, const std::string& fallback) const {
  return hastext(key) ? text(key) : fallback;
}

std::vector<double> inputs::numbers(const std::string& key) const {
  haslist(key);
  const auto found = input.listmap.find(key);
  if (found == input.listmap.end()) refuse("list", key, "is missing");
  if (found->second.empty()) refuse("list", key, "is empty");
  for (std::size_t i = 0; i < found->second.size(); ++i)
    if (!std::isfinite(found->second[i]))
      refuse("list", key, "has a value that is not finite (value " + std::to_string(i + 1) + ")");
  return found->second;
}

QuantLib::Period inputs::signedperiod(const std::string& key) const {
  const std::string given = trimmed(text(key));
  Period period;
  if (!parseperiod(given, period))
    refuse("text", key, "must be a period such as 3M, 1Y, 2W or 10D, not " + quoted(given));
  return period;
}

QuantLib::Period inputs::period(const std::string& key) const {
  const Period period = signedperiod(key);
  if (period.length() <= 0)
    refuse("text", key, "must be a period longer than nothing, such as 3M, 1Y, 2W or 10D");
  return period;
}

std::vector<std::string> inputs::items(const std::string& key, std::size_t most) const {
  const std::string whole = text(key);
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    if (parts.size() == most)
      refuse(
          "text", key,
          "lists more than " + std::to_string(most) + " items (a bound on the work of one call)");
    const auto comma = whole.find(',', start);
    parts.push_back(trimmed(whole.substr(start, comma - start)));
    if (parts.back().empty())
      refuse("text", key,
             "must list items separated by commas; item " + std::to_string(parts.size()) +
                 " is empty");
    if (comma == std::string::npos) return parts;
    start = comma + 1;
  }
}

std::vector<QuantLib::Period> inputs::periods(const std::string& key, std::size_t most) const {
  std::vector<Period> periods;
  for (const std::string& item : items(key, most)) {
    Period period;
    if (!parseperiod(item, period) || period.length() <= 0)
      refuse("text", key,
             "must list periods such as 3M, 1Y, 2W or 10D; " + quoted(item) + " is not one");
    periods.push_back(period);
  }
  return periods;
}

std::vector<QuantLib::Date> inputs::dates(const std::string& key,
                                          const QuantLib::Date& reference) const {
  std::vector<Date> dates;
  for (const std::string& item : items(key)) {
    Date date;
    Period period;
    if (parsedate(item, date)) {
      dates.push_back(date);
    } else if (parseperiod(item, period) && period.length() >= 0) {
      // Beyond the range of dates QuantLib raises its own date error.
      dates.push_back(reference + period);
    } else {
      refuse("text", key,
             "must list dates (YYYY-MM-DD) or periods such as 6M or 2Y; " + quoted(item) +
                 " is neither");
    }
  }
  return dates;
}

std::vector<datedrow> inputs::rows() const {
  std::vector<datedrow> rows;
  const datedseries& series = input.series8;
  for (std::size_t i = 0; i < series.dates.size(); ++i) {
    const std::string row = "row " + std::to_string(i + 1) + " of table 8";
    if (series.dates[i] == QuantLib::Date()) fail(row + " has the null date (a year before 1902)");
    if (!std::isfinite(series.values[i])) fail(row + " has an amount that is not finite");
    rows.push_back({series.dates[i], series.values[i]});
  }
  return rows;
}

void inputs::samelength(const std::string& key, std::size_t count, const std::string& other,
                        std::size_t expected) const {
  if (count != expected)
    refuse("list", key,
           "has " + std::to_string(count) + " values; it needs one for each of the " +
               std::to_string(expected) + " items of " + quoted(other));
}

QuantLib::DayCounter inputs::daycounter(const std::string& key, const char* fallback,
                                        const QuantLib::Calendar& calendar) const {
  const std::string chosen = fallback ? text(key, fallback) : text(key);
  if (const auto* make = lookup(daycounters(), chosen)) return (*make)(calendar);
  fail(unknown(key, chosen, "a day counter", "day counters", daycounternames()));
}

QuantLib::Calendar inputs::calendar(const std::string& key, const char* fallback) const {
  const std::string chosen = fallback ? text(key, fallback) : text(key);
  if (const auto* make = lookup(calendars(), chosen)) return (*make)();
  fail(unknown(key, chosen, "a calendar", "calendars", calendarnames()));
}

QuantLib::BusinessDayConvention inputs::convention(const std::string& key,
                                                   const char* fallback) const {
  return choose(key, fallback, conventions(), "a convention", "conventions");
}

QuantLib::Frequency inputs::frequency(const std::string& key, const char* fallback) const {
  return choose(key, fallback, frequencies(), "a frequency", "frequencies");
}

QuantLib::Compounding inputs::compounding(const std::string& key, const char* fallback) const {
  return choose(key, fallback, compoundings(), "a compounding", "compoundings");
}

QuantLib::DateGeneration::Rule inputs::dategeneration(const std::string& key,
                                                      const char* fallback) const {
  return choose(key, fallback, dategenerations(), "a date generation rule",
                "date generation rules");
}

}  // namespace fikzr
