#include "finitedifference/precisebarrier.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "closedform/BlackScholes.h"
#include "finitedifference/fdbase.h"
#include "numerics/comparisons.h"
#include "numerics/messages.h"

namespace precisebarrier {

namespace {

double exercise(int callput, double S, double K) { return maxof(callput * (S - K), 0.0); }

// One solved grid: its nodes and today's level of its layers.
struct gridsolve {
  std::vector<double> nodes;
  std::vector<precisegrid::layer> layers;
};

double deviationof(const contract& c) { return griddeviation(c.sigma, c.T); }

// The American vanilla far out of or deep in the money at spot `at`: the larger of the exercise
// value and the European value, the American value there to far below the target.
precisegrid::edgerule vanillaedge(const contract& c, double at) {
  return [c, at](double tau, const std::vector<precisegrid::layer>&) {
    const double european =
        c.callput > 0 ? BlackScholes::blackscholescall(tau, at, c.K, c.sigma, c.r, c.q)
                      : BlackScholes::blackscholesput(tau, at, c.K, c.sigma, c.r, c.q);
    return maxof(european, exercise(c.callput, at, c.K));
  };
}

// Nodes from low to high with every level inside a node, crowded at the strike (at the first
// level when the strike is outside).
std::vector<double> gridnodes(const contract& c, double low, double high,
                              std::vector<double> levels, int intervals, int refine) {
  const double xK = std::log(c.K);
  const double focus = xK > low && xK < high ? xK : levels.front();
  levels.push_back(xK);
  std::sort(levels.begin(), levels.end());
  std::vector<double> marks{low};
  for (double level : levels)
    if (level > marks.back() && level < high) marks.push_back(level);
  marks.push_back(high);
  return precisegrid::stretchednodes(marks, focus, stretchwidth * deviationof(c), intervals,
                                     refine);
}

// The American vanilla on every node, early exercise and all, edges as vanillaedge.
precisegrid::layer vanillalayer(const contract& c, const std::vector<double>& nodes) {
  precisegrid::layer option;
  option.first = 0;
  option.last = static_cast<int>(nodes.size()) - 1;
  for (double x : nodes) option.values.push_back(exercise(c.callput, std::exp(x), c.K));
  option.exercise = option.values;
  option.exerciseside = c.callput > 0 ? 1 : -1;
  option.lowedge = vanillaedge(c, std::exp(nodes.front()));
  option.highedge = vanillaedge(c, std::exp(nodes.back()));
  return option;
}

gridsolve knockoutgrid(const contract& c, const corridor& limits, int intervals, int steps,
                       int refine) {
  gridsolve grid;
  std::vector<double> levels;
  if (limits.lowbarrier) levels.push_back(limits.low);
  if (limits.highbarrier) levels.push_back(limits.high);
  grid.nodes = gridnodes(c, limits.low, limits.high, levels, intervals, refine);
  precisegrid::layer option = vanillalayer(c, grid.nodes);
  for (bool low : {true, false}) {
    if (!(low ? limits.lowbarrier : limits.highbarrier)) continue;
    const double floor = exercise(c.callput, std::exp(low ? limits.low : limits.high), c.K);
    (low ? option.lowedge : option.highedge) =
        [floor](double, const std::vector<precisegrid::layer>&) { return floor; };
    // An option in the money at the barrier on its continuation side may be exercised near
    // either edge: the exercise step then solves for regions at both.
    if (floor > 0.0 && (low ? 1 : -1) == option.exerciseside) option.exerciseside = 0;
  }
  grid.layers.push_back(std::move(option));
  precisegrid::march(grid.nodes, {c.sigma, c.r, c.q}, c.T, steps, grid.layers);
  return grid;
}

gridsolve knockingrid(const contract& c, const corridor& barriers, double S, int intervals,
                      int steps, int refine) {
  std::vector<double> levels;
  if (barriers.lowbarrier) levels.push_back(barriers.low);
  if (barriers.highbarrier) levels.push_back(barriers.high);
  std::vector<double> all = levels;
  all.push_back(std::log(S));
  all.push_back(std::log(c.K));
  const double reach = spanwidth * deviationof(c);
  const double low = *std::min_element(all.begin(), all.end()) - reach;
  const double high = *std::max_element(all.begin(), all.end()) + reach;
  gridsolve grid;
  grid.nodes = gridnodes(c, low, high, levels, intervals, refine);
  auto nodeof = [&](double x) {
    return static_cast<int>(std::lower_bound(grid.nodes.begin(), grid.nodes.end(), x) -
                            grid.nodes.begin());
  };
  const int last = static_cast<int>(grid.nodes.size()) - 1;
  grid.layers.push_back(vanillalayer(c, grid.nodes));
  precisegrid::layer waiting;
  waiting.first = barriers.lowbarrier ? nodeof(barriers.low) : 0;
  waiting.last = barriers.highbarrier ? nodeof(barriers.high) : last;
  waiting.values.assign(static_cast<std::size_t>(waiting.last - waiting.first + 1), c.R);
  const double r = c.r, R = c.R;
  auto rebate = [R, r](double tau, const std::vector<precisegrid::layer>&) {
    return R * std::exp(-r * tau);
  };
  for (bool low : {true, false}) {
    const int node = low ? waiting.first : waiting.last;
    precisegrid::edgerule& edge = low ? waiting.lowedge : waiting.highedge;
    if (!(low ? barriers.lowbarrier : barriers.highbarrier)) {
      edge = rebate;
      continue;
    }
    waiting.values[static_cast<std::size_t>(node - waiting.first)] =
        grid.layers.front().values[static_cast<std::size_t>(node)];
    edge = [node](double, const std::vector<precisegrid::layer>& layers) {
      return layers.front().values[static_cast<std::size_t>(node)];
    };
  }
  grid.layers.push_back(std::move(waiting));
  precisegrid::march(grid.nodes, {c.sigma, c.r, c.q}, c.T, steps, grid.layers);
  return grid;
}

// Richardson over the grid of the sizes and the one of half as many intervals and steps; one
// grid where the sizes cannot be halved. solve(intervals, steps, refine) reads one.
template <class reader>
double extrapolated(const precisegrid::sizes& fine, reader solve) {
  const int intervals = fine.intervals / 2, steps = fine.steps / 2;
  if (intervals < 2 || steps < 1) return solve(fine.intervals, fine.steps, 1);
  return precisegrid::richardson(solve(intervals, steps, 1), solve(intervals, 2 * steps, 2));
}

}  // namespace

double griddeviation(double sigma, double T) {
  const double deviation = sigma * std::sqrt(T);
  return deviation < smallestdeviation   ? smallestdeviation
         : deviation > largestdeviation ? largestdeviation
                                         : deviation;
}

precisegrid::sizes gridsizes(const parameterblock& block, bool critical) {
  precisegrid::sizes fine = critical ? criticalsizes : pricesizes;
  if (!usesdefault(block, entrygrid)) {
    const parameterentry& grid = block.entries[entrygrid];
    fine = {clampto32(truncatetointeger(grid.row[0])), clampto32(truncatetointeger(grid.row[1]))};
    if (!gridsizesadmissible(fine.intervals, fine.steps)) {
      writemessage(messages::gridsizes);
      return {0, 0};
    }
    fine.intervals -= 1;
    fine.steps -= 1;
  }
  return fine;
}

double faredge(int side, const contract& c, std::initializer_list<double> levels) {
  double edge = 0.0;
  bool first = true;
  for (double level : levels) {
    edge = first ? level : side > 0 ? maxof(edge, level) : minof(edge, level);
    first = false;
  }
  return edge + side * spanwidth * deviationof(c);
}

double knockout(const contract& c, const corridor& limits, double S, bool critical,
                const precisegrid::sizes& fine) {
  auto solve = [&](int intervals, int steps, int refine) {
    const gridsolve grid = knockoutgrid(c, limits, intervals, steps, refine);
    const precisegrid::layer& option = grid.layers.front();
    return critical ? std::exp(precisegrid::boundaryof(grid.nodes, option))
                    : precisegrid::at(grid.nodes, option, std::log(S));
  };
  if (critical) return solve(fine.intervals, fine.steps, 1);
  return extrapolated(fine, solve);
}

double knockin(const contract& c, const corridor& barriers, double S,
               const precisegrid::sizes& fine) {
  return extrapolated(fine, [&](int intervals, int steps, int refine) {
    const gridsolve grid = knockingrid(c, barriers, S, intervals, steps, refine);
    return precisegrid::at(grid.nodes, grid.layers.back(), std::log(S));
  });
}

}  // namespace precisebarrier
