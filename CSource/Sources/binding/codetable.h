// Code tables: for each pricing handler, one row per contract code it serves, with the code's
// variant (the handler's own small number for it), the names of its inputs in row order and a
// one-line description, and beside them, per variant, the sizes each code reads with their
// defaults and the library options of its method (codeparameters, codeparametersof). Everything
// else is taken from these: the registration of the codes, each handler's variant lookup, the
// size of its row table, the parameter entries it reads for its sizes, the defaults its pricing
// takes and the catalogue of the kzr tool, which links the tables alone
// (binding/codecatalogue.h).
//
// Input names follow one convention across families, so that a program can tell the role of
// each input of any code by its name alone:
//   times          T (expiry); other dates start with t or T: t, t1, T2, Tc, Tp, Tavg (an
//                  averaging period) (years)
//   prices today   S, or S followed by a qualifier (S1, S2) for each underlying asset
//   volatilities   sigma, or sigma followed by the asset's qualifier (sigma1, sigma2, sigmaS,
//                  sigmaE)
//   rates          r the domestic rate, rf the foreign rate
//   dividend yields q, or q followed by the asset's qualifier (q1, q2)
//   correlation    rho
//   strikes        K or X, with a qualifier where there are several (X1, X2, Kc, Kp), k the
//                  strike of a compound option; X also the cash amount of a best-or-cash option
//   the rest       F forward, E exchange rate, Ep fixed exchange rate, H barrier, L and U the
//                  lower and upper barriers of a corridor, R rebate, m extreme observed so
//                  far, i power, C cap, A fee (or, for an Asian, the average observed so
//                  far), kind payoff kind, n the number of assets of a counted table
//   amounts        coupon, and notional (the amount a performance is paid on)
// A counted row table (one whose first input is the number of assets n and whose later rows carry
// one value per asset) names each of its rows and ends its input list with "...": a row of one
// value per asset takes the suffix _i (S_i, sigma_i, q_i, H_i), the correlation matrix, n x n
// values row-major in one row, is rho_ij. Its rows are its named inputs: the registry refuses a
// table with more (binding/countedhandler.h).
//
// The tables are constant data; nothing here depends on the rest of the library but the
// interface's numbers (binding/interfacenumbers.h).
#ifndef KZR_BINDING_CODETABLE_H
#define KZR_BINDING_CODETABLE_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "binding/interfacenumbers.h"

struct datashape;
struct parameterblock;

// handler(variant, data, shape, block). The variant is the code's number in the handler's table,
// found once at registration: a call compares no text below the registry's lookup.
using scalarhandler = double (*)(int variant, const double* data, const datashape* shape,
                                 parameterblock* block);
// Returns a heap array (new double[]): element 0 holds the count n, elements 1..n the results.
using vectorhandler = double* (*)(int variant, const double* data, const datashape* shape,
                                  parameterblock* block);

// How a simulated code's price is formed from its paths, for a host that combines the answers of
// several calls on independent draws (the split simulation of the kzr tool and kzr-mpi):
//   mean       the price is the discounted mean of the path payoffs (and every code that does not
//              simulate: a deterministic answer is its own mean)
//   expmeanlog the price is D (exp(m) - 1), m the mean of the paths' log payoffs and
//              D = exp(-r T) notional, read from the code's inputs r, T and notional
enum class estimator : unsigned char { mean, expmeanlog };

struct coderow {
  const char* code;         // upper-case contract code, compared whole
  int variant;              // the handler's number for the code
  const char* inputs;       // input names in row order, separated by ", "; "..." last: counted
  const char* description;  // one line for the catalogue
  bool vector = false;      // funvec serves the code as well as fun
  estimator estimate = estimator::mean;  // how its price is formed from its paths
};

// What a family's valuations may keep in the process between calls, and so what a later call of
// another line may read: nothing (closed forms, trees, lattices), the grid engine's cache or the
// simulation engine's draws. It is a property of the family's table, marked once in the catalogue
// (binding/codecatalogue.cpp): a table that mixes grids with trees or closed forms is marked for
// its grids, so that a program that keeps lines apart by it never separates two that share a
// cache.
enum class cacheuse : unsigned char { none, grid, draws };


