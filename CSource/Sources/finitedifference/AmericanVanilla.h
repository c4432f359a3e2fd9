// American calls and puts on one underlying with a continuous dividend yield.
//
//   BINACO, BINAPO            value on a Cox-Ross-Rubinstein binomial tree
//   BSACO, BSAPO              value by Crank-Nicolson finite differences on the price grid
//   BINACOCrit, BINAPOCrit    critical exercise price today, by bisection on the tree
//   BSACOCrit, BSAPOCrit      critical exercise price today, by a search on the price grid
// Inputs T, S, K, sigma, r, q (the Crit codes: T, K, sigma, r, q).
//
// Sources: Cox, Ross and Rubinstein, J. Financial Economics 7 (1979), 229-263 (the tree); Hull,
// Options, Futures and Other Derivatives, 4th ed., 2000, ch. 16 (trees and the grid with early
// exercise); Merton, Bell J. Economics 4 (1973), 141-183 (the perpetual call's exponent beta,
// which bounds the call's grid and its bisection). An American call on an underlying without
// dividend is never exercised early: BINACO then takes the Black-Scholes call.
//
// Limits: flat rate, yield and volatility. Refused inputs give the undefined value silently; a
// NaN input is not refused and propagates. The price grid runs from 0 to max(10K, 100) (a call's
// grid ends at the perpetual call's exercise level when that lies in [max(1.2K, 10),
// max(10K, 100)]), so with the default 100 x 50 grid the node spacing limits accuracy to a few
// per cent; finer grids come from parameter entry 2.
//
// Trees (parameter entry 4, default 100 steps): from 1 to 50,000 steps (the work grows as the
// square of the steps, and a critical price prices some thirty trees). Other step counts, and a
// tree whose up probability p = (e^((r-q)dt) - d) / (u - d) falls outside [0, 1] (a drift too
// large for the volatility over one step), give the undefined value after a message:
// "Tree steps out of range, value undefined", "Tree probability outside [0, 1], value
// undefined". The bisection for the critical prices halves its bracket until it is 0.0001 wide,
// or until the bracket cannot be halved any further in doubles (huge strikes).
//
// Not thread-safe: the handler's tables and the grid cache are process-wide.
#ifndef KZR_FINITEDIFFERENCE_AMERICANVANILLA_H
#define KZR_FINITEDIFFERENCE_AMERICANVANILLA_H

#include <cstdint>
#include <string>

#include "binding/parameterblock.h"
#include "finitedifference/fdbase.h"

namespace AmericanVanilla {

constexpr std::int64_t defaultsteps = 100;
constexpr std::int64_t maximumsteps = 50000;

// The American vanilla on the price grid (no fields of its own).
class americanvanilla : public fdbase {
 public:
  americanvanilla(contractdata& record, const parameterentry& grid);
  ~americanvanilla() override = default;

  bool issame(const fdbase* other) const override;
  // Put: K at the low edge, 0 at the high edge. Call: 0 at the low edge, the exercise value at
  // the high edge.
  void boundary(double t, double a, double b, double* gridinfo,
                const parameterblock* params) const override;
  double payoff(double S, double a, const parameterblock* params) const override;
  // T, 0 and highlimit().
  void gridlimits(double* out, const parameterblock* params) const override;
  // Two nodes short of the strike on the continuation side.
  double critstart(const double* gridinfo, const parameterblock* params) const override;
  // Not priced on the heat-equation grid.
  void heatboundary(double tau, double k, double kprime, double* gridinfo,
                    const parameterblock* params) const override;
  double heatpayoff(double x, double kprime, const parameterblock* params) const override;
  void heatgridlimits(double* out, const parameterblock* params) const override;

  // High limit of the price grid.
  double highlimit() const;

 private:
  americanvanilla(const americanvanilla& source, clonetag tag) : fdbase(source, tag) {}
};

// The perpetual American call's exercise level beta K / (beta - 1), with m = r - q - sigma^2/2
// and beta = (-m + sqrt(m^2 + 2 r sigma^2)) / sigma^2.
double perpetualcalllevel(double K, double sigma, double r, double q);

// The CRR tree with n steps (n >= 1, no checks): the American value at spot S, callput +1 or -1.
double binomialtree(int callput, double T, double S, double K, double sigma, double r, double q,
                    std::int64_t n);

// The pricing functions of the eight codes; block supplies parameter entries 0, 2 and 4 and the
// grid cache.
double binomialcall(double T, double S, double K, double sigma, double r, double q,
                    parameterblock* block);
double binomialput(double T, double S, double K, double sigma, double r, double q,
                   parameterblock* block);
double gridcall(double T, double S, double K, double sigma, double r, double q,
                parameterblock* block);
double gridput(double T, double S, double K, double sigma, double r, double q,
               parameterblock* block);
double binomialcallcritical(double T, double K, double sigma, double r, double q,
                            parameterblock* block);
double binomialputcritical(double T, double K, double sigma, double r, double q,
                           parameterblock* block);
double gridcallcritical(double T, double K, double sigma, double r, double q,
                        parameterblock* block);
double gridputcritical(double T, double K, double sigma, double r, double q,
                       parameterblock* block);

// Handler of the eight codes.
double americanvanillahandler(std::string code, const double* data, const datashape* shape,
                              parameterblock* block);

constexpr int americanvanillainputs = 6;          // T, S, K, sigma, r, q
constexpr int americanvanillacriticalinputs = 5;  // T, K, sigma, r, q

}  // namespace AmericanVanilla

#endif  // KZR_FINITEDIFFERENCE_AMERICANVANILLA_H
