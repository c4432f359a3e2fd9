#include "finitedifference/precisebarrier.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <utility>

#include "closedform/BlackScholes.h"
#include "finitedifference/fdbase.h"
#include "finitedifference/fdvaluation.h"
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
                       int refine, double mark = HUGE_VAL) {
  gridsolve grid;
  std::vector<double> levels;
  if (limits.lowbarrier) levels.push_back(limits.low);
  if (limits.highbarrier) levels.push_back(limits.high);
  if (std::isfinite(mark)) levels.push_back(mark);
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

gridsolve knockingrid(const contract& c, const corridor& barriers, const corridor& limits,
                      int intervals, int steps, int refine) {
  std::vector<double> levels;
  if (barriers.lowbarrier) levels.push_back(barriers.low);
  if (barriers.highbarrier) levels.push_back(barriers.high);
  const double low = limits.low, high = limits.high;
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

bool samekey(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!(std::fabs(a[i] - b[i]) <= sametolerance)) return false;
  return true;
}

double readoff(const precisecarrier& kept, double x) {
  if (kept.grids.size() == 1) return precisegrid::at(kept.grids[0].nodes, kept.grids[0].layer, x);
  return precisegrid::richardson(precisegrid::at(kept.grids[0].nodes, kept.grids[0].layer, x),
                                 precisegrid::at(kept.grids[1].nodes, kept.grids[1].layer, x));
}

// The key of a barrier grid: kind, the contract, the limits and the sizes.
std::vector<double> keyof(int kind, const contract& c, const corridor& limits,
                          const precisegrid::sizes& fine) {
  return {static_cast<double>(kind), static_cast<double>(c.callput), c.T, c.K, c.sigma, c.r, c.q,
          c.R, limits.low, limits.high, limits.lowbarrier ? 1.0 : 0.0,
          limits.highbarrier ? 1.0 : 0.0, static_cast<double>(fine.intervals),
          static_cast<double>(fine.steps)};
}

}  // namespace

double cachedvalue(parameterblock* block, const std::vector<double>& key,
                   const precisegrid::sizes& fine, double x, const gridsolver& solve) {
  const bool caching = valuationmode(*block) != 1;
  if (caching) {
    const auto* kept = dynamic_cast<const precisecarrier*>(block->fdcarrier);
    if (kept != nullptr && samekey(kept->key, key)) return readoff(*kept, x);
  }
  auto fresh = std::make_unique<precisecarrier>();
  fresh->key = key;
  const int intervals = fine.intervals / 2, steps = fine.steps / 2;
  if (intervals < 2 || steps < 1) {
    fresh->grids.push_back(solve(fine.intervals, fine.steps, 1));
  } else {
    fresh->grids.push_back(solve(intervals, steps, 1));
    fresh->grids.push_back(solve(intervals, 2 * steps, 2));
  }
  const double value = readoff(*fresh, x);
  if (caching) {
    gridcache::freecache(*block);
    block->fdcarrier = fresh.release();
  }
  return value;
}

double boundaryreading(const precisegrid::sizes& fine, const gridsolver& solve,
                       const precisegrid::fitwindow& window) {
  const int intervals = fine.intervals / 2, steps = fine.steps / 2;
  if (intervals < 2 || steps < 1) {
    const solvedlayer grid = solve(fine.intervals, fine.steps, 1);
    return precisegrid::boundaryof(grid.nodes, grid.layer, window);
  }
  const solvedlayer coarse = solve(intervals, steps, 1);
  const solvedlayer finer = solve(intervals, 2 * steps, 2);
  return precisegrid::boundaryof(coarse.layer, finer.nodes, finer.layer, window);
}

double criticallevel(const precisegrid::sizes& fine, double low, double high,
                     const markedsolver& solve) {
  auto read = [&](double mark) {
    return boundaryreading(
        fine,
        [&](int intervals, int steps, int refine) { return solve(intervals, steps, refine, mark); },
        precisegrid::nearwindow);
  };
  const double first = read(HUGE_VAL);
  if (!(first > low && first < high)) return first;
  return read(first);
}

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
                const precisegrid::sizes& fine, int kind, parameterblock* block) {
  if (critical)
    return std::exp(criticallevel(fine, limits.low, limits.high,
                                  [&](int intervals, int steps, int refine, double mark) {
                                    gridsolve grid =
                                        knockoutgrid(c, limits, intervals, steps, refine, mark);
                                    return solvedlayer{std::move(grid.nodes),
                                                       std::move(grid.layers.front())};
                                  }));
  return cachedvalue(block, keyof(kind, c, limits, fine), fine, std::log(S),
                     [&](int intervals, int steps, int refine) {
                       gridsolve grid = knockoutgrid(c, limits, intervals, steps, refine);
                       return solvedlayer{std::move(grid.nodes), std::move(grid.layers.front())};
                     });
}

double knockin(const contract& c, const corridor& barriers, double S,
               const precisegrid::sizes& fine, int kind, parameterblock* block) {
  // The grid's limits follow the spot: they are part of the key.
  corridor limits = barriers;
  std::vector<double> levels{std::log(S), std::log(c.K)};
  if (barriers.lowbarrier) levels.push_back(barriers.low);
  if (barriers.highbarrier) levels.push_back(barriers.high);
  const double reach = spanwidth * deviationof(c);
  limits.low = *std::min_element(levels.begin(), levels.end()) - reach;
  limits.high = *std::max_element(levels.begin(), levels.end()) + reach;
  std::vector<double> key = keyof(kind, c, limits, fine);
  key.push_back(barriers.lowbarrier ? barriers.low : 0.0);
  key.push_back(barriers.highbarrier ? barriers.high : 0.0);
  return cachedvalue(block, key, fine, std::log(S), [&](int intervals, int steps, int refine) {
    gridsolve grid = knockingrid(c, barriers, limits, intervals, steps, refine);
    return solvedlayer{std::move(grid.nodes), std::move(grid.layers.back())};
  });
}

}  // namespace precisebarrier
