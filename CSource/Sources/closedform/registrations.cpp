// Registry rows of the closed-form families: one handler each, with the code table of the codes
// it serves.
#include "binding/registries.h"
#include "closedform/BlackScholesCodes.h"
#include "closedform/EuropeanBarrierCodes.h"
#include "closedform/EuropeanCompoundCodes.h"
#include "closedform/EuropeanExtendibleCodes.h"
#include "closedform/EuropeanLookbackCodes.h"
#include "closedform/EuropeanPowerCodes.h"
#include "closedform/EuropeanQuantoCodes.h"
#include "closedform/EuropeanRainbowTwoAssetCodes.h"
#include "closedform/EuropeanSpreadCodes.h"

void registerclosedformhandlers(scalarregistry& scalars) {
  registerhandler(scalars, BlackScholes::blackscholeshandler);
  registerhandler(scalars, BlackScholes::black76handler);
  registerhandler(scalars, BlackScholes::digitalhandler);
  registerhandler(scalars, EuropeanBarrier::barrierhandler);
  registerhandler(scalars, EuropeanCompound::compoundhandler);
  registerhandler(scalars, EuropeanCompound::chooserhandler);
  registerhandler(scalars, EuropeanLookback::lookbackhandler);
  registerhandler(scalars, EuropeanExtendible::extendiblehandler);
  registerhandler(scalars, EuropeanPower::powerhandler);
  registerhandler(scalars, EuropeanQuanto::quantohandler);
  registerhandler(scalars, EuropeanRainbowTwoAsset::rainbowhandler);
  registerhandler(scalars, EuropeanSpread::spreadhandler);
}
