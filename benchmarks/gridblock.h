// The parameter block of the grid and tree benchmarks: every entry at its default, or mode 0
// (the grid cache) when caching; the cache is freed on destruction.
#ifndef KZR_BENCHMARKS_GRIDBLOCK_H
#define KZR_BENCHMARKS_GRIDBLOCK_H

#include "binding/parameterblock.h"
#include "finitedifference/fdvaluation.h"

struct gridblock {
  parameterblock words{};
  double rows[parameterentrycount][2]{};
  explicit gridblock(bool caching = false) {
    for (int e = 0; e < parameterentrycount; ++e) words.entries[e] = {1, rows[e]};
    if (caching) words.entries[entrymode].flag = 0;  // row value 0: mode 0
  }
  ~gridblock() { gridcache::freecache(words); }
  gridblock(const gridblock&) = delete;
  gridblock& operator=(const gridblock&) = delete;
};

// The spot of the next iteration: it moves by 1e-6 each time round a cycle of eight, so that
// neither side can hand back its previous answer.
struct movingspot {
  double S;
  int tick = 0;
  double operator()() {
    tick = (tick + 1) & 7;
    return S + 1e-6 * tick;
  }
};

#endif  // KZR_BENCHMARKS_GRIDBLOCK_H
