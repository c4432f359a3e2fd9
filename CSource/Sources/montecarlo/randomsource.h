// The random source of the simulations: a 32-bit Mersenne Twister (Matsumoto and Nishimura
// (1998), "Mersenne Twister: a 623-dimensionally equidistributed uniform pseudo-random number
// generator", ACM Transactions on Modeling and Computer Simulation 8, pp. 3-30, with its standard
// constants), uniform draws on (0, 1) and [0, 1), and standard normals by the cosine branch of the
// Box-Muller transform (Box and Muller (1958), Ann. Math. Statist. 29, pp. 610-611).
//
// Seeding: the default construction seeds from the clock (calendar seconds and processor
// milliseconds, hashed, plus the process-wide `seedcounter`, so that two sources made in the same
// millisecond differ; the process id and a monotonic clock's nanoseconds are mixed in too, so that
// processes started together, as a job array or a pool of workers is, draw different streams);
// construction with the library options' seed uses a positive seed as it
// stands, so that a simulation repeats run after run, and falls back on the clock otherwise.
// Every stream equals the published MT19937 reference seeded with the same 32-bit word.
//
// Speed: the 624 words live in the object and are regenerated a block at a time; the draws are
// inline and non-virtual, since they are the inner loop of every simulation.
//
// Not thread-safe: `seedcounter` is process-wide and unguarded; calls must not overlap.
#ifndef KZR_MONTECARLO_RANDOMSOURCE_H
#define KZR_MONTECARLO_RANDOMSOURCE_H

#include <cmath>
#include <cstdint>

// How many clock seedings the process has done; 0 at load.
extern std::uint32_t seedcounter;

// What the default construction reads: calendar seconds, processor milliseconds since the process
// started, the process id and a monotonic clock in nanoseconds.
struct clockreadings {
  std::int64_t seconds;
  std::uint32_t milliseconds;
  std::uint32_t processid;
  std::uint64_t monotonicnanoseconds;
};

// Now's readings.
clockreadings readclock();

// The seed that the readings and the counter give: the bytes of seconds and milliseconds, least
// significant first, hashed by h = 257 h + byte; seed = (hash(seconds) + counter) XOR
// (hash(milliseconds) XOR mix(process id, nanoseconds)), all in 32-bit unsigned arithmetic.
// mix is SplitMix64's finaliser (Steele, Lea and Flood, "Fast splittable pseudorandom number
// generators", OOPSLA 2014) of nanoseconds + process id x 0x9E3779B97F4A7C15, folded to 32 bits
// by XOR of its halves; it is 0 when both are 0, so such readings give the plain clock hash.
// Seconds and processor milliseconds alone seed processes started together alike: they start in
// the same second with the same processor time.
std::uint32_t clockseed(const clockreadings& readings, std::uint32_t counter);

class randomsource {
 public:
  static constexpr int wordcount = 624;                        // N
  static constexpr double wordscale = 2.3283064365386963e-10;  // 2^-32

  // Seeded from the clock; `seedcounter` increases by one.
  randomsource();
  // The library options' seed: a positive value seeds every source of a call with that value
  // (taken modulo 2^32, as a single-word seed); zero or a negative value means the clock, as the
  // default construction.
  explicit randomsource(std::int64_t seedoption);

  // The words from s (word i = 1812433253 (word i-1 XOR word i-1 >> 30) + i), then one
  // regeneration.
  void seed(std::uint32_t s);

  // The next tempered 32-bit word.
  std::uint32_t nextword() {
    if (position == wordcount) regenerate();
    std::uint32_t y = words[position++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    return y ^ (y >> 18);
  }

  // A word mapped to (0, 1): (w + 0.5) 2^-32, from 2^-33 to 1 - 2^-33, both exact.
  static double openfromword(std::uint32_t w) { return (w + 0.5) * wordscale; }
  // A word mapped to [0, 1): w 2^-32, from 0 to 1 - 2^-32.
  static double halfopenfromword(std::uint32_t w) { return w * wordscale; }

  double uniformopen() { return openfromword(nextword()); }
  double uniformhalfopen() { return halfopenfromword(nextword()); }

  // mean + sd sqrt(-2 ln(1 - u1)) cos(2 pi u2), u1 on (0, 1) drawn first, u2 on [0, 1) second.
  // The sine partner is not kept: every normal costs two words.
  double normaldraw(double mean, double sd) {
    const double u1 = uniformopen();
    const double u2 = uniformhalfopen();
    return mean + sd * std::sqrt(-2.0 * std::log(1.0 - u1)) * std::cos(6.283185307179586 * u2);
  }

 private:
  void seedfromclock();
  // Twists all 624 words and restarts at word 0.
  void regenerate();

  std::uint32_t words[wordcount];
  int position;  // of the next word to temper; the words left are wordcount - position
};

#endif  // KZR_MONTECARLO_RANDOMSOURCE_H
