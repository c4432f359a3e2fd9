// Mountain range options: European contracts on n assets whose payoff depends on the paths or
// the terminal performances of all of them, priced by the Monte Carlo engine (mcvaluation.h).
//
//   ALTIPLANOEO  pays the coupon unless some asset i reaches its barrier H_i (path >= H_i) at one
//                of the M monitoring dates 0, T/M, ..., (M - 1)T/M; spots S_i given
//   ANNAPURNAEO  pays the coupon unless some asset falls to H_i S_i (H_i a fraction of the start)
//                on those dates
//   ATLASEO      notional x max(G - K, 0), G the geometric mean of the performances at expiry
//                without the best and the worst: (product / (best x worst))^(1 / (n - 2))
//   EVERESTEO    notional x the worst performance at expiry
//   HIMALAYAEO   ln of the product, over n periods of T / n, of the best one-period growth among
//                the assets not yet taken (each period's best, the lowest index on a tie, is
//                removed for the periods after); the price is exp(-r T) notional (exp(mean) - 1)
// Codes, rows and handlers: EuropeanMountainRangeCodes.h. Performances are relative to the start:
// the last three codes simulate from spots of 1.0.
//
// Sources: Quessette (2002), "New products, new risks", Risk 15(3), pp. 97-100 (the contracts);
// Glasserman (2004), Monte Carlo Methods in Financial Engineering, Springer: correlated lognormal
// paths from a Cholesky factor, section 2.3, p. 104, and finite differences with common random
// numbers, section 7.1, p. 378.
//
// Limits: flat rate, volatilities, yields and correlations; discrete monitoring, with the last of
// the M points at (M - 1)/M of the expiry (the coupon contracts), and a Monte Carlo error of
// order 1/sqrt(N).
//
// Paths (parameter entry 3) and steps (entry 4, the coupon contracts only):
//   altiplano, annapurna  20,000 paths, 300 steps; the memory limit's two-way rule (mcbase.h)
//   atlas, everest        1,000,000 paths of two points (spot and growth to expiry)
//   himalaya              1,000,000 paths of n one-period growth factors; entry 4 is not read
// Value at T = 0: the coupon (coupon contracts), 0 (Atlas, Himalaya), the notional (Everest).
//
// Sensitivity steps h (selector s, asset i; max(x, 1) the larger of x and 1.0; 0.0 means not
// supported, and gives n zeros):
//   class       delta      gamma     vega                theta                rho
//   altiplano   0.04 S_i   0.2 S_i   0.04 sigma_i         0.04 T               0.04 r
//   annapurna   0          0         0.04 sigma_i         0.04 T               0.04 r
//   atlas       0          0         1e-8 max(sigma_i,1)  1e-8 max(T,1)        1e-8 max(r,1)
//   everest     0          0         1e-8 max(sigma_i,1)  1e-6 at T = 0, else  1e-8 max(r,1)
//                                                          1e-8 max(T,1)
//   himalaya    0          0         0.01 max(sigma_i,1)  0.001 at T = 0,      0.01 max(r,1)
//                                                          else 0.01 max(T,1)
//
// Control variates (library option 3, controlvariates.h): Atlas and Everest take the n
// forwards of the performances, R_i with expectation exp((r - q_i) T). The coupon contracts and
// Himalaya have none: a knock-out on n discretely monitored paths has no companion in closed
// form on the same dates that tracks it (one asset's discrete barrier has none either, and the
// forwards barely move with the survival of all n), and Himalaya's price is not a mean of
// payoffs (exp of the mean log growth of a path-dependent choice of assets), which the linear
// correction does not reach.
//
// Refusals before any simulation (each writes its message and answers the one-value result
// [1, undefined]): ALTIPLANOEO a coupon <= 0 "Input data error, value undefined", then some
// S_i >= H_i "At least one stock is above its barrier"; ANNAPURNAEO a coupon <= 0, then some
// H_i <= 0 or >= 1, "Input data error, value undefined"; ATLASEO with n = 1 or 2 "Input data
// error, value undefined" (decision: the geometric mean without the best and the worst needs a
// third asset; the formula's exponent 1 / (n - 2) is infinite at n = 2, and at n = 1 the formula
// degenerates into a call on the one asset). The engine's checks follow (mcvaluation.h): Atlas
// needs K > 0.
//
// Not thread-safe: the handlers' tables and the simulation cache are process-wide.
//
// Negative rates and yields (library option 4, binding/ratesigns.h): refused, with one line
// naming the row (r or q_i). The products' closed-form parts and estimators have not been checked
// with the new signs.
#ifndef KZR_MONTECARLO_EUROPEANMOUNTAINRANGE_H
#define KZR_MONTECARLO_EUROPEANMOUNTAINRANGE_H

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "binding/parameterblock.h"
#include "binding/resultarray.h"
#include "montecarlo/marketdata.h"
#include "montecarlo/mcbase.h"
#include "montecarlo/termlist.h"

