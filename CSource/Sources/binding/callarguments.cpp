#include "binding/callarguments.h"

#include <limits>

int writevectorresult(librarydata data, const double* p, hosttensor* cell) {
  if (p == nullptr || cell == nullptr) return hoststatusfunctionerror;
  const std::int64_t wide = truncatetointeger(p[0]);
  const hostinteger n = wide < 0 ? 0 : wide;
  hosttensor result = nullptr;
  const hostinteger dims[1] = {n};
  data->newtensor(hosttypereal, 1, dims, &result);
  if (result == nullptr) return hoststatusfunctionerror;
  for (hostinteger i = 1; i <= n; ++i) {
    const hostinteger position[1] = {i};
    data->setreal(result, position, p[i]);
  }
  *cell = result;
  return hoststatusok;
}
