// Backward inductions without the cost of subnormal numbers. A tree, grid or lattice whose far
// nodes decay towards zero carries them through a band of subnormal values (below 2^-1022), and
// many processors take each operation on a subnormal number through a slow microcode path: a
// 20,000-step American call took ten times as long as the put of the same size.
//
// Decision: the processor's flush-to-zero and denormals-are-zero modes, set for the backward
// induction alone and restored when it ends (subnormalmode), rather than a floor in each node
// update (a floor costs a compare in every update and changes the values it floors). Only the two
// mode bits are put back, so the exception flags raised meanwhile stay for the host to read.
//
// Answers stay those of the plain arithmetic, to the bit. The modes change only values below
// 2^-1022 in magnitude; the inductions combine node values with weights of at most about 1, so
// such a change moves a node by a few 2^-1022 and a value above about 1e-290 only where it lies
// that close to a rounding boundary, and the change shrinks relative to the values it meets on
// its way to the root. A result below inductionexactbelow (or not a number) could carry it, so
// exactinduction does that work again with the modes off and gives the plain answer. A grid
// (finitedifference/gridmarch.h) is read at the spot: it marches again, plainly, when the value
// read there is that small.
//
// Platforms: x86-64 (SSE control register, FTZ and DAZ bits) and AArch64 (FPCR.FZ, which flushes
// both inputs and results). Elsewhere the guard does nothing: the same answers, at the speed of
// the plain arithmetic.
//
// The work handed to exactinduction must be repeatable: it sets up its own starting values each
// time it runs, and writes no message.
#ifndef KZR_NUMERICS_SUBNORMALS_H
#define KZR_NUMERICS_SUBNORMALS_H

#include <cmath>
#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64)
#include <xmmintrin.h>
#define KZR_FLUSH_MODES_SSE 1
#elif defined(__aarch64__)
#define KZR_FLUSH_MODES_FPCR 1
#endif

// Results below this in magnitude are computed again with the modes off.
constexpr double inductionexactbelow = 1e-250;

// While it lives, the two modes are on (flush true: subnormal operands read as zero and subnormal
// results are written as zero) or off (flush false: the plain arithmetic, inside work that runs
// with them on); then they are as they were.
class subnormalmode {
 public:
  explicit subnormalmode(bool flush) : previous(readmodes()) {
    writemodes(flush ? previous | flushbits : previous & ~flushbits);
  }
  ~subnormalmode() { writemodes((readmodes() & ~flushbits) | (previous & flushbits)); }
  subnormalmode(const subnormalmode&) = delete;
  subnormalmode& operator=(const subnormalmode&) = delete;

  // Whether this platform has the modes (the guard does nothing without them).
  static constexpr bool available() { return flushbits != 0; }
  // Whether they are on now.
  static bool flushing() { return (readmodes() & flushbits) != 0; }

 private:
#if defined(KZR_FLUSH_MODES_SSE)
  static constexpr std::uint64_t flushbits = 0x8040;  // FTZ (bit 15) and DAZ (bit 6)
  static std::uint64_t readmodes() { return _mm_getcsr(); }
  static void writemodes(std::uint64_t modes) { _mm_setcsr(static_cast<unsigned>(modes)); }
#elif defined(KZR_FLUSH_MODES_FPCR)
  static constexpr std::uint64_t flushbits = std::uint64_t{1} << 24;  // FZ
  static std::uint64_t readmodes() {
    std::uint64_t modes;
    __asm__ __volatile__("mrs %0, fpcr" : "=r"(modes));
    return modes;
  }
  static void writemodes(std::uint64_t modes) {
    __asm__ __volatile__("msr fpcr, %0" : : "r"(modes) : "memory");
  }
#else
  static constexpr std::uint64_t flushbits = 0;
  static std::uint64_t readmodes() { return 0; }
  static void writemodes(std::uint64_t) {}
#endif
  std::uint64_t previous;
};

// True when a result computed with the modes on must be computed again without them.
inline bool needsplainarithmetic(double value) {
  return !(std::fabs(value) >= inductionexactbelow);
}

// work() with the modes on; again with them off when the result is below inductionexactbelow in
// magnitude or not a number (inside a flushed grid too, so that the grid's own plain march, which
// it takes when its answer is that small, meets plain trees).
template <class induction>
double exactinduction(induction work) {
  double value;
  {
    const subnormalmode flushed(true);
    value = work();
  }
  if (needsplainarithmetic(value)) {
    const subnormalmode plain(false);
    value = work();
  }
  return value;
}

#endif  // KZR_NUMERICS_SUBNORMALS_H
