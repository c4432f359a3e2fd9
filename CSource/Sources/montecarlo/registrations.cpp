// Registry rows of the Monte Carlo families.
#include "binding/registries.h"

void registermontecarlohandlers(scalarregistry& /*scalars*/, vectorregistry& /*vectors*/) {}
