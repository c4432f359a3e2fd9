// The finite-difference branch of the instrument / valuation / carrier framework:
//
//   contractdata      the single-asset contract record that every grid instrument shares;
//   fdbase            the grid instrument: payoff, edges and grid limits on the price grid and on
//                     the heat-equation grid, a heap clone that the valuation works on;
//   fdvaluation       a grid valuation method and `value`, the one procedure a handler calls;
//   methodcarriesfd   a finished grid (nodes, today's values, spline curvature) kept for reuse.
//
// The cache. Valuation mode (parameter entry 0; the default is 1) decides what survives a call:
//   mode 1            nothing: each call builds, solves and frees its grid, and empties the
//                     block's two cache words (fdclone, fdcarrier);
//   any other mode    the grid is kept: the working instrument goes to fdclone and the filled
//                     carrier to fdcarrier. A later call for the same contract (same class, every
//                     term but the spot within 0.0001, same grid sizes) only reads the value off
//                     the cached grid at its own spot. Modes other than 0 and 1 have no meaning of
//                     their own and act as 0, so the cache never holds a carrier no solve filled.
// A refused contract leaves the cache as it was and frees its working copy. Unloading the library
// frees the cache.
//
// Grid sizes (parameter entry 2: nspace N, ntime M; default 100 x 50). A grid needs at least 3
// space nodes and 2 time levels; N is at most 1,000,000 (nine arrays of N doubles), M at most
// 1,000,000, and N x M at most 1e9 node updates, so that no table entry can ask for more memory
// or time than a call can have. Sizes outside these bounds give the undefined value after the
// message "Grid sizes out of range, value undefined"; other refused inputs give it silently.
//
// Not thread-safe: the cache lives in the process-wide parameter block; calls must not overlap.
#ifndef KZR_FINITEDIFFERENCE_FDBASE_H
#define KZR_FINITEDIFFERENCE_FDBASE_H

#include <cstdint>

#include "binding/parameterblock.h"
#include "finitedifference/financialbase.h"

constexpr std::int32_t defaultnspace = 100;  // space nodes N
constexpr std::int32_t defaultntime = 50;    // time levels M
constexpr std::int32_t minimumnspace = 3;
constexpr std::int32_t minimumntime = 2;
constexpr std::int32_t maximumnspace = 1000000;
constexpr std::int32_t maximumntime = 1000000;
constexpr double maximumgridwork = 1e9;  // N x M node updates

// Two terms are the same when they differ by at most this much (absolute).
constexpr double sametolerance = 0.0001;

// The contract record of the grid instruments. Plain data, copied and compared field by field.
struct contractdata {
  double expiry;      // T, years
  double spot;        // S today; 0 for critical-price requests
  double volatility;  // sigma, annual
  double rate;        // r, continuous
  double dividend;    // q, continuous yield
  double strike;      // K
  double level1;      // first contract level (a barrier), 0 when none
  double level2;      // second contract level (an upper barrier), 0 when none
  std::int32_t callput;     // +1 call, -1 put
  std::int32_t american;    // 1 early exercise (projection at every level), 0 European
  std::int32_t critical;    // 1 return the critical underlying price instead of the value
  std::int32_t reflecting;  // 1 reflecting upper edge, critical search runs upward
};

// Every field but the spot, each within sametolerance (a cached grid serves any spot).
bool operator==(const contractdata& a, const contractdata& b);
inline bool operator!=(const contractdata& a, const contractdata& b) { return !(a == b); }

// A grid instrument. Concrete instruments construct from (record, parameter entry 2) and end their
// constructor by making `clone`, a heap copy that owns a heap copy of the record; the valuation
// works on the clone and frees or caches it. Operations must be functions of their arguments and
// of the record: the schemes may evaluate them once per node and reuse the result.
class fdbase : public financialbase {
 public:
  // gridinfo: [0] value at the low edge, [1] value at the high edge, [2] time extent,
  // [3] low space limit, [4] high space limit.
  static constexpr int gridinfosize = 5;

  ~fdbase() override;  // deletes data when it owns it; never deletes clone

