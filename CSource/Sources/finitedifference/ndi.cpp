#include "finitedifference/ndi.h"

#include "finitedifference/gridmarch.h"
#include "numerics/comparisons.h"
#include "numerics/interpolation.h"

double ndi::solve(int mode, parameterblock* params) {
  const fdbase& grid = working();
  gridworkspace w(grid.nspace);
  grid.gridlimits(w.gridinfo, params);
  const double dt = w.gridinfo.extent / (grid.ntime - 1);
  w.placenodes();
  lowestnode = w.gridinfo.low == 0.0 ? 0.0 : w.gridinfo.low / w.spacing;
  for (int i = 0; i < w.n; ++i) {
    w.values[i] = grid.payoff(w.nodes[i], params);
    w.exercise[i] = maxof(w.values[i], 0.0);
  }
  buildmatrix(w.diag, w.upper, w.lower, dt, w.n);
  grid.edgematrix(w.diag, w.upper, w.lower, w.spacing, w.n);
  const contractdata& d = contract();
  const finishedgrid today = exactmarch(
      w,
      [&] {
        marchtotoday(
            *this, grid, w, w.gridinfo.extent, params,
            [&](double t) { grid.boundary(t, w.gridinfo, params); }, [](double) { return 1.0; });
        grid.finalcondition(w.values, w.n);
      },
      [&](const finishedgrid& level) { return d.critical == 1 ? 1.0 : spotvalue(level); });
  if (mode == 0 && carrier() != nullptr) carrier()->fill(dt, today);
  return readoff(today, params);
}

double ndi::fromcarrier(parameterblock* params) { return readoff(carrier()->finished(), params); }

double ndi::readoff(const finishedgrid& grid, const parameterblock* params) const {
  if (contract().critical == 1) return working().criticalprice(grid, params);
  return spotvalue(grid);
}

double ndi::spotvalue(const finishedgrid& grid) const {
  const contractdata& d = contract();
  return splint(grid.nodes, grid.values, grid.curvature, grid.n, d.spot, false,
                d.expiry * d.volatility);
}

void CNNDI::buildmatrix(double* diag, double* upper, double* lower, double h, int n) {
  const contractdata& d = contract();
  const double r = d.rate, q = d.dividend, sigma = d.volatility;
  diag[0] = diag[n - 1] = 1.0;
  upper[0] = 0.0;
  lower[n - 2] = 0.0;
  for (int i = 1; i <= n - 2; ++i) {
    const double x = lowestnode + i;  // S_i / dS
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
