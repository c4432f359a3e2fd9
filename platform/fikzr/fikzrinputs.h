// Reading the input record: one reader per kind of key (dates, numbers, texts, lists, periods,
// date lists, dated rows, and QuantLib's day counters, calendars, conventions, frequencies and
// compoundings by name), with every "missing" and "not what was expected" message written here.
// A message names the function, the key and what the key must hold.
//
// Every key a function asks about (present or not, read or only tested) is noted with its kind.
// A call whose work is done with a key of the input never asked about, under its kind, is
// refused: a misspelt key ("Frequncy"), a key of another function, or a known key given as the
// wrong kind (the number "Frequency") would otherwise be ignored and the defaults priced as if
// they had been asked for. The message names the key and lists the keys the function asked about
// (which keys a call asks about can depend on others, such as "Operation").
#ifndef KZR_PLATFORM_FIKZRINPUTS_H
#define KZR_PLATFORM_FIKZRINPUTS_H

#include <cstddef>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <ql/compounding.hpp>
#include <ql/time/businessdayconvention.hpp>
#include <ql/time/calendar.hpp>
#include <ql/time/dategenerationrule.hpp>
#include <ql/time/daycounter.hpp>
#include <ql/time/frequency.hpp>
#include <ql/time/period.hpp>

#include "fixedincome/fikzr.h"

namespace fikzr {

// What every function raises on input it cannot use; the text names the function and the key.
class inputerror : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A fixed set of names a text key may take, each with its value, in the order messages list them.
template <typename value>
using choices = std::vector<std::pair<std::string, value>>;

// One row of table 8: a date and its amount.
struct datedrow {
  QuantLib::Date date;
  double amount;
};

// The most items a text list may hold, and the most quotes a bootstrap or a calibration takes.
constexpr std::size_t mostitems = 100000;
constexpr std::size_t mostquotes = 200;

// Reads the keys of one function's input; `function` is the instrument name used in messages.
class inputs {
 public:
  inputs(const fiinput& input, std::string function) : input(input), function(function) {}

  const std::string& name() const { return function; }

  bool hasdate(const std::string& key) const { return asked(datekind, key, input.datemap); }
  bool hasnumber(const std::string& key) const { return asked(numberkind, key, input.numbermap); }
  bool hastext(const std::string& key) const { return asked(textkind, key, input.textmap); }
  bool haslist(const std::string& key) const { return asked(listkind, key, input.listmap); }
  bool hasrows() const { return !input.series8.dates.empty(); }

  // A date that must be present and not the null date.
  QuantLib::Date date(const std::string& key) const;
  QuantLib::Date date(const std::string& key, const QuantLib::Date& fallback) const;
  // A number that must be present and finite.
  double number(const std::string& key) const;
  double number(const std::string& key, double fallback) const;
  // Numbers with a bound; the fallback is not checked.
  double positive(const std::string& key) const;
  double positive(const std::string& key, double fallback) const;
  double nonnegative(const std::string& key) const;
  double nonnegative(const std::string& key, double fallback) const;
  // A whole number from `least` to `most`.
  int whole(const std::string& key, int fallback, int least, int most) const;
  // 0 or 1.
  bool flag(const std::string& key, bool fallback) const;
  std::string text(const std::string& key) const;
  std::string text(const std::string& key, const std::string& fallback) const;
  // A list of finite numbers, not empty.
  std::vector<double> numbers(const std::string& key) const;

