// Small pieces the simulated contracts share when they compare their own terms (the simulation
// cache's issame) and size their sensitivity steps.
#ifndef KZR_MONTECARLO_INSTRUMENTTERMS_H
#define KZR_MONTECARLO_INSTRUMENTTERMS_H

#include <cmath>
#include <typeinfo>

#include "finitedifference/contractdata.h"
#include "montecarlo/mcbase.h"
#include "numerics/comparisons.h"

namespace instrumentterms {

// Two terms are the same contract within sametolerance (a NaN is never the same).
inline bool sameterm(double a, double b) { return std::fabs(a - b) <= sametolerance; }

// The class test of issame: other is an instrument of self's concrete class.
inline bool sameclass(const mcbase& self, const mcbase* other) {
  return other != nullptr && typeid(*other) == typeid(self);
}

// A step of fraction x max(x, 1) of the bumped term x.
inline double scaledstep(double fraction, double x) { return fraction * maxof(x, 1.0); }

}  // namespace instrumentterms

#endif  // KZR_MONTECARLO_INSTRUMENTTERMS_H
