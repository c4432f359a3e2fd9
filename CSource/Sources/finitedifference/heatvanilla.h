// The vanilla option in the heat variable of the heat-equation grid (logndi.h), as the barrier
// instruments of that grid carry it: its payoff at expiry, and the American vanilla value at an
// edge (a knock-out's far edge; a knock-in's barriers, where it becomes the American vanilla the
// moment a barrier is touched).
//
// At dimensionless time tau the edge at log-moneyness x carries the binomial American call or put
// of the vanilla family (BINACO, BINAPO: AmericanVanilla.h, early results included) with time to
// expiry 2 tau / sigma^2, spot K e^x, strike K and the tree steps of parameter entry 4, in the
// heat variable: V / (K exp(-(k'-1) x / 2 - ((k'-1)^2 / 4 + k) tau)).
//
// Cost: one tree per edge and level, so a grid of M levels prices (M - 1) trees per edge of
// n (n + 1) / 2 node updates each. The trees of one solve are held to maximumedgetreework node
// updates in all, the cost of the largest single tree; more is refused with "Tree steps out of
// range, value undefined". Before a solve the edges' trees of the longest level are priced once:
// steps out of range or a tree whose up probability leaves [0, 1] (worst on the longest level,
// whose time step is the largest) are refused there, with the tree's one message, instead of at
// every level.
#ifndef KZR_FINITEDIFFERENCE_HEATVANILLA_H
#define KZR_FINITEDIFFERENCE_HEATVANILLA_H

#include <cstdint>
#include <initializer_list>

#include "binding/parameterblock.h"
#include "finitedifference/contractdata.h"

// The tree steps of the edges: parameter entry 4, or the vanilla trees' default.
std::int64_t edgetreesteps(const parameterblock& params);

// Node updates of all the edge trees of one solve.
constexpr double maximumedgetreework = 5e9;

// The payoff max(cp (e^x - 1), 0) of a call (callput +1) or put (-1) struck at K, in the heat
// variable at log-moneyness x: times e^((k'-1) x / 2).
double heatvanillapayoff(int callput, double x, double kprime);

// The edge value in the heat variable at x and tau, for the record's K, sigma, r, q and call or
// put; k = 2 r / sigma^2, k' = 2 (r - q) / sigma^2.
double heatamericanedge(const contractdata& d, double x, double tau, double k, double kprime,
                        const parameterblock* params);

// Whether the edges at the log-moneyness edges can be priced on a grid of ntime levels (false
// after the message).
bool americanedgesready(const contractdata& d, std::initializer_list<double> edges, int ntime,
                        const parameterblock* params);

#endif  // KZR_FINITEDIFFERENCE_HEATVANILLA_H