// A size a code reads from a parameter entry (its grid, its paths, or the steps or levels of its
// tree, lattice or simulation) and what it takes when the entry's flag is set: the default, and
// the default under the precise numerics (library option 1) where that differs. The family's
// pricing takes its defaults from the same constants, named in its Codes.h header.
struct sizeuse {
  const char* name = nullptr;  // "grid", "paths", "steps" or "levels"; null: no size
  int entry = -1;              // the parameter entry read (interfacenumbers.h); -1: a fixed size
  std::int64_t value = 0;      // the default (a grid's nodes N); 0: read under the option only
  std::int64_t second = 0;     // a grid's time levels M
  std::int64_t precise = 0;    // the default under the precise numerics; 0: then not read;
                               // givenonly: read only when the entry's flag is 0
  std::int64_t precisesecond = 0;
  bool fixed = false;          // the design's method takes value whatever the entry holds; the
                               // precise numerics read the entry (entry >= 0)

  // The same size with other defaults under the precise numerics.
  constexpr sizeuse underprecise(std::int64_t n, std::int64_t m = 0) const {
    sizeuse other = *this;
    other.precise = n;
    other.precisesecond = m;
    return other;
  }
  // The same size, not read under the precise numerics (the method then has its own accuracy).
  constexpr sizeuse unreadunderprecise() const { return underprecise(0, 0); }
  // The same size, read under the precise numerics only when given: with its flag set the method
  // then needs no size (a European payoff integrated instead of a tree).
  static constexpr std::int64_t givenonly = -1;
  constexpr sizeuse givenonlyunderprecise() const { return underprecise(givenonly, 0); }
};

constexpr sizeuse gridsize(std::int64_t nodes, std::int64_t levels) {
  return {"grid", entrygrid, nodes, levels, nodes, levels};
}
// A grid the design's method does not read and the precise numerics do.
constexpr sizeuse preciseonlygrid(std::int64_t nodes, std::int64_t levels) {
  return {"grid", entrygrid, 0, 0, nodes, levels};
}
constexpr sizeuse pathsof(std::int64_t paths) { return {"paths", entrypaths, paths, 0, paths, 0}; }
// Steps of a tree or of a simulation's paths.
constexpr sizeuse stepsof(std::int64_t steps) { return {"steps", entrysteps, steps, 0, steps, 0}; }
// Levels of a two-asset lattice: read from entry 4 like steps, or fixed (entry not read).
constexpr sizeuse levelsof(std::int64_t levels) {
  return {"levels", entrysteps, levels, 0, levels, 0};
}
constexpr sizeuse fixedlevels(std::int64_t levels) { return {"levels", -1, levels, 0, levels, 0}; }
// Levels the design fixes and the precise numerics read from entry 4, with their default there.
constexpr sizeuse fixedlevelsreadunderprecise(std::int64_t levels, std::int64_t precise) {
  return {"levels", entrysteps, levels, 0, precise, 0, true};
}

// What a code takes from the parameter entries and the library options (entry 5) besides its
// inputs: its sizes with their defaults, and the options that may change its answer that are
// properties of its method. The rest are read off other marks: a seed (option 0) and Sobol draws
// (option 2) apply to the codes that read paths (they simulate), negative rates (option 4) to
// the tables marked acceptsnegativerates (binding/ratesigns.h).
struct codeparameters {
  sizeuse sizes[2] = {};
  bool precise = false;   // option 1 changes its method or its bivariate normal
  bool controls = false;  // option 3: its simulation corrects its price by control variates
};

// The parameters of each code of a table, by its variant: noparameters but where a family's
// Codes.h header specialises codeparametersof for its table (below).
using parameterreader = codeparameters (*)(int variant);
constexpr codeparameters noparameters(int) { return {}; }

// A table whose every code takes the precise numerics and reads no size (the closed forms with a
// bivariate normal).
constexpr codeparameters preciseeverycode(int) {
  codeparameters parameters;
  parameters.precise = true;
  return parameters;
}

// Whether the code reads paths: it simulates, and a seed and Sobol draws apply to it. Its engine
// computes the sensitivity the selector of entry 1 asks for; every other code answers its price
// whatever entry 1 holds, so a host that wants a sensitivity of it must take it by differences
// of prices.
constexpr bool simulates(const codeparameters& parameters) {
  for (const sizeuse& size : parameters.sizes)
    if (size.entry == entrypaths) return true;
  return false;
}

