// The numbers a host and the library share, in one place: the positions of the parameter entries
// (rows of T1 and T2), the sensitivity selector of entry 1, the library options of entry 5 by
// value position, how many values a host row needs, and the tolerance within which two contract
// terms are the same for the engines' caches. The library, the kzr tool, the sensitivities
// library, kzr-mpi, the fuzz targets, the tests and the Python module (through its extension)
// take them from here; the header is installed with the host interface.
//
// Plain constants only: no types of the library, nothing to link.
#ifndef KZR_BINDING_INTERFACENUMBERS_H
#define KZR_BINDING_INTERFACENUMBERS_H

#include <array>

// Parameter entries by position.
enum parameterentryindex {
  entrymode = 0,         // valuation (cache) mode: 1 prices afresh, 0 keeps and reuses
  entrysensitivity = 1,  // sensitivity selector of the simulation codes (sensitivityselector)
  entrygrid = 2,         // finite-difference grid sizes, two values
  entrypaths = 3,        // Monte Carlo paths
  entrysteps = 4,        // tree, lattice and simulation steps
  entryoptions = 5,      // library options (libraryoption)
};
constexpr int parameterentrycount = 6;

// Values of the sensitivity selector (entry 1).
enum sensitivityselector {
  selectprice = 0,
  selectdelta = 1,
  selectgamma = 2,
  selectvega = 3,
  selecttheta = 4,
  selectrho = 5,
};
constexpr int sensitivitycount = 6;
// The selector's values by name, at their numbers.
constexpr std::array<const char*, sensitivitycount> sensitivitynames = {
    "price", "delta", "gamma", "vega", "theta", "rho"};

// The library options of entry 5, by value position. A row too short for a position leaves that
// option at its default; a value of 0 is every option's default.
enum libraryoption {
  optionseed = 0,             // 1 or more: a fixed seed for every random source of the call
  optionnumerics = 1,         // 1: the precise bivariate normal
  optionsobol = 2,            // 1: randomised Sobol draws through the Brownian bridge
  optioncontrolvariates = 3,  // 1: the simulations' control variates
  optionnegativerates = 4,    // 1: negative rates and yields where the formulas hold
};
constexpr int libraryoptioncount = 5;

// Values per entry: two grid sizes; one value for the other entries but the options.
constexpr int gridvaluecount = 2;
// The widest row an entry reads: a host that gives every entry this many values (T2 of
// parameterentrycount x entryvaluecount) can set every option.
constexpr int entryvaluecount = libraryoptioncount > gridvaluecount ? libraryoptioncount
                                                                    : gridvaluecount;

// Two contract terms are the same for the engines' caches when they differ by at most this much
// (absolute).
constexpr double sametolerance = 0.0001;

#endif  // KZR_BINDING_INTERFACENUMBERS_H
