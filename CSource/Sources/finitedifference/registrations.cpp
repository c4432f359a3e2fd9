// Registry rows of the finite-difference, tree and early-exercise families: one handler each,
// with the code table of the codes it serves.
#include "binding/registries.h"
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

void registerfinitedifferencehandlers(scalarregistry& scalars) {
  registerhandler(scalars, AmericanVanilla::americanvanillahandler);
  registerhandler(scalars, AmericanBarrier::americanbarrierhandler);
  registerhandler(scalars, AmericanDoubleBarrier::americandoublebarrierhandler);
  registerhandler(scalars, EuropeanDoubleBarrier::europeandoublebarrierhandler);
  registerhandler(scalars, AmericanQuanto::quantohandler);
  registerhandler(scalars, AmericanRainbowTwoAsset::rainbowhandler);
  registerhandler(scalars, AmericanSpread::spreadhandler);
  registerhandler(scalars, AmericanLookback::lookbackhandler);
  registerhandler(scalars, AmericanOneTouch::onetouchhandler);
  registerhandler(scalars, Perpetual::perpetualhandler);
  registerhandler(scalars, PerpetualLookback::perpetuallookbackhandler);
}
