// The names the host loads: the loading protocol and the pricing entry points. Nothing else of
// the library is visible outside it.
#include "binding/entrypoints.h"
#include "binding/registries.h"
#include "fixedincome/FixedIncome.h"

#define KZR_EXPORT extern "C" __attribute__((visibility("default")))

KZR_EXPORT int QuillonLibrary_getVersion() { return hostinterfaceversion; }

KZR_EXPORT int QuillonLibrary_initialize(librarydata /*data*/) {
  try {
    initializeregistries();
    return hoststatusok;
  } catch (...) {
    return hoststatusfunctionerror;
  }
}

KZR_EXPORT int fun(librarydata data, hostinteger argumentcount, hostargument* arguments,
                   hostargument result) {
  return scalarentry(data, argumentcount, arguments, result);
}

KZR_EXPORT int funvec(librarydata data, hostinteger argumentcount, hostargument* arguments,
                      hostargument result) {
  return vectorentry(data, argumentcount, arguments, result);
}

KZR_EXPORT int fifun(librarydata data, hostinteger argumentcount, hostargument* arguments,
                     hostargument result) {
  return FixedIncome::fifunentry(data, argumentcount, arguments, result);
}
