// Registry rows of the closed-form families: one row per handler, with the slots of its row
// table.
#include "binding/registries.h"
#include "closedform/BlackScholes.h"
#include "closedform/EuropeanBarrier.h"
#include "closedform/EuropeanCompound.h"
#include "closedform/EuropeanExtendible.h"
#include "closedform/EuropeanLookback.h"
#include "closedform/EuropeanPower.h"
#include "closedform/EuropeanQuanto.h"
#include "closedform/EuropeanRainbowTwoAsset.h"
#include "closedform/EuropeanSpread.h"

void registerclosedformhandlers(scalarregistry& scalars) {
  using namespace BlackScholes;
  registercodes(scalars, {"BSECO", "BSEPO"}, blackscholeshandler, blackscholesinputs);
  registercodes(scalars, {"BLACK76ECO", "BLACK76EPO"}, black76handler, black76inputs);
  registercodes(scalars, {"BSEDCO", "BSEDPO", "BSEDACO", "BSEDAPO"}, digitalhandler,
                digitalinputs);
  // European barriers, compounds and choosers, lookbacks and extendibles.
  registercodes(scalars,
                {"DOWNINECO", "UPINECO", "DOWNINEPO", "UPINEPO", "DOWNOUTECO", "UPOUTECO",
                 "DOWNOUTEPO", "UPOUTEPO"},
                EuropeanBarrier::barrierhandler, EuropeanBarrier::barrierinputs);
  registercodes(scalars, {"COCEO", "COPEO", "POCEO", "POPEO"},
                EuropeanCompound::compoundhandler, EuropeanCompound::compoundinputs);
  registercodes(scalars, {"CHOOSER"}, EuropeanCompound::chooserhandler,
                EuropeanCompound::chooserinputs);
  registercodes(scalars, {"LBFLSTECO", "LBFLSTEPO"}, EuropeanLookback::lookbackhandler,
                EuropeanLookback::floatinglookbackinputs);
  registercodes(scalars, {"LBFXSTECO", "LBFXSTEPO"}, EuropeanLookback::lookbackhandler,
                EuropeanLookback::fixedlookbackinputs);
  registercodes(scalars, {"EXTHECO", "EXTHEPO"}, EuropeanExtendible::extendiblehandler,
                EuropeanExtendible::holderextendibleinputs);
  registercodes(scalars, {"EXTWECO", "EXTWEPO"}, EuropeanExtendible::extendiblehandler,
                EuropeanExtendible::writerextendibleinputs);
  // Power options, quantos, two-asset rainbows and spreads (the spreads on the two-asset lattice).
  // Codes of one handler that read different numbers of inputs are registered apart.
  registercodes(scalars, {"POWERCT", "POWERECO", "POWEREPO", "POWEREDECO", "POWEREDEPO"},
                EuropeanPower::powerhandler, EuropeanPower::powerinputs);
  registercodes(scalars, {"POWERCECO", "POWERCEPO"}, EuropeanPower::powerhandler,
                EuropeanPower::cappedpowerinputs);
  registercodes(scalars, {"QUANTOFSFEECO", "QUANTOFSFEEPO"}, EuropeanQuanto::quantohandler,
                EuropeanQuanto::quantofloatinginputs);
  registercodes(scalars, {"QUANTOFXFEECO", "QUANTOFXFEEPO"}, EuropeanQuanto::quantohandler,
                EuropeanQuanto::quantofixedinputs);
  registercodes(scalars, {"RAINBOWBEST2EO", "RAINBOWWORST2EO"},
                EuropeanRainbowTwoAsset::rainbowhandler, EuropeanRainbowTwoAsset::rainbowinputs);
  registercodes(scalars,
                {"RAINBOWMAX2ECO", "RAINBOWMAX2EPO", "RAINBOWMIN2ECO", "RAINBOWMIN2EPO",
                 "RAINBOWBEST2MONEYEO"},
                EuropeanRainbowTwoAsset::rainbowhandler,
                EuropeanRainbowTwoAsset::rainbowstrikeinputs);
  registercodes(scalars, {"SPREADECO", "SPREADEPO"}, EuropeanSpread::spreadhandler,
                EuropeanSpread::spreadinputs);
}
