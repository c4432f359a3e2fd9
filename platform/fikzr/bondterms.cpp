#include "bondterms.h"

namespace fikzr {

namespace {

constexpr double defaultfaceamount = 100.0;
constexpr double largestcoupon = 100.0;  // 10000%; beyond it the schedule is surely mistyped

}  // namespace

bondterms readbond(const inputs& in) {
  using namespace QuantLib;
  bondterms b;
  b.issue = in.date("IssueDate");
  b.maturity = in.date("MaturityDate");
  if (b.maturity <= b.issue)
    in.fail("the maturity date " + isodate(b.maturity) + " is not after the issue date " +
            isodate(b.issue));
  b.coupon = in.number("Coupon");
  if (b.coupon < 0.0 || b.coupon > largestcoupon)
    in.refuse("number", "Coupon", "must lie between 0 and 100 (a rate, 0.05 for 5%)");
  b.face = in.positive("FaceAmount", defaultfaceamount);
  b.calendar = in.calendar("Calendar", "NullCalendar");
  b.counter = in.daycounter("DayCounter", "ActualActualISMA", b.calendar);
  b.convention = in.convention("Convention", "Unadjusted");
  b.frequency = in.frequency("Frequency", "Semiannual");
  b.schedule = Schedule(b.issue, b.maturity, Period(b.frequency), b.calendar, b.convention,
                        b.convention, DateGeneration::Backward, false);
  return b;
}

}  // namespace fikzr
