// Registry rows of the closed-form families: one row per handler, with the slots of its row
// table.
#include "binding/registries.h"
#include "closedform/BlackScholes.h"

void registerclosedformhandlers(scalarregistry& scalars) {
  using namespace BlackScholes;
  registercodes(scalars, {"BSECO", "BSEPO"}, blackscholeshandler, blackscholesinputs);
  registercodes(scalars, {"BLACK76ECO", "BLACK76EPO"}, black76handler, black76inputs);
  registercodes(scalars, {"BSEDCO", "BSEDPO", "BSEDACO", "BSEDAPO"}, digitalhandler,
                digitalinputs);
}
