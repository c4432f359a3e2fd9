// The Monte Carlo instruments: what a simulated contract tells the valuation (mcvaluation.h).
//
// An instrument knows its market record (marketdata.h), its own terms, its path shape and its
// payoff; the valuation evolves correlated paths and calls these operations:
//
//   operation       provided by            what it gives
//   issame          each concrete class    same class, same record, terms (its term list,
//                                          termlist.h), paths and steps
//   bumpsize        each concrete class    the step h of sensitivity s (1 to 5) for asset i;
//                                          0.0: the contract does not support it
//   spot            mcbase                 spots[i] of the record
//   expiryvalue     each concrete class    the value when the expiry is 0
//   payoff          each concrete class    the payoff of one path (n x M doubles, asset j's
//                                          point t at j M + t)
//   timing          singlestepmc,          the step length dt and whether a point grows from the
//                   multistepmc            one before (see evolve)
//   discountedmean  mcbase                 exp(-r T) sum / N, the price from the payoff sum
//   sensitivity     mcbase                 the bump-and-revalue formulas below
//   nanterms        mcbase                 true when the record or a term of its own is NaN
//   copy            each concrete class    a heap copy owning a deep copy of the record
//   controlcount,   mcbase (none), the     the control variates of library option 3
//   controls,       contracts that have    (controlvariates.h): how many, their values on a
//   controlmeans    them                   path, and their expectations at expiry (not
//                                          discounted) on paths of M points
//
// Path shape. A path has M points per asset. With stepfactors 0, point 0 of asset j is its spot
// and point t (1 .. M-1) comes from evolve; with stepfactors 1 (one-period growth factors) every
// point comes from evolve. evolve(j, w, M, previous), with w the correlated normal of asset j
// (it carries the volatility) and the step dt of timing:
//   growth = exp((r - q_j - sigma_j^2 / 2) dt + sqrt(dt) w)
//   singlestepmc  dt = T: point 1 is the growth factor to expiry, whatever the previous value;
//   multistepmc   dt = T / M: previous x growth, or the growth alone with stepfactors 1. The M
//                 points are at 0, dt, ..., (M - 1) dt: the last lies at (M - 1)/M of the
//                 expiry, not at it.
// The valuation runs the same formula with its coefficients taken once per run (stepdrift and
// stepgrowth below), so a simulated path is exactly a chain of evolve calls.
//
// Sensitivities, with D = exp(-r T), sum1 the payoff sum of the up-bumped paths, sum2 that of the
// down-bumped paths (gamma), P the price and h the step:
//   0 price P                 1 delta (D sum1 / N - P) / h          3 vega as delta
//   2 gamma (D (sum1 + sum2) / N - 2P) / h^2
//   4 theta (exp(-r (T + h)) sum1 / N - P) / (-h)   (minus the derivative in the expiry)
//   5 rho   (exp(-(r + h) T) sum1 / N - P) / h
//
// Paths and steps. Paths come from parameter entry 3 and, for instruments with adjustable steps,
// steps from entry 4 (each the integer part of its value, held to 32 bits; the instrument's
// default when its flag is nonzero). The draws a run may store (N x M x n doubles) are limited to
// memorylimit bytes: when N x M x n x 8 exceeds it, the counts are cut with integer division:
//   adjustable steps: both counts from the table: M = 500 and N = limit / (n 8 500); paths
//                     defaulted: M = limit / (n 8 N); otherwise N = limit / (n 8 M);
//   fixed steps:      N = limit / (n 8 M).
// A cut that changes a count the caller gave (a count whose flag was 0) is said: when the
// valuation runs paths, it writes memorylimitmessage with the counts it prices with, one line
// before the answer (a cut of the instruments' own default counts stays silent).
// Decision: the limit applies to counts that can run (N, M and n all positive). Negative counts
// are left as they are for the valuation's checks to refuse with their messages ("Steps should
// be positive", "Paths should be positive"): the product of two negative counts is positive, and
// the cut would otherwise turn them into plausible counts and price a refused request.
//
// Not thread-safe: instruments read the process-wide parameter block when they are built.
#ifndef KZR_MONTECARLO_MCBASE_H
#define KZR_MONTECARLO_MCBASE_H

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "binding/parameterblock.h"
#include "finitedifference/financialbase.h"
#include "montecarlo/marketdata.h"

constexpr double memorylimit = 1e9;  // bytes of stored draws in one run

// Whether an instrument's steps come from parameter entry 4 or are its own.
enum class stepcount { adjustable, fixed };

struct pathcounts {
  std::int32_t paths;      // N
  std::int32_t steps;      // M, points per path
  bool callercut = false;  // the memory limit changed a count the caller gave
};

