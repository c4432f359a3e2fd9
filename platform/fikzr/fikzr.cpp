// Day counts and year fractions, and the functions that are not available yet.
#include "fixedincome/fikzr.h"

#include <ql/time/calendars/brazil.hpp>

#include "fikzrinputs.h"

namespace {

// The calendar a Business252 day counter counts on: "Calendar", Brazil's by default.
QuantLib::DayCounter requesteddaycounter(const fikzr::inputs& in) {
  const std::string name = in.text("DayCounter");
  const QuantLib::Calendar calendar =
      name == "Business252" ? in.calendar(in.text("Calendar", "Brazil")) : QuantLib::Calendar();
  return in.daycounter(name, calendar);
}

[[noreturn]] void notavailable(const char* name) {
  throw fikzr::inputerror(std::string(name) + ": this function is not available yet");
}

}  // namespace

void QL_DayCount(fiinputholder& input, fioutputholder& output) {
  const fikzr::inputs in(*input, "DayCount");
  const QuantLib::DayCounter counter = requesteddaycounter(in);
  const QuantLib::Date start = in.date("StartDate"), end = in.date("EndDate");
  output->scalar = static_cast<double>(counter.dayCount(start, end));
}

void QL_YearFraction(fiinputholder& input, fioutputholder& output) {
  const fikzr::inputs in(*input, "YearFraction");
  const QuantLib::DayCounter counter = requesteddaycounter(in);
  const QuantLib::Date start = in.date("StartDate"), end = in.date("EndDate");
  const QuantLib::Date referencestart =
      in.hasdate("ReferenceStart") ? in.date("ReferenceStart") : QuantLib::Date();
  const QuantLib::Date referenceend =
      in.hasdate("ReferenceEnd") ? in.date("ReferenceEnd") : QuantLib::Date();
  output->scalar = counter.yearFraction(start, end, referencestart, referenceend);
}

void QL_Curve(fiinputholder&, fioutputholder&) { notavailable("Curve"); }
void QL_CurveValue(fiinputholder&, fioutputholder&) { notavailable("CurveValue"); }
void QL_Capfloor(fiinputholder&, fioutputholder&) { notavailable("CapFloor"); }
void QL_Swap(fiinputholder&, fioutputholder&) { notavailable("InterestSwap"); }
void QL_CDS(fiinputholder&, fioutputholder&) { notavailable("CreditSwap"); }
void QL_Swaption(fiinputholder&, fioutputholder&) { notavailable("Swaption"); }
void QL_Calibration(fiinputholder&, fioutputholder&) { notavailable("CalibrateModel"); }
void QL_BondOption(fiinputholder&, fioutputholder&) { notavailable("BondOption"); }
