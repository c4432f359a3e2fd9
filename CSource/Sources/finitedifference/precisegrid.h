// The numerics of the converged grids of the precise option (parameter entry 5, value 1 = 1),
// shared by every family that prices one underlying on a grid in x = ln S: a stretched grid
// with the contract's levels on nodes, a smoothed start, a one-sided exercise projection solved
// exactly at each implicit step, and Richardson extrapolation over two grids.
//
// The grid knows no contract: an instrument states its marks (the levels that must be nodes:
// edges, barriers, the strike), its focus (where its payoff kinks), its layers (the values it
// marches, each with its exercise values and the side its exercise region touches) and its edge
// values; this file does the rest.
//
//   stretchednodes  nodes uniform in asinh((x - focus) / width), every mark a node: the nodes
//                   crowd at the kink, the marks split the grid into segments whose interval
//                   counts follow the stretched measure, and a doubled grid halves every
//                   interval of the same map (Tavella and Randall, "Pricing Financial
//                   Instruments: The Finite Difference Method", Wiley, 2000, ch. 5).
//   march           theta steps of the Black-Scholes operator in x = ln S or x = S (three-point
//                   differences on the uneven nodes; a reflecting high edge by a ghost node), Crank-Nicolson after a Rannacher start (the first two
//                   steps taken as four implicit Euler half steps: Rannacher, Numerische
//                   Mathematik 43, 1984, pp. 309-327; Giles and Carter, Journal of
//                   Computational Finance 9(4), 2006, pp. 89-112), so the kink at the strike and
//                   the corner where a barrier edge meets the payoff do not feed oscillations
//                   into the solution. Each implicit step with early exercise is the linear
//                   complementarity problem solved by one elimination towards the exercise side
//                   and a substitution away from it that floors each value at its exercise value
//                   (Brennan and Schwartz, Journal of Finance 32(2), 1977, pp. 449-462): exact
//                   when the exercise region is one interval at that side, as for calls (high
//                   side) and puts (low side). A layer whose exercise region may touch both
//                   edges (side 0: an option in the money at a knock-out barrier on its
//                   continuation side) takes the primal-dual active set method instead, exact
//                   for any region (Hintermueller, Ito and Kunisch, SIAM Journal on
//                   Optimization 13(3), 2002, pp. 865-888).
//   richardson      (4 fine - coarse) / 3 over a grid and its double: the second-order error
//                   cancels (Richardson, Phil. Trans. Royal Society A 210, 1911, pp. 307-357).
//   atnode / at     the value of a layer at a node or, by the cubic through the four nearest
//                   nodes, between nodes.
//   boundaryof      where a layer leaves its exercise value, between nodes: V - exercise grows
//                   as the square of the distance from the boundary (smooth pasting), so its
//                   square root is smooth with a simple root there; the quadratic fitted to it
//                   on six nodes of the continuation region (from the third past the last
//                   exercised node: the nearest carry the exercise step's largest error) is
//                   followed to its root. Off a grid and its double, the excess fitted is
//                   Richardson's at the coarse grid's nodes. The exercise step leaves an error
//                   near the boundary that depends on where the boundary falls between nodes,
//                   which Richardson does not cancel: at the option's sizes the boundary is
//                   read to about 1e-4 relative (5e-5 typical), not to the prices' 1e-5; with
//                   a node on the first reading and a fit window close to it (nearwindow), a
//                   second reading comes to 1e-5 to 3e-5 (precisebarrier.h's criticallevel).
//
// Inputs are not checked here: sigma > 0, T > 0, at least 3 nodes and 2 levels, marks increasing.
// No allocation beyond the vectors of the call; no state.
#ifndef KZR_FINITEDIFFERENCE_PRECISEGRID_H
#define KZR_FINITEDIFFERENCE_PRECISEGRID_H

#include <functional>
#include <vector>

namespace precisegrid {

// The flat market of one grid: the terms of the operator
// sigma^2/2 V_xx + (r - q - sigma^2/2) V_x - r V.
struct market {
  double sigma;  // annual volatility
  double r;      // continuous rate
  double q;      // continuous yield
};

// The grid's coordinate: x = ln S (the default), or x = S (a similarity variable).
enum class space { logprice, price };

// Sizes of one grid: intervals in x and time steps.
struct sizes {
  int intervals;
  int steps;
};

// Nodes on [marks.front(), marks.back()] with every mark a node, uniform in
// asinh((x - focus) / width) within each segment between marks; about `intervals` intervals in
// all (each segment at least one), times `refine` (a refined grid halves each interval of the
// grid with refine 1).
std::vector<double> stretchednodes(const std::vector<double>& marks, double focus, double width,
                                   int intervals, int refine = 1);

struct layer;
// An edge value at time to expiry tau, which may read the layers already advanced to tau.
using edgerule = std::function<double(double tau, const std::vector<layer>& layers)>;

// One function marched on a span of the nodes.
struct layer {
  int first = 0;                // its first node
  int last = 0;                 // its last node (inclusive)
  std::vector<double> values;   // at nodes first..last: the payoff at expiry, then the result
  std::vector<double> exercise; // empty: no early exercise; else the floor at each node
  int exerciseside = -1;        // -1: the exercise region touches the low edge, +1 the high
                                // edge, 0 either or both
  edgerule lowedge;             // the value at node `first`
  edgerule highedge;            // the value at node `last`, unless reflecting
  // A reflecting high edge, W' = reflection W at node `last` (the grid's last node), second
  // order by a ghost node; the layer's exercise region must then touch the low edge.
  bool reflecting = false;
  double reflection = 0.0;
};

// Marches every layer from expiry (tau = 0) to today (tau = T) in `steps` time steps; at each
// level the layers advance in their order, so a layer's edge may read an earlier layer.
void march(const std::vector<double>& nodes, const market& terms, double T, int steps,
           std::vector<layer>& layers, space coordinates = space::logprice);

// (4 fine - coarse) / 3.
double richardson(double coarse, double fine);

// The value of a layer at x, by the cubic through the four nearest nodes of its span (x held
// inside the span).
double at(const std::vector<double>& nodes, const layer& function, double x);

// The nodes a boundary is read from: the fit starts `offset` nodes past the last exercised node
// and takes `count` nodes (fewer where the continuation region is short). The default leaves out
// the nodes next to the region, whose values carry the exercise step's largest error; with a
// node on the boundary (precisebarrier.h's criticallevel) those carry little error, and a short
// fit close to the boundary (nearwindow) keeps the quadratic's own error small where the nodes
// are sparse.
struct fitwindow {
  int offset;
  int count;
};
constexpr fitwindow defaultwindow{3, 6}, nearwindow{2, 4};

// The x where the layer's values leave its exercise values, read from its exercise side:
// -infinity (low side) or +infinity (high side) when no node on that side is exercised, the far
// edge when the region fills the span.
double boundaryof(const std::vector<double>& nodes, const layer& function,
                  const fitwindow& window = defaultwindow);
// The same off a grid and its double (refine 2, so the coarse node k is the fine node 2k): the
// excess fitted is Richardson's over the two at the coarse nodes.
double boundaryof(const layer& coarse, const std::vector<double>& finenodes, const layer& fine,
                  const fitwindow& window = defaultwindow);

}  // namespace precisegrid

#endif  // KZR_FINITEDIFFERENCE_PRECISEGRID_H
