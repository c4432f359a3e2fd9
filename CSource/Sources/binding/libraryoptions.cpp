#include "binding/libraryoptions.h"

#include <cmath>

libraryoptions readlibraryoptions(const parameterblock& block) {
  libraryoptions options;
  if (usesdefault(block, entryoptions) || block.rank < 1 || block.dims == nullptr) return options;
  const std::int64_t columns = block.dims[block.rank - 1];
  const double* row = block.entries[entryoptions].row;
  if (columns >= 1 && std::isfinite(row[0]) && row[0] >= 1)
    options.seed = truncatetointeger(row[0]);
  if (columns >= 2 && truncatetointeger(row[1]) == 1) options.numerics = bivariatemethod::precise;
  return options;
}
