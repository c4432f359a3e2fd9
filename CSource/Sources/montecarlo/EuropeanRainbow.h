// Multi-asset rainbow options: European contracts on n correlated assets that pay on the best or
// the worst of them at expiry, priced by the Monte Carlo engine (mcvaluation.h). With X_i the
// price of asset i at expiry:
//
//   RAINBOWBESTEO, RAINBOWWORSTEO   max over i of X_i, min over i of X_i
//   RAINBOWMAXECO, RAINBOWMAXEPO    max(max X_i - K, 0), max(K - max X_i, 0)
//   RAINBOWMINECO, RAINBOWMINEPO    max(min X_i - K, 0), max(K - min X_i, 0)
//   RAINBOWBESTMONEYEO              max(max X_i, X), X a cash amount paid at expiry
// Codes, rows and handlers: EuropeanRainbowCodes.h. Two assets are priced in closed form by the
// two-asset rainbow codes (closedform/EuropeanRainbowTwoAsset.h).
//
// Sources: Stulz (1982), "Options on the minimum or the maximum of two risky assets", Journal of
// Financial Economics 10, pp. 161-185, and Johnson (1987), "Options on the maximum or the
// minimum of several assets", Journal of Financial and Quantitative Analysis 22, pp. 277-283
// (the contracts); Glasserman (2004), Monte Carlo Methods in Financial Engineering, Springer,
// section 2.3, p. 104 (correlated lognormal assets) and section 7.1, p. 378 (finite differences
// with common random numbers).
//
// Limits: flat rate, volatilities, yields and correlations; European exercise; Monte Carlo error
// of order 1/sqrt(N).
//
// Paths: two points per asset, the spot and the growth factor R_i to expiry (X_i = S_i R_i);
// paths from parameter entry 3 (default 100,000) under the paths-only memory limit of mcbase.h,
// N = 1,000,000,000 / (n 8 2) at most. At T = 0 the value is the payoff on the spots today.
//
// Sensitivity steps h (selector s, asset i): a fraction of max(x, 1), the larger of the bumped
// term x and 1.0, x being S_i (delta, gamma), sigma_i (vega), T (theta) or r (rho). None is 0, so
// every code has all five sensitivities, delta, gamma and vega one per asset:
//   class             delta  gamma  vega   theta                 rho
//   rainbowminmax     1e-6   1e-3   1e-6   1e-6 (1e-3 at T = 0)  1e-6
//   rainbowbestworst  1e-8   1e-4   1e-8   1e-8                  1e-8
//   rainbowbestmoney  1e-6   1e-3   1e-6   1e-6                  1e-6
//
// Control variates (library option 3, controlvariates.h): on two assets the contract itself,
// whose closed form is the two-asset rainbow code's (closedform/EuropeanRainbowTwoAsset.h, with
// the precise bivariate normal): its correction gives back that closed form, to rounding, with
// no simulation error left; on three assets or more the n forwards, S_i R_i with expectation S_i
// exp((r - q_i) T) (one asset: the forward alone).
//
// Refusals before any simulation, each writing "Input data error, value undefined" and answering
// [1, undefined]: a strike K <= 0 for the four max and min codes, a cash amount X < 0 (X = 0 is
// the best-of). The engine's checks follow (mcvaluation.h).
//
// Not thread-safe: the handlers' tables and the simulation cache are process-wide.
//
// Negative rates and yields (library option 4, binding/ratesigns.h): accepted. The paths take
// the drift r - q_i - sigma_i^2/2 and discount by e^(-rT), for any sign.
#ifndef KZR_MONTECARLO_EUROPEANRAINBOW_H
#define KZR_MONTECARLO_EUROPEANRAINBOW_H

#include <cstdint>
#include <memory>

#include "binding/parameterblock.h"
#include "binding/resultarray.h"
#include "montecarlo/marketdata.h"
#include "montecarlo/mcbase.h"
#include "montecarlo/termlist.h"

namespace EuropeanRainbow {

// The fractions of the sensitivity steps of one class (see the table above).
struct stepfractions {
  double delta, gamma, vega, theta, thetaatzero, rho;
};

// What the three classes share: two-point paths and steps by their fractions.
class terminalrainbow : public singlestepmc {
 public:
  double bumpsize(int s, int i) const override;
  int controlcount() const override { return data->count == 2 ? 1 : data->count; }
  void controls(const double* path, int M, double* values) const override;
  void controlmeans(int M, double* means) const override;

