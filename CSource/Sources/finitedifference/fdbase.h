// The grid instrument of the finite-difference branch: what a contract tells the schemes.
//
// An instrument knows its terms (a contractdata record), its exercise value, its grid limits and
// edge values, and the conditions its values obey at each time level; the schemes (ndi on the
// price grid, logndi on the heat-equation grid) know the numerics and call these hooks. Every
// hook has a default body, so an instrument overrides only what it uses:
//
//   hook            grid    default body
//   issame          both    same concrete class, equal records (spot excluded), equal sizes,
//                           equal edge tree steps
//   gridlimits      price   leaves the limits at 0 (an instrument of the heat grid only)
//   boundary        price   leaves both edge values at 0
//   payoff          price   0
//   critstart       price   strike / high limit
//   heatgridlimits  heat    leaves the limits at 0 (an instrument of the price grid only)
//   heatboundary    heat    leaves both edge values at 0
//   heatpayoff      heat    0
//   heatedgesready  heat    true: checked once before each fresh solve on the heat grid; an
//                           instrument whose edges need more than the record (a tree of parameter
//                           entry 4) answers false, after its message, for the undefined value
//   stepcondition   both    early exercise when the record's `american` is 1: each interior
//                           value is raised to the exercise value of its node
//   edgematrix      price   the reflecting upper edge when the record's `reflecting` is 1
//   finalcondition  price   the reflecting edge's last node copies its neighbour (same flag)
//   criticalprice   price   the search from critstart to the first node of the exercise region
//                           (upward while value equals exercise on a reflecting grid)
// So the contracts to come add instruments, not solver flags: a knock-out zone or a cap is a
// stepcondition; a rebate discounted from expiry is a boundary that reads the level's time; a
// similarity grid with a reflecting edge overrides edgematrix and finalcondition.
//
// Decisions:
// - Hooks take no spare arguments: boundary and payoff once took extra numbers that every scheme
//   passed as 0. boundary receives the time to expiry of the level it sets (0 at expiry, T
//   today), heatboundary the heat grid's tau.
// - The limits and edge values shared by an instrument and a scheme are a record with named
//   fields (gridinfo) instead of five offsets into an array.
// - The exercise values of the step condition are taken once per solve, so hooks must be
//   functions of their arguments and of the record.
// - The clone is held by a smart pointer: the instrument owns it until a valuation takes it as
//   its working copy, so an instrument that is never valued frees its clone.
//
// Grid sizes (parameter entry 2: nspace N, ntime M; default 100 x 50). A grid needs at least 3
// space nodes and 2 time levels; N is at most 1,000,000 (eight arrays of N doubles), M at most
// 1,000,000, and N x M at most 1e9 node updates, so that no table entry can ask for more memory
// or time than a call can have.
#ifndef KZR_FINITEDIFFERENCE_FDBASE_H
#define KZR_FINITEDIFFERENCE_FDBASE_H

#include <cstdint>
#include <memory>

#include "binding/parameterblock.h"
#include "finitedifference/contractdata.h"
#include "finitedifference/financialbase.h"
#include "finitedifference/gridsizes.h"  // defaultnspace, defaultntime

constexpr std::int32_t minimumnspace = 3;
constexpr std::int32_t minimumntime = 2;
constexpr std::int32_t maximumnspace = 1000000;
constexpr std::int32_t maximumntime = 1000000;
constexpr double maximumgridwork = 1e9;  // N x M node updates

// True when the grid sizes can be solved (see the bounds above).
bool gridsizesadmissible(std::int32_t nspace, std::int32_t ntime);

// The limits and edge values of one grid, shared by an instrument and a scheme during a solve.
struct gridinfo {
  double lowedge = 0;   // value at the low space limit (the edge hooks set it at every level)
  double highedge = 0;  // value at the high space limit
  double extent = 0;    // time extent: T on the price grid, tau on the heat grid
  double low = 0;       // low space limit: a price, or x = ln(S/K) on the heat grid
  double high = 0;      // high space limit
};

