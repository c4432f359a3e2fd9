#include "finitedifference/valuationcache.h"

std::int64_t valuationmode(const parameterblock& params) {
  return entryinteger(params, entrymode, 0, 1);
}
