// The catalogue of contract codes as a host sees it: for each code, what it is, the names of its
// inputs in row order, and whether funvec serves it too. It is read from the library's own code
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
};

// One row of a code table as the catalogue shows it.
catalogueentry entryof(const coderow& row, cacheuse keeps = cacheuse::none);
// Every code, in catalogue order.
const std::vector<catalogueentry>& catalogue();
const catalogueentry* findentry(const std::string& code);

#endif  // KZR_TOOLS_CODEENTRIES_H
