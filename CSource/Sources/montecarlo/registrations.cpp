// Registry rows of the Monte Carlo families: each family's scalar handler, and its vector handler
// for the codes its table marks vector.
#include "binding/registries.h"
#include "montecarlo/EuropeanMountainRangeCodes.h"

void registermontecarlohandlers(scalarregistry& scalars, vectorregistry& vectors) {
  registerhandler(scalars, EuropeanMountainRange::mountainhandler);
  registerhandler(vectors, EuropeanMountainRange::mountainvectorhandler);
}
