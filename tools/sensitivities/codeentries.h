// The catalogue of contract codes as a host sees it: for each code, what it is, the names of its
// inputs in row order, whether funvec serves it too, whether its engine computes the
// sensitivity that entry 1 selects, the sizes it reads with their defaults and the library
// options that apply to it. It is read from the library's own code
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
  // The sizes it reads from parameter entries 2 to 4 (or fixed), with their defaults, from its
  // table's parameters (binding/codetable.h).
  std::vector<sizeuse> sizes;
  // The library options (entry 5, by value position, libraryoption) that apply to it: a seed and
  // Sobol draws where it simulates, the precise numerics and control variates where its table
  // marks them, negative rates where its table accepts them. Any other is ignored, but negative
  // rates, which it refuses.
  std::vector<int> options;
};

// One row of a code table as the catalogue shows it, with its table's marks.
catalogueentry entryof(const coderow& row, cacheuse keeps = cacheuse::none,
                       bool sensitivities = false, const codeparameters& parameters = {},
                       bool negativerates = false);
// Whether the option (a libraryoption) applies to the code.
bool optionapplies(const catalogueentry& entry, int option);
// Every code, in catalogue order.
const std::vector<catalogueentry>& catalogue();
const catalogueentry* findentry(const std::string& code);

#endif  // KZR_TOOLS_CODEENTRIES_H
