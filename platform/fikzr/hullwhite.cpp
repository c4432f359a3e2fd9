#include "hullwhite.h"

namespace fikzr {

QuantLib::ext::shared_ptr<QuantLib::HullWhite> readhullwhite(
    const inputs& in, const QuantLib::Handle<QuantLib::YieldTermStructure>& curve) {
  const double a = in.positive("MeanReversion"), sigma = in.positive("Sigma");
  return QuantLib::ext::make_shared<QuantLib::HullWhite>(curve, a, sigma);
}

int readtimesteps(const inputs& in) {
  return in.whole("TimeSteps", defaulttimesteps, 1, mosttimesteps);
}

}  // namespace fikzr
