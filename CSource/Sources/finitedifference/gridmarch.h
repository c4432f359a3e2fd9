// What the two grid drivers (ndi, logndi) share: the working storage of a solve, the march from
// expiry to today, and the finishing of today's level (spline and carrier).
#ifndef KZR_FINITEDIFFERENCE_GRIDMARCH_H
#define KZR_FINITEDIFFERENCE_GRIDMARCH_H

#include <algorithm>
#include <cmath>
#include <vector>

#include "finitedifference/fdbase.h"
#include "finitedifference/fdvaluation.h"
#include "finitedifference/levelsolver.h"
#include "numerics/subnormals.h"

// The working storage of one solve of N space nodes, allocated once at its start.
class gridworkspace {
 public:
  explicit gridworkspace(int n);
  gridworkspace(const gridworkspace&) = delete;
  gridworkspace& operator=(const gridworkspace&) = delete;

  // spacing = (high - low) / (N - 1) and nodes[i] = low + i spacing, from gridinfo.
  void placenodes();
  // Natural-spline curvature of today's level, then the level as a finished grid.
  finishedgrid finish();

  int n;
  double* nodes;      // N space coordinates
  double* values;     // the current level: the expiry level first, today's level at the end
  double* curvature;  // N spline second derivatives of today's level
  double* diag;       // the implicit matrix: N diagonal entries,
  double* upper;      // N - 1 above it,
  double* lower;      // N - 1 below it
  double* exercise;   // exercise value at each node, for the step condition
  ::gridinfo gridinfo;
  double spacing = 0;

 private:
  std::vector<double> storage;
};

// Marches the expiry level in w.values back to today over the instrument's M levels. The edge
// values of the expiry level come first (edgesat(0)); then for each level j = M-2 .. 0, at time
// to expiry t = horizon (1 - j / (M - 1)): the scheme's explicit part (on the edge values of the
// level before), the edge values edgesat(t) of the new level, which write w.gridinfo.lowedge and
// highedge, the implicit step and the instrument's step condition (with the exercise values
// carried by growthat(t)). The edge rows of the matrix are identity rows, so the new edge values
// enter the right-hand side and the implicit step meets them: edges that move with time keep the
// scheme's order in the time step. Edges that stay put give the same numbers as setting them
// after the step.
template <class edgesat, class growthat>
void marchtotoday(fdvaluation& scheme, const fdbase& instrument, gridworkspace& w, double horizon,
                  const parameterblock* params, edgesat edges, growthat growth) {
  const int n = w.n;
  const int m = instrument.ntime;
  levelsolver solver(w.diag, w.upper, w.lower, n);
  gridlevel level{w.nodes, w.exercise, 1.0, 0.0, n};
  edges(0.0);
  w.values[0] = w.gridinfo.lowedge;
  w.values[n - 1] = w.gridinfo.highedge;
  for (int j = m - 2; j >= 0; --j) {
    level.time = horizon * (1.0 - static_cast<double>(j) / (m - 1));
    level.growth = growth(level.time);
    scheme.explicitpart(w.diag, w.upper, w.lower, w.values, n);
    edges(level.time);
    w.values[0] = w.gridinfo.lowedge;
    w.values[n - 1] = w.gridinfo.highedge;
    solver.solve(w.values, w.values);
    instrument.stepcondition(level, w.values, params);
    w.values[0] = w.gridinfo.lowedge;  // the solve gives them back; NaN on a singular level
    w.values[n - 1] = w.gridinfo.highedge;
  }
}

// The march of a solve with subnormal numbers flushed to zero (numerics/subnormals.h), then
// today's level finished. march() marches w.values from the expiry level to today (marchtotoday,
// and any final condition). When the march flushed a value and the value the solve reads off at
// the spot (readspot, before any change of variables is undone; a critical price's solve gives 1:
// it reads the level where the values are of the size of the strike) is below
// inductionexactbelow, the march is taken again, plainly, from the expiry level: the level
// elsewhere differs from the plain one only where it is that small (so a kept grid read again at
// another spot, in valuation mode 0, where the level is below that, may read 0 where the plain
// march leaves a subnormal value; the default mode 1 reads only the spot it marched for). A NaN
// read is not marched again: it comes from a singular level, whose messages are written once.
template <class marching, class reading>
finishedgrid exactmarch(gridworkspace& w, marching march, reading readspot) {
  const std::vector<double> expiry(w.values, w.values + w.n);
  bool flushed;
  {
    const subnormalmode mode(true);
    march();
    flushed = mode.flushedsome();
  }
  const finishedgrid today = w.finish();
  if (!flushed) return today;
  const double read = readspot(today);
  if (std::isnan(read) || !needsplainarithmetic(read)) return today;
  std::copy(expiry.begin(), expiry.end(), w.values);
  {
    const subnormalmode plain(false);
    march();
  }
  return w.finish();
}

#endif  // KZR_FINITEDIFFERENCE_GRIDMARCH_H
