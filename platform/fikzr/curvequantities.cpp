#include "curvequantities.h"

namespace fikzr {

rateconvention readrateconvention(const inputs& in, const QuantLib::DayCounter& counter) {
  return {counter, in.compounding("Compounding", "Continuous"),
          in.frequency("Frequency", "Annual")};
}

double zerorate(const QuantLib::YieldTermStructure& curve, const QuantLib::Date& date,
                const rateconvention& rates, bool extrapolate) {
  return curve.zeroRate(date, rates.counter, rates.compounding, rates.frequency, extrapolate)
      .rate();
}

double forwardrate(const QuantLib::YieldTermStructure& curve, const QuantLib::Date& start,
                   const QuantLib::Date& end, const rateconvention& rates, bool extrapolate) {
  return curve
      .forwardRate(start, end, rates.counter, rates.compounding, rates.frequency, extrapolate)
      .rate();
}

}  // namespace fikzr
