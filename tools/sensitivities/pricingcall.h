// One call of fun or funvec as a host makes it: the contract code, the rows of the data table and
// the six parameter entries. An entry whose flag is nonzero asks for the library's default; a
// zero flag hands the library the entry's values (at most two are read: the grid sizes, and the
// seed and numerics of the library options in entry 5).
#ifndef KZR_TOOLS_PRICINGCALL_H
#define KZR_TOOLS_PRICINGCALL_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

constexpr int entrycount = 6;

// The parameter entries by position, as the library reads them.
enum entryposition {
  modeentry = 0,         // valuation (cache) mode: 1 prices afresh, 0 keeps and reuses
  sensitivityentry = 1,  // sensitivity selector of the simulation codes
  gridentry = 2,         // finite-difference grid sizes
  pathsentry = 3,        // Monte Carlo paths
  stepsentry = 4,        // tree, lattice and simulation steps
  optionsentry = 5,      // library options: seed, numerics
};

// The sensitivity selector's values by name: 0 price, 1 delta, 2 gamma, 3 vega, 4 theta, 5 rho.
constexpr std::array<const char*, 6> sensitivitynames = {"price", "delta", "gamma",
                                                         "vega",  "theta", "rho"};

struct pricingcall {
  bool vector = false;  // funvec instead of fun
  std::string code;
  std::vector<std::vector<double>> rows;
  std::array<std::int64_t, entrycount> flags{1, 1, 1, 1, 1, 1};
  std::array<std::array<double, 2>, entrycount> entries{};

  // Sets entry e to the values given (flag 0).
  void set(int e, double first, double second = 0.0) {
    flags[e] = 0;
    entries[e] = {first, second};
  }
};

#endif  // KZR_TOOLS_PRICINGCALL_H
