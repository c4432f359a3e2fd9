// The market conventions a curve is built with and that the instruments priced on it follow:
// its floating index (a named index or one made from its conventions), the spot lag, and the
// fixed legs' frequency and day counter.
//
// Keys (read by Curve): "Index", a named index bringing its own conventions (see indexnames());
// or, without it, "IndexTenor" (6M by default; 1D makes an overnight index), "SettlementDays" (2),
// "IndexDayCounter" (Actual360), "Calendar" (TARGET) and "Convention" (ModifiedFollowing); with
// either, "FixedFrequency" and "FixedDayCounter" of the fixed legs (by default the index's market
// convention, or Annual and Thirty360BondBasis). An overnight index's fixed legs count their days
// as the index does.
#ifndef KZR_PLATFORM_MARKETCONVENTIONS_H
#define KZR_PLATFORM_MARKETCONVENTIONS_H

#include <string>
#include <vector>

#include <ql/handle.hpp>
#include <ql/indexes/iborindex.hpp>
#include <ql/termstructures/yieldtermstructure.hpp>

#include "fikzrinputs.h"

namespace fikzr {

// The notional of swaps, caps, swaptions and credit default swaps when none is given.
constexpr double defaultnotional = 1000000.0;

struct marketconventions {
  // The index, forecasting on no curve; indexon() gives it a curve.
  QuantLib::ext::shared_ptr<QuantLib::IborIndex> index;
  bool overnight = false;                // an overnight index: OIS quotes and swaps
  QuantLib::Natural settlementdays = 0;  // business days from a curve's date to spot
  QuantLib::Frequency fixedfrequency = QuantLib::Annual;
  QuantLib::DayCounter fixeddaycounter;

  QuantLib::Calendar calendar() const { return index->fixingCalendar(); }
  QuantLib::BusinessDayConvention convention() const { return index->businessDayConvention(); }
  // The spot date of `date`: `settlementdays` business days later.
  QuantLib::Date spot(const QuantLib::Date& date) const;
};

// Reads the keys above.
marketconventions readconventions(const inputs& in);

// The conventions' index forecasting on `curve`.
QuantLib::ext::shared_ptr<QuantLib::IborIndex> indexon(
    const marketconventions& conventions,
    const QuantLib::Handle<QuantLib::YieldTermStructure>& curve);

std::vector<std::string> indexnames();

}  // namespace fikzr

#endif  // KZR_PLATFORM_MARKETCONVENTIONS_H
