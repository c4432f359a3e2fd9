// A flat volatility as CapFloor, Swaption and CalibrateModel read it: "Volatility" (positive),
// "VolatilityType" (Lognormal by default, or Normal) and, for lognormal volatilities, "Shift" (0
// by default), the displacement of a shifted lognormal model.
#ifndef KZR_PLATFORM_OPTIONVOLATILITY_H
#define KZR_PLATFORM_OPTIONVOLATILITY_H

#include <ql/termstructures/volatility/volatilitytype.hpp>

#include "fikzrinputs.h"

namespace fikzr {

struct flatvolatility {
  double volatility;
  bool normal;  // a normal (Bachelier) volatility, else lognormal
  double shift;
  QuantLib::VolatilityType type() const {
    return normal ? QuantLib::Normal : QuantLib::ShiftedLognormal;
  }
};

// Reads the type and shift; the volatility itself only when `withvolatility`.
flatvolatility readflatvolatility(const inputs& in, bool withvolatility = true);

}  // namespace fikzr

#endif  // KZR_PLATFORM_OPTIONVOLATILITY_H
