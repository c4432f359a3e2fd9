#include "finitedifference/logndi.h"

#include <cmath>

#include "finitedifference/gridmarch.h"
#include "numerics/interpolation.h"

namespace {

// The constants of the change of variables: k = 2r / sigma^2, k' = 2(r - q) / sigma^2, the
// growth rate (k' - 1)^2 / 4 + k of V / u in tau, and tau's extent sigma^2 T / 2.
struct heatterms {
  double k, kprime, growth, taumax;
};

heatterms heatof(const contractdata& d) {
  const double sigma2 = d.volatility * d.volatility;
  const double k = 2.0 * d.rate / sigma2;
  const double kprime = 2.0 * (d.rate - d.dividend) / sigma2;
  return {k, kprime, (kprime - 1.0) * (kprime - 1.0) / 4.0 + k, sigma2 * d.expiry / 2.0};
}

}  // namespace

double logndi::solve(int mode, parameterblock* params) {
  const fdbase& grid = working();
  const heatterms heat = heatof(contract());

  gridworkspace w(grid.nspace);
  grid.heatgridlimits(w.gridinfo, params);
  const double dtau = w.gridinfo.extent / (grid.ntime - 1);
  w.placenodes();
  for (int i = 0; i < w.n; ++i) {
    w.values[i] = grid.heatpayoff(w.nodes[i], heat.kprime, params);
    w.exercise[i] = w.values[i];
  }
  buildmatrix(w.diag, w.upper, w.lower, dtau / (w.spacing * w.spacing), w.n);
  const finishedgrid today = exactmarch(
      w,
      [&] {
        marchtotoday(
            *this, grid, w, heat.taumax, params,
            [&](double tau) { grid.heatboundary(tau, heat.k, heat.kprime, w.gridinfo, params); },
            [&](double tau) { return std::exp(heat.growth * tau); });
      },
      [&](const finishedgrid& level) { return spotheat(level); });
  if (mode == 0 && carrier() != nullptr) carrier()->fill(dtau, today);
  return readoff(today);
}

bool logndi::readytosolve(const parameterblock* params) const {
  return working().heatedgesready(params);
}

double logndi::fromcarrier(parameterblock* /*params*/) { return readoff(carrier()->finished()); }

// u at x0 = ln(S0/K) by the cubic spline (never linear on this grid), back to a price.
double logndi::readoff(const finishedgrid& grid) const {
  const contractdata& d = contract();
  const heatterms heat = heatof(d);
  const double x0 = std::log(d.spot / d.strike);
  return d.strike * spotheat(grid) *
         std::exp(-(heat.kprime - 1.0) * x0 / 2.0 - heat.growth * heat.taumax);
}

double logndi::spotheat(const finishedgrid& grid) const {
  const contractdata& d = contract();
  return splint(grid.nodes, grid.values, grid.curvature, grid.n, std::log(d.spot / d.strike), true,
                0.0);
}

void DouglasLogNDI::buildmatrix(double* diag, double* upper, double* lower, double h, int n) {
  diag[0] = diag[n - 1] = 1.0;
  upper[0] = 0.0;
  lower[n - 2] = 0.0;
  for (int i = 1; i <= n - 2; ++i) {
    diag[i] = 10.0 + 12.0 * h;
    upper[i] = 1.0 - 6.0 * h;
    lower[i - 1] = 1.0 - 6.0 * h;
  }
}

void DouglasLogNDI::explicitpart(const double* diag, const double* upper, const double* lower,
                                 double* v, int n) {
  double previous = v[0];
  for (int i = 1; i <= n - 2; ++i) {
    const double current = v[i];
    v[i] =
        (20.0 - diag[i]) * current + (2.0 - lower[i - 1]) * previous + (2.0 - upper[i]) * v[i + 1];
    previous = current;
  }
}