namespace EuropeanMountainRange {

// The own terms of the coupon and the performance contracts, each with its term list
// (montecarlo/termlist.h): what issame compares, nanterms tests and a copy owns, field by field.
struct couponterms {
  const double* barriers;  // n: levels (altiplano) or fractions of the start (annapurna)
  double coupon;
};
struct performanceterms {
  double notional;
};
inline constexpr auto couponlist = termlist::checkedlist<couponterms>(
    termlist::array<couponterms>{&couponterms::barriers, termlist::length::assets},
    termlist::scalar<couponterms, double>{&couponterms::coupon});
inline constexpr auto performancelist = termlist::checkedlist<performanceterms>(
    termlist::scalar<performanceterms, double>{&performanceterms::notional});

// The two coupon contracts: n barriers (the copy owns its own) and a coupon.
class couponrange : public multistepmc, public couponterms {
 public:
  bool issame(const mcbase* other) const override;
  double bumpsize(int s, int i) const override;
  double expiryvalue() const override { return coupon; }
  bool nanterms() const override;

 protected:
  // spotsteps: the contract has a delta and a gamma.
  couponrange(marketdata& record, const double* barriers, double coupon, bool spotsteps,
              const parameterblock& block);
  couponrange(const couponrange& source, clonetag tag);

 private:
  bool spotsteps;
  std::vector<double> ownbarriers;
};

class altiplano : public couponrange {
 public:
  altiplano(marketdata& record, const double* barriers, double coupon, const parameterblock& block);
  double payoff(const double* path, int M) const override;
  std::unique_ptr<mcbase> copy() const override;

 private:
  altiplano(const altiplano& source, clonetag tag) : couponrange(source, tag) {}
};

class annapurna : public couponrange {
 public:
  annapurna(marketdata& record, const double* barriers, double coupon, const parameterblock& block);
  double payoff(const double* path, int M) const override;
  std::unique_ptr<mcbase> copy() const override;

 private:
  annapurna(const annapurna& source, clonetag tag) : couponrange(source, tag) {}
};

// The steps of a performance contract's sensitivities, each a fraction of max(x, 1) with x the
// bumped term (theta at T = 0: of max(0, 1) = 1); no delta or gamma.
struct performancesteps {
  double vega, theta, thetaatexpiry, rho;
};

// The three performance contracts: a notional and the sensitivity steps on top of a path shape
// (singlestepmc or multistepmc).
template <class shape>
class performancerange : public shape, public performanceterms {
 public:
  bool issame(const mcbase* other) const override;
  double bumpsize(int s, int i) const override;
  bool nanterms() const override;

 protected:
  template <class... shapearguments>
  performancerange(double notional, performancesteps steps, shapearguments&&... arguments)
      : shape(std::forward<shapearguments>(arguments)...),
        performanceterms{notional},
        bumps(steps) {}
  performancerange(const performancerange& source, mcbase::clonetag tag)
      : shape(source, tag), performanceterms(source), bumps(source.bumps) {}

 private:
  performancesteps bumps;
};

class atlas : public performancerange<singlestepmc> {
 public:
  atlas(marketdata& record, double notional, const parameterblock& block);
  double expiryvalue() const override { return 0.0; }
  double payoff(const double* path, int M) const override;
  std::unique_ptr<mcbase> copy() const override;
  int controlcount() const override { return data->count; }
  void controls(const double* path, int M, double* values) const override {
    terminalprices(path, M, values);
  }
  void controlmeans(int /*M*/, double* means) const override { forwards(means); }

 private:
  atlas(const atlas& source, clonetag tag) : performancerange(source, tag) {}
};

class everest : public performancerange<singlestepmc> {
 public:
  everest(marketdata& record, double notional, const parameterblock& block);
  double expiryvalue() const override { return notional; }
  double payoff(const double* path, int M) const override;
  std::unique_ptr<mcbase> copy() const override;
  int controlcount() const override { return data->count; }
  void controls(const double* path, int M, double* values) const override {
    terminalprices(path, M, values);
  }
  void controlmeans(int /*M*/, double* means) const override { forwards(means); }

 private:
  everest(const everest& source, clonetag tag) : performancerange(source, tag) {}
};

class himalaya : public performancerange<multistepmc> {
 public:
  himalaya(marketdata& record, double notional, const parameterblock& block);
  double expiryvalue() const override { return 0.0; }
  double payoff(const double* path, int M) const override;
  double discountedmean(double sum) const override;
  double sensitivity(int s, double sum1, double sum2, double P, double h) const override;
  std::unique_ptr<mcbase> copy() const override;

 private:
  himalaya(const himalaya& source, clonetag tag);
  mutable std::vector<unsigned char> taken;  // the payoff's assets already taken, one per asset
};

// The pricing routines of the five codes: pre-checks, the record, the instrument and the
// valuation of mcvaluation.h with the parameter block's entries 0, 1, 3 and 4 and cache.
resultarray altiplanovalue(const assetmarket& market, const double* spots, const double* barriers,
                           double coupon, parameterblock* block);
resultarray annapurnavalue(const assetmarket& market, const double* spots, const double* fractions,
                           double coupon, parameterblock* block);
resultarray atlasvalue(const assetmarket& market, double K, double notional, parameterblock* block);
resultarray everestvalue(const assetmarket& market, double notional, parameterblock* block);
resultarray himalayavalue(const assetmarket& market, double notional, parameterblock* block);

}  // namespace EuropeanMountainRange

#endif  // KZR_MONTECARLO_EUROPEANMOUNTAINRANGE_H
