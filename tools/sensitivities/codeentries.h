// The catalogue of contract codes as a host sees it: for each code, what it is, the names of its
// inputs in row order, whether funvec serves it too and whether its engine computes the
// sensitivity that entry 1 selects. It is read from the library's own code
// tables (binding/codecatalogue.h), linked alone, so it lists exactly what the library registers.
#ifndef KZR_TOOLS_CODEENTRIES_H
#define KZR_TOOLS_CODEENTRIES_H

#include <string>
#include <vector>

#include "binding/codetable.h"

struct catalogueentry {
  std::string code;
  std::string description;
  std::vector<std::string> inputs;
  bool vector = false;    // served by funvec too
  bool variable = false;  // rows beyond the named inputs carry per-asset values
  cacheuse keeps = cacheuse::none;  // what its valuations keep between calls (its table's mark)
  // Its engine reads the sensitivity selector (entry 1) and answers the sensitivity; every other
  // code answers its price whatever entry 1 holds (binding/codetable.h).
  bool sensitivities = false;
  estimator estimate = estimator::mean;  // how its price is formed from its paths (its row's)
};

// One row of a code table as the catalogue shows it.
catalogueentry entryof(const coderow& row, cacheuse keeps = cacheuse::none,
                       bool sensitivities = false);
// Every code, in catalogue order.
const std::vector<catalogueentry>& catalogue();
const catalogueentry* findentry(const std::string& code);

#endif  // KZR_TOOLS_CODEENTRIES_H