 protected:
  // The two-asset closed form of the contract (count 2).
  virtual double twoassetprice() const = 0;
  terminalrainbow(marketdata& record, const parameterblock& block, const stepfractions& fractions);
  terminalrainbow(const terminalrainbow& source, clonetag tag)
      : singlestepmc(source, tag), fractions(source.fractions) {}
  // The largest (best) or the smallest price of the assets: S_i R_i at expiry on a path, or the
  // spots S_i today when path is null.
  double extremeprice(const double* path, int M, bool best) const;

 private:
  const stepfractions& fractions;
};

// The own terms of each class, each with its term list (montecarlo/termlist.h): what issame
// compares and nanterms tests, field by field.
struct minmaxterms {
  std::int32_t callput;  // +1 call, -1 put
  std::uint32_t usemax;  // 1 on the maximum, 0 on the minimum
};
struct bestworstterms {
  std::uint32_t best;  // 1 the best, 0 the worst
};
struct bestmoneyterms {
  double cash;  // X
};
inline constexpr auto minmaxlist = termlist::checkedlist<minmaxterms>(
    termlist::scalar<minmaxterms, std::int32_t>{&minmaxterms::callput},
    termlist::scalar<minmaxterms, std::uint32_t>{&minmaxterms::usemax});
inline constexpr auto bestworstlist = termlist::checkedlist<bestworstterms>(
    termlist::scalar<bestworstterms, std::uint32_t>{&bestworstterms::best});
inline constexpr auto bestmoneylist = termlist::checkedlist<bestmoneyterms>(
    termlist::scalar<bestmoneyterms, double>{&bestmoneyterms::cash});

// A call (+1) or put (-1) on the maximum (usemax 1) or the minimum (0) of the assets.
class rainbowminmax : public terminalrainbow, public minmaxterms {
 public:
  rainbowminmax(marketdata& record, std::int32_t callput, std::uint32_t usemax,
                const parameterblock& block);
  bool issame(const mcbase* other) const override;
  double expiryvalue() const override;
  double payoff(const double* path, int M) const override;
  bool nanterms() const override;
  std::unique_ptr<mcbase> copy() const override;

 protected:
  double twoassetprice() const override;

 private:
  rainbowminmax(const rainbowminmax& source, clonetag tag)
      : terminalrainbow(source, tag), minmaxterms(source) {}
};

// The best (best 1) or the worst (0) of the assets.
class rainbowbestworst : public terminalrainbow, public bestworstterms {
 public:
  rainbowbestworst(marketdata& record, std::uint32_t best, const parameterblock& block);
  bool issame(const mcbase* other) const override;
  double expiryvalue() const override;
  double payoff(const double* path, int M) const override;
  bool nanterms() const override;
  std::unique_ptr<mcbase> copy() const override;

 protected:
  double twoassetprice() const override;

 private:
  rainbowbestworst(const rainbowbestworst& source, clonetag tag)
      : terminalrainbow(source, tag), bestworstterms(source) {}
};

// The best of the assets and a cash amount.
class rainbowbestmoney : public terminalrainbow, public bestmoneyterms {
 public:
  rainbowbestmoney(marketdata& record, double cash, const parameterblock& block);
  bool issame(const mcbase* other) const override;
  double expiryvalue() const override;
  double payoff(const double* path, int M) const override;
  bool nanterms() const override;
  std::unique_ptr<mcbase> copy() const override;

 protected:
  double twoassetprice() const override;

 private:
  rainbowbestmoney(const rainbowbestmoney& source, clonetag tag)
      : terminalrainbow(source, tag), bestmoneyterms(source) {}
};

// The pricing routines: pre-check, record, instrument and the valuation of mcvaluation.h with
// the parameter block's entries 0, 1 and 3 and its cache.
resultarray bestworstvalue(const assetmarket& market, const double* spots, std::uint32_t best,
                           parameterblock* block);
resultarray minmaxvalue(const assetmarket& market, const double* spots, double K,
                        std::int32_t callput, std::uint32_t usemax, parameterblock* block);
resultarray bestmoneyvalue(const assetmarket& market, const double* spots, double cash,
                           parameterblock* block);

}  // namespace EuropeanRainbow

#endif  // KZR_MONTECARLO_EUROPEANRAINBOW_H
