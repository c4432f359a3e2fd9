#include "finitedifference/contractdata.h"

#include <cmath>

namespace {

bool sameterm(double a, double b) { return std::fabs(a - b) <= sametolerance; }

bool sameterm(std::int32_t a, std::int32_t b) {
  return sameterm(static_cast<double>(a), static_cast<double>(b));
}

}  // namespace

bool operator==(const contractdata& a, const contractdata& b) {
  return std::apply([&](auto... field) { return (sameterm(a.*field, b.*field) && ...); },
                    comparedfields);
}