  // A period such as 3M, 1Y, 2W or 10D, longer than nothing.
  QuantLib::Period period(const std::string& key) const;
  // A period of any sign (-2W moves back two weeks).
  QuantLib::Period signedperiod(const std::string& key) const;
  // A text of comma-separated items, none empty, at most `most` of them (a bound on the work of
  // a call: a curve of thousands of quotes would take hours to build).
  std::vector<std::string> items(const std::string& key, std::size_t most = mostitems) const;
  std::vector<QuantLib::Period> periods(const std::string& key, std::size_t most = mostitems) const;
  // A text of comma-separated dates (YYYY-MM-DD) or periods counted from `reference`.
  std::vector<QuantLib::Date> dates(const std::string& key, const QuantLib::Date& reference) const;
  // The rows of table 8 as dates with finite amounts (none may be the null date).
  std::vector<datedrow> rows() const;
  // Raises the message for a list of `count` values that does not match `expected` items of
  // `other` (a list or a text).
  void samelength(const std::string& key, std::size_t count, const std::string& other,
                  std::size_t expected) const;

  // One of a fixed set of names; `kind` with its article ("a frequency") and `kinds` the plural.
  template <typename value>
  value choose(const std::string& key, const char* fallback, const choices<value>& table,
               const char* kind, const char* kinds) const {
    const std::string chosen = fallback ? text(key, fallback) : text(key);
    for (const auto& row : table)
      if (row.first == chosen) return row.second;
    std::vector<std::string> names;
    for (const auto& row : table) names.push_back(row.first);
    fail(unknown(key, chosen, kind, kinds, names));
  }

  // Named QuantLib conventions; a null fallback makes the key required. A Business252 day
  // counter counts business days on `calendar`.
  QuantLib::DayCounter daycounter(const std::string& key, const char* fallback,
                                  const QuantLib::Calendar& calendar = QuantLib::Calendar()) const;
  QuantLib::Calendar calendar(const std::string& key, const char* fallback) const;
  QuantLib::BusinessDayConvention convention(const std::string& key, const char* fallback) const;
  QuantLib::Frequency frequency(const std::string& key, const char* fallback) const;
  QuantLib::Compounding compounding(const std::string& key, const char* fallback) const;
  QuantLib::DateGeneration::Rule dategeneration(const std::string& key, const char* fallback) const;

  // Raises an inputerror "<function>: <text>".
  [[noreturn]] void fail(const std::string& text) const;
  // Raises the refusal of the first key of the input not asked about, if there is one.
  void refuseunasked() const;
  // Raises "<function>: the <kind> "<key>" <what>", for instance `refuse("number", "Notional",
  // "must be positive")`.
  [[noreturn]] void refuse(const char* kind, const std::string& key, const std::string& what) const;

 private:
  static std::string unknown(const std::string& key, const std::string& given, const char* kind,
                             const char* kinds, const std::vector<std::string>& names);
  // The kinds of key, in the order the refusal lists them.
  enum keykind { datekind, numberkind, textkind, listkind, kindcount };
  template <typename map>
  bool asked(keykind kind, const std::string& key, const map& keys) const {
    askedabout[kind].insert(key);
    return keys.count(key) != 0;
  }
  const fiinput& input;
  std::string function;
  mutable std::set<std::string> askedabout[kindcount];  // the keys asked about, by kind
};

// Runs one function's work: `work` reads its keys through `in` and writes its results into
// `out`, which reaches the caller's output only when the work is done, so that a failed call
// leaves nothing behind. Errors other than input errors are raised again with the function's
// name in front of their text; a result that is not finite is refused.
void answer(const fiinput& input, fioutput& output, const char* function,
            const std::function<void(const inputs& in, fioutput& out)>& work);

// The names each lookup knows, in the order the messages list them.
std::vector<std::string> daycounternames();
std::vector<std::string> calendarnames();
std::vector<std::string> conventionnames();
std::vector<std::string> frequencynames();

// A period written as 3M, 1Y, 2W, 10D or 1Y6M; false when the text is none.
bool parseperiod(const std::string& text, QuantLib::Period& period);

// A date as YYYY-MM-DD.
std::string isodate(const QuantLib::Date& date);
// Names joined by ", ".
std::string joined(const std::vector<std::string>& names);

}  // namespace fikzr

#endif  // KZR_PLATFORM_FIKZRINPUTS_H
