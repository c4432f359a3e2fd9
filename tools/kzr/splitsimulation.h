// One simulation split into blocks of paths, each priced by its own call with its own seed, and
// the blocks' answers combined into the estimate one call would form from the same paths.
//
// Blocks. N paths in B blocks: block b has N / B paths, one more for the first N mod B blocks.
// B is at least N / 2147483647 (rounded up), whatever was asked, since one call takes at most
// that many paths.
// Block 0 takes the seed S of the call as it stands, so that one block is exactly the call.
// Block b > 0 takes the seed word w_b = the high 32 bits of SplitMix64 (Steele, Lea and Flood
// (2014), "Fast splittable pseudorandom number generators", OOPSLA) at state s + b * 0x9E37...15,
// s the 32-bit seed word of S (the library takes a seed modulo 2^32), skipping any word an earlier
// block took. Why the streams do not overlap: each block's stream is the MT19937 sequence from its
// own seed word, a start state that MT19937's initialisation spreads over a period of 2^19937 - 1;
// distinct seed words give distinct states, and for K streams of L words each to overlap at all,
// one start must fall within L words of another, a chance below K^2 L / 2^19937 (for 64 blocks of
// 10^15 words, below 10^-5980). The seeds are mixed rather than S + b, so that two runs with seeds
// S and S + 1 share no block's stream.
//
// Combination. The code table's estimator field (binding/codetable.h) says how each code's price
// is formed from its paths. For a code marked mean each element of the answer (price or
// sensitivity) is a fixed combination of the discounted means of path values on common draws, so
// the estimate of all N paths is the path-weighted mean of the blocks' answers,
// x = x_0 + sum_b n_b (x_b - x_0) / N (the same value when every block agrees, as for a
// deterministic answer). A code marked expmeanlog (HIMALAYAEO) prices
// D (exp(m) - 1), D = exp(-r T) notional and m the mean of its log payoffs: each block's m_b is
// recovered by the inverse, m_b = log(1 + x_b / D), the means are weighted and the price formed
// again; its sensitivities are differences of that non-linear function at bumped means, which the
// answers do not reveal, so they are not split. The standard error of the combined estimate comes
// from the spread of the blocks (batch means): s^2 = sum_b n_b (x_b - x)^2 / (B - 1) estimates the
// variance of one path's value and s / sqrt(N) the error (through the inverse's slope for
// expmeanlog); one block gives no error (NaN).
//
// Where the library's draw-memory limit cuts a call's paths, it cuts each block's call on its own:
// a split run may then use more paths than one call would (up to the limit on every block). The
// weights are the paths each block asked for; blocks differ by one path at most and are cut
// alike, so the weights stay equal to within one path.
#ifndef KZR_TOOLS_SPLITSIMULATION_H
#define KZR_TOOLS_SPLITSIMULATION_H

#include <cstdint>
#include <string>
#include <vector>

#include "pricingcall.h"

// The most paths one call takes: the library reads its path count as a 32-bit integer and
// clamps a larger one to this.
constexpr std::int64_t mostblockpaths = 2147483647;
// The most blocks a simulation is split into.
constexpr int mostblocks = 1000000;

struct simulationblock {
  std::int64_t paths;
  double seed;  // the value for the library options' seed (positive)
};

// The seed word block b takes, given the words of blocks 0 to b - 1 (taken[0] the call's own).
std::uint32_t blockseedword(std::uint32_t seedword, int b, const std::vector<std::uint32_t>& taken);

// The blocks of `paths` paths (at least 1) seeded from `seed` (the call's seed value, at least 1),
// at most `blocks` of them and none empty.
std::vector<simulationblock> splitpaths(std::int64_t paths, double seed, int blocks);

// The blocks `paths` paths take when `asked` are asked for: asked, or more when a block would
// hold more than mostblockpaths (so that each fits one call); 0 when that is above mostblocks.
int blocksfor(double paths, int asked);

// The call of one block: its paths and seed; with more than one block, mode 1 (each block draws
// afresh: a block must not find another's draws in the cache).
pricingcall blockcall(const pricingcall& call, const simulationblock& block, bool alone);

// Why the call cannot be split into blocks (empty when it can).
std::string whynotsplit(const pricingcall& call);

struct combinedestimate {
  std::vector<double> values;  // as one call answers
  std::vector<double> errors;  // standard error of each value (NaN for one block)
};

// Combines the blocks' answers (each the same length) for `call`; paths[b] is block b's count.
combinedestimate combineblocks(const pricingcall& call,
                               const std::vector<std::vector<double>>& answers,
                               const std::vector<std::int64_t>& paths);

#endif  // KZR_TOOLS_SPLITSIMULATION_H
