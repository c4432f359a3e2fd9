#include "closedform/TwoAssetLattice.h"

namespace TwoAssetLattice {

latticegeometry geometryof(const latticecontract& c, int n) {
  latticegeometry lattice;
  lattice.n = n;
  const double dt = c.T / (n - 1);
  const double u1 = std::exp(c.sigma1 * std::sqrt(dt));
  const double u2 = std::exp(c.sigma2 * std::sqrt(dt));
  const double p1 = (std::exp((c.r - c.q1) * dt) - 1.0 / u1) / (u1 - 1.0 / u1);
  const double p2 = (std::exp((c.r - c.q2) * dt) - 1.0 / u2) / (u2 - 1.0 / u2);
  const double m =
      c.rho * c.sigma1 * c.sigma2 * dt + (p1 * u1 + (1.0 - p1) / u1) * (p2 * u2 + (1.0 - p2) / u2);
  const double D = (u1 * u1 - 1.0) * (u2 * u2 - 1.0);
  lattice.dt = dt;
  lattice.u1 = u1;
  lattice.u2 = u2;
  lattice.Puu = (p1 + p2 - 1.0 - (p1 * u1 * u1 + p2 * u2 * u2 - m * u1 * u2)) / D;
  lattice.Pdu = p2 - lattice.Puu;
  lattice.Pud = (p1 * u1 * u1 * u2 * u2 - p2 + 1.0 - (p1 * u2 * u2 - p2 * u2 * u2 + m * u1 * u2)) / D;
  lattice.Pdd = 1.0 - p2 - lattice.Pud;
  lattice.discount = std::exp(-c.r * dt);
  const std::size_t width = static_cast<std::size_t>(n);
  lattice.powers1.resize(2 * width + 1);
  lattice.powers2.resize(2 * width + 1);
  for (int k = -n; k <= n; ++k) {
    lattice.powers1[k + n] = std::pow(u1, k);
    lattice.powers2[k + n] = std::pow(u2, k);
  }
  return lattice;
}

void levelprices(const latticecontract& c, const latticegeometry& lattice, int k,
                 std::vector<double>& x1, std::vector<double>& x2) {
  const int n = lattice.n;
  for (int j = 0; j < k; ++j) x1[j] = c.S1 * lattice.powers1[2 * j - k + 1 + n];
  for (int i = 0; i < k; ++i) x2[i] = c.S2 * lattice.powers2[k - 2 * i - 1 + n];
}

double twoassetlattice(const latticecontract& c, std::int64_t levels) {
  const double phi = c.payoffsign;
  const double X = c.X;
  // max(e, 0) with e = phi (P1 - P2 - X) the exercise value of the spread.
  auto spreadpayoff = [phi, X](double P1, double P2) { return maxof(phi * (P1 - P2 - X), 0.0); };
  if (c.T == 0) return spreadpayoff(c.S1, c.S2);
  return twoassetlatticeof(c, levels, spreadpayoff);
}

}  // namespace TwoAssetLattice
