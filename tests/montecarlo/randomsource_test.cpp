// The random source against the published MT19937 outputs and C++'s std::mt19937 word for word,
// the uniform maps at their extreme words, the Box-Muller normals written out here, the clock
// seeding's hash and counter, and the library options' fixed seed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <bitset>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <limits>
#include <random>
#include <set>

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

// The first output of MT19937 seeded with s, from the three state words it depends on (0, 1 and
// 397), so that many seeds can be tried quickly.
std::uint32_t firstword(std::uint32_t s) {
  std::uint32_t w[398];
  w[0] = s;
  for (std::uint32_t i = 1; i < 398; ++i) w[i] = 1812433253u * (w[i - 1] ^ (w[i - 1] >> 30)) + i;
  std::uint32_t y = (w[0] & 0x80000000u) | (w[1] & 0x7FFFFFFFu);
  y = w[397] ^ (y >> 1) ^ ((w[1] & 1u) ? 0x9908B0DFu : 0u);
  y ^= y >> 11;
  y ^= (y << 7) & 0x9D2C5680u;
  y ^= (y << 15) & 0xEFC60000u;
  return y ^ (y >> 18);
}

TEST(RandomSource, FirstWordShortcutMatchesTheReference) {
  for (std::uint32_t s : {0u, 1u, 5489u, 0xFFFFFFFFu, 123456789u})
    EXPECT_EQ(firstword(s), std::mt19937(s)()) << "seed " << s;
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

// The seed of calendar seconds s and processor milliseconds ms, with no process id and a zero
// monotonic clock: the plain clock hash.
std::uint32_t plainseed(std::int64_t s, std::uint32_t ms, std::uint32_t counter) {
  return clockseed(clockreadings{s, ms, 0, 0}, counter);
}

TEST(ClockSeed, HashesTheBytesLeastSignificantFirst) {
  // 257^k mod 2^32 by the binomial expansion of (2^8 + 1)^k, terms below 2^32 only.
  const std::uint32_t p6 = 1u + 6u * (1u << 8) + 15u * (1u << 16) + 20u * (1u << 24);
  const std::uint32_t p7 = 1u + 7u * (1u << 8) + 21u * (1u << 16) + 35u * (1u << 24);
  const std::uint32_t ms3 = 3u * 257u * 257u * 257u;  // bytes 3, 0, 0, 0
  EXPECT_EQ(plainseed(0, 0, 0), 0u);
  EXPECT_EQ(plainseed(1, 0, 0), p7);    // bytes 1, 0, ..., 0
  EXPECT_EQ(plainseed(256, 0, 0), p6);  // bytes 0, 1, 0, ..., 0
  EXPECT_EQ(plainseed(0, 3, 0), ms3);
  EXPECT_EQ(plainseed(1, 3, 5), (p7 + 5u) ^ ms3);
  // A negative time hashes its two's complement bytes: eight bytes of 0xFF for -1.
  std::uint32_t allones = 0;
  for (int i = 0; i < 8; ++i) allones = allones * 257u + 0xFFu;
  EXPECT_EQ(plainseed(-1, 0, 0), allones);
}

TEST(ClockSeed, ProcessesStartedTogetherSeedApart) {
  // Processes started in the same second with the same processor time (a job array, a pool of
  // workers) once seeded alike. The process id and the monotonic clock now tell them apart, each
  // alone, and a change of either in any one byte changes the seed.
  const std::int64_t seconds = 1700000000;
  const std::uint32_t milliseconds = 12;
  const std::uint64_t nanoseconds = 987654321012ull;
  std::set<std::uint32_t> seeds;
  int made = 0;
  for (std::uint32_t pid : {1000u, 1001u, 1002u, 1256u, 65536u + 1000u}) {
    seeds.insert(clockseed({seconds, milliseconds, pid, nanoseconds}, 0));
    ++made;
  }
  const std::uint64_t later[] = {nanoseconds + 1, nanoseconds + 256, nanoseconds + (std::uint64_t{1} << 40)};
  for (std::uint64_t ns : later) {
    seeds.insert(clockseed({seconds, milliseconds, 1000u, ns}, 0));
    ++made;
  }
  EXPECT_EQ(seeds.size(), static_cast<std::size_t>(made));
  // Neighbouring process ids at the same instant differ in about half of the seed's bits, not in
  // the one or two that h = 257 h + byte would move.
  const std::uint32_t a = clockseed({seconds, milliseconds, 4000u, nanoseconds}, 0);
  const std::uint32_t b = clockseed({seconds, milliseconds, 4001u, nanoseconds}, 0);
  EXPECT_GE(std::bitset<32>(a ^ b).count(), 6u);
  // The counter still separates two seedings of one process at one instant.
  EXPECT_NE(clockseed({seconds, milliseconds, 4000u, nanoseconds}, 7),
            clockseed({seconds, milliseconds, 4000u, nanoseconds}, 8));
}

TEST(ClockSeed, TwoSourcesInTheSameMillisecondDiffer) {
  const std::int64_t seconds = 1700000000;
  const std::uint32_t milliseconds = 123;
  EXPECT_NE(plainseed(seconds, milliseconds, 7), plainseed(seconds, milliseconds, 8));

  const std::uint32_t before = seedcounter;
  randomsource first;
  randomsource second;
  EXPECT_EQ(seedcounter, before + 2);
  bool differ = false;
  for (int i = 0; i < 4; ++i) differ = differ || first.nextword() != second.nextword();
  EXPECT_TRUE(differ);
}

TEST(ClockSeed, DefaultConstructionSeedsFromTheReadingsAndTheCounter) {
  // The seed must be clockseed(readings, counter) for readings taken between the two moments
  // below: seconds and milliseconds within their brackets, this process's id, and monotonic
  // nanoseconds within theirs (a few microseconds: every value is tried).
  const std::uint32_t counter = seedcounter;
  const clockreadings before = readclock();
  randomsource source;
  const clockreadings after = readclock();
  EXPECT_EQ(before.processid, static_cast<std::uint32_t>(getpid()));
  if (after.monotonicnanoseconds - before.monotonicnanoseconds > 200000u)
    GTEST_SKIP() << "the process was held up for over 200 microseconds: too many readings to try";
  const std::uint32_t first = source.nextword();
  bool found = false;
  for (std::int64_t t = before.seconds; t <= after.seconds && !found; ++t)
    for (std::uint32_t ms = before.milliseconds; ms <= after.milliseconds && !found; ++ms)
      for (std::uint64_t ns = before.monotonicnanoseconds;
           ns <= after.monotonicnanoseconds && !found; ++ns) {
        const std::uint32_t seed = clockseed({t, ms, before.processid, ns}, counter);
        // The first word of MT19937 depends on words 0, 1 and 397 of the seeded state only.
        found = firstword(seed) == first;
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
