// The catalogue of contract codes kept beside the tool: for each code, what it is and the names
// of its inputs in row order. One text file per family under catalogue/, embedded at build time:
//
//   CODE | what it is | input, input, ... [| vector]
//
// "vector" marks a code that funvec serves too; an input list ending in "..." marks a contract
// whose later rows carry one value per asset. A test holds the catalogue against the library's
// registries.
#ifndef KZR_TOOLS_CATALOGUE_H
#define KZR_TOOLS_CATALOGUE_H

#include <string>
#include <vector>

struct catalogueentry {
  std::string code;
  std::string description;
  std::vector<std::string> inputs;
  bool vector = false;    // served by funvec too
  bool variable = false;  // rows beyond the named inputs carry per-asset values
};

// Parses catalogue text; lines that are blank or start with '#' are skipped.
std::vector<catalogueentry> parsecatalogue(const std::string& text);
// The embedded catalogue, in file order.
const std::vector<catalogueentry>& catalogue();
const catalogueentry* findentry(const std::string& code);

// The embedded demo portfolio: lines in the batch syntax.
std::string demoportfolio();

#endif  // KZR_TOOLS_CATALOGUE_H
