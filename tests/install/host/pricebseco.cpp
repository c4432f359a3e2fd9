// A host of an installed kzr, built outside the installation: the stand-in's default constructor
// finds libkzr.so in the installed lib/ (the path the package states), it checks the versions the
// package states, reads BSECO's inputs from the catalogue and prices it with the precise numerics
// set on the default parameter tables. Exits 0 only when the price equals the
// Black-Scholes-Merton value computed here.
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "binding/codecatalogue.h"
#include "binding/interfacenumbers.h"
#include "host.h"
#include "kzrversion.h"

namespace {

double normal(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

double blackscholescall(double T, double S, double K, double sigma, double r, double q) {
  const double d1 = (std::log(S / K) + (r - q + 0.5 * sigma * sigma) * T) / (sigma * std::sqrt(T));
  const double d2 = d1 - sigma * std::sqrt(T);
  return S * std::exp(-q * T) * normal(d1) - K * std::exp(-r * T) * normal(d2);
}

int fail(const std::string& why) {
  std::fprintf(stderr, "pricebseco: %s\n", why.c_str());
  return 1;
}

}  // namespace

int main() {
  if (KZR_HOST_INTERFACE_VERSION != EXPECTED_INTERFACE)
    return fail("kzrversion.h and the package disagree on the host-interface version");
  std::string inputs;
  for (const codetable& table : codecatalogue())
    for (const coderow& row : table)
      if (std::string(row.code) == "BSECO") inputs = row.inputs;
  if (inputs != "T, S, K, sigma, r, q") return fail("BSECO's inputs: '" + inputs + "'");
  try {
    standin::host library;
    char* found = realpath(standin::defaultlibrarypath().c_str(), nullptr);
    char* stated = realpath(KZR_LIBRARY_PATH, nullptr);
    const bool same = found != nullptr && stated != nullptr && std::string(found) == stated;
    free(found);
    free(stated);
    if (!same) return fail("the stand-in loaded " + standin::defaultlibrarypath());
    auto version = reinterpret_cast<int (*)()>(library.symbol("QuillonLibrary_getVersion"));
    if (version == nullptr || version() != KZR_HOST_INTERFACE_VERSION)
      return fail("the library reports another host-interface version");
    standin::tensor T0 = standin::realtable({{1}, {100}, {100}, {0.2}, {0.05}, {0.02}});
    // Every entry at its default but the options' numerics.
    standin::parametertables parameters = standin::defaultparameters();
    parameters.set(entryoptions, optionnumerics, 1);
    const standin::scalarresult result =
        library.fun("BSECO", T0, parameters.flags, parameters.entries);
    const double expected = blackscholescall(1, 100, 100, 0.2, 0.05, 0.02);
    std::printf("BSECO %.17g (closed form %.17g) kzr %s, host interface %d\n", result.value,
                expected, KZR_VERSION, KZR_HOST_INTERFACE_VERSION);
    if (result.status != 0 || !(std::fabs(result.value - expected) < 1e-10))
      return fail("the price differs from the closed form");
  } catch (const standin::loaderror& error) {
    return fail(error.what());
  }
  return 0;
}
