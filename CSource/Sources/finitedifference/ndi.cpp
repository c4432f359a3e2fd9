#include "finitedifference/ndi.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "numerics/interpolation.h"
#include "finitedifference/levelsolver.h"
#include "numerics/normaldistribution.h"

namespace {

// Index of the critical search's first node: the integer part of c x N, held inside the grid.
int searchstart(double c, int n) {
  const std::int64_t start = truncatetointeger(c * n);
  if (start < 0) return 0;
  if (start > n - 1) return n - 1;
  return static_cast<int>(start);
}

}  // namespace

double ndi::solve(int mode, parameterblock* params) {
  const contractdata& d = *instrument->data;
  const fdbase& grid = *working;
  const int n = grid.nspace;
  const int m = grid.ntime;
  const std::size_t size = static_cast<std::size_t>(n);

  // Working storage of the solve, in one block.
  std::vector<double> storage(8 * size + fdbase::gridinfosize, 0.0);
  double* nodes = storage.data();
  double* v = nodes + size;  // current level; today's solution at the end
  double* curvature = v + size;
  double* diag = curvature + size;
  double* upper = diag + size;  // n - 1 used
  double* lower = upper + size;  // n - 1 used
  double* w = lower + size;      // solver output
  double* exercise = w + size;   // max(payoff, 0) at each node
  double* gridinfo = exercise + size;

  grid.gridlimits(gridinfo + 2, params);
  const double dt = gridinfo[2] / (m - 1);
  const double dS = (gridinfo[4] - gridinfo[3]) / (n - 1);
  for (int i = 0; i < n; ++i) nodes[i] = gridinfo[3] + i * dS;

  for (int i = 0; i < n; ++i) v[i] = grid.payoff(nodes[i], 0, params);
  const bool american = d.american == 1;
  if (american)
    for (int i = 0; i < n; ++i) exercise[i] = maxof(grid.payoff(nodes[i], 0, params), 0.0);

  buildmatrix(diag, upper, lower, dt, n);
  const bool reflecting = d.reflecting == 1;
  if (reflecting) {
    const double shift = d.callput == 1 ? 0.0 : dS;
    diag[n - 2] += upper[n - 2] / (d.level1 - shift);
    upper[n - 2] = 0.0;
  }

  levelsolver step(diag, upper, lower, n);
  grid.boundary(0, 0, 0, gridinfo, params);
  v[0] = gridinfo[0];
  v[n - 1] = gridinfo[1];
  for (int j = m - 2; j >= 0; --j) {
    explicitpart(diag, upper, lower, v, n);
    step.solve(v, w);
    if (american)
      for (int i = 1; i <= n - 2; ++i) v[i] = maxof(w[i], exercise[i]);
    else
      for (int i = 1; i <= n - 2; ++i) v[i] = w[i];
    grid.boundary(0, 0, 0, gridinfo, params);
    v[0] = gridinfo[0];
    v[n - 1] = gridinfo[1];
  }

  if (reflecting) v[n - 1] = v[n - 2];
  naturalspline(nodes, v, n, curvature);

  if (mode == 0 && carrier != nullptr && carrier->size == n) {
    carrier->dt = dt;
    carrier->dx = dS;
    for (int k = 0; k < fdbase::gridinfosize; ++k) carrier->gridinfo[k] = gridinfo[k];
    for (int i = 0; i < n; ++i) {
      carrier->nodes[i] = nodes[i];
      carrier->values[i] = v[i];
      carrier->curvature[i] = curvature[i];
    }
  }
  return readoff(nodes, v, curvature, gridinfo, dS, n, params);
}

double ndi::fromcarrier(parameterblock* params) {
  return readoff(carrier->nodes, carrier->values, carrier->curvature, carrier->gridinfo,
                 carrier->dx, carrier->size, params);
}

double ndi::readoff(const double* nodes, const double* values, const double* curvature,
                    const double* gridinfo, double dS, int n,
                    const parameterblock* params) const {
  const contractdata& d = *instrument->data;
  if (d.critical != 1)
    return splint(nodes, values, curvature, n, d.spot, false, d.expiry * d.volatility);

  const fdbase& grid = *working;
  int i = searchstart(grid.critstart(gridinfo, params), n);
  if (d.reflecting != 1) {
    const int step = d.callput > 0 ? 1 : -1;
    for (;;) {
      if (std::isnan(values[i])) return values[i];
      if (values[i] <= maxof(grid.payoff(nodes[i], 0, params), 0.0)) break;
      const int next = i + step;
      if (next < 0 || next > n - 1) break;
      i = next;
    }
    return gridinfo[3] + dS * (i - d.callput / 2.0);
  }
  while (i < n - 1 && values[i] == maxof(grid.payoff(nodes[i], 0, params), 0.0)) ++i;
  return gridinfo[3] + dS * (i - 0.5);
}

void CNNDI::buildmatrix(double* diag, double* upper, double* lower, double h, int n) {
  const contractdata& d = *instrument->data;
  const double r = d.rate, q = d.dividend, sigma = d.volatility;
  diag[0] = diag[n - 1] = 1.0;
  upper[0] = 0.0;
  lower[n - 2] = 0.0;
  for (int i = 1; i <= n - 2; ++i) {
    const double x = i;
    diag[i] = 1.0 + 0.5 * (r + sigma * sigma * x * x) * h;
    upper[i] = 0.5 * (-0.5 * (r - q) * x - 0.5 * sigma * sigma * x * x) * h;
    lower[i - 1] = 0.5 * (0.5 * (r - q) * x - 0.5 * sigma * sigma * x * x) * h;
  }
}

void CNNDI::explicitpart(const double* diag, const double* upper, const double* lower, double* v,
                         int n) {
  double previous = v[0];  // old v[i-1]
  for (int i = 1; i <= n - 2; ++i) {
    const double current = v[i];
    v[i] = (2.0 - diag[i]) * current - lower[i - 1] * previous - upper[i] * v[i + 1];
    previous = current;
  }
}
