// Calendar questions: business days, holidays, adjustment and advance of dates.
#include <cmath>
#include <cstdlib>

#include <ql/time/calendar.hpp>

#include "fikzrinputs.h"
#include "fixedincome/fikzr.h"

namespace {

constexpr double largestdaystep = 200000.0;  // more than the whole range of dates, 1901 to 2199

enum class operation { isbusinessday, isholiday, adjust, advance, businessdaysbetween, holidays };

const fikzr::choices<operation>& operations() {
  static const fikzr::choices<operation> table = {
      {"IsBusinessDay", operation::isbusinessday},
      {"IsHoliday", operation::isholiday},
      {"Adjust", operation::adjust},
      {"Advance", operation::advance},
      {"BusinessDaysBetween", operation::businessdaysbetween},
      {"HolidayList", operation::holidays},
  };
  return table;
}

void moved(fioutput& output, const QuantLib::Date& from, const QuantLib::Date& to) {
  const double days = static_cast<double>(to - from);
  output.datedvalues.push_back({to, days});
  output.scalar = days;
}

QuantLib::Period advancestep(const fikzr::inputs& in) {
  if (in.hasnumber("Days")) {
    const double days = in.number("Days");
    if (std::fabs(days) > largestdaystep)
      in.refuse("number", "Days", "moves the date outside the range of dates");
    return QuantLib::Period(static_cast<QuantLib::Integer>(std::trunc(days)), QuantLib::Days);
  }
  if (!in.hastext("Period")) in.fail("Advance needs the number \"Days\" or the text \"Period\"");
  const QuantLib::Period step = in.signedperiod("Period");
  if (std::abs(step.length()) > largestdaystep)
    in.refuse("text", "Period", "moves the date outside the range of dates");
  return step;
}

}  // namespace

void QL_CalendarUtilities(fiinputholder& input, fioutputholder& output) {
  fikzr::answer(*input, *output, "CalendarUtilities", [](const fikzr::inputs& in, fioutput& out) {
    const QuantLib::Calendar calendar = in.calendar("Calendar", nullptr);
    switch (in.choose("Operation", nullptr, operations(), "an operation", "operations")) {
      case operation::isbusinessday:
        out.scalar = calendar.isBusinessDay(in.date("Date")) ? 1.0 : 0.0;
        break;
      case operation::isholiday:
        out.scalar = calendar.isHoliday(in.date("Date")) ? 1.0 : 0.0;
        break;
      case operation::adjust: {
        const QuantLib::Date date = in.date("Date");
        moved(out, date, calendar.adjust(date, in.convention("Convention", "Following")));
        break;
      }
      case operation::advance: {
        const QuantLib::Date date = in.date("Date");
        const QuantLib::BusinessDayConvention convention = in.convention("Convention", "Following");
        moved(out, date, calendar.advance(date, advancestep(in), convention));
        break;
      }
      case operation::businessdaysbetween:
        out.scalar = static_cast<double>(
            calendar.businessDaysBetween(in.date("StartDate"), in.date("EndDate")));
        break;
      case operation::holidays: {
        const QuantLib::Date start = in.date("StartDate"), end = in.date("EndDate");
        if (end < start)
          in.fail("the end date " + fikzr::isodate(end) + " is before the start date " +
                  fikzr::isodate(start));
        for (const QuantLib::Date& holiday : calendar.holidayList(start, end, false))
          out.datedvalues.push_back({holiday, 1.0});
        out.scalar = static_cast<double>(out.datedvalues.size());
        break;
      }
    }
  });
}
