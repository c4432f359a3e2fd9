// The registries from contract code to pricing handler.
//
// Each family contributes the rows of its handlers through a registration function of its own
// (closed forms, finite differences, Monte Carlo); initialisation stores them all. A lookup never
// inserts. Not thread-safe: calls must not overlap.
#ifndef KZR_BINDING_REGISTRIES_H
#define KZR_BINDING_REGISTRIES_H

#include <cstdint>
#include <map>
#include <string>

#include "binding/parameterblock.h"

// handler(code, data, shape, block). The code is the handler's own copy.
using scalarhandler = double (*)(std::string code, const double* data, const datashape* shape,
                                 parameterblock* block);
// Returns a heap array (new double[]): element 0 holds the count n, elements 1..n the results.
using vectorhandler = double* (*)(std::string code, const double* data, const datashape* shape,
                                  parameterblock* block);

// A registered handler with the number of slots of its row table: data tables with more rows are
// refused before the handler runs.
template <typename handler>
struct registration {
  handler function;
  std::int64_t rowcapacity;
};

using scalarregistry = std::map<std::string, registration<scalarhandler>, std::less<>>;
using vectorregistry = std::map<std::string, registration<vectorhandler>, std::less<>>;

scalarregistry& scalarhandlers();
vectorregistry& vectorhandlers();

// Stores every code of every family (assignment by key, so a second call changes nothing).
void initializeregistries();

// Registration functions of the families, each defined beside its handlers.
void registerclosedformhandlers(scalarregistry& scalars);
void registerfinitedifferencehandlers(scalarregistry& scalars);
void registermontecarlohandlers(scalarregistry& scalars, vectorregistry& vectors);

// Stores one handler under each of its codes.
template <typename registry, typename handler, std::size_t n>
void registercodes(registry& map, const char* const (&codes)[n], handler function,
                   std::int64_t rowcapacity) {
  for (const char* code : codes) map[code] = {function, rowcapacity};
}

#endif  // KZR_BINDING_REGISTRIES_H
