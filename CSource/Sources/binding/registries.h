// The registries from contract code to pricing handler.
//
// Each family contributes its handlers through a registration function of its own (closed forms,
// finite differences, Monte Carlo); each handler brings the code table of the codes it serves,
// and initialisation stores every code of it with its variant. A lookup never inserts (the maps
// compare with any text, so a lookup builds no string). Not thread-safe: calls must not overlap.
#ifndef KZR_BINDING_REGISTRIES_H
#define KZR_BINDING_REGISTRIES_H

#include <cstdint>
#include <map>
#include <string>

#include "binding/codetable.h"

// A registered handler with the slots of its row table (data tables with more rows are refused
// before the handler runs), the parameter entries it reads and the code's variant, which the
// handler receives.
template <typename handler>
struct registration {
  handler function;
  std::int64_t rowcapacity;
  entrymask entries = noentries;
  int variant = 0;
};

using scalarregistry = std::map<std::string, registration<scalarhandler>, std::less<>>;
using vectorregistry = std::map<std::string, registration<vectorhandler>, std::less<>>;

scalarregistry& scalarhandlers();
vectorregistry& vectorhandlers();

// Stores every code of every family (assignment by key, so a second call changes nothing).
// Throws std::logic_error when a code would be bound to two handlers.
void initializeregistries();

// Registration functions of the families, each defined beside its handlers.
void registerclosedformhandlers(scalarregistry& scalars);
void registerfinitedifferencehandlers(scalarregistry& scalars);
void registermontecarlohandlers(scalarregistry& scalars, vectorregistry& vectors);

// Stores the handler under each code of its table; the vector registry takes only the codes
// marked vector. Throws std::logic_error when a code is already bound to another handler.
void registerhandler(scalarregistry& registry, const scalarhandlerentry& handler);
void registerhandler(vectorregistry& registry, const vectorhandlerentry& handler);

#endif  // KZR_BINDING_REGISTRIES_H
