#include "finitedifference/gridmarch.h"

#include <cstddef>

#include "numerics/interpolation.h"

gridworkspace::gridworkspace(int n) : n(n), storage(7 * static_cast<std::size_t>(n), 0.0) {
  const std::size_t size = static_cast<std::size_t>(n);
  nodes = storage.data();
  values = nodes + size;
  curvature = values + size;
  diag = curvature + size;
  upper = diag + size;
  lower = upper + size;
  exercise = lower + size;
}

void gridworkspace::placenodes() {
  spacing = (gridinfo.high - gridinfo.low) / (n - 1);
  for (int i = 0; i < n; ++i) nodes[i] = gridinfo.low + i * spacing;
}

finishedgrid gridworkspace::finish() {
  naturalspline(nodes, values, n, curvature);
  return {nodes, values, curvature, gridinfo, spacing, n};
}
