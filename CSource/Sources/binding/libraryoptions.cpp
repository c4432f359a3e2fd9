#include "binding/libraryoptions.h"

#include <cmath>

libraryoptions readlibraryoptions(const parameterblock& block) {
  libraryoptions options;
  if (usesdefault(block, entryoptions) || block.rank < 1 || block.dims == nullptr) return options;
  const std::int64_t columns = block.dims[block.rank - 1];
  const double* row = block.entries[entryoptions].row;
  const double seed = columns > optionseed ? row[optionseed] : 0.0;
  if (std::isfinite(seed) && seed >= 1) options.seed = truncatetointeger(seed);
  if (columns > optionnumerics && truncatetointeger(row[optionnumerics]) == 1)
    options.numerics = bivariatemethod::precise;
  options.sobol = columns > optionsobol && truncatetointeger(row[optionsobol]) == 1;
  options.controlvariates =
      columns > optioncontrolvariates && truncatetointeger(row[optioncontrolvariates]) == 1;
  if (columns > optionnegativerates && truncatetointeger(row[optionnegativerates]) == 1)
    options.negativerates = true;
  return options;
}
