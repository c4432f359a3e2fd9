// How the lines of a batch divide among processes that each load the library once.
//
// A line's result may depend on what earlier lines left in the process, and only through three
// stores: the grid engine's cache, the simulation engine's cache (each a kept contract and what
// its valuation computed: a grid, or draws and their price) and the fixed-income library's kept
// curves. Every other input of a call is the call's own. The caches follow these rules:
//   - a line of a code that uses neither engine never reads or changes either cache;
//   - a grid valuation caches at every mode but 1, a simulation at mode 0 alone; a caching
//     valuation of a contract the engine keeps (every compared term within 0.0001) reuses what is
//     kept, and so may answer differently from a fresh valuation; one of another contract replaces
//     what is kept;
//   - a valuation at a non-caching mode never reads the cache and empties it, unless it is
//     answered before it reaches the engine (an early result or a refusal leaves the cache as
//     it was); which calls reach the engine the library alone knows.
// Hence the rule. A line is a reader of an engine's cache when its code belongs to a family that
// keeps that cache (the table's cacheuse mark) and it may value at a caching mode: a price or
// vector line whose mode is not surely non-caching (an absent mode is 1; a mode that is NaN reads
// as 0), and every greeks or solve line, which choose their own modes, as a price line does whose
// sensitivity is taken by differences (greeks.h: the engine does not compute it). A line of such a family
// at a surely non-caching mode is a clearer: its own result never depends on the cache, but it
// may empty it. For each engine, the lines of its families from its first reader to its last
// reader, readers and clearers alike, form one group, run in file order on one process; the
// other lines of its families stand alone. This is exact: before an engine's first reader its
// cache can hold nothing (only caching valuations fill it, and clearers only empty it), on any
// process; inside the group every change of the cache happens in the same order as in one
// process; after the last reader no result reads it. Every fixed-income line may keep, read,
// list or forget named curves, so all fixed-income lines form one group. Lines of unknown codes
// and lines that cannot be read stand alone. Simulation lines without a seed draw from the clock
// and differ from run to run wherever they run; seeded ones repeat to the bit.
#ifndef KZR_TOOLS_BATCHPLAN_H
#define KZR_TOOLS_BATCHPLAN_H

#include <string>
#include <vector>

// A call of a batch: its line number (from 1) and its text.
struct batchentry {
  int number;
  std::string text;
};

// Lines that must run together on one process, in file order.
struct batchunit {
  std::vector<int> entries;  // indexes into batchplan::entries, increasing
  double cost = 0;           // the estimate of the run time, in the units of linecost
};

struct batchplan {
  std::vector<batchentry> entries;  // the calls of the batch (blank and comment lines left out)
  std::vector<batchunit> units;     // every entry in exactly one unit; heaviest first
};

// The plan of a batch's text.
batchplan planbatch(const std::string& text);

// A rough run time of one line, for balancing: a closed form is 1; trees grow with their steps,
// grids with their nodes and simulations with their draws.
double linecost(const std::vector<std::string>& words);

// Consecutive units of the plan gathered into chunks for dealing: a unit of at least `target`
// cost alone, lighter ones together up to it. Each chunk lists unit indexes.
std::vector<std::vector<int>> chunksof(const batchplan& plan, double target);

#endif  // KZR_TOOLS_BATCHPLAN_H
