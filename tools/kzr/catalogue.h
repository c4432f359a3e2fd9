// The catalogue of contract codes as the tool shows it (codeentries.h), and the demo portfolio.
#ifndef KZR_TOOLS_CATALOGUE_H
#define KZR_TOOLS_CATALOGUE_H

#include <string>

#include "codeentries.h"

// The embedded demo portfolio: lines in the batch syntax.
std::string demoportfolio();

#endif  // KZR_TOOLS_CATALOGUE_H
