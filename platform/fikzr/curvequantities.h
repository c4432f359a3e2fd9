// Rates read off a yield curve in the convention the caller asks for: "Compounding"
// (Continuous by default; Compounded, Simple, SimpleThenCompounded) and "Frequency" (Annual by
// default, read when compounded), on a day counter the caller supplies.
#ifndef KZR_PLATFORM_CURVEQUANTITIES_H
#define KZR_PLATFORM_CURVEQUANTITIES_H

#include <ql/termstructures/yieldtermstructure.hpp>

#include "fikzrinputs.h"

namespace fikzr {

struct rateconvention {
  QuantLib::DayCounter counter;
  QuantLib::Compounding compounding;
  QuantLib::Frequency frequency;
};

rateconvention readrateconvention(const inputs& in, const QuantLib::DayCounter& counter);

// The zero rate to `date` and the forward rate from `start` to `end`; `extrapolate` lets the
// curve answer beyond its last pillar.
double zerorate(const QuantLib::YieldTermStructure& curve, const QuantLib::Date& date,
                const rateconvention& rates, bool extrapolate = false);
double forwardrate(const QuantLib::YieldTermStructure& curve, const QuantLib::Date& start,
                   const QuantLib::Date& end, const rateconvention& rates,
                   bool extrapolate = false);

}  // namespace fikzr

#endif  // KZR_PLATFORM_CURVEQUANTITIES_H