// The line the valuation writes when the memory limit changed a count the caller gave.
std::string memorylimitmessage(std::int32_t paths, std::int32_t steps);

// The counts after the memory limit. pathsdefaulted and stepsdefaulted say which counts came from
// the instrument's defaults (their entries' flags were nonzero).
pathcounts limitmemory(pathcounts counts, std::int32_t n, bool pathsdefaulted, bool stepsdefaulted,
                       stepcount kind);

// The counts of an instrument on n assets: paths from entry 3 (defaultpaths when flagged); steps
// from entry 4 (steps when flagged) if adjustable, else steps; then the memory limit.
pathcounts simulationcounts(const parameterblock& block, std::int32_t n, std::int32_t defaultpaths,
                            std::int32_t steps, stepcount kind);

// The step of a path: its length and whether a point grows from the previous one.
struct pathtiming {
  double dt;          // years
  bool fromprevious;  // point = previous x growth; otherwise the growth alone
};

// (r - q_j - sigma_j^2 / 2) dt, the drift of asset j over one step.
inline double stepdrift(const marketdata& record, int j, double dt) {
  const double sigma = record.volatilities[j];
  return (record.rate - record.dividends[j] - sigma * sigma / 2.0) * dt;
}
// exp(drift + sqrt(dt) w), with diffusion = sqrt(dt).
inline double stepgrowth(double drift, double diffusion, double w) {
  return std::exp(drift + diffusion * w);
}

class mcbase : public financialbase {
 public:
  ~mcbase() override;  // deletes data when it owns it

  virtual bool issame(const mcbase* other) const = 0;
  virtual double bumpsize(int s, int i) const = 0;
  double spot(int i) const { return data->spots[i]; }
  virtual double expiryvalue() const = 0;
  virtual double payoff(const double* path, int M) const = 0;
  virtual pathtiming timing(int M) const = 0;
  // The next point of asset j (see the header's path shape).
  double evolve(int j, double w, int M, double previous) const;
  virtual double discountedmean(double sum) const;
  virtual double sensitivity(int s, double sum1, double sum2, double P, double h) const;
  virtual bool nanterms() const;
  virtual std::unique_ptr<mcbase> copy() const = 0;
  virtual int controlcount() const { return 0; }
  virtual void controls(const double* /*path*/, int /*M*/, double* /*values*/) const {}
  virtual void controlmeans(int /*M*/, double* /*means*/) const {}

  // The first point that evolve sets: 0 for step factors, else 1 (point 0 is the spot).
  int start() const { return stepfactors ? 0 : 1; }

  marketdata* data;
  std::unique_ptr<mcbase> clone;  // the working copy, until a valuation takes it
  bool ownsdata;
  std::int32_t paths;  // N
  std::int32_t steps;  // M, points per path
  bool stepfactors;    // each point is a one-period growth factor rather than a price
  bool countscut;      // the memory limit changed a count the caller gave

  mcbase(const mcbase&) = delete;
  mcbase& operator=(const mcbase&) = delete;

 protected:
  // Borrows record (ownsdata false).
  mcbase(marketdata& record, pathcounts counts, bool stepfactors);
  struct clonetag {};
  // A copy of source owning a deep copy of its record, with its counts; no clone of its own.
  mcbase(const mcbase& source, clonetag);

  // Same record, paths and steps (the part of issame after the class and the terms).
  bool samerun(const mcbase* other) const;
};

// Paths of two points: the spot, then the growth factor to expiry.
class singlestepmc : public mcbase {
 public:
  static constexpr std::int32_t pointsperpath = 2;
  pathtiming timing(int M) const override;

 protected:
  // The forwards as control variates (controlvariates.h): each asset's price at expiry, S_i R_i,
  // and its expectation S_i exp((r - q_i) T).
  void terminalprices(const double* path, int M, double* values) const;
  void forwards(double* means) const;
  // The paths of entry 3 (defaultpaths when flagged) under the memory limit, two points each.
  singlestepmc(marketdata& record, const parameterblock& block, std::int32_t defaultpaths);
  singlestepmc(const singlestepmc& source, clonetag tag) : mcbase(source, tag) {}
};

// Paths of M points a step of T / M apart.
class multistepmc : public mcbase {
 public:
  pathtiming timing(int M) const override;

 protected:
  multistepmc(marketdata& record, pathcounts counts, bool stepfactors)
      : mcbase(record, counts, stepfactors) {}
  multistepmc(const multistepmc& source, clonetag tag) : mcbase(source, tag) {}
};

#endif  // KZR_MONTECARLO_MCBASE_H
