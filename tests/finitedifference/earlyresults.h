// Rows of early results and refusals: a code, its inputs, the result expected (NaN for the
// undefined value) and the text it writes, checked through fun in one loop.
#ifndef KZR_TESTS_EARLYRESULTS_H
#define KZR_TESTS_EARLYRESULTS_H

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "numerics/undefined.h"
#include "testsupport.h"

namespace earlyresults {

struct row {
  const char* code;
  std::vector<double> inputs;
  double expected;      // NaN for the undefined value
  const char* message;  // the whole text written, line ends included
};

template <std::size_t n>
void check(const row (&rows)[n]) {
  for (const row& c : rows) {
    testing::internal::CaptureStdout();
    const double result = testsupport::price(c.code, c.inputs);
    const std::string printed = testing::internal::GetCapturedStdout();
    std::string inputs;
    for (double x : c.inputs) inputs += " " + std::to_string(x);
    if (std::isnan(c.expected))
      EXPECT_TRUE(isundefined(result)) << c.code << inputs << " gave " << result;
    else
      EXPECT_EQ(result, c.expected) << c.code << inputs;
    EXPECT_EQ(printed, c.message) << c.code << inputs;
  }
}

}  // namespace earlyresults

#endif  // KZR_TESTS_EARLYRESULTS_H
