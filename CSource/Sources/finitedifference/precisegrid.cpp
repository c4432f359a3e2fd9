#include "finitedifference/precisegrid.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "numerics/comparisons.h"


namespace precisegrid {

namespace {

constexpr int rannachersteps = 2;  // the first steps, each as two implicit Euler half steps
constexpr double timepower = 2.0;  // levels at T (k / M)^timepower: crowded at expiry

std::size_t idx(int i) { return static_cast<std::size_t>(i); }

// The three coefficients of the operator at each node; at the last node they take a ghost node
// one spacing beyond (for a reflecting edge), at the first they are zero.
struct operatorrows {
  std::vector<double> lower, diagonal, upper;
};

operatorrows operatorof(const std::vector<double>& x, const market& terms, space coordinates) {
  const std::size_t n = x.size();
  operatorrows rows{std::vector<double>(n, 0.0), std::vector<double>(n, 0.0),
                    std::vector<double>(n, 0.0)};
  const double half = 0.5 * terms.sigma * terms.sigma;
  for (std::size_t i = 1; i < n; ++i) {
    const double hm = x[i] - x[i - 1], hp = i + 1 < n ? x[i + 1] - x[i] : hm;
    // sigma^2/2 S^2 V_SS + (r - q) S V_S in price, sigma^2/2 V_xx + (r - q - sigma^2/2) V_x in ln S
    const double a = coordinates == space::price ? half * x[i] * x[i] : half;
    const double b = coordinates == space::price ? (terms.r - terms.q) * x[i]
                                                 : terms.r - terms.q - half;
    rows.lower[i] = (2.0 * a - b * hp) / (hm * (hm + hp));
    rows.diagonal[i] = (-2.0 * a + b * (hp - hm)) / (hm * hp) - terms.r;
    rows.upper[i] = (2.0 * a + b * hm) / (hp * (hm + hp));
  }
  return rows;
}

// The implicit system with its exercise floor where the exercise region may touch both edges:
// the primal-dual active set method (Hintermueller, Ito and Kunisch, SIAM Journal on
// Optimization 13(3), 2002, pp. 865-888), from the nodes exercised at the previous level. Each
// round solves the system with the exercised nodes held at their floor, then frees a held node
// whose row would push it down and holds a free node below its floor; it ends when no node
// changes (a few rounds), at most maximumrounds.
constexpr int maximumrounds = 50;

void activeset(layer& f, int n, double low, double high, const std::vector<double>& sub,
               const std::vector<double>& dia, const std::vector<double>& sup,
               const std::vector<double>& rhs) {
  std::vector<double>& v = f.values;
  const std::vector<double>& g = f.exercise;
  std::vector<char> held(idx(n), 0);
  for (int k = 1; k + 1 < n; ++k) held[idx(k)] = !(v[idx(k)] > g[idx(k)]);
  std::vector<double> d(idx(n)), b(idx(n)), x(idx(n));
  v[0] = low;
  v[idx(n - 1)] = high;
  for (int round = 0; round < maximumrounds; ++round) {
    // Thomas on the rows, a held row being x = g.
    for (int k = 1; k + 1 < n; ++k) {
      const std::size_t i = idx(k);
      const double a = held[i] || k == 1 ? 0.0 : sub[i];
      const double c = held[i] || k == n - 2 ? 0.0 : sup[i];
      double dk = held[i] ? 1.0 : dia[i];
      double bk = held[i] ? g[i] : rhs[i];
      if (k > 1 && a != 0.0) {
        const double m = a / d[i - 1];
        dk -= m * x[i - 1];  // x holds the previous row's modified upper coefficient
        bk -= m * b[i - 1];
      }
      d[i] = dk;
      b[i] = bk;
      x[i] = c;
    }
    for (int k = n - 2; k >= 1; --k) {
      const std::size_t i = idx(k);
      v[i] = (b[i] - (k == n - 2 ? 0.0 : x[i] * v[i + 1])) / d[i];
    }
    bool changed = false;
    for (int k = 1; k + 1 < n; ++k) {
      const std::size_t i = idx(k);
      const double residual = sub[i] * v[i - 1] + dia[i] * v[i] + sup[i] * v[i + 1] -
                              (rhs[i] + (k == 1 ? sub[i] * low : 0.0) +
                               (k == n - 2 ? sup[i] * high : 0.0));
      const bool hold = held[i] ? residual >= 0.0 : v[i] < g[i];
      if (hold != static_cast<bool>(held[i])) {
        held[i] = hold;
        changed = true;
      }
    }
    if (!changed) break;
  }
}

// One theta step of a layer from its values at the previous level to tau: the edges from its
// rules (a reflecting high edge from the ghost node W_N = W_{N-2} + 2 h c W_{N-1}, second order),
// the interior from the implicit system, floored at the exercise values when it has them.
void step(const std::vector<double>& x, const operatorrows& rows, double dt, double theta,
          double tau, std::vector<layer>& layers, std::size_t which, std::vector<double>& sub,
          std::vector<double>& dia, std::vector<double>& sup, std::vector<double>& rhs) {
  layer& f = layers[which];
  std::vector<double>& v = f.values;
  const int n = f.last - f.first + 1;
  const double low = f.lowedge(tau, layers);
  const double high = f.reflecting ? 0.0 : f.highedge(tau, layers);
  const int top = f.reflecting ? n - 1 : n - 2;  // the last unknown
  if (n >= 3) {
    const double explicitpart = (1.0 - theta) * dt, implicitpart = theta * dt;
    for (int k = 1; k <= top; ++k) {
      const std::size_t i = idx(f.first + k), j = idx(k);
      double lower = rows.lower[i], diagonal = rows.diagonal[i], upper = rows.upper[i];
      if (k == n - 1) {  // the reflecting edge: the ghost node folded in
        lower += upper;
        diagonal += 2.0 * (x[i] - x[i - 1]) * f.reflection * upper;
        upper = 0.0;
      }
      rhs[j] = v[j] + explicitpart * (lower * v[j - 1] + diagonal * v[j] +
                                      (upper != 0.0 ? upper * v[j + 1] : 0.0));
      sub[j] = -implicitpart * lower;
      dia[j] = 1.0 - implicitpart * diagonal;
      sup[j] = -implicitpart * upper;
    }
    rhs[1] -= sub[1] * low;
    if (!f.reflecting) rhs[idx(top)] -= sup[idx(top)] * high;
    const bool floored = !f.exercise.empty();
    if (floored && f.exerciseside == 0) {
      activeset(f, n, low, high, sub, dia, sup, rhs);
    } else if (!floored || f.exerciseside > 0) {
      // Eliminate upward, substitute downward (floored: the region at the high side).
      for (int k = 2; k <= top; ++k) {
        const double m = sub[idx(k)] / dia[idx(k - 1)];
        dia[idx(k)] -= m * sup[idx(k - 1)];
        rhs[idx(k)] -= m * rhs[idx(k - 1)];
      }
      double next = high;
      for (int k = top; k >= 1; --k) {
        double value = (rhs[idx(k)] - (k == top ? 0.0 : sup[idx(k)] * next)) / dia[idx(k)];
        if (floored && value < f.exercise[idx(k)]) value = f.exercise[idx(k)];
        v[idx(k)] = value;
        next = value;
      }
    } else {
      // Eliminate downward, substitute upward (the region at the low side).
      for (int k = top - 1; k >= 1; --k) {
        const double m = sup[idx(k)] / dia[idx(k + 1)];
        dia[idx(k)] -= m * sub[idx(k + 1)];
        rhs[idx(k)] -= m * rhs[idx(k + 1)];
      }
      double previous = low;
      for (int k = 1; k <= top; ++k) {
        double value = k == 1 ? rhs[idx(k)] / dia[idx(k)]
                              : (rhs[idx(k)] - sub[idx(k)] * previous) / dia[idx(k)];
        if (value < f.exercise[idx(k)]) value = f.exercise[idx(k)];
        v[idx(k)] = value;
        previous = value;
      }
    }
  }
  v[0] = low;
  if (!f.reflecting) v[idx(n - 1)] = high;
}

}  // namespace

std::vector<double> stretchednodes(const std::vector<double>& marks, double focus, double width,
                                   int intervals, int refine) {
  auto measure = [&](double x) { return std::asinh((x - focus) / width); };
  std::vector<double> nodes{marks.front()};
  const double total = measure(marks.back()) - measure(marks.front());
  for (std::size_t s = 0; s + 1 < marks.size(); ++s) {
    const double a = marks[s], b = marks[s + 1];
    if (!(b > a)) continue;
    const double ma = measure(a), mb = measure(b);
    const long share = std::lround(intervals * (mb - ma) / total);
    const int count = static_cast<int>(std::max(1L, share)) * refine;
    for (int k = 1; k < count; ++k)
      nodes.push_back(focus + width * std::sinh(ma + (mb - ma) * k / count));
    nodes.push_back(b);
  }
  return nodes;
}

void march(const std::vector<double>& nodes, const market& terms, double T, int steps,
           std::vector<layer>& layers, space coordinates) {
  const operatorrows rows = operatorof(nodes, terms, coordinates);
  std::size_t widest = 0;
  for (const layer& f : layers) widest = std::max(widest, f.values.size());
  std::vector<double> sub(widest), dia(widest), sup(widest), rhs(widest);
  auto level = [&](double k) {
    const double s = k / steps;
    return T * std::pow(s, timepower);
  };
  const int rannacher = steps >= 2 ? rannachersteps : steps;
  for (int k = 1; k <= steps; ++k) {
    const double from = level(k - 1), to = k == steps ? T : level(k);
    if (k <= rannacher) {
      const double middle = level(k - 0.5);
      for (std::size_t w = 0; w < layers.size(); ++w)
        step(nodes, rows, middle - from, 1.0, middle, layers, w, sub, dia, sup, rhs);
      for (std::size_t w = 0; w < layers.size(); ++w)
        step(nodes, rows, to - middle, 1.0, to, layers, w, sub, dia, sup, rhs);
    } else {
      for (std::size_t w = 0; w < layers.size(); ++w)
        step(nodes, rows, to - from, 0.5, to, layers, w, sub, dia, sup, rhs);
    }
  }
}

double richardson(double coarse, double fine) { return (4.0 * fine - coarse) / 3.0; }

double at(const std::vector<double>& nodes, const layer& function, double x) {
  const int first = function.first, last = function.last;
  const auto begin = nodes.begin() + first, end = nodes.begin() + last + 1;
  int j = static_cast<int>(std::upper_bound(begin, end, x) - nodes.begin()) - 1;
  j = std::clamp(j, first, last);
  if (last - first < 3) {
    if (j == last) return function.values.back();
    const double w = (x - nodes[idx(j)]) / (nodes[idx(j + 1)] - nodes[idx(j)]);
    return (1.0 - w) * function.values[idx(j - first)] + w * function.values[idx(j + 1 - first)];
  }
  const int start = std::clamp(j - 1, first, last - 3);
  double sum = 0.0;
  for (int a = start; a < start + 4; ++a) {
    double weight = 1.0;
    for (int b = start; b < start + 4; ++b)
      if (b != a) weight *= (x - nodes[idx(b)]) / (nodes[idx(a)] - nodes[idx(b)]);
    sum += weight * function.values[idx(a - first)];
  }
  return sum;
}

namespace {

// The boundary from the excess E = V - exercise at the nodes xs, the nodes flagged exercised
// forming the exercise region from the side `side` (-1 low, +1 high). Past the boundary E grows
// as the square of the distance (smooth pasting), so sqrt(E) is smooth with a simple root at the
// boundary: the quadratic fitted to sqrt(E) by least squares on the nodes window.offset to
// window.offset + window.count - 1 past the region, followed to its root by Newton's method. The nodes
// next to the region are left out: their values carry the largest error of the exercise step,
// which the square root magnifies. The root is held within two nodes of the region's last node.
double fitboundary(const std::vector<double>& xs, const std::vector<double>& excess,
                   const std::vector<char>& exercised, int side, const fitwindow& window) {
  const int n = static_cast<int>(xs.size());
  const int direction = side < 0 ? 1 : -1;
  const int start = direction > 0 ? 0 : n - 1;
  int inside = -1;  // the last node of the exercise region from the exercise side
  for (int k = start; k >= 0 && k < n && exercised[idx(k)]; k += direction) inside = k;
  if (inside < 0) return -direction * HUGE_VAL;  // no exercise region on that side
  auto collect = [&](int from, std::vector<double>& u, std::vector<double>& f) {
    for (int j = from; static_cast<int>(u.size()) < window.count; ++j) {
      const int k = inside + direction * j;
      if (k <= 0 || k >= n - 1) break;  // the edges carry no fitted value
      u.push_back(xs[idx(k)] - xs[idx(inside)]);
      f.push_back(std::sqrt(maxof(excess[idx(k)], 0.0)));
    }
  };
  std::vector<double> u, f;
  collect(window.offset, u, f);
  if (u.size() < 3) {
    u.clear();
    f.clear();
    collect(1, u, f);
  }
  if (u.size() < 3) return xs[idx(inside)];
  // Least squares for f = c0 + c1 t + c2 t^2, t = u / scale, by the normal equations.
  const double scale = std::fabs(u.back());
  double m[3][4] = {};
  for (std::size_t i = 0; i < u.size(); ++i) {
    const double t = u[i] / scale, powers[3] = {1.0, t, t * t};
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) m[r][c] += powers[r] * powers[c];
      m[r][3] += powers[r] * f[i];
    }
  }
  for (int c = 0; c < 3; ++c)
    for (int r = c + 1; r < 3; ++r) {
      const double factor = m[r][c] / m[c][c];
      for (int e = c; e < 4; ++e) m[r][e] -= factor * m[c][e];
    }
  double coefficient[3];
  for (int r = 2; r >= 0; --r) {
    double sum = m[r][3];
    for (int e = r + 1; e < 3; ++e) sum -= m[r][e] * coefficient[e];
    coefficient[r] = sum / m[r][r];
  }
  const double near = xs[idx(std::clamp(inside - 2 * direction, 0, n - 1))];
  const double far = xs[idx(std::clamp(inside + 2 * direction, 0, n - 1))];
  double t = (xs[idx(inside + direction)] - xs[idx(inside)]) / scale;
  for (int iteration = 0; iteration < 20; ++iteration) {
    const double value = coefficient[0] + t * (coefficient[1] + t * coefficient[2]);
    const double slope = coefficient[1] + 2.0 * t * coefficient[2];
    if (!(std::fabs(slope) > 0.0)) break;
    const double next = t - value / slope;
    if (!std::isfinite(next)) break;
    const bool settled = std::fabs(next - t) <= 1e-14;
    t = next;
    if (settled) break;
  }
  return std::clamp(xs[idx(inside)] + t * scale, std::min(near, far), std::max(near, far));
}

}  // namespace

