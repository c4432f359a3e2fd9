#include "binding/registries.h"

#include <stdexcept>

namespace {

template <typename registry, typename handler>
void store(registry& map, const handlerentry<handler>& entry, bool vectorsonly) {
  for (const coderow& row : entry.codes) {
    if (vectorsonly && !row.vector) continue;
    const auto found = map.find(row.code);
    if (found != map.end() && found->second.function != entry.function)
      throw std::logic_error(std::string("contract code registered for two handlers: ") + row.code);
    // A counted code's rows are its named inputs (a family's groups read tables of their own).
    const std::int64_t rows =
        countedinputs(row.inputs) ? inputcount(row.inputs) : entry.rowcapacity;
    map[row.code] = {entry.function, rows, entry.entries, row.variant};
  }
}

}  // namespace

scalarregistry& scalarhandlers() {
  static scalarregistry map;
  return map;
}

vectorregistry& vectorhandlers() {
  static vectorregistry map;
  return map;
}

void registerhandler(scalarregistry& registry, const scalarhandlerentry& handler) {
  store(registry, handler, false);
}

void registerhandler(vectorregistry& registry, const vectorhandlerentry& handler) {
  store(registry, handler, true);
}

void initializeregistries() {
  registerclosedformhandlers(scalarhandlers());
  registerfinitedifferencehandlers(scalarhandlers());
  registermontecarlohandlers(scalarhandlers(), vectorhandlers());
}
