// Registry rows of the finite-difference, tree and early-exercise families.
#include "binding/registries.h"
#include "finitedifference/AmericanVanilla.h"

void registerfinitedifferencehandlers(scalarregistry& scalars) {
  using namespace AmericanVanilla;
  registercodes(scalars, {"BINACO", "BINAPO", "BSACO", "BSAPO"}, americanvanillahandler,
                americanvanillainputs);
  registercodes(scalars, {"BINACOCrit", "BINAPOCrit", "BSACOCrit", "BSAPOCrit"},
                americanvanillahandler, americanvanillacriticalinputs);
}
