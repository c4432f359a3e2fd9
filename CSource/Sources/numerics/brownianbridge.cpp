#include "numerics/brownianbridge.h"

#include <cmath>
#include <utility>

brownianbridge::brownianbridge(int steps)
    : m(steps > 0 ? steps : 0), path(static_cast<std::size_t>(m) + 1, 0.0) {
  // Breadth first: a queue of intervals, read from its front while new ones join its back.
  std::vector<std::pair<int, int>> intervals;
  if (m > 0) intervals.emplace_back(0, m);
  for (std::size_t next = 0; next < intervals.size(); ++next) {
    const int l = intervals[next].first, r = intervals[next].second;
    if (r - l < 2) continue;
    const int c = l + (r - l) / 2;
    point.push_back(c);
    left.push_back(l);
    right.push_back(r);
    const double width = r - l;
    leftweight.push_back((r - c) / width);
    rightweight.push_back((c - l) / width);
    spread.push_back(std::sqrt((c - l) * static_cast<double>(r - c) / width));
    intervals.emplace_back(l, c);
    intervals.emplace_back(c, r);
  }
}

void brownianbridge::increments(const double* z, std::size_t zstride, double* out,
                                std::size_t outstride) {
  if (m == 0) return;
  path[static_cast<std::size_t>(m)] = std::sqrt(static_cast<double>(m)) * z[0];
  for (std::size_t k = 0; k < point.size(); ++k)
    path[static_cast<std::size_t>(point[k])] =
        leftweight[k] * path[static_cast<std::size_t>(left[k])] +
        rightweight[k] * path[static_cast<std::size_t>(right[k])] + spread[k] * z[(k + 1) * zstride];
  for (int t = 0; t < m; ++t)
    out[static_cast<std::size_t>(t) * outstride] =
        path[static_cast<std::size_t>(t) + 1] - path[static_cast<std::size_t>(t)];
}
