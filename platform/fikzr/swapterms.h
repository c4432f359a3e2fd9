// The terms of a fixed-for-floating swap as InterestSwap, CapFloor and Swaption read them, and the
// swap built from them on a market (QuantLib's VanillaSwap on a term index, its
// OvernightIndexedSwap on an overnight index), with the conventions of the curve's quotes so that
// a swap of a quoted tenor reprices its quote.
//
// Keys: "Notional" (1000000); "StartDate"
// (spot by default); "MaturityDate" or "Tenor" (one of the two); "FixedRate" (the fair rate by
// default); "Spread" over the index (0); "FixedFrequency", "FixedDayCounter" (the curve's
// conventions) and "FloatingDayCounter" (the index's).
#ifndef KZR_PLATFORM_SWAPTERMS_H
#define KZR_PLATFORM_SWAPTERMS_H

#include <string>

#include <ql/instruments/overnightindexedswap.hpp>
#include <ql/instruments/vanillaswap.hpp>

#include "namedcurves.h"

namespace fikzr {

struct swapterms {
  QuantLib::Swap::Type type;  // Payer unless the caller reads readswaptype()
  double notional;
  QuantLib::Date start;  // the null date for spot
  QuantLib::Date end;    // the null date when a tenor is given
  QuantLib::Period tenor;
  double fixedrate;  // QuantLib's Null<Rate>() for the fair rate
  double spread;
  QuantLib::Frequency fixedfrequency;
  QuantLib::DayCounter fixeddaycounter, floatingdaycounter;
};

// "FixedFrequency" and "FixedDayCounter", the curve's conventions by default.
struct fixedleg {
  QuantLib::Frequency frequency;
  QuantLib::DayCounter counter;
};
fixedleg readfixedleg(const inputs& in, const marketconventions& conventions);

// Reads the terms.
swapterms readswapterms(const inputs& in, const marketconventions& conventions);
// "Type": Payer (paying fixed, the default) or Receiver.
QuantLib::Swap::Type readswaptype(const inputs& in);

// The swap on `index` (a term index), discounted on `discounting`.
QuantLib::ext::shared_ptr<QuantLib::VanillaSwap> vanillaswap(
    const swapterms& terms, const marketconventions& conventions,
    const QuantLib::ext::shared_ptr<QuantLib::IborIndex>& index,
    const QuantLib::Handle<QuantLib::YieldTermStructure>& discounting);
// The swap on `index` (an overnight index).
QuantLib::ext::shared_ptr<QuantLib::OvernightIndexedSwap> overnightswap(
    const swapterms& terms, const marketconventions& conventions,
    const QuantLib::ext::shared_ptr<QuantLib::OvernightIndex>& index,
    const QuantLib::Handle<QuantLib::YieldTermStructure>& discounting);

}  // namespace fikzr

#endif  // KZR_PLATFORM_SWAPTERMS_H
