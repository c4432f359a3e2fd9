// The random source against the published MT19937 outputs and C++'s std::mt19937 word for word,
// the uniform maps at their extreme words, the Box-Muller normals written out here, the clock
// seeding's hash and counter, and the library options' fixed seed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <ctime>
#include <limits>
#include <random>

#include "montecarlo/randomsource.h"

namespace {

constexpr std::uint32_t maxword = 0xFFFFFFFFu;

// Words of std::mt19937 mapped as the draws map them, written out independently.
double openuniform(std::uint32_t w) {
  return (static_cast<double>(w) + 0.5) * std::ldexp(1.0, -32);
}
double halfopenuniform(std::uint32_t w) { return static_cast<double>(w) * std::ldexp(1.0, -32); }
double boxmullercosine(std::mt19937& words, double mean, double sd) {
  const double u1 = openuniform(words());
  const double u2 = halfopenuniform(words());
  const double twopi = 2.0 * std::acos(-1.0);
  return mean + sd * std::sqrt(-2.0 * std::log(1.0 - u1)) * std::cos(twopi * u2);
}

TEST(RandomSource, PublishedOutputsForSeed5489) {
  // The MT19937 reference seeded with 5489: first output 3499211612, 10,000th 4123659995.
  randomsource source(5489);
  EXPECT_EQ(source.nextword(), 3499211612u);
  for (int i = 2; i < 10000; ++i) source.nextword();
  EXPECT_EQ(source.nextword(), 4123659995u);
}

TEST(RandomSource, EqualsStdMt19937WordForWord) {
  // Three blocks of 624 and more, so that every regeneration path is crossed.
  for (std::uint32_t s : {0u, 1u, 42u, 4357u, 19650218u, 0x80000000u, maxword}) {
    randomsource source;
    source.seed(s);  // reseeding a clock-seeded source starts its stream afresh
    std::mt19937 reference(s);
    for (int i = 0; i < 2000; ++i) {
      const std::uint32_t expected = reference();
      const std::uint32_t word = source.nextword();
      ASSERT_EQ(word, expected) << "seed " << s << ", word " << i;
    }
  }
}

TEST(RandomSource, UniformMapsAtTheExtremeWords) {
  // Open: (w + 0.5) 2^-32 runs from 2^-33 to 1 - 2^-33, both exact doubles.
  EXPECT_EQ(randomsource::openfromword(0), std::ldexp(1.0, -33));
  EXPECT_EQ(randomsource::openfromword(maxword), 1.0 - std::ldexp(1.0, -33));
  EXPECT_GT(randomsource::openfromword(0), 0.0);
  EXPECT_LT(randomsource::openfromword(maxword), 1.0);
  // So the Box-Muller radius stays finite at both ends: sqrt(-2 ln(2^-33)) = sqrt(66 ln 2).
  EXPECT_NEAR(std::sqrt(-2.0 * std::log(1.0 - randomsource::openfromword(maxword))),
              std::sqrt(66.0 * std::log(2.0)), 1e-14);
  EXPECT_GT(-2.0 * std::log(1.0 - randomsource::openfromword(0)), 0.0);
  // Half-open: w 2^-32 runs from 0 to 1 - 2^-32.
  EXPECT_EQ(randomsource::halfopenfromword(0), 0.0);
  EXPECT_EQ(randomsource::halfopenfromword(maxword), 1.0 - std::ldexp(1.0, -32));
  EXPECT_EQ(randomsource::wordscale, std::ldexp(1.0, -32));
}

TEST(RandomSource, UniformDrawsMapTheWordsInTheirRanges) {
  randomsource source(2024);
  std::mt19937 reference(2024);
  for (int i = 0; i < 5000; ++i) {
    const double open = source.uniformopen();
    ASSERT_EQ(open, openuniform(reference())) << "draw " << i;
    ASSERT_TRUE(open > 0.0 && open < 1.0);
    const double halfopen = source.uniformhalfopen();
    ASSERT_EQ(halfopen, halfopenuniform(reference())) << "draw " << i;
    ASSERT_TRUE(halfopen >= 0.0 && halfopen < 1.0);
  }
}

TEST(RandomSource, NormalDrawIsTheCosineBranchOfBoxMuller) {
  // Two words a normal, the open uniform first; no sine partner kept between draws.
  randomsource source(77);
  std::mt19937 reference(77);
  for (int i = 0; i < 2000; ++i) {
    const double mean = i % 2 ? 0.0 : -1.25;
    const double sd = i % 3 ? 1.0 : 0.4;
    const double expected = boxmullercosine(reference, mean, sd);
    ASSERT_EQ(source.normaldraw(mean, sd), expected) << "draw " << i;
  }
  EXPECT_EQ(source.nextword(), reference()) << "each normal consumes exactly two words";
}

TEST(RandomSource, NormalMomentsOverAModestSample) {
  // Mean, variance and third moment of 20,000 draws at a fixed seed, within four standard
  // errors: sd/sqrt(n), sd^2 sqrt(2/n), sd^3 sqrt(15/n).
  constexpr int n = 20000;
  struct target {
    double mean, sd;
  };
  for (const target& t : {target{0.0, 1.0}, target{1.5, 2.0}}) {
    randomsource source(31415);
    double sum = 0.0, sumsq = 0.0, sumcube = 0.0;
    for (int i = 0; i < n; ++i) {
      const double z = (source.normaldraw(t.mean, t.sd) - t.mean) / t.sd;
      sum += z;
      sumsq += z * z;
      sumcube += z * z * z;
    }
    EXPECT_NEAR(sum / n, 0.0, 4.0 / std::sqrt(n)) << "mean " << t.mean << ", sd " << t.sd;
    EXPECT_NEAR(sumsq / n, 1.0, 4.0 * std::sqrt(2.0 / n)) << "mean " << t.mean << ", sd " << t.sd;
    EXPECT_NEAR(sumcube / n, 0.0, 4.0 * std::sqrt(15.0 / n)) << "mean " << t.mean;
  }
}

TEST(ClockSeed, HashesTheBytesLeastSignificantFirst) {
  // 257^k mod 2^32 by the binomial expansion of (2^8 + 1)^k, terms below 2^32 only.
  const std::uint32_t p6 = 1u + 6u * (1u << 8) + 15u * (1u << 16) + 20u * (1u << 24);
  const std::uint32_t p7 = 1u + 7u * (1u << 8) + 21u * (1u << 16) + 35u * (1u << 24);
  const std::uint32_t ms3 = 3u * 257u * 257u * 257u;  // bytes 3, 0, 0, 0
  EXPECT_EQ(clockseed(0, 0, 0), 0u);
  EXPECT_EQ(clockseed(1, 0, 0), p7);    // bytes 1, 0, ..., 0
  EXPECT_EQ(clockseed(256, 0, 0), p6);  // bytes 0, 1, 0, ..., 0
  EXPECT_EQ(clockseed(0, 3, 0), ms3);
  EXPECT_EQ(clockseed(1, 3, 5), (p7 + 5u) ^ ms3);
  // A negative time hashes its two's complement bytes: eight bytes of 0xFF for -1.
  std::uint32_t allones = 0;
  for (int i = 0; i < 8; ++i) allones = allones * 257u + 0xFFu;
  EXPECT_EQ(clockseed(-1, 0, 0), allones);
}

TEST(ClockSeed, TwoSourcesInTheSameMillisecondDiffer) {
  const std::int64_t seconds = 1700000000;
  const std::uint32_t milliseconds = 123;
  EXPECT_NE(clockseed(seconds, milliseconds, 7), clockseed(seconds, milliseconds, 8));

  const std::uint32_t before = seedcounter;
  randomsource first;
  randomsource second;
  EXPECT_EQ(seedcounter, before + 2);
  bool differ = false;
  for (int i = 0; i < 4; ++i) differ = differ || first.nextword() != second.nextword();
  EXPECT_TRUE(differ);
}

TEST(ClockSeed, DefaultConstructionSeedsFromTheClockAndTheCounter) {
  // The seed must be clockseed(calendar seconds, processor milliseconds, counter) for clock
  // readings taken between the two moments below.
  const std::uint32_t counter = seedcounter;
  const std::int64_t t0 = static_cast<std::int64_t>(std::time(nullptr));
  const std::int64_t ms0 = static_cast<std::int64_t>(std::clock()) / (CLOCKS_PER_SEC / 1000);
  randomsource source;
  const std::int64_t ms1 = static_cast<std::int64_t>(std::clock()) / (CLOCKS_PER_SEC / 1000);
  const std::int64_t t1 = static_cast<std::int64_t>(std::time(nullptr));
  const std::uint32_t first = source.nextword();
  bool found = false;
  for (std::int64_t t = t0; t <= t1 && !found; ++t) {
    for (std::int64_t ms = ms0; ms <= ms1 && !found; ++ms) {
      std::mt19937 reference(clockseed(t, static_cast<std::uint32_t>(ms), counter));
      found = reference() == first;
    }
  }
  EXPECT_TRUE(found);
  EXPECT_EQ(seedcounter, counter + 1);
}

TEST(FixedSeed, APositiveOptionGivesTheSameStreamEveryTime) {
  const std::uint32_t counter = seedcounter;
  randomsource first(std::int64_t{12345});
  randomsource second(std::int64_t{12345});
  std::mt19937 reference(12345);
  for (int i = 0; i < 1000; ++i) {
    const std::uint32_t expected = reference();
    ASSERT_EQ(first.nextword(), expected) << "word " << i;
    ASSERT_EQ(second.nextword(), expected) << "word " << i;
  }
  EXPECT_EQ(seedcounter, counter) << "a fixed seed leaves the clock counter alone";
  // Decision: a seed beyond 32 bits is taken modulo 2^32, as a single-word seed.
  randomsource wide(std::int64_t{4294967296} + 7);
  std::mt19937 seven(7);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(wide.nextword(), seven());
}

TEST(FixedSeed, ZeroOrANegativeOptionMeansTheClock) {
  const std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
  for (std::int64_t option : {std::int64_t{0}, std::int64_t{-5}, lowest}) {
    const std::uint32_t counter = seedcounter;
    randomsource source(option);
    EXPECT_EQ(seedcounter, counter + 1) << "option " << option;
  }
}

}  // namespace
