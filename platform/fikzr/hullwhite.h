// Hull-White one-factor parameters as Swaption and BondOption read them: "MeanReversion" (a) and
// "Sigma" (the short rate's volatility), both positive, and "TimeSteps" of the trinomial tree
// (100 by default). The model is fitted to the curve it prices on (Hull and White, 1990).
#ifndef KZR_PLATFORM_HULLWHITE_H
#define KZR_PLATFORM_HULLWHITE_H

#include <ql/models/shortrate/onefactormodels/hullwhite.hpp>

#include "fikzrinputs.h"

namespace fikzr {

constexpr int defaulttimesteps = 100;
// The tree is as wide as it is long at most, so its work grows as the square of its steps
// (QuantLib fits every level to the curve): 500 steps take about a second per price.
constexpr int mosttimesteps = 500;

QuantLib::ext::shared_ptr<QuantLib::HullWhite> readhullwhite(
    const inputs& in, const QuantLib::Handle<QuantLib::YieldTermStructure>& curve);
int readtimesteps(const inputs& in);

}  // namespace fikzr

#endif  // KZR_PLATFORM_HULLWHITE_H
