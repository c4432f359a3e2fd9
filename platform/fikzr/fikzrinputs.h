// Reading the input record: keyed dates, numbers and texts with clear errors, and QuantLib's
// day counters, calendars, conventions and frequencies by name.
#ifndef KZR_PLATFORM_FIKZRINPUTS_H
#define KZR_PLATFORM_FIKZRINPUTS_H

#include <stdexcept>
#include <string>
#include <vector>

#include <ql/time/businessdayconvention.hpp>
#include <ql/time/calendar.hpp>
#include <ql/time/daycounter.hpp>
#include <ql/time/frequency.hpp>

#include "fixedincome/fikzr.h"

namespace fikzr {

// What every function raises on input it cannot use; the text names the function and the key.
class inputerror : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Reads the keys of one function's input; `function` is the instrument name used in messages.
class inputs {
 public:
  inputs(const fiinput& input, std::string function) : input(input), function(function) {}

  // A date that must be present and not the null date.
  QuantLib::Date date(const std::string& key) const;
  bool hasdate(const std::string& key) const { return input.datemap.count(key) != 0; }
  // A number that must be present and finite.
  double number(const std::string& key) const;
  double number(const std::string& key, double fallback) const;
  bool hasnumber(const std::string& key) const { return input.numbermap.count(key) != 0; }
  std::string text(const std::string& key) const;
  std::string text(const std::string& key, const std::string& fallback) const;
  bool hastext(const std::string& key) const { return input.textmap.count(key) != 0; }

  QuantLib::DayCounter daycounter(const std::string& name, const QuantLib::Calendar& calendar) const;
  QuantLib::Calendar calendar(const std::string& name) const;
  QuantLib::BusinessDayConvention convention(const std::string& name) const;
  QuantLib::Frequency frequency(const std::string& name) const;

  // Raises an inputerror "<function>: <text>".
  [[noreturn]] void fail(const std::string& text) const;

 private:
  const fiinput& input;
  std::string function;
};

// The names each lookup knows, in the order the messages list them.
std::vector<std::string> daycounternames();
std::vector<std::string> calendarnames();
std::vector<std::string> conventionnames();
std::vector<std::string> frequencynames();

// A date as YYYY-MM-DD.
std::string isodate(const QuantLib::Date& date);

}  // namespace fikzr

#endif  // KZR_PLATFORM_FIKZRINPUTS_H