  // Same concrete class, equal records (spot excluded) and equal grid sizes.
  virtual bool issame(const fdbase* other) const = 0;
  // Price grid: edge values into gridinfo[0] and gridinfo[1] (the schemes pass t, a, b as 0).
  virtual void boundary(double t, double a, double b, double* gridinfo,
                        const parameterblock* params) const = 0;
  // Exercise value at underlying price S (a is passed as 0).
  virtual double payoff(double S, double a, const parameterblock* params) const = 0;
  // Price grid: out[0] time extent T, out[1] low and out[2] high space limit.
  virtual void gridlimits(double* out, const parameterblock* params) const = 0;
  // Fraction of the price grid at which the critical-price search starts: strike / gridinfo[4].
  virtual double critstart(const double* gridinfo, const parameterblock* params) const;
  // Heat-equation grid: edge values at dimensionless time tau into gridinfo[0] and gridinfo[1].
  virtual void heatboundary(double tau, double k, double kprime, double* gridinfo,
                            const parameterblock* params) const = 0;
  // Heat-equation grid: transformed exercise value at log-moneyness x.
  virtual double heatpayoff(double x, double kprime, const parameterblock* params) const = 0;
  // Heat-equation grid: out[0] tau extent, out[1] low and out[2] high x limit.
  virtual void heatgridlimits(double* out, const parameterblock* params) const = 0;

  contractdata* data;
  fdbase* clone;
  std::int32_t nspace;  // N, space nodes
  std::int32_t ntime;   // M, time levels
  bool ownsdata;

  fdbase(const fdbase&) = delete;
  fdbase& operator=(const fdbase&) = delete;

 protected:
  // Borrows record (ownsdata false). The default flag of grid gives 100 x 50, otherwise the
  // integer parts of its two row values (clamped to the 32-bit range, so that an absurd size stays
  // absurd and is refused by checkinputs instead of wrapping round to a plausible one).
  fdbase(contractdata& record, const parameterentry& grid);
  struct clonetag {};
  // The clone of source: a heap copy of its record (owned), its grid sizes, no clone of its own.
  fdbase(const fdbase& source, clonetag);

  // Shared part of issame: records and grid sizes.
  bool samecontract(const fdbase* other) const;
};

// A finished grid. Filled only by a solve in caching mode.
class methodcarriesfd : public methodcarries {
 public:
  explicit methodcarriesfd(std::int32_t n);
  ~methodcarriesfd() override;

  double dt;  // time step of the grid
  double dx;  // space step of the grid
  double* nodes;      // N space coordinates
  double* values;     // N solution values today
  double* gridinfo;   // 5, as in fdbase
  double* curvature;  // N natural-spline second derivatives of values over nodes
  std::int32_t size;  // N
};

// A grid valuation method, built on the handler's stack from an instrument.
class fdvaluation : public valuation {
 public:
  explicit fdvaluation(fdbase* instrument);

  // The number a handler asks for: the value at the spot, or the critical price.
  double value(parameterblock* params);

  bool canreuse(parameterblock* params) override;
  void release(bool reused, int mode, parameterblock* params) override;
  // 1.0 when expiry, spot, rate and dividend are not negative, the volatility is positive and the
  // grid sizes are in bounds; otherwise the undefined value. A NaN term is not refused.
  double checkinputs(int flag) override;

  // Solves the grid; in caching mode fills `carrier`.
  virtual double solve(int mode, parameterblock* params) = 0;
  // Reads the result off the cached carrier for the current contract.
  virtual double fromcarrier(parameterblock* params) = 0;
  // The implicit matrix for step size h, n unknowns (edge rows are identity rows).
  virtual void buildmatrix(double* diag, double* upper, double* lower, double h, int n) = 0;
  // Replaces v[1..n-2] by the explicit right-hand side; v[0] and v[n-1] stay.
  virtual void explicitpart(const double* diag, const double* upper, const double* lower,
                            double* v, int n) = 0;

  fdbase* instrument;
  fdbase* working;
  methodcarriesfd* carrier;

 protected:
  ~fdvaluation() = default;
  fdvaluation(const fdvaluation&) = delete;
  fdvaluation& operator=(const fdvaluation&) = delete;
};

// True when the grid sizes can be solved (see the bounds above).
bool gridsizesadmissible(std::int32_t nspace, std::int32_t ntime);

#endif  // KZR_FINITEDIFFERENCE_FDBASE_H
