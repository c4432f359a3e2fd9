#include "closedform/TwoAssetLattice.h"

namespace TwoAssetLattice {

double twoassetlattice(const latticecontract& c, std::int64_t levels) {
  const double phi = c.payoffsign;
  const double X = c.X;
  // max(e, 0) with e = phi (P1 - P2 - X) the exercise value of the spread.
  auto spreadpayoff = [phi, X](double P1, double P2) { return maxof(phi * (P1 - P2 - X), 0.0); };
  if (c.T == 0) return spreadpayoff(c.S1, c.S2);
  return twoassetlatticeof(c, levels, spreadpayoff);
}

}  // namespace TwoAssetLattice
