#include "binding/callarguments.h"

#include <limits>

void retainedcall::begin(librarydata data, hostinteger argumentcount, hostargument* arguments,
                         int expected) {
  current.data = nullptr;
  current.codetext = nullptr;
  current.tensorcount = 0;
  current.tensorsmissing = 0;
  if (data == nullptr) return;
  if (retainedcode != nullptr) {
    data->releasestring(retainedcode);
    retainedcode = nullptr;
  }
  current.data = data;
  const hostinteger available = arguments == nullptr ? 0 : argumentcount;
  if (available >= 1 && arguments[0] != nullptr) {
    retainedcode = *static_cast<char**>(arguments[0]);
    current.codetext = retainedcode;
  }
  current.tensorcount = expected - 1;
  for (int i = 1; i < expected; ++i) {
    hosttensor tensor = nullptr;
    if (i < available && arguments[i] != nullptr) tensor = *static_cast<hosttensor*>(arguments[i]);
    current.tensors[i - 1] = tensor;
    if (tensor == nullptr) ++current.tensorsmissing;
  }
}

void retainedcall::end() {
  if (current.data == nullptr) return;
  for (int i = 0; i < current.tensorcount; ++i) {
    if (current.tensors[i] != nullptr) current.data->releasetensor(current.tensors[i]);
  }
  current.data = nullptr;
  current.tensorcount = 0;
}

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
