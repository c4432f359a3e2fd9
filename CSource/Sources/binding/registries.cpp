#include "binding/registries.h"

scalarregistry& scalarhandlers() {
  static scalarregistry map;
  return map;
}

vectorregistry& vectorhandlers() {
  static vectorregistry map;
  return map;
}

void initializeregistries() {
  registerclosedformhandlers(scalarhandlers());
  registerfinitedifferencehandlers(scalarhandlers());
  registermontecarlohandlers(scalarhandlers(), vectorhandlers());
}
