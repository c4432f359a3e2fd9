// Calls that cannot work, through the loaded library: each gives the undefined value after its
// one message, or, where no message is named, NaN, an infinity or a number that is not negative;
// never a crash, a leak or a made-up price (the sanitizer build watches the rest).
#ifndef KZR_TESTS_UNWORKABLE_H
#define KZR_TESTS_UNWORKABLE_H

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "numerics/undefined.h"
#include "testsupport.h"

struct unworkable {
  const char* code;
  std::vector<double> inputs;
  testsupport::parameters entries;
  const char* message;  // nullptr: any message, any NaN, infinity or non-negative result
};

inline void expectunharmed(const std::vector<unworkable>& rows) {
  for (const unworkable& c : rows) {
    testing::internal::CaptureStdout();
    const double result = testsupport::price(c.code, c.inputs, c.entries);
    const std::string printed = testing::internal::GetCapturedStdout();
    if (c.message != nullptr) {
      EXPECT_TRUE(isundefined(result)) << c.code << " gave " << result;
      EXPECT_EQ(printed, c.message) << c.code;
    } else {
      EXPECT_TRUE(std::isnan(result) || std::isinf(result) || result >= 0) << c.code;
    }
  }
}

#endif  // KZR_TESTS_UNWORKABLE_H
