// Price, delta, gamma, vega, theta and rho of any code, by finite differences through the entry
// points, with the inputs' roles read off the code table (inputroles.h).
//
// Conventions (per unit of the input bumped; values in the contract's currency):
//   delta, gamma  first and second derivative in each spot input (S, S1, S2, F, E), central
//                 differences with a step of 1e-4 of the spot;
//   vega          derivative in each volatility input, central, step 1e-4 of the volatility;
//   rho           derivative in each rate input (r, rf), central, step 1e-4;
//   theta         V(every date one day nearer) - V(today): the change of value as one day passes,
//                 negative when the contract loses value with time; a date less than a day away
//                 moves to 0 (expiry).
// Where the code answers undefined on one side of a central difference (a rate of 0 bumped below
// 0, which every family refuses by default), delta, vega and rho take the one-sided difference on
// the other side; gamma stays undefined. Under the negative-rates option (entry 5, value 4 = 1) a
// family that accepts negative rates answers both sides, so rho at r = 0 is central.
//
// Which valuation each bumped price costs:
//   - the price and the spot bumps run in valuation mode 0: a grid code solves once and reads the
//     spot bumps off the kept grid, which does not move with the spot, so delta and gamma cost no
//     solve of their own and give the same bits as fresh solves would. A cache holds a contract
//     for any change of at most 0.0001 in a compared term, so a spot step that small is priced
//     afresh (mode 1), lest a cache that compares the spot hand back the unbumped price.
//   - the other bumps run in mode 1 (fresh valuations): their steps are below that tolerance;
//   - every price of one request takes one seed for its random sources (the caller's --seed, or
//     one drawn for the request), so that a simulation's bumped prices share their draws;
//   - a code whose engine estimates its own sensitivities (a simulation: the catalogue's
//     `sensitivities`) is asked with selectors 0 to 5 in mode 0, so that its price and its
//     sensitivities come from the same draws: through funvec where it has a vector form (delta,
//     gamma and vega per asset), through fun otherwise (the first asset's, an arithmetic Asian's
//     one); theta and rho as the engine gives them, theta turned into one day's change (the
//     engine's theta per year times 1/365). Differences of its prices would be differences of
//     simulations, noise at a step of 1e-4.
//
// The one rule of every front that offers a sensitivity of a fun call (kzr price and kzr curve
// --greek, the Python module's greek=), selectedsensitivity below: a code whose engine computes
// the sensitivity gets the engine's figure, as fun answers it (theta per year); any other code,
// which answers its price whatever entry 1 holds, gets the figure greeksof gives it, taken in the
// first input of the greek's kind (the first spot: S1 of a spread, S of a quanto; the first
// volatility; the first rate), theta one day's change. A code with no input of the kind has no
// such figure.
//
// Not thread-safe: the library's calls must not overlap.
#ifndef KZR_TOOLS_GREEKS_H
#define KZR_TOOLS_GREEKS_H

#include <string>
#include <vector>

#include "codeentries.h"
#include "pricer.h"
#include "pricingcall.h"

namespace sensitivities {

enum class greek {  // the library's selector numbers
  delta = selectdelta,
  gamma = selectgamma,
  vega = selectvega,
  theta = selecttheta,
  rho = selectrho,
};
const char* nameof(greek which);

// The greeks a request asks for: one bit each, at the greek's selector number.
constexpr unsigned bitof(greek which) { return 1u << static_cast<int>(which); }
struct greekselection {
  unsigned greeks = bitof(greek::delta) | bitof(greek::gamma) | bitof(greek::vega) |
                    bitof(greek::theta) | bitof(greek::rho);
  bool wants(greek which) const { return (greeks & bitof(which)) != 0; }
};

struct sensitivity {
  greek which = greek::delta;
  std::string input;       // the input bumped (S1, sigma, r, "asset 2"); empty for theta
  bool available = false;  // false: the code has no input of that kind (printed "-")
  double value = 0.0;
};

struct greeksreport {
  bool refused = false;  // the library refused the call, or does not know the code
  double price = 0.0;
  std::vector<sensitivity> sensitivities;  // delta..., gamma..., vega..., theta, rho...
};

greeksreport greeksof(pricer& library, const pricingcall& call,
                      const greekselection& which = greekselection());
// The same for a code described by entry (its inputs' names, its vector form).
greeksreport greeksof(pricer& library, const pricingcall& call, const catalogueentry& entry,
                      const greekselection& which = greekselection());

// Prices at x - h, x and x + h (h may differ on the two sides by rounding).
struct bumpedprices {
  double xdown, x, xup;
  double down, centre, up;
};
// The central first difference, or the one-sided one where one side is undefined.
double firstdifference(const bumpedprices& p);
// The central second difference.
double seconddifference(const bumpedprices& p);

// The call with every random source on one seed: its own, or one drawn now when it has none.
pricingcall withrequestseed(pricingcall call);

// Whether the fun call selects a sensitivity (entry 1, 1 to 5) that the code's engine does not
// compute: one selectedsensitivity takes by differences.
bool takenbydifferences(const pricingcall& call, const catalogueentry& entry);

struct selectedfigure {
  bool refused = false;   // the library refused the call
  bool available = true;  // false: the code has no input of the greek's kind (nokindtext)
  greek which = greek::delta;
  double value = 0.0;
};
// The figure a front shows for the fun call: what fun answers when the selector asks for the
// price or the engine computes the sensitivity, otherwise greeksof's figure of that greek in the
// first input of its kind (the rule above).
selectedfigure selectedsensitivity(pricer& library, const pricingcall& call,
                                   const catalogueentry& entry);
// "CODE has no spot (S, S1, F, E) input, so no delta", and so on for each kind.
std::string nokindtext(const std::string& code, greek which);

}  // namespace sensitivities

#endif  // KZR_TOOLS_GREEKS_H
