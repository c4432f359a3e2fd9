#include "binding/parameterblock.h"

#include <algorithm>
#include <cmath>
#include <limits>

std::int64_t truncatetointeger(double value) {
  if (std::isnan(value)) return 0;
  // 2^63 is exact in a double; anything at or beyond it cannot be converted.
  constexpr double limit = 9223372036854775808.0;
  if (value >= limit) return std::numeric_limits<std::int64_t>::max();
  if (value < -limit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(value);
}

std::int32_t clampto32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

double entryvalue(const parameterblock& block, int entry, int k, double defaultvalue) {
  if (usesdefault(block, entry)) return defaultvalue;
  return block.entries[entry].row[k];
}

std::int64_t entryinteger(const parameterblock& block, int entry, int k,
                          std::int64_t defaultvalue) {
  if (usesdefault(block, entry)) return defaultvalue;
  return truncatetointeger(block.entries[entry].row[k]);
}

void bindcountedrows(std::int32_t& count, const double** slots, std::int64_t capacity,
                     std::int64_t& bound, const double* data, const datashape& shape) {
  const std::int64_t rows = std::min(tablerows(shape), capacity);
  const std::int64_t columns = tablecolumns(shape);
  if (rows < 1 || columns < 1) {
    count = 0;
    bound = 0;
    return;
  }
  count = clampto32(truncatetointeger(data[0]));
  for (std::int64_t i = 1; i < rows; ++i) slots[i] = data + i * columns;
  bound = rows;
}