double boundaryof(const std::vector<double>& nodes, const layer& function,
                  const fitwindow& window) {
  const int n = function.last - function.first + 1;
  std::vector<double> xs(idx(n)), excess(idx(n));
  std::vector<char> exercised(idx(n));
  for (int k = 0; k < n; ++k) {
    xs[idx(k)] = nodes[idx(function.first + k)];
    excess[idx(k)] = function.values[idx(k)] - function.exercise[idx(k)];
    exercised[idx(k)] = !(excess[idx(k)] > 0.0);
  }
  return fitboundary(xs, excess, exercised, function.exerciseside, window);
}

double boundaryof(const layer& coarse, const std::vector<double>& finenodes, const layer& fine,
                  const fitwindow& window) {
  const int n = coarse.last - coarse.first + 1;
  std::vector<double> xs(idx(n)), excess(idx(n));
  std::vector<char> exercised(idx(n));
  for (int k = 0; k < n; ++k) {
    const int node = 2 * (coarse.first + k);  // the coarse node's index among the fine nodes
    const double coarsegap = coarse.values[idx(k)] - coarse.exercise[idx(k)];
    const double finegap =
        fine.values[idx(node - fine.first)] - fine.exercise[idx(node - fine.first)];
    xs[idx(k)] = finenodes[idx(node)];
    excess[idx(k)] = richardson(coarsegap, finegap);
    exercised[idx(k)] = !(coarsegap > 0.0);
  }
  return fitboundary(xs, excess, exercised, coarse.exerciseside, window);
}

}  // namespace precisegrid
