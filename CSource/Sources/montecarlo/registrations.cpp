// Registry rows of the Monte Carlo families: each family's scalar handler, and its vector handler
// for the codes its table marks vector.
#include "binding/registries.h"
#include "montecarlo/EuropeanAsianCodes.h"
#include "montecarlo/EuropeanMountainRangeCodes.h"
#include "montecarlo/EuropeanRainbowCodes.h"

void registermontecarlohandlers(scalarregistry& scalars, vectorregistry& vectors) {
  registerhandler(scalars, EuropeanMountainRange::mountainhandler);
  registerhandler(vectors, EuropeanMountainRange::mountainvectorhandler);
  registerhandler(scalars, EuropeanAsian::asianhandler);
  registerhandler(scalars, EuropeanRainbow::rainbowhandler);
  registerhandler(vectors, EuropeanRainbow::rainbowvectorhandler);
}