// One time level as a step condition sees it.
struct gridlevel {
  const double* nodes;     // N space coordinates
  const double* exercise;  // exercise value at each node: max(payoff, 0) on the price grid, the
                           // heatpayoff (at tau = 0) on the heat grid
  double growth;           // carries exercise to this level: 1 on the price grid,
                           // exp(((k'-1)^2/4 + k) tau) on the heat grid
  double time;             // time to expiry of the level: years, or tau on the heat grid
  int n;                   // N
};

// Today's level of a solved grid, fresh or cached.
struct finishedgrid {
  const double* nodes;      // N space coordinates
  const double* values;     // N values today
  const double* curvature;  // N natural-spline second derivatives of values over nodes
  ::gridinfo gridinfo;
  double spacing;  // node spacing
  int n;           // N
};

// A grid instrument. Concrete instruments construct from (record, parameter entry 2) and end
// their constructor by making `clone`, a heap copy that owns a heap copy of the record.
class fdbase : public financialbase {
 public:
  ~fdbase() override;  // deletes data when it owns it, and a clone that no valuation took

  virtual bool issame(const fdbase* other) const;

  // Price grid.
  // Time extent T and the low and high price limits (extent, low, high).
  virtual void gridlimits(gridinfo& grid, const parameterblock* params) const;
  // Edge values (lowedge, highedge) of the level whose time to expiry is t.
  virtual void boundary(double t, gridinfo& grid, const parameterblock* params) const;
  // Exercise value at underlying price S.
  virtual double payoff(double S, const parameterblock* params) const;
  // Fraction of the price grid at which the critical-price search starts.
  virtual double critstart(const gridinfo& grid, const parameterblock* params) const;

  // Heat-equation grid (k = 2r / sigma^2, k' = 2(r - q) / sigma^2).
  // tau extent and the low and high x limits.
  virtual void heatgridlimits(gridinfo& grid, const parameterblock* params) const;
  // Edge values at dimensionless time tau.
  virtual void heatboundary(double tau, double k, double kprime, gridinfo& grid,
                            const parameterblock* params) const;
  // Transformed exercise value at log-moneyness x.
  virtual double heatpayoff(double x, double kprime, const parameterblock* params) const;
  // Whether heatboundary can give every level's edges with these parameters (false after a
  // message).
  virtual bool heatedgesready(const parameterblock* params) const;

  // Conditions. values holds a level just after its implicit step; the edge nodes are set after
  // the step condition, so it changes interior nodes (1 .. N-2) only.
  virtual void stepcondition(const gridlevel& level, double* values,
                             const parameterblock* params) const;
  // Changes the implicit matrix of the price grid once per solve, before it is factored.
  virtual void edgematrix(double* diag, double* upper, double* lower, double spacing, int n) const;
  // Changes today's level of the price grid before it is splined.
  virtual void finalcondition(double* values, int n) const;
  // The critical price read off today's level of the price grid.
  virtual double criticalprice(const finishedgrid& grid, const parameterblock* params) const;

  contractdata* data;
  std::unique_ptr<fdbase> clone;
  std::int32_t nspace;  // N, space nodes
  std::int32_t ntime;   // M, time levels
  // The tree steps of parameter entry 4 that the edges' American values are priced with
  // (heatvanilla.h); 0 for an instrument whose edges are no trees. Part of the contract a cached
  // grid is kept for: a grid solved with other steps has other edges.
  std::int64_t edgesteps;
  bool ownsdata;

  fdbase(const fdbase&) = delete;
  fdbase& operator=(const fdbase&) = delete;

 protected:
  // Borrows record (ownsdata false). The default flag of grid gives 100 x 50, otherwise the
  // integer parts of its two row values (clamped to the 32-bit range, so that an absurd size stays
  // absurd and is refused by checkinputs instead of wrapping round to a plausible one).
  fdbase(contractdata& record, const parameterentry& grid);
  // The same, for an instrument whose edges are trees of edgesteps steps.
  fdbase(contractdata& record, const parameterentry& grid, std::int64_t edgesteps);
  struct clonetag {};
  // The clone of source: a heap copy of its record (owned), its grid sizes, no clone of its own.
  fdbase(const fdbase& source, clonetag);

  // Records, grid sizes and edge tree steps equal (the part of issame below the class test).
  bool samecontract(const fdbase* other) const;
};

#endif  // KZR_FINITEDIFFERENCE_FDBASE_H
