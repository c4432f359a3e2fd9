// The grid valuation method and its carrier: `value`, the one procedure a pricing handler calls,
// and the finished grid kept in the parameter block for reuse.
//
// The path of a grid price: the handler fills a contractdata, builds its instrument (which makes
// its clone) and a scheme on it (CNNDI or DouglasLogNDI; the scheme takes the clone as its
// working copy), and calls value:
//   1. the valuation mode of parameter entry 0 (1 by default; every other mode acts as 0);
//   2. checkinputs: a refused contract gives the undefined value, frees the working copy and
//      leaves the cache as it was;
//   3. with mode 0, a cached grid of the same contract, solved by the same scheme, is read off
//      at the new spot (fromcarrier); otherwise the grid is solved afresh (solve), once the
//      scheme finds the instrument ready for it (readytosolve: else the undefined value, and the
//      cache stays as it was), and with mode 0 the finished grid is kept in a new carrier;
//   4. release parks or frees the working copy and the carrier (valuationcache.h).
// What each valuation mode leaves behind:
//   mode 1            nothing: each call builds, solves and frees its grid, and empties the
//                     block's two cache words (fdclone, fdcarrier);
//   any other mode    the grid is kept: the working instrument goes to fdclone and the filled
//                     carrier to fdcarrier. A later call for the same contract (same class, every
//                     term but the spot within 0.0001, same grid sizes) on the same scheme only
//                     reads the value off the cached grid at its own spot. Modes other than 0
//                     and 1 have no meaning of their own and act as 0, so the cache never holds
//                     a carrier no solve filled.
// A carrier is made only in caching mode; no mode-1 call allocates one. Unloading the library
// frees the cache. Sizes outside the bounds of fdbase.h give the
// undefined value after the message "Grid sizes out of range, value undefined"; other refused
// inputs give it silently.
//
// Not thread-safe: the cache lives in the process-wide parameter block; calls must not overlap.
#ifndef KZR_FINITEDIFFERENCE_FDVALUATION_H
#define KZR_FINITEDIFFERENCE_FDVALUATION_H

#include <cstdint>
#include <typeinfo>
#include <vector>

#include "binding/parameterblock.h"
#include "finitedifference/fdbase.h"
#include "finitedifference/financialbase.h"
#include "finitedifference/valuationcache.h"

// A finished grid. Filled only by a solve in caching mode.
class methodcarriesfd : public methodcarries {
 public:
  explicit methodcarriesfd(std::int32_t n);

  // Copies today's level of a solve of N = size nodes and its time step.
  void fill(double step, const finishedgrid& grid);
  finishedgrid finished() const;

  const std::type_info* scheme = nullptr;  // the class of the scheme that solved the grid
  double dt = 0;                           // time step of the grid
  double dx = 0;                           // space step of the grid
  std::vector<double> nodes;               // N space coordinates
  std::vector<double> values;              // N solution values today
  ::gridinfo gridinfo;                     // limits and edge values of the solve
  std::vector<double> curvature;  // N natural-spline second derivatives of values over nodes
  std::int32_t size;              // N
};

// The grid engine's working objects and its two cache words.
using gridcache =
    cachedworking<fdbase, methodcarriesfd, &parameterblock::fdclone, &parameterblock::fdcarrier>;

// Whether a valuation of the grid engine keeps what it solved: every mode but 1 (above).
bool gridcaching(const parameterblock& params);

// The grid kept in the block's cache, or null.
const methodcarriesfd* cachedgrid(const parameterblock& params);

// A grid valuation method, built on the handler's stack from an instrument.
class fdvaluation : public valuation {
 public:
  // Takes the instrument's clone as its working copy.
  explicit fdvaluation(fdbase* instrument);

  // The number a handler asks for: the value at the spot, or the critical price.
  double value(parameterblock* params);

  // The cached grid is of the same contract and was solved by a scheme of this class: one
  // instrument class may serve two grids (the single barriers' down-and-out codes are priced on
  // the heat grid, their up-and-out codes on the price grid), and neither grid's nodes mean
  // anything to the other's read-off.
  bool canreuse(parameterblock* params) override;
  void release(bool reused, int mode, parameterblock* params) override;
  // 1.0 when expiry, spot, rate and dividend are not negative, the volatility is positive and the
  // grid sizes are in bounds; otherwise the undefined value. A NaN term is not refused.
  double checkinputs(int flag) override;

  // Whether the working instrument can be solved on this scheme with these parameters (true
  // unless the scheme's hook of the instrument says otherwise, after its message).
  virtual bool readytosolve(const parameterblock* params) const;
  // Solves the grid; in caching mode (0) fills the carrier.
  virtual double solve(int mode, parameterblock* params) = 0;
  // Reads the result off the cached carrier for the current contract.
  virtual double fromcarrier(parameterblock* params) = 0;
  // The implicit matrix for step size h, n unknowns (edge rows are identity rows).
  virtual void buildmatrix(double* diag, double* upper, double* lower, double h, int n) = 0;
  // Replaces v[1..n-2] by the explicit right-hand side; v[0] and v[n-1] stay.
  virtual void explicitpart(const double* diag, const double* upper, const double* lower, double* v,
                            int n) = 0;

 protected:
  ~fdvaluation() = default;
  fdvaluation(const fdvaluation&) = delete;
  fdvaluation& operator=(const fdvaluation&) = delete;

  // The handler's contract (the working copy holds an equal copy of it).
  const contractdata& contract() const { return *instrument->data; }
  // The working copy, whose hooks all grid work calls.
  const fdbase& working() const { return *cache.working(); }
  // The carrier in use during value: the cached one, or a fresh one in caching mode, or null.
  methodcarriesfd* carrier() const { return cache.carrier(); }

  fdbase* instrument;

 private:
  gridcache cache;
};

#endif  // KZR_FINITEDIFFERENCE_FDVALUATION_H
