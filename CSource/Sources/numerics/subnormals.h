// Backward inductions without the cost of subnormal numbers. A tree, grid or lattice whose far
// nodes decay towards zero carries them through a band of subnormal values (below 2^-1022), and
// many processors take each operation on a subnormal number through a slow microcode path: a
// 20,000-step American call took ten times as long as the put of the same size.
//
// Decision: the processor's flush-to-zero mode, set for the backward induction alone and restored
// when it ends (subnormalmode), rather than a floor in each node update (a floor costs a compare
// in every update and changes the values it floors). Only the mode bit is put back, and the
// underflow flag ends as it was or raised, so the exception flags stay for the host to read.
// Denormals-are-zero is left off on x86: a subnormal value that comes in from outside (a payoff
// at a far node) is read as it is, and every value the mode changes raises the underflow flag.
//
// Answers stay those of the plain arithmetic, to the bit. A run that raised no underflow met no
// subnormal result, so it is the plain run, whatever its answer. Otherwise the mode changed
// values below 2^-1022 in magnitude; the inductions combine node values with weights of at most
// about 1, so such a change moves a node by a few 2^-1022, and a value above about 1e-290 only
// where it lies that close to a rounding boundary; the change shrinks relative to the values it
// meets on its way to the root. A result below inductionexactbelow (or not a number) could carry
// it, so exactinduction does that work again with the mode off and gives the plain answer. A grid
// (finitedifference/gridmarch.h) is read at the spot: it marches again, plainly, when the value
// read there is that small.
//
// Platforms: x86-64 (SSE control register: FTZ, and the UE flag) and AArch64 (FPCR.FZ, which
// flushes inputs too, and the FPSR flags UFC and IDC). Elsewhere the guard does nothing: the same
// answers, at the speed of the plain arithmetic.
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

// Results below this in magnitude are computed again with the mode off, when it flushed a value.
constexpr double inductionexactbelow = 1e-250;

// While it lives, the mode is on (flush true: subnormal results are written as zero) or off
// (flush false: the plain arithmetic, inside work that runs with it on); then it is as it was.
class subnormalmode {
 public:
  explicit subnormalmode(bool flush) : previous(readcontrol()), raised(readflags()) {
    writecontrol(flush ? previous | flushbit : previous & ~flushbit);
    writeflags(0);
  }
  ~subnormalmode() {
    writecontrol((readcontrol() & ~flushbit) | (previous & flushbit));
    writeflags(raised | readflags());
  }
  subnormalmode(const subnormalmode&) = delete;
  subnormalmode& operator=(const subnormalmode&) = delete;

  // Whether a result was flushed (or, on AArch64, an operand) since the guard was made.
  bool flushedsome() const { return readflags() != 0; }

  // Whether this platform has the mode (the guard does nothing without it).
  static constexpr bool available() { return flushbit != 0; }
  // Whether it is on now.
  static bool flushing() { return (readcontrol() & flushbit) != 0; }

 private:
#if defined(KZR_FLUSH_MODES_SSE)
  // One register: FTZ (bit 15) among the controls, UE (bit 4) among the flags.
  static constexpr std::uint64_t flushbit = 0x8000, underflowbits = 0x10;
  static std::uint64_t readcontrol() { return _mm_getcsr() & ~underflowbits; }
  static void writecontrol(std::uint64_t control) {
    _mm_setcsr(static_cast<unsigned>((control & ~underflowbits) | readflags()));
  }
  static std::uint64_t readflags() { return _mm_getcsr() & underflowbits; }
  static void writeflags(std::uint64_t flags) {
    _mm_setcsr(static_cast<unsigned>((_mm_getcsr() & ~underflowbits) | flags));
  }
#elif defined(KZR_FLUSH_MODES_FPCR)
  // FPCR.FZ (bit 24); FPSR.UFC (bit 3) and IDC (bit 7).
  static constexpr std::uint64_t flushbit = std::uint64_t{1} << 24, underflowbits = 0x88;
  static std::uint64_t readcontrol() {
    std::uint64_t control;
    __asm__ __volatile__("mrs %0, fpcr" : "=r"(control));
    return control;
  }
  static void writecontrol(std::uint64_t control) {
    __asm__ __volatile__("msr fpcr, %0" : : "r"(control) : "memory");
  }
  static std::uint64_t readflags() {
    std::uint64_t status;
    __asm__ __volatile__("mrs %0, fpsr" : "=r"(status));
    return status & underflowbits;
  }
  static void writeflags(std::uint64_t flags) {
    std::uint64_t status;
    __asm__ __volatile__("mrs %0, fpsr" : "=r"(status));
    status = (status & ~underflowbits) | flags;
    __asm__ __volatile__("msr fpsr, %0" : : "r"(status) : "memory");
  }
#else
  static constexpr std::uint64_t flushbit = 0;
  static std::uint64_t readcontrol() { return 0; }
  static void writecontrol(std::uint64_t) {}
  static std::uint64_t readflags() { return 0; }
  static void writeflags(std::uint64_t) {}
#endif
  std::uint64_t previous;  // the controls when the guard was made
  std::uint64_t raised;    // the underflow flags then
};

// True when a result computed with the mode on, which flushed a value, must be computed again
// without it.
inline bool needsplainarithmetic(double value) {
  return !(std::fabs(value) >= inductionexactbelow);
}

// work() with the mode on; again with it off when that run flushed a value and its result is
// below inductionexactbelow in magnitude or not a number (inside a flushed grid too, so that the
// grid's own plain march, which it takes when its answer is that small, meets plain trees).
template <class induction>
double exactinduction(induction work) {
  double value;
  bool flushed;
  {
    const subnormalmode mode(true);
    value = work();
    flushed = mode.flushedsome();
  }
  if (flushed && needsplainarithmetic(value)) {
    const subnormalmode plain(false);
    value = work();
  }
  return value;
}

#endif  // KZR_NUMERICS_SUBNORMALS_H
