#include "binding/callarguments.h"

#include <limits>

void retainedcall::begin(librarydata data, hostinteger argumentcount, hostargument* arguments,
                         int expected) {
  current = callarguments{};
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
  current = callarguments{};
}

std::int64_t tensorview::elements() const {
  std::int64_t count = 1;
  for (std::int64_t i = 0; i < rank; ++i) {
    if (dims[i] == 0) return 0;
    if (count > std::numeric_limits<std::int64_t>::max() / dims[i])
      count = std::numeric_limits<std::int64_t>::max();
    else
      count *= dims[i];
  }
  return count;
}

tensorview viewtensor(librarydata data, hosttensor tensor) {
  tensorview view;
  view.rank = data->tensorrank(tensor);
  view.dims = data->tensordims(tensor);
  if (view.rank < 0 || (view.rank > 0 && view.dims == nullptr)) {
    view.rank = 0;
    return view;
  }
  view.wellformed = true;
  for (std::int64_t i = 0; i < view.rank; ++i)
    if (view.dims[i] < 0) view.wellformed = false;
  return view;
}

const double* rebuildparameterblock(librarydata data, hosttensor T1, hosttensor T2, hosttensor T0,
                                    parameterblock& block) {
  const hostinteger* flags = data->integerdata(T1);
  const double* values = data->realdata(T2);
  const hostinteger* d = data->tensordims(T2);
  const hostinteger r = data->tensorrank(T2);
  block.rank = r;
  block.dims = d;
  block.elementsize = 8;
  const hostinteger columns = d[r - 1];
  for (int e = 0; e < parameterentrycount; ++e) {
    block.entries[e].flag = flags[e];
    block.entries[e].row = values + e * columns;
  }
  return data->realdata(T0);
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
