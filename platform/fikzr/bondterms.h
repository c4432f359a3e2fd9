// The terms of a fixed-rate bullet bond as FixedBond and BondOption read them: "IssueDate",
// "MaturityDate", "Coupon", "FaceAmount", "DayCounter", "Calendar", "Convention", "Frequency".
#ifndef KZR_PLATFORM_BONDTERMS_H
#define KZR_PLATFORM_BONDTERMS_H

#include <ql/time/schedule.hpp>

#include "fikzrinputs.h"

namespace fikzr {

struct bondterms {
  QuantLib::Date issue, maturity;
  double coupon;  // annual rate
  double face;    // the cash flows are in its units; prices are per 100 of it
  QuantLib::Calendar calendar;
  QuantLib::DayCounter counter;
  QuantLib::BusinessDayConvention convention;
  QuantLib::Frequency frequency;
  QuantLib::Schedule schedule;  // generated backward from the maturity
};

// Reads and checks the terms (maturity after issue, coupon from 0 to 100, positive face).
bondterms readbond(const inputs& in);

// Prices in this library are quoted per 100 of face.
constexpr double pricebase = 100.0;

}  // namespace fikzr

#endif  // KZR_PLATFORM_BONDTERMS_H
