// The code tables of every family, in the order the catalogue lists them. The kzr tool shows
// them as `kzr codes`; it links them alone (the kzrcodes library), without the rest of the
// library, which it loads at run time like any host.
#ifndef KZR_BINDING_CODECATALOGUE_H
#define KZR_BINDING_CODECATALOGUE_H

#include <vector>

#include "binding/codetable.h"

const std::vector<codetable>& codecatalogue();

#endif  // KZR_BINDING_CODECATALOGUE_H
