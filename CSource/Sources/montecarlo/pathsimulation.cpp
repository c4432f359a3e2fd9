#include "montecarlo/pathsimulation.h"

#include <algorithm>
#include <cmath>

#include "numerics/linearalgebra.h"

namespace {

// Point t of every asset of a path (asset j's point t at j M + t) from the correlated normals w.
// The previous value is point t - 1, or the first entry of the path at t = 0 (where a law that
// grows from the previous point never starts).
void evolvepoint(const pathlaw& law, const double* w, int t, int M, int n, double* path) {
  for (int j = 0; j < n; ++j) {
    double* row = path + static_cast<std::size_t>(j) * M;
    const double growth = stepgrowth(law.drift[j], law.diffusion, w[j]);
    const double previous = t > 0 ? row[t - 1] : path[0];
    row[t] = law.fromprevious ? previous * growth : growth;
  }
}

}  // namespace

covariancefactor::covariancefactor(const marketdata& record)
    : n(record.count > 0 ? record.count : 0),
      factor(static_cast<std::size_t>(n) * n),
      width(static_cast<std::size_t>(n)) {
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      factor[static_cast<std::size_t>(i) * n + j] =
          record.correlations[static_cast<std::size_t>(i) * n + j] * record.volatilities[i] *
          record.volatilities[j];
  if (quietcholeskyfactor(n, factor.data()) != choleskyoutcome::factored) {
    std::copy(record.correlations, record.correlations + factor.size(), factor.begin());
    factored = semidefinitefactor(n, factor.data());
    for (int i = 0; i < n; ++i)
      for (int k = 0; k <= i; ++k)
        factor[static_cast<std::size_t>(i) * n + k] *= record.volatilities[i];
  }
  for (int j = 0; j < n; ++j) {
    int last = n;
    while (last > 0 && at(j, last - 1) == 0.0) --last;
    width[j] = last;
  }
}

pathlaw::pathlaw(const mcbase& instrument, int M)
    : drift(static_cast<std::size_t>(instrument.data->count)),
      start(instrument.start()),
      origin(drift.size()) {
  const pathtiming step = instrument.timing(M);
  diffusion = std::sqrt(step.dt);
  fromprevious = step.fromprevious;
  for (std::size_t j = 0; j < drift.size(); ++j) {
    drift[j] = stepdrift(*instrument.data, static_cast<int>(j), step.dt);
    origin[j] = instrument.spot(static_cast<int>(j));
  }
}

void simulatepaths(const pathdraws& draws, std::vector<pathvariant>& variants, std::int64_t N,
                   int M, int n) {
  if (N <= 0 || variants.empty() || M <= 0 || n <= 0) return;
  const std::size_t pointdraws = static_cast<std::size_t>(n);
  const std::size_t pathdraws = static_cast<std::size_t>(M) * pointdraws;
  std::vector<double> normals(pointdraws), w(pointdraws);
  std::vector<std::vector<double>> paths(variants.size(), std::vector<double>(pathdraws));
  std::vector<double> wholepath(draws.sobol != nullptr && draws.store == nullptr ? pathdraws : 0);
  const int start = variants.front().law.start;
  for (std::int64_t p = 0; p < N; ++p) {
    const std::size_t offset = static_cast<std::size_t>(p) * pathdraws;
    for (std::size_t v = 0; v < variants.size(); ++v)
      if (variants[v].law.start == 1)
        for (int j = 0; j < n; ++j)
          paths[v][static_cast<std::size_t>(j) * M] = variants[v].law.origin[j];
    const double* pathnormals = nullptr;  // the whole path's normals, when drawn at once
    if (draws.sobol != nullptr) {
      double* target = draws.store != nullptr ? draws.store + offset : wholepath.data();
      draws.sobol->nextpath(target + static_cast<std::size_t>(start) * pointdraws);
      pathnormals = target;
    }
    for (int t = start; t < M; ++t) {
      const std::size_t at = offset + static_cast<std::size_t>(t) * pointdraws;
      const double* z;
      if (pathnormals != nullptr) {
        z = pathnormals + static_cast<std::size_t>(t) * pointdraws;
      } else if (draws.source != nullptr) {
        double* target = draws.store != nullptr ? draws.store + at : normals.data();
        for (int k = 0; k < n; ++k) target[k] = draws.source->normaldraw(0.0, 1.0);
        z = target;
      } else {
        z = draws.kept + at;
      }
      // Variants that share a factor share its correlated normals.
      const covariancefactor* correlated = nullptr;
      for (std::size_t v = 0; v < variants.size(); ++v) {
        const pathvariant& variant = variants[v];
        if (variant.factor != correlated) {
          variant.factor->correlate(z, w.data());
          correlated = variant.factor;
        }
        evolvepoint(variant.law, w.data(), t, M, n, paths[v].data());
      }
    }
    for (std::size_t v = 0; v < variants.size(); ++v) {
      const double y = variants[v].instrument->payoff(paths[v].data(), M);
      variants[v].sum += y;
      if (variants[v].controls != nullptr) variants[v].controls->add(y, paths[v].data(), M);
    }
  }
}