// A table as registration and the catalogue walk it.
struct codetable {
  const coderow* rows;
  std::size_t count;
  cacheuse keeps = cacheuse::none;
  parameterreader parameters = noparameters;  // its family's codeparametersof
  bool negativerates = false;                 // its family's acceptsnegativerates
  constexpr const coderow* begin() const { return rows; }
  constexpr const coderow* end() const { return rows + count; }
  constexpr codeparameters parametersof(const coderow& row) const {
    return parameters(row.variant);
  }
  // Whether the row's code reads the sensitivity selector: it simulates (see simulates).
  constexpr bool readsselector(const coderow& row) const { return simulates(parametersof(row)); }
};

template <std::size_t n>
constexpr codetable tableof(const coderow (&rows)[n], cacheuse keeps = cacheuse::none) {
  return {rows, n, keeps};
}

// The number of names in an input list, "..." not counted.
constexpr int inputcount(const char* inputs) {
  int names = 0;
  bool inname = false;
  for (const char* c = inputs; *c != '\0'; ++c) {
    if (*c == ',') {
      inname = false;
    } else if (*c != ' ' && *c != '.' && !inname) {
      inname = true;
      ++names;
    }
  }
  return names;
}

// True when the list ends with "...": the code reads a counted row table.
constexpr bool countedinputs(const char* inputs) {
  std::size_t length = 0;
  while (inputs[length] != '\0') ++length;
  return length >= 3 && inputs[length - 1] == '.' && inputs[length - 2] == '.' &&
         inputs[length - 3] == '.';
}

// The most inputs any code of the table reads: the slots of a plain row table.
constexpr int largestinputcount(codetable table) {
  int largest = 0;
  for (std::size_t i = 0; i < table.count; ++i) {
    const int count = inputcount(table.rows[i].inputs);
    if (count > largest) largest = count;
  }
  return largest;
}

constexpr bool samecode(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) ++a, ++b;
  return *a == *b;
}

// Whether the codes of a table hold with negative rates and yields under library option 4
// (binding/ratesigns.h): false but where a family's Codes.h header specialises it, for the table
// whose formulas it has checked with the new signs:
//   template <> inline constexpr bool acceptsnegativerates<BlackScholes::blackscholescodes> = true;
template <const auto& codes>
inline constexpr bool acceptsnegativerates = false;

// The sizes and options of each code of a table (codeparameters): noparameters but where a
// family's Codes.h header specialises it, for a table whose codes read a size or take the precise
// numerics or control variates:
//   template <> inline constexpr parameterreader codeparametersof<EuropeanPower::powercodes> =
//       EuropeanPower::parametersofcode;
// Registration takes the entries a handler reads for its sizes from it (sizeentries), the
// catalogue the defaults and options it shows.
template <const auto& codes>
inline constexpr parameterreader codeparametersof = noparameters;

// A family's table with the marks of its Codes.h header (its parameters, whether it accepts
// negative rates) and its cache, given here.
template <const auto& codes>
constexpr codetable familytable(cacheuse keeps = cacheuse::none) {
  codetable table = tableof(codes, keeps);
  table.parameters = codeparametersof<codes>;
  table.negativerates = acceptsnegativerates<codes>;
  return table;
}

// The parameter entries a handler reads, one bit per entry: the entry points demand columns of
// T2 only for these. Entry 5, the library options, is never listed: its reader takes what T2
// has.
using entrymask = unsigned;
constexpr entrymask readsentry(int entry) { return 1u << entry; }
constexpr entrymask noentries = 0;

// The entries the codes of a table read for their sizes (codeparameters): registration adds them
// to those a handler names itself (the mode, the sensitivity selector).
constexpr entrymask sizeentries(codetable table) {
  entrymask entries = noentries;
  for (std::size_t i = 0; i < table.count; ++i)
    for (const sizeuse& size : table.parameters(table.rows[i].variant).sizes)
      if (size.entry >= 0) entries |= readsentry(size.entry);
  return entries;
}

// A handler as registration stores it: its function, the table of its codes, the slots of its
// row table (data tables with more rows are refused; a counted code's own named rows instead)
// and the parameter entries it reads.
template <typename handler>
struct handlerentry {
  handler function;
  codetable codes;
  std::int64_t rowcapacity;
  entrymask entries;
};
using scalarhandlerentry = handlerentry<scalarhandler>;
using vectorhandlerentry = handlerentry<vectorhandler>;

#endif  // KZR_BINDING_CODETABLE_H
