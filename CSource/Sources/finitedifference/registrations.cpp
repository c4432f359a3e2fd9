// Registry rows of the finite-difference, tree and early-exercise families: one handler each,
// with the code table of the codes it serves.
#include "binding/registries.h"
#include "finitedifference/AmericanBarrierCodes.h"
#include "finitedifference/AmericanVanillaCodes.h"
#include "finitedifference/DoubleBarrierCodes.h"

void registerfinitedifferencehandlers(scalarregistry& scalars) {
  registerhandler(scalars, AmericanVanilla::americanvanillahandler);
  registerhandler(scalars, AmericanBarrier::americanbarrierhandler);
  registerhandler(scalars, AmericanDoubleBarrier::americandoublebarrierhandler);
  registerhandler(scalars, EuropeanDoubleBarrier::europeandoublebarrierhandler);
}
