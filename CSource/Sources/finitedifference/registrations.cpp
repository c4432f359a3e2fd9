// Registry rows of the finite-difference, tree and early-exercise families: one handler each,
// with the code table of the codes it serves.
#include "binding/registries.h"
#include "finitedifference/AmericanQuantoCodes.h"
#include "finitedifference/AmericanRainbowTwoAssetCodes.h"
#include "finitedifference/AmericanSpreadCodes.h"
#include "finitedifference/AmericanVanillaCodes.h"

void registerfinitedifferencehandlers(scalarregistry& scalars) {
  registerhandler(scalars, AmericanVanilla::americanvanillahandler);
  registerhandler(scalars, AmericanQuanto::quantohandler);
  registerhandler(scalars, AmericanRainbowTwoAsset::rainbowhandler);
  registerhandler(scalars, AmericanSpread::spreadhandler);
}
