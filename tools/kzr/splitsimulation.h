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
// Standard errors in every front (--stderr [--blocks B] of kzr price, vector, curve and greeks;
// stderr= and blocks= in Python; kzr-mpi's --stderr): the call is priced as B seeded blocks, B =
// errorblocks unless told (kzr-mpi: at least that many, and at least one per process), and the
// answer is the blocks' combined estimate above with its error, not the single call's answer.
// The blocks of a price or vector run at mode 1 (each draws afresh, nothing is kept); greeks run
// each block as kzr greeks runs a call, at the block's own seed (its sensitivities reuse its
// price's draws, never another block's: the cache matches seeds). The rules every front shares:
//   - the code must simulate (its table keeps draws and its engine computes sensitivities, which
//     leaves out the geometric Asians' closed forms): a grid, a tree or a closed form has no
//     sampling error, and an error of 0 would claim an exact answer. Such a call is refused with
//     one line (whynoerror), as is --blocks without --stderr in the single-process fronts;
//   - the paths must be given: the blocks share them (a code's default count is the library's);
//   - a call without a positive seed gets one drawn for the request;
//   - a count below one path is priced once as it stands, with an undefined error;
//   - what cannot be split (whynotsplit: HIMALAYAEO's sensitivities) is refused unless
//     --blocks 1 is given, which prices the call once and prints an undefined error.
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

#include "greeks.h"
#include "pricer.h"
#include "pricingcall.h"

// The most paths one call takes: the library reads its path count as a 32-bit integer and
// clamps a larger one to this.
constexpr std::int64_t mostblockpaths = 2147483647;
// The most blocks a simulation is split into.
constexpr int mostblocks = 1000000;
// The blocks of a run with standard errors when --blocks is not given: enough for the error's
// own spread to be about an eighth of it (a batch-means error on B blocks is off by about
// 1 / sqrt(2 (B - 1))).
constexpr int errorblocks = 32;

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

// --stderr and --blocks B as a front reads them.
struct errorrequest {
  bool wanted = false;  // --stderr
  int blocks = 0;       // --blocks B; 0 when not given
};
// Takes --stderr and --blocks B out of the words. Throws usageerror for a B that is not a whole
// number from 1 to mostblocks.
errorrequest takeerroroptions(std::vector<std::string>& words);
// The blocks of a single-process front: those asked, or errorblocks. Throws usageerror for
// --blocks without --stderr.
int errorblocksof(const errorrequest& request);

// Why the call's answer has no standard error: a one-line message for a code that does not
// simulate; empty for a simulation, and for an unknown code (the library refuses it).
std::string whynoerror(const pricingcall& call);

// The blocks of a call with a positive seed and a path count, split into `asked` blocks or as
// many more as the count needs. blocks is empty when the call is priced once as it stands (a
// count below one path); said holds a line for standard error when more blocks than asked are
// taken. Returns why the call cannot be split (empty when it can).
struct splitplan {
  std::vector<simulationblock> blocks;
  std::string said;
};
std::string planblocks(const pricingcall& call, int asked, splitplan& plan);

// The plan of a single-process front's call with standard errors: the call made ready (a seed
// drawn when it has none) and its blocks. Throws usageerror (whynoerror, no paths, planblocks).
// `sensitivities` marks a request of sensitivities as well as the price (kzr greeks).
struct errorplan {
  pricingcall call;
  splitplan split;
};
errorplan planerrors(const pricingcall& call, int blocks, bool sensitivities = false);

// Prices the plan's blocks one after another (fun or funvec, as the call says) and combines them;
// a plan without blocks prices the call once. The first block's library messages reach the user,
// the others' are dropped. refused when the library refused any block.
struct blockestimate {
  bool refused = false;
  combinedestimate estimate;
};
blockestimate priceblocks(sensitivities::pricer& library, const errorplan& plan);

// kzr greeks of the plan's call, block by block, combined figure by figure: the report's price
// and sensitivities are the blocks' estimates, errors[0] the price's error and errors[1 + k]
// sensitivity k's.
struct greeksestimate {
  sensitivities::greeksreport report;
  std::vector<double> errors;
};
greeksestimate greeksinblocks(sensitivities::pricer& library, const errorplan& plan,
                              const sensitivities::greekselection& which);

#endif  // KZR_TOOLS_SPLITSIMULATION_H
