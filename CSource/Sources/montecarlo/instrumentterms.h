// Small pieces the simulated contracts share when they compare their own terms (the simulation
// cache's issame, through each contract's term list, montecarlo/termlist.h) and size their
// sensitivity steps.
#ifndef KZR_MONTECARLO_INSTRUMENTTERMS_H
#define KZR_MONTECARLO_INSTRUMENTTERMS_H

#include <cmath>
#include <cstddef>
#include <typeinfo>

#include "finitedifference/contractdata.h"
#include "montecarlo/mcbase.h"
#include "montecarlo/termlist.h"
#include "numerics/comparisons.h"

namespace instrumentterms {

using termlist::sameterm;

// The class test of issame: other is an instrument of self's concrete class.
inline bool sameclass(const mcbase& self, const mcbase* other) {
  return other != nullptr && typeid(*other) == typeid(self);
}

// The assets of an instrument, the length of its own arrays.
inline std::size_t assetsof(const mcbase& self) {
  return self.data->count > 0 ? static_cast<std::size_t>(self.data->count) : 0;
}

// issame's comparison of an instrument's own terms, after sameclass: every term of the list of
// its terms record, against other's.
template <class terms, class instrument, class list>
bool sameownterms(const instrument& self, const mcbase* other, const list& termsof) {
  return termlist::sameterms<terms>(self, static_cast<const instrument&>(*other), assetsof(self),
                                    termsof);
}

// nanterms: the record's terms, or one of the instrument's own, NaN.
template <class terms, class instrument, class list>
bool nanownterms(const instrument& self, const list& termsof) {
  return self.mcbase::nanterms() || termlist::anynan<terms>(self, assetsof(self), termsof);
}

// A step of fraction x max(x, 1) of the bumped term x.
inline double scaledstep(double fraction, double x) { return fraction * maxof(x, 1.0); }

}  // namespace instrumentterms

#endif  // KZR_MONTECARLO_INSTRUMENTTERMS_H
