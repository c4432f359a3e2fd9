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

// Families whose valuations keep a grid or draws between calls say so with their cacheuse. Each
// table's sizes, options and sign rule come with it from its Codes.h header (familytable); the
// codes that read paths are those whose engine reads the sensitivity selector.
const std::vector<codetable>& codecatalogue() {
  static const std::vector<codetable> tables = {
      // European options under Black-Scholes, Black-76 and digitals.
      familytable<BlackScholes::blackscholescodes>(),
      familytable<BlackScholes::black76codes>(),
      familytable<BlackScholes::digitalcodes>(),
      // European barriers, compounds and choosers, lookbacks and extendibles.
      familytable<EuropeanBarrier::barriercodes>(),
      familytable<EuropeanCompound::compoundcodes>(),
      familytable<EuropeanCompound::choosercodes>(),
      familytable<EuropeanLookback::lookbackcodes>(),
      familytable<EuropeanExtendible::extendiblecodes>(),
      // Power options, quantos, two-asset rainbows and spread options.
      familytable<EuropeanPower::powercodes>(),
      familytable<EuropeanQuanto::quantocodes>(),
      familytable<EuropeanRainbowTwoAsset::rainbowcodes>(),
      familytable<EuropeanSpread::spreadcodes>(),
      // American calls and puts.
      familytable<AmericanVanilla::americanvanillacodes>(cacheuse::grid),
      // American single barriers; double barriers, American and European.
      familytable<AmericanBarrier::americanbarriercodes>(cacheuse::grid),
      familytable<AmericanDoubleBarrier::americandoublebarriercodes>(cacheuse::grid),
      familytable<EuropeanDoubleBarrier::europeandoublebarriercodes>(cacheuse::grid),
      // American quantos, two-asset rainbows and spread options.
      familytable<AmericanQuanto::quantocodes>(),
      familytable<AmericanRainbowTwoAsset::rainbowcodes>(),
      familytable<AmericanSpread::spreadcodes>(),
      // American lookbacks, one-touch, perpetual and Russian options.
      familytable<AmericanLookback::lookbackcodes>(cacheuse::grid),
      familytable<AmericanOneTouch::onetouchcodes>(),
      familytable<Perpetual::perpetualcodes>(),
      familytable<PerpetualLookback::perpetuallookbackcodes>(),
      // Mountain range options, by simulation.
      familytable<EuropeanMountainRange::mountaincodes>(cacheuse::draws),
      // Asian options (arithmetic by simulation, geometric in closed form) and rainbows on n
      // assets, by simulation.
      familytable<EuropeanAsian::asiancodes>(cacheuse::draws),
      familytable<EuropeanRainbow::rainbowcodes>(cacheuse::draws),
  };
  return tables;
}
