#include "optionvolatility.h"

namespace fikzr {

flatvolatility readflatvolatility(const inputs& in, bool withvolatility) {
  static const choices<bool> types = {{"Lognormal", false}, {"Normal", true}};
  flatvolatility v;
  v.normal =
      in.choose("VolatilityType", "Lognormal", types, "a volatility type", "volatility types");
  if (v.normal && in.hasnumber("Shift"))
    in.fail("\"Shift\" displaces a lognormal volatility; it is not read with a Normal one");
  v.shift = in.nonnegative("Shift", 0.0);
  v.volatility = withvolatility ? in.positive("Volatility") : 0.0;
  return v;
}

}  // namespace fikzr
