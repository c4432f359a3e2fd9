// Hull-White one-factor parameters as Swaption and BondOption read them: "MeanReversion" (a) and
// "Sigma" (the short rate's volatility), both positive, and "TimeSteps" of the trinomial tree
// (100 by default). The model is fitted to the curve it prices on (Hull and White, 1990).
#ifndef KZR_PLATFORM_HULLWHITE_H
#define KZR_PLATFORM_HULLWHITE_H

#include <ql/models/shortrate/onefactormodels/hullwhite.hpp>

#include "fikzrinputs.h"

namespace fikzr {

constexpr int defaulttimesteps = 100;
constexpr int mosttimesteps = 5000;  // a tree of 5000 steps prices in about a second

QuantLib::ext::shared_ptr<QuantLib::HullWhite> readhullwhite(
    const inputs& in, const QuantLib::Handle<QuantLib::YieldTermStructure>& curve);
int readtimesteps(const inputs& in);

}  // namespace fikzr

#endif  // KZR_PLATFORM_HULLWHITE_H
