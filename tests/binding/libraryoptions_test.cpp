// The library options of parameter entry 5: read only when its flag is 0, each value only when T2
// is wide enough for it, never a refusal; the seed as the random sources take it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "binding/libraryoptions.h"
#include "montecarlo/randomsource.h"

namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

// A parameter block over a 6 x columns T2 whose entry 5 row starts with the given values.
struct block {
  std::vector<double> values;
  std::int64_t dims[2];
  parameterblock words{};
  block(std::int64_t flag, std::int64_t columns, std::vector<double> options)
      : values(static_cast<std::size_t>(6 * columns), 0.0), dims{6, columns} {
    for (std::size_t k = 0; k < options.size() && k < static_cast<std::size_t>(columns); ++k)
      values[static_cast<std::size_t>(5 * columns) + k] = options[k];
    words.rank = 2;
    words.dims = dims;
    words.elementsize = 8;
    for (int e = 0; e < 6; ++e) words.entries[e] = {1, values.data() + e * columns};
    words.entries[entryoptions].flag = flag;
  }
  libraryoptions read() const { return readlibraryoptions(words); }
};

TEST(LibraryOptions, DefaultsUnlessTheFlagIsZero) {
  const libraryoptions fromflag = block(1, 2, {42, 1}).read();
  EXPECT_EQ(fromflag.seed, 0);
  EXPECT_EQ(fromflag.numerics, bivariatemethod::drezner);
  const libraryoptions zeros = block(0, 2, {0, 0}).read();  // a row left at zero
  EXPECT_EQ(zeros.seed, 0);
  EXPECT_EQ(zeros.numerics, bivariatemethod::drezner);
  const libraryoptions given = block(0, 2, {42, 1}).read();
  EXPECT_EQ(given.seed, 42);
  EXPECT_EQ(given.numerics, bivariatemethod::precise);
}

TEST(LibraryOptions, SeedIsAPositiveIntegerPartOrTheClock) {
  struct seedcase {
    double value;
    std::int64_t seed;
  };
  const seedcase cases[] = {{0, 0},
                            {-3, 0},
                            {0.99, 0},
                            {nan, 0},
                            {inf, 0},
                            {-inf, 0},
                            {1, 1},
                            {42.9, 42},
                            {4294967296.0, 4294967296},
                            {1e300, std::numeric_limits<std::int64_t>::max()}};
  for (const seedcase& c : cases)
    EXPECT_EQ(block(0, 2, {c.value, 0}).read().seed, c.seed) << c.value;
}

TEST(LibraryOptions, NumericsIsPreciseOnlyForOne) {
  for (double value : {0.0, 2.0, -1.0, nan, inf, 0.5})
    EXPECT_EQ(block(0, 2, {0, value}).read().numerics, bivariatemethod::drezner) << value;
  EXPECT_EQ(block(0, 2, {0, 1.7}).read().numerics, bivariatemethod::precise);  // truncated
}

TEST(LibraryOptions, NegativeRatesOnlyForOneAtValueFour) {
  EXPECT_FALSE(block(0, 5, {0, 0, 0, 0, 0}).read().negativerates);
  EXPECT_TRUE(block(0, 5, {0, 0, 0, 0, 1}).read().negativerates);
  EXPECT_TRUE(block(0, 5, {0, 0, 0, 0, 1.9}).read().negativerates);  // truncated
  EXPECT_FALSE(block(0, 5, {0, 0, 0, 0, 2}).read().negativerates);
  EXPECT_FALSE(block(0, 5, {0, 0, 0, 0, -1}).read().negativerates);
  EXPECT_FALSE(block(1, 5, {0, 0, 0, 0, 1}).read().negativerates);  // flag nonzero
  EXPECT_FALSE(block(0, 4, {0, 0, 0, 0, 1}).read().negativerates);  // too narrow for value 4
}

TEST(LibraryOptions, ANarrowParameterTableMeansTheDefaults) {
  const libraryoptions one = block(0, 1, {42}).read();
  EXPECT_EQ(one.seed, 42);
  EXPECT_EQ(one.numerics, bivariatemethod::drezner);  // value 1 needs two columns
  const libraryoptions none = block(0, 0, {}).read();
  EXPECT_EQ(none.seed, 0);
  EXPECT_EQ(none.numerics, bivariatemethod::drezner);
  // A row as wide as every option (the fronts' rows): the later options leave the seed and
  // numerics as they are; Sobol draws and control variates need their columns.
  const libraryoptions wide = block(0, 5, {42, 1, 1, 1, 1}).read();
  EXPECT_EQ(wide.seed, 42);
  EXPECT_EQ(wide.numerics, bivariatemethod::precise);
  EXPECT_TRUE(wide.sobol);
  EXPECT_TRUE(wide.controlvariates);
  const libraryoptions three = block(0, 3, {0, 0, 1, 1}).read();
  EXPECT_TRUE(three.sobol);
  EXPECT_FALSE(three.controlvariates);  // value 3 needs four columns
}

TEST(LibraryOptions, SobolAndControlVariatesOnlyForOne) {
  for (double value : {0.0, 2.0, -1.0, nan, inf, 0.5}) {
    EXPECT_FALSE(block(0, 5, {0, 0, value, 0, 0}).read().sobol) << value;
    EXPECT_FALSE(block(0, 5, {0, 0, 0, value, 0}).read().controlvariates) << value;
  }
}

// The seed the options give is the one a random source of the call starts from: the stream of
// the reference Mersenne Twister with that seed.
TEST(LibraryOptions, TheSeedSeedsTheRandomSources) {
  randomsource source(block(0, 2, {20240915, 0}).read().seed);
  std::mt19937 reference(20240915);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(source.nextword(), reference());
}

}  // namespace
