// The flushed march of a grid (finitedifference/gridmarch.h, exactmarch): a march whose value at
// the spot is of normal size runs once with subnormal numbers flushed; one whose value there is
// below 1e-250 marches again plainly, from the expiry level, and gives the plain level; a NaN
// read (a singular level, whose messages are written once) is not marched again.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "finitedifference/gridmarch.h"
#include "numerics/subnormals.h"

namespace {

struct marchcase {
  const char* what;
  double factor;  // each of the two steps of the toy march multiplies every node by it
  std::vector<bool> flushedruns;  // the modes during each march taken
  double expected;                // today's value at every node
};

TEST(GridMarch, SmallReadsAreMarchedAgainPlainly) {
  if (!subnormalmode::available()) GTEST_SKIP() << "this platform has no flush modes";
  const double tiny = std::ldexp(1.0, -540);  // two steps make 2^-1080, a subnormal number
  const marchcase cases[] = {
      {"normal", 0.5, {true}, 0.25},
      {"subnormal", tiny, {true, false}, std::ldexp(1.0, -1080)},
      {"not a number", NAN, {true}, NAN},
  };
  for (const marchcase& c : cases) {
    gridworkspace w(5);
    w.gridinfo.low = 0.0;
    w.gridinfo.high = 1.0;
    w.placenodes();
    for (int i = 0; i < w.n; ++i) w.values[i] = 1.0;
    std::vector<bool> runs;
    const finishedgrid today = exactmarch(
        w,
        [&] {
          runs.push_back(subnormalmode::flushing());
          for (int step = 0; step < 2; ++step)
            for (int i = 0; i < w.n; ++i) w.values[i] *= c.factor;
        },
        [](const finishedgrid& level) { return level.values[2]; });
    EXPECT_EQ(runs, c.flushedruns) << c.what;
    for (int i = 0; i < today.n; ++i) {
      if (std::isnan(c.expected)) {
        EXPECT_TRUE(std::isnan(today.values[i])) << c.what;
      } else {
        EXPECT_EQ(today.values[i], c.expected) << c.what << " node " << i;
      }
    }
    EXPECT_FALSE(subnormalmode::flushing()) << c.what;
  }
}

}  // namespace
