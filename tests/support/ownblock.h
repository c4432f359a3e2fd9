// A parameter block of a test's own: every entry at its default unless set, and the cache of one
// engine (its cachedworking instantiation) freed on destruction.
#ifndef KZR_TESTS_OWNBLOCK_H
#define KZR_TESTS_OWNBLOCK_H

#include "binding/parameterblock.h"

namespace testsupport {

template <class enginecache>
struct ownblock {
  parameterblock words{};
  double rows[parameterentrycount][entryvaluecount]{};
  ownblock() {
    for (int e = 0; e < parameterentrycount; ++e) words.entries[e] = {1, rows[e]};
  }
  ~ownblock() { clearcache(); }
  ownblock(const ownblock&) = delete;
  ownblock& operator=(const ownblock&) = delete;
  ownblock& set(int entry, double first, double second = 0.0) {
    words.entries[entry].flag = 0;
    rows[entry][0] = first;
    rows[entry][1] = second;
    return *this;
  }
  ownblock& usedefault(int entry) {
    words.entries[entry].flag = 1;
    return *this;
  }
  void clearcache() { enginecache::freecache(words); }
  parameterblock* operator->() { return &words; }
  parameterblock* get() { return &words; }
};

}  // namespace testsupport

#endif  // KZR_TESTS_OWNBLOCK_H
