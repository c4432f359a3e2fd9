// Registry rows of the closed-form families: one row per handler, with the slots of its row
// table.
#include "binding/registries.h"
#include "closedform/BlackScholes.h"
#include "closedform/EuropeanBarrier.h"
#include "closedform/EuropeanCompound.h"
#include "closedform/EuropeanExtendible.h"
#include "closedform/EuropeanLookback.h"

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
  registercodes(scalars, {"LBFLSTECO", "LBFLSTEPO", "LBFXSTECO", "LBFXSTEPO"},
                EuropeanLookback::lookbackhandler, EuropeanLookback::fixedlookbackinputs);
  registercodes(scalars, {"EXTHECO", "EXTHEPO", "EXTWECO", "EXTWEPO"},
                EuropeanExtendible::extendiblehandler,
                EuropeanExtendible::holderextendibleinputs);
}
