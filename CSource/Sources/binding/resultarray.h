// The result array of the Monte Carlo valuation and of every vector handler: element 0 holds the
// count n as a double, elements 1 to n the values. funvec copies elements 1 to n into a tensor;
// the scalar handlers of the same codes answer element 1.
#ifndef KZR_BINDING_RESULTARRAY_H
#define KZR_BINDING_RESULTARRAY_H

#include <cstdint>
#include <memory>

#include "numerics/undefined.h"

using resultarray = std::unique_ptr<double[]>;

// [n, 0, ..., 0]. A count below 1 gives [1, 0]: one element, so that a refusal (the undefined
// value in element 1) reaches funvec's host as one value and fun's as its result.
inline resultarray newresult(std::int32_t n) {
  const std::int32_t count = n >= 1 ? n : 1;
  resultarray result(new double[static_cast<std::size_t>(count) + 1]());
  result[0] = count;
  return result;
}

// [1, the undefined value]: a refusal before any valuation.
inline resultarray undefinedresult() {
  resultarray result = newresult(1);
  result[1] = undefinedvalue();
  return result;
}

#endif  // KZR_BINDING_RESULTARRAY_H
