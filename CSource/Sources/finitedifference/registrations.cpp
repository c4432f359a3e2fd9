// Registry rows of the finite-difference, tree and early-exercise families.
#include "binding/registries.h"

void registerfinitedifferencehandlers(scalarregistry& /*scalars*/) {}
