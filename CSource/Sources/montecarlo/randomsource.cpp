#include "montecarlo/randomsource.h"

#include <unistd.h>

#include <chrono>
#include <ctime>

std::uint32_t seedcounter = 0;

namespace {

constexpr int shift = 397;  // M
constexpr std::uint32_t upperbit = 0x80000000u;
constexpr std::uint32_t lowerbits = 0x7FFFFFFFu;
constexpr std::uint32_t matrixa = 0x9908B0DFu;
constexpr std::uint32_t initmultiplier = 1812433253u;

// m XOR ((upper bit of a, lower bits of b) >> 1) XOR (matrixa when b is odd).
inline std::uint32_t twist(std::uint32_t m, std::uint32_t a, std::uint32_t b) {
  const std::uint32_t y = (a & upperbit) | (b & lowerbits);
  return m ^ (y >> 1) ^ ((0u - (b & 1u)) & matrixa);
}

// h = 257 h + byte over the first bytes of a value, least significant first: the memory order of
// a little-endian machine, taken by shifts so that the seed does not depend on the machine.
std::uint32_t hashbytes(std::uint64_t value, int bytes) {
  std::uint32_t h = 0;
  for (int i = 0; i < bytes; ++i)
    h = h * 257u + static_cast<std::uint32_t>((value >> (8 * i)) & 0xFFu);
  return h;
}

// SplitMix64's finaliser of nanoseconds + process id times the golden-ratio increment, its two
// halves folded together; 0 for (0, 0).
std::uint32_t mixprocess(std::uint32_t processid, std::uint64_t nanoseconds) {
  std::uint64_t z = nanoseconds + processid * 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return static_cast<std::uint32_t>(z ^ (z >> 32));
}

}  // namespace

clockreadings readclock() {
  static_assert(CLOCKS_PER_SEC >= 1000, "the processor clock counts at least milliseconds");
  clockreadings readings;
  readings.seconds = static_cast<std::int64_t>(std::time(nullptr));
  readings.milliseconds =
      static_cast<std::uint32_t>(static_cast<std::int64_t>(std::clock()) / (CLOCKS_PER_SEC / 1000));
  readings.processid = static_cast<std::uint32_t>(getpid());
  readings.monotonicnanoseconds = static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(
          std::chrono::steady_clock::now().time_since_epoch())
          .count());
  return readings;
}

std::uint32_t clockseed(const clockreadings& readings, std::uint32_t counter) {
  const std::uint32_t h1 = hashbytes(static_cast<std::uint64_t>(readings.seconds), 8);
  const std::uint32_t h2 = hashbytes(readings.milliseconds, 4) ^
                           mixprocess(readings.processid, readings.monotonicnanoseconds);
  return (h1 + counter) ^ h2;
}

randomsource::randomsource() { seedfromclock(); }

randomsource::randomsource(std::int64_t seedoption) {
  if (seedoption > 0)
    seed(static_cast<std::uint32_t>(seedoption));
  else
    seedfromclock();
}

void randomsource::seedfromclock() {
  seed(clockseed(readclock(), seedcounter));
  ++seedcounter;
}

void randomsource::seed(std::uint32_t s) {
  words[0] = s;
  for (int i = 1; i < wordcount; ++i)
    words[i] =
        initmultiplier * (words[i - 1] ^ (words[i - 1] >> 30)) + static_cast<std::uint32_t>(i);
  regenerate();
}

void randomsource::regenerate() {
  constexpr int firstpart = wordcount - shift;  // 227
  for (int i = 0; i < firstpart; ++i) words[i] = twist(words[i + shift], words[i], words[i + 1]);
  for (int i = firstpart; i < wordcount - 1; ++i)
    words[i] = twist(words[i - firstpart], words[i], words[i + 1]);
  words[wordcount - 1] = twist(words[shift - 1], words[wordcount - 1], words[0]);
  position = 0;
}
