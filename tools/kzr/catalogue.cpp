#include "catalogue.h"

#include "embedded.inc"

std::string demoportfolio() { return embeddeddemo; }
