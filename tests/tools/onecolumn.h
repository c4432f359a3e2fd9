// A call of a code with one value per row, as the tests of the sensitivities build them.
#ifndef KZR_TESTS_TOOLS_ONECOLUMN_H
#define KZR_TESTS_TOOLS_ONECOLUMN_H

#include <string>
#include <vector>

#include "pricingcall.h"

inline pricingcall contract(const std::string& code, const std::vector<double>& inputs) {
  pricingcall call;
  call.code = code;
  for (double value : inputs) call.rows.push_back({value});
  return call;
}

#endif  // KZR_TESTS_TOOLS_ONECOLUMN_H
