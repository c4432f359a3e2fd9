// Parameter entry 5, the library's options. It is read only when its flag is 0:
//   value 0, seed: a value of 1 or more seeds every random source of the call with its integer
//            part (montecarlo/randomsource.h takes it modulo 2^32), so that a simulation
//            repeats itself run after run; 0, a value below 1, or one that is not finite keeps
//            the seeding from the clock.
//   value 1, numerics: 1 selects the precise numerics: the bivariate normal by the precise rule
//            (about 1e-15) instead of Drezner's (up to 8.3e-6), and converged American vanilla
//            prices and critical prices (BSACO, BSAPO, BINACO, BINAPO and their Crit codes, about
//            1e-9 relative, by the boundary integral equation of numerics/americanboundary.h,
//            without the grid of entry 2 or the steps of entry 4), and converged American
//            knock-outs and knock-ins, single and double, and the knock-outs' critical prices
//            (DOWNINACO to UPOUTAPOCrit, DBKNOCKOUTACO/APO, DBKNOCKINACO/APO: the grids of
//            finitedifference/precisebarrier.h, whose explicit sizes keep their meaning), and
//            the American lookbacks (LBFLSTACO to LBFLSTAPOCrit, the same rule), and the
//            symmetric power codes (POWEREDECO/EPO: the lognormal integral at the default steps,
//            an improved tree at explicit ones; closedform/EuropeanPower.h);
//            anything else keeps the design's numbers. Read only when T2 has two columns or more.
//   value 2, draws: 1 draws the simulations' normals from a randomised Sobol sequence through the
//            Brownian bridge (montecarlo/sobolpaths.h); anything else keeps the MT19937 draws.
//   value 3, control variates: 1 lets the simulations correct their estimate by the controls of
//            each contract (montecarlo/controlvariates.h); anything else keeps the plain mean.
//   value 4, negative rates: 1 lets rates and dividend yields (r, rf, q, q1, q2, q_i) be negative
//            in the families whose formulas hold with them, and refuses them with one line naming
//            the input in the others (binding/ratesigns.h); anything else keeps the design's
//            refusal of every negative rate and yield.
// The value positions are libraryoption (binding/interfacenumbers.h).
// A T2 too narrow for a value leaves that value at its default: entry 5 never causes a refusal,
// and a host that leaves its flag nonzero, or its row at zero, sees the library's defaults.
#ifndef KZR_BINDING_LIBRARYOPTIONS_H
#define KZR_BINDING_LIBRARYOPTIONS_H

#include <cstdint>

#include "binding/parameterblock.h"
#include "numerics/bivariatenormal.h"

struct libraryoptions {
  std::int64_t seed = 0;  // 0: every random source seeds itself from the clock
  bivariatemethod numerics = bivariatemethod::drezner;
  bool sobol = false;            // randomised Sobol draws through the Brownian bridge
  bool controlvariates = false;  // the contracts' control variates
  bool negativerates = false;
};

libraryoptions readlibraryoptions(const parameterblock& block);

// Whether the call sets option 4 (negative rates). Inline: the adapters ask on every call, and a
// call that leaves entry 5 at its default answers here with one test.
inline bool negativeratesrequested(const parameterblock& block) {
  return !usesdefault(block, entryoptions) && readlibraryoptions(block).negativerates;
}

// Whether the call asks for the precise numerics (value 1 = 1).
inline bool precisenumerics(const parameterblock& block) {
  return readlibraryoptions(block).numerics == bivariatemethod::precise;
}

#endif  // KZR_BINDING_LIBRARYOPTIONS_H
