#include "binding/codecatalogue.h"

#include "closedform/BlackScholesCodes.h"
#include "closedform/EuropeanBarrierCodes.h"
#include "closedform/EuropeanCompoundCodes.h"
#include "closedform/EuropeanExtendibleCodes.h"
#include "closedform/EuropeanLookbackCodes.h"
#include "closedform/EuropeanPowerCodes.h"
#include "closedform/EuropeanQuantoCodes.h"
#include "closedform/EuropeanRainbowTwoAssetCodes.h"
#include "closedform/EuropeanSpreadCodes.h"
#include "finitedifference/AmericanBarrierCodes.h"
#include "finitedifference/AmericanLookbackCodes.h"
#include "finitedifference/AmericanOneTouchCodes.h"
#include "finitedifference/AmericanQuantoCodes.h"
#include "finitedifference/AmericanRainbowTwoAssetCodes.h"
#include "finitedifference/AmericanSpreadCodes.h"
#include "finitedifference/AmericanVanillaCodes.h"
#include "finitedifference/DoubleBarrierCodes.h"
#include "finitedifference/PerpetualCodes.h"
#include "finitedifference/PerpetualLookbackCodes.h"
#include "montecarlo/EuropeanAsianCodes.h"
#include "montecarlo/EuropeanMountainRangeCodes.h"
#include "montecarlo/EuropeanRainbowCodes.h"

namespace {

// The codes whose engine computes the sensitivity the selector of entry 1 asks for.
bool everyvariant(int) { return true; }
// The arithmetic averages simulate; the geometric ones are closed forms that ignore entry 1.
bool arithmeticaverage(int variant) {
  return variant == EuropeanAsian::arithmeticcallcode ||
         variant == EuropeanAsian::arithmeticputcode;
}

}  // namespace

// Families whose valuations keep a grid or draws between calls say so with their cacheuse; the
// simulations name the codes whose engine reads the sensitivity selector.
const std::vector<codetable>& codecatalogue() {
  static const std::vector<codetable> tables = {
      // European options under Black-Scholes, Black-76 and digitals.
      tableof(BlackScholes::blackscholescodes),
      tableof(BlackScholes::black76codes),
      tableof(BlackScholes::digitalcodes),
      // European barriers, compounds and choosers, lookbacks and extendibles.
      tableof(EuropeanBarrier::barriercodes),
      tableof(EuropeanCompound::compoundcodes),
      tableof(EuropeanCompound::choosercodes),
      tableof(EuropeanLookback::lookbackcodes),
      tableof(EuropeanExtendible::extendiblecodes),
      // Power options, quantos, two-asset rainbows and spread options.
      tableof(EuropeanPower::powercodes),
      tableof(EuropeanQuanto::quantocodes),
      tableof(EuropeanRainbowTwoAsset::rainbowcodes),
      tableof(EuropeanSpread::spreadcodes),
      // American calls and puts.
      tableof(AmericanVanilla::americanvanillacodes, cacheuse::grid),
      // American single barriers; double barriers, American and European.
      tableof(AmericanBarrier::americanbarriercodes, cacheuse::grid),
      tableof(AmericanDoubleBarrier::americandoublebarriercodes, cacheuse::grid),
      tableof(EuropeanDoubleBarrier::europeandoublebarriercodes, cacheuse::grid),
      // American quantos, two-asset rainbows and spread options.
      tableof(AmericanQuanto::quantocodes),
      tableof(AmericanRainbowTwoAsset::rainbowcodes),
      tableof(AmericanSpread::spreadcodes),
      // American lookbacks, one-touch, perpetual and Russian options.
      tableof(AmericanLookback::lookbackcodes, cacheuse::grid),
      tableof(AmericanOneTouch::onetouchcodes),
      tableof(Perpetual::perpetualcodes),
      tableof(PerpetualLookback::perpetuallookbackcodes),
      // Mountain range options, by simulation.
      tableof(EuropeanMountainRange::mountaincodes, cacheuse::draws, everyvariant),
      // Asian options (arithmetic by simulation, geometric in closed form) and rainbows on n
      // assets, by simulation.
      tableof(EuropeanAsian::asiancodes, cacheuse::draws, arithmeticaverage),
      tableof(EuropeanRainbow::rainbowcodes, cacheuse::draws, everyvariant),
  };
  return tables;
}
