#include "finitedifference/logndi.h"

#include <cmath>
#include <cstddef>
#include <vector>

#include "numerics/interpolation.h"
#include "finitedifference/levelsolver.h"
#include "numerics/normaldistribution.h"

double logndi::solve(int mode, parameterblock* params) {
  const contractdata& d = *instrument->data;
  const fdbase& grid = *working;
  const int n = grid.nspace;
  const int m = grid.ntime;
  const std::size_t size = static_cast<std::size_t>(n);
  const double sigma2 = d.volatility * d.volatility;
  const double k = 2.0 * d.rate / sigma2;
  const double kprime = 2.0 * (d.rate - d.dividend) / sigma2;
  const double growth = (kprime - 1.0) * (kprime - 1.0) / 4.0 + k;
  const double taumax = sigma2 * d.expiry / 2.0;

  std::vector<double> storage(8 * size + fdbase::gridinfosize, 0.0);
  double* nodes = storage.data();
  double* v = nodes + size;
  double* curvature = v + size;
  double* diag = curvature + size;
  double* upper = diag + size;
  double* lower = upper + size;
  double* w = lower + size;
  double* exercise = w + size;  // transformed exercise value at tau = 0
  double* gridinfo = exercise + size;

  grid.heatgridlimits(gridinfo + 2, params);
  const double dtau = gridinfo[2] / (m - 1);
  const double dx = (gridinfo[4] - gridinfo[3]) / (n - 1);
  for (int i = 0; i < n; ++i) nodes[i] = gridinfo[3] + i * dx;
  for (int i = 0; i < n; ++i) v[i] = grid.heatpayoff(nodes[i], kprime, params);
  const bool american = d.american == 1;
  if (american)
    for (int i = 0; i < n; ++i) exercise[i] = grid.heatpayoff(nodes[i], kprime, params);

  buildmatrix(diag, upper, lower, dtau / (dx * dx), n);
  levelsolver step(diag, upper, lower, n);
  grid.heatboundary(0, k, kprime, gridinfo, params);
  v[0] = gridinfo[0];
  v[n - 1] = gridinfo[1];
  for (int j = m - 2; j >= 0; --j) {
    const double tau = taumax * (1.0 - static_cast<double>(j) / (m - 1));
    explicitpart(diag, upper, lower, v, n);
    step.solve(v, w);
    if (american) {
      const double factor = std::exp(growth * tau);
      for (int i = 1; i <= n - 2; ++i) v[i] = maxof(w[i], exercise[i] * factor);
    } else {
      for (int i = 1; i <= n - 2; ++i) v[i] = w[i];
    }
    grid.heatboundary(tau, k, kprime, gridinfo, params);
    v[0] = gridinfo[0];
    v[n - 1] = gridinfo[1];
  }

  naturalspline(nodes, v, n, curvature);
  if (mode == 0 && carrier != nullptr && carrier->size == n) {
    carrier->dt = dtau;
    carrier->dx = dx;
    for (int c = 0; c < fdbase::gridinfosize; ++c) carrier->gridinfo[c] = gridinfo[c];
    for (int i = 0; i < n; ++i) {
      carrier->nodes[i] = nodes[i];
      carrier->values[i] = v[i];
      carrier->curvature[i] = curvature[i];
    }
  }
  return readoff(nodes, v, curvature, n);
}

double logndi::fromcarrier(parameterblock* /*params*/) {
  return readoff(carrier->nodes, carrier->values, carrier->curvature, carrier->size);
}

double logndi::readoff(const double* nodes, const double* values, const double* curvature,
                       int n) const {
  const contractdata& d = *instrument->data;
  const double sigma2 = d.volatility * d.volatility;
  const double k = 2.0 * d.rate / sigma2;
  const double kprime = 2.0 * (d.rate - d.dividend) / sigma2;
  const double taumax = sigma2 * d.expiry / 2.0;
  const double x0 = std::log(d.spot / d.strike);
  const double u0 = splint(nodes, values, curvature, n, x0, true, 0.0);
  return d.strike * u0 *
         std::exp(-(kprime - 1.0) * x0 / 2.0 - ((kprime - 1.0) * (kprime - 1.0) / 4.0 + k) * taumax);
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
    v[i] = (20.0 - diag[i]) * current + (2.0 - lower[i - 1]) * previous +
           (2.0 - upper[i]) * v[i + 1];
    previous = current;
  }
}
