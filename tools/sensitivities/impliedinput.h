// The value of one input of a code that makes its price equal a target (an implied volatility,
// but any input of any code): Brent's method (brent.h) on the price through fun, in a bracket that
// the search cannot leave.
//
// The bracket is the caller's, or by the input's role:
//   volatility        [0.001, 5]
//   rate              [0, 1]; [-0.1, 1] when the call sets the negative-rates option (entry 5,
//                     value 4 = 1)
//   rho (correlation) [-1, 1]
//   any other         [x/10, 10 x] around the value x the rows give it (none when x is 0)
// The search stops when the bracket is narrower than 2e-12 times its larger end (in absolute
// value) plus a few ulps of the root. When the prices at the two ends do not lie on two sides of
// the target (or one end is undefined), 16 points inside the bracket (evenly spaced in the
// logarithm for a positive bracket) are priced as well, and the first two neighbours among the
// 18 points with a price each that lie on two sides of it bound the search: a code that answers
// undefined near one end (a critical-price search that fails at a tiny volatility) is still
// solved where it has prices. Without such neighbours the answer says that the code answers
// undefined at the first such point, or else that the target lies outside the prices found
// there, with the lowest and the highest.
//
// The volatility sigma of the Black codes (BSECO, BSEPO, BLACK76ECO, BLACK76EPO) is found first by
// the rational method of letsberational.h, with no price asked of the library where its price is
// Black's to the accuracy asked, and one Newton step on one price of the library where a small
// vega makes its last bits matter; where that finds no volatility inside the bracket, Brent's
// search above decides as for every other input.
//
// Every price is fresh (valuation mode 1: a kept grid would serve a step below the caches'
// tolerance with the price of the unbumped contract) and every random source of the request
// takes one seed, so that the price of a simulation is one function of the input.
//
// Not thread-safe: the library's calls must not overlap.
#ifndef KZR_TOOLS_IMPLIEDINPUT_H
#define KZR_TOOLS_IMPLIEDINPUT_H

#include <optional>
#include <string>
#include <utility>

#include "inputroles.h"
#include "pricer.h"
#include "pricingcall.h"

namespace sensitivities {

struct bracket {
  double low = 0.0;
  double high = 0.0;
};

struct solverequest {
  std::string input;  // the input's name, as placedinputs names it
  double target = 0.0;
  std::optional<bracket> within;  // none: the role's bracket
};

enum class solveoutcome {
  found,         // value is the root
  refused,       // the library refused the call, or does not know the code
  unknowninput,  // the code has no input of that name
  nobracket,     // no bracket was given and the role gives none (the rows' value is 0)
  undefined,     // the code answers undefined at value, inside the bracket or at one end
  noroot,        // the prices over the caller's bracket do not reach the target
  outofrange,    // the prices over the role's bracket do not reach it
  exhausted,     // no convergence in the evaluations allowed
};

struct solveresult {
  solveoutcome outcome = solveoutcome::found;
  double value = 0.0;  // the root, or where the code answered undefined
  bracket searched;
  double lowest = 0.0, highest = 0.0;  // the prices found over the bracket (noroot, outofrange)
  int evaluations = 0;                 // prices asked of the library
  std::string message;                 // why no root was found, in one line
};

solveresult solvefor(pricer& library, const pricingcall& call, const solverequest& request);

// The bracket of an input by its role and name, around its value x; none for an other input at 0.
// negativerates: the call sets the negative-rates option.
std::optional<bracket> rolebracket(inputrole role, const std::string& name, double x,
                                   bool negativerates = false);

}  // namespace sensitivities

#endif  // KZR_TOOLS_IMPLIEDINPUT_H
