// Calendar questions: business days, holidays, adjustment and advance of dates.
#include <cmath>
#include <cstdlib>

#include <ql/time/calendar.hpp>
#include <ql/utilities/dataparsers.hpp>

#include "fixedincome/fikzr.h"
#include "fikzrinputs.h"

namespace {

constexpr double largestdaystep = 200000.0;  // more than the whole range of dates, 1901 to 2199

void moved(fioutput& output, const QuantLib::Date& from, const QuantLib::Date& to) {
  const double days = static_cast<double>(to - from);
  output.datedvalues.push_back({to, days});
  output.scalar = days;
}

}  // namespace

void QL_CalendarUtilities(fiinputholder& input, fioutputholder& output) {
  const fikzr::inputs in(*input, "CalendarUtilities");
  const QuantLib::Calendar calendar = in.calendar(in.text("Calendar"));
  const std::string operation = in.text("Operation");
  if (operation == "IsBusinessDay") {
    output->scalar = calendar.isBusinessDay(in.date("Date")) ? 1.0 : 0.0;
  } else if (operation == "IsHoliday") {
    output->scalar = calendar.isHoliday(in.date("Date")) ? 1.0 : 0.0;
  } else if (operation == "Adjust") {
    const QuantLib::Date date = in.date("Date");
    const QuantLib::BusinessDayConvention convention =
        in.convention(in.text("Convention", "Following"));
    moved(*output, date, calendar.adjust(date, convention));
  } else if (operation == "Advance") {
    const QuantLib::Date date = in.date("Date");
    const QuantLib::BusinessDayConvention convention =
        in.convention(in.text("Convention", "Following"));
    QuantLib::Period step;
    if (in.hasnumber("Days")) {
      const double days = in.number("Days");
      if (std::fabs(days) > largestdaystep)
        in.fail("the number \"Days\" moves the date outside the range of dates");
      step = QuantLib::Period(static_cast<QuantLib::Integer>(std::trunc(days)), QuantLib::Days);
    } else if (in.hastext("Period")) {
      step = QuantLib::PeriodParser::parse(in.text("Period"));
      if (std::abs(step.length()) > largestdaystep)
        in.fail("the text \"Period\" moves the date outside the range of dates");
    } else {
      in.fail("Advance needs the number \"Days\" or the text \"Period\"");
    }
    moved(*output, date, calendar.advance(date, step, convention));
  } else if (operation == "BusinessDaysBetween") {
    output->scalar = static_cast<double>(
        calendar.businessDaysBetween(in.date("StartDate"), in.date("EndDate")));
  } else if (operation == "HolidayList") {
    const QuantLib::Date start = in.date("StartDate"), end = in.date("EndDate");
    if (end < start)
      in.fail("the end date " + fikzr::isodate(end) + " is before the start date " +
              fikzr::isodate(start));
    for (const QuantLib::Date& holiday : calendar.holidayList(start, end, false))
      output->datedvalues.push_back({holiday, 1.0});
    output->scalar = static_cast<double>(output->datedvalues.size());
  } else {
    in.fail("unknown operation \"" + operation +
            "\"; the operations are: IsBusinessDay, IsHoliday, Adjust, Advance, "
            "BusinessDaysBetween, HolidayList");
  }
}
