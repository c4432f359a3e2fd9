// The barrier options of the precise option (parameter entry 5, value 1 = 1) on the grids of
// precisegrid.h: what the single- and double-barrier families share there. A corridor states the
// grid's limits in x = ln S and which of them are barriers; the strike and every barrier are
// nodes, the nodes crowd at the strike.
//
//   knock-out  the American option on the corridor; a barrier edge carries the exercise value at
//              the barrier (the limit of the contract's value there: the holder exercises the
//              moment before the option dies), so the grid has no jump at its edge and keeps
//              second order; an edge that is no barrier lies spanwidth standard deviations
//              beyond spot and strike and carries the vanilla there (vanillaedge).
//   knock-in   the American vanilla on every node of a grid reaching spanwidth standard
//              deviations beyond spot, strike and barriers, and beside it the region not yet
//              knocked in, between its barriers (or a barrier and a far edge): no exercise
//              there (the option does not exist yet), R at expiry, R e^(-r tau) at a far edge,
//              and at a barrier the vanilla's node of the same level (the option becomes the
//              vanilla the moment a barrier is touched).
// A price is Richardson over the grid of the sizes and the one of half as many intervals and
// steps (one grid where the sizes cannot be halved); a critical price is read between nodes off
// the same two grids (precisegrid.h's boundaryof: the square root of Richardson's excess over
// the exercise value fitted past the boundary and followed to its root), then read again off two
// grids of the same sizes with that first reading as a node (criticallevel): 1e-5 to 3e-5
// relative typical, about 1e-4 for a boundary far from the strike where the nodes are sparse
// (one reading gave 5e-5 typical and 8e-4 there), in about twice a price's time. In caching
// mode a price's grids are kept (precisecarrier).
//
// Sizes: parameter entry 2 with flag 0 gives N nodes and M levels of the finer grid (explicit
// sizes keep their meaning; the option improves the method at those sizes), out of range is
// refused after "Grid sizes out of range, value undefined" as on the design's grids; otherwise
// the option's own: 400 intervals and 200 steps (about 4 ms a price on one core), for a
// critical price as for a price (it read one grid of 400 and 400 once, to a few 1e-4, in about
// 6 ms).
#ifndef KZR_FINITEDIFFERENCE_PRECISEBARRIER_H
#define KZR_FINITEDIFFERENCE_PRECISEBARRIER_H

#include <cmath>
#include <functional>
#include <initializer_list>
#include <vector>

#include "binding/parameterblock.h"
#include "finitedifference/financialbase.h"
#include "finitedifference/gridsizes.h"
#include "finitedifference/precisegrid.h"

namespace precisebarrier {

// The default grids, intervals and steps of the nodes and levels of gridsizes.h; a critical price
// reads its boundary off the same two grids as a price.
constexpr precisegrid::sizes pricesizes{precisenspace - 1, precisentime - 1};
constexpr precisegrid::sizes criticalsizes = pricesizes;
constexpr double spanwidth = 8.0;     // standard deviations sigma sqrt(T) beyond the levels
constexpr double stretchwidth = 0.5;  // the stretch's width at the strike, in sigma sqrt(T)
// The deviation sigma sqrt(T) that places the nodes is held to [1e-6, 5]: below, the spacing's
// square would leave the range of doubles (the option is then its payoff on the grid); above,
// the far edges would (the value is then near its perpetual limit, which the held span covers).
constexpr double smallestdeviation = 1e-6, largestdeviation = 5.0;

// sigma sqrt(T) held to [smallestdeviation, largestdeviation].
double griddeviation(double sigma, double T);

// Today's level of one solved grid: its nodes and the layer a price is read from.
struct solvedlayer {
  std::vector<double> nodes;
  precisegrid::layer layer;
};

// The grids of one price kept for reuse in caching mode (every valuation mode of entry 0 but 1,
// as for the design's grids), in the block's grid carrier word: the key they were solved for
// (the family's own list of every term but the spot, the grid's limits and the sizes) and the
// coarse and fine grid (or the one grid). A later call under the option with the same key, each
// entry within sametolerance, reads its spot off them (the cubic on each grid, then Richardson:
// a re-price is an interpolation); a design grid in the words is never read under the option,
// nor this carrier by the design's grids (each tests the carrier's class), and each replaces the
// other. Critical prices are not kept. Not thread-safe: the words are process-wide.
class precisecarrier : public methodcarries {
 public:
  std::vector<double> key;
  std::vector<solvedlayer> grids;
};

// The families' grids, told apart in the cache key.
enum gridkind { singleknockout = 1, singleknockin, doubleknockout, doubleknockin, lookback };

// Solves one grid of `intervals` intervals and `steps` steps, refined by `refine`.
using gridsolver = std::function<solvedlayer(int intervals, int steps, int refine)>;

// The value at x: from a kept carrier of the same key in caching mode, else by Richardson over
// the grids of the sizes and of half of them (one grid when they cannot be halved), kept in
// caching mode.
double cachedvalue(parameterblock* block, const std::vector<double>& key,
                   const precisegrid::sizes& fine, double x, const gridsolver& solve);

// Solves one grid as gridsolver with one more mark (a level that must be a node), none when not
// finite.
using markedsolver =
    std::function<solvedlayer(int intervals, int steps, int refine, double mark)>;

// One reading of the critical level (in the grid's x) off the grids of the sizes and of half of
// them (one grid when they cannot be halved), the boundary fitted on the window
// (precisegrid.h's boundaryof).
double boundaryreading(const precisegrid::sizes& fine, const gridsolver& solve,
                       const precisegrid::fitwindow& window);

// The critical level (in the grid's x) as boundaryreading on precisegrid::nearwindow, read twice: on the grids without the mark, then on the same sizes
// with that first reading as a mark. The read-off's error depends on where the boundary falls
// between nodes, which Richardson does not cancel; with a node on the boundary that error is
// small. A first reading off the span (no exercise region, or none but the edge) is the answer.
double criticallevel(const precisegrid::sizes& fine, double low, double high,
                     const markedsolver& solve);

// The contract of one barrier grid.
struct contract {
  int callput;  // +1 call, -1 put
  double T, K, sigma, r, q;
  double R;  // knock-in: the rebate at expiry if never knocked in
};

// The limits in x = ln S, each a barrier or a far edge.
struct corridor {
  double low, high;
  bool lowbarrier, highbarrier;
};

// The finer grid's sizes (entry 2, or the option's own), or {0, 0} after the message when they
// are out of range.
precisegrid::sizes gridsizes(const parameterblock& block, bool critical);

// The knock-out's value at S, or its critical price (the boundary today). kind tells the
// family's codes apart in the cache key.
double knockout(const contract& c, const corridor& limits, double S, bool critical,
                const precisegrid::sizes& fine, int kind, parameterblock* block);

// The knock-in's value at S; barriers are the barriers in x (a side flagged false has none).
double knockin(const contract& c, const corridor& barriers, double S,
               const precisegrid::sizes& fine, int kind, parameterblock* block);

// The far edge spanwidth deviations below (-1) or above (+1) the levels, in x.
double faredge(int side, const contract& c, std::initializer_list<double> levels);

}  // namespace precisebarrier

#endif  // KZR_FINITEDIFFERENCE_PRECISEBARRIER_H
