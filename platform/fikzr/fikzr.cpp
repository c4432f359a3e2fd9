// Day counts and year fractions.
#include <ql/time/calendars/brazil.hpp>

#include "fikzrinputs.h"
#include "fixedincome/fikzr.h"

namespace {

// The calendar a Business252 day counter counts on: "Calendar", Brazil's by default.
QuantLib::DayCounter requesteddaycounter(const fikzr::inputs& in) {
  const bool business252 = in.text("DayCounter") == "Business252";
  const QuantLib::Calendar calendar =
      business252 ? in.calendar("Calendar", "Brazil") : QuantLib::Calendar();
  return in.daycounter("DayCounter", nullptr, calendar);
}

}  // namespace

void QL_DayCount(fiinputholder& input, fioutputholder& output) {
  fikzr::answer(*input, *output, "DayCount", [](const fikzr::inputs& in, fioutput& out) {
    const QuantLib::DayCounter counter = requesteddaycounter(in);
    const QuantLib::Date start = in.date("StartDate"), end = in.date("EndDate");
    out.scalar = static_cast<double>(counter.dayCount(start, end));
  });
}

void QL_YearFraction(fiinputholder& input, fioutputholder& output) {
  fikzr::answer(*input, *output, "YearFraction", [](const fikzr::inputs& in, fioutput& out) {
    const QuantLib::DayCounter counter = requesteddaycounter(in);
    const QuantLib::Date start = in.date("StartDate"), end = in.date("EndDate");
    const QuantLib::Date referencestart = in.date("ReferenceStart", QuantLib::Date());
    const QuantLib::Date referenceend = in.date("ReferenceEnd", QuantLib::Date());
    out.scalar = counter.yearFraction(start, end, referencestart, referenceend);
  });
}
