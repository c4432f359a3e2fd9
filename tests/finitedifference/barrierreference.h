// A reference for the barrier codes written here, independent of the library's grids: a
// Crank-Nicolson grid in y = ln S with nodes on every barrier and on the far edges, and early
// exercise by projection. Its first two steps are four implicit half steps (Rannacher), which
// damp the kinks of the payoff. Time to expiry tau runs forward:
//   V_tau = sigma^2 / 2 V_yy + (r - q - sigma^2 / 2) V_y - r V.
// On one grid it solves the American (or European) vanilla and, with it, an option that lives on
// a stretch [first, last] of its nodes:
//   knock-out   0 at each barrier end of the stretch, the vanilla payoff at expiry;
//   knock-in    at each barrier end the vanilla of the same level (the option becomes the vanilla
//               when a barrier is touched), the rebate at expiry, no exercise before the touch.
// A stretch end that is no barrier is the grid's far edge, 8 standard deviations away, where a
// knock-out carries the vanilla and a knock-in its discounted rebate. The value at a spot between
// nodes is the cubic through the four nearest nodes; the critical price of an American knock-out
// is read as the first node of the exercise region, searched from the strike.
#ifndef KZR_TESTS_BARRIERREFERENCE_H
#define KZR_TESTS_BARRIERREFERENCE_H

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace barrierreference {

struct market {
  double T, K, sigma, r, q;
  int callput;    // +1 call, -1 put
  bool american;  // early exercise of the vanilla and of a knock-out
};

enum class kind { knockout, knockin };

// Barriers: a level of 0 (low) or infinity (high) means none on that side.
struct corridor {
  double low = 0.0;
  double high = INFINITY;
};

struct solution {
  std::vector<double> y, vanilla, option;
  std::size_t first = 0, last = 0;  // the option's stretch of nodes
  market m;
  corridor barriers;

  // The option's value at spot S inside its stretch.
  double at(double S) const { return cubic(option, std::log(S)); }
  double vanillaat(double S) const { return cubic(vanilla, std::log(S)); }
  // The critical price of an American knock-out: the first node of the exercise region met from
  // the strike towards it (upward for a call, downward for a put), half a spacing back towards
  // the strike.
  double critical() const {
    const double h = y[1] - y[0];
    long i = static_cast<long>(nearest(std::log(m.K)));
    const long step = m.callput, a = static_cast<long>(first), b = static_cast<long>(last);
    auto exercised = [&](long j) {
      const std::size_t k = static_cast<std::size_t>(j);
      return option[k] <= std::max(m.callput * (std::exp(y[k]) - m.K), 0.0) + 1e-12;
    };
    while (!exercised(i) && i + step >= a && i + step <= b) i += step;
    return std::exp(y[static_cast<std::size_t>(i)] - step * h / 2);
  }

 private:
  std::size_t nearest(double x) const {
    const double h = y[1] - y[0];
    const double k = std::floor((x - y[0]) / h + 0.5);
    return static_cast<std::size_t>(
        std::clamp(k, static_cast<double>(first), static_cast<double>(last)));
  }
  double cubic(const std::vector<double>& v, double x) const {
    const double h = y[1] - y[0];
    double start = std::floor((x - y[0]) / h) - 1;
    start = std::clamp(start, static_cast<double>(first), static_cast<double>(last) - 3);
    const std::size_t s = static_cast<std::size_t>(start);
    double sum = 0.0;
    for (std::size_t a = s; a < s + 4; ++a) {
      double weight = 1.0;
      for (std::size_t b = s; b < s + 4; ++b)
        if (b != a) weight *= (x - y[b]) / (y[a] - y[b]);
      sum += weight * v[a];
    }
    return sum;
  }
};

// x = A^-1 d for the tridiagonal A with sub-diagonal a, diagonal b, super-diagonal c.
inline void thomas(const std::vector<double>& a, const std::vector<double>& b,
                   const std::vector<double>& c, std::vector<double>& d) {
  const std::size_t n = d.size();
  std::vector<double> cp(n), dp(n);
  cp[0] = c[0] / b[0];
  dp[0] = d[0] / b[0];
  for (std::size_t i = 1; i < n; ++i) {
    const double den = b[i] - a[i] * cp[i - 1];
    cp[i] = c[i] / den;
    dp[i] = (d[i] - a[i] * dp[i - 1]) / den;
  }
  d[n - 1] = dp[n - 1];
  for (std::size_t i = n - 1; i-- > 0;) d[i] = dp[i] - cp[i] * d[i + 1];
}

// Solves the option of `what` on the barriers, with rebate R (knock-in at expiry), about
// `spacings` nodes between the barriers (or across 8 standard deviations without them) and
// `steps` time steps.
inline solution solve(const market& m, kind what, corridor barriers, double S, double R,
                      int spacings, int steps) {
  const double reach = 8 * m.sigma * std::sqrt(m.T);
  const bool low = barriers.low > 0, high = std::isfinite(barriers.high);
  const double ylow = low ? std::log(barriers.low) : std::log(S) - reach;
  const double yhigh = high ? std::log(barriers.high) : std::log(S) + reach;
  const double h = (yhigh - ylow) / spacings;
  // The vanilla's grid reaches 8 deviations beyond the stretch, in whole spacings.
  const int beyond = what == kind::knockin ? static_cast<int>(std::ceil(reach / h)) : 0;
  solution s;
  s.m = m;
  s.barriers = barriers;
  const std::size_t n = static_cast<std::size_t>(spacings + 2 * beyond + 1);
  s.first = static_cast<std::size_t>(beyond);
  s.last = s.first + static_cast<std::size_t>(spacings);
  for (std::size_t i = 0; i < n; ++i) s.y.push_back(ylow + (static_cast<double>(i) - beyond) * h);
  auto payoff = [&](double y) { return std::max(m.callput * (std::exp(y) - m.K), 0.0); };
  std::vector<double> exercise(n);
  for (std::size_t i = 0; i < n; ++i) exercise[i] = payoff(s.y[i]);
  s.vanilla = exercise;
  s.option.assign(n, 0.0);
  for (std::size_t i = s.first; i <= s.last; ++i)
    s.option[i] = what == kind::knockout ? exercise[i] : R;
  const double a2 = 0.5 * m.sigma * m.sigma / (h * h);
  const double a1 = (m.r - m.q - 0.5 * m.sigma * m.sigma) / (2 * h);
  const double lowcoef = a2 - a1, midcoef = -2 * a2 - m.r, highcoef = a2 + a1;
  // The vanilla far out of or deep in the money: the forward's value, or the exercise value
  // when that is more and the option is American.
  auto vanillaedge = [&](std::size_t i, double tau) {
    const double Sy = std::exp(s.y[i]);
    const double forward = m.callput * (Sy * std::exp(-m.q * tau) - m.K * std::exp(-m.r * tau));
    return std::max(m.american ? std::max(exercise[i], forward) : forward, 0.0);
  };
  // One theta step of dt on v over nodes [a, b] with edge values va, vb at the new level.
  auto step = [&](std::vector<double>& v, std::size_t a, std::size_t b, double dt, double theta,
                  double va, double vb) {
    const std::size_t k = b - a + 1;
    std::vector<double> sub(k, 0.0), diag(k, 1.0), sup(k, 0.0), rhs(k);
    rhs[0] = va;
    rhs[k - 1] = vb;
    for (std::size_t j = 1; j + 1 < k; ++j) {
      const std::size_t i = a + j;
      const double explicitpart = lowcoef * v[i - 1] + midcoef * v[i] + highcoef * v[i + 1];
      rhs[j] = v[i] + (1 - theta) * dt * explicitpart;
      sub[j] = -theta * dt * lowcoef;
      diag[j] = 1 - theta * dt * midcoef;
      sup[j] = -theta * dt * highcoef;
    }
    thomas(sub, diag, sup, rhs);
    for (std::size_t j = 0; j < k; ++j) v[a + j] = rhs[j];
  };
  const double dt = m.T / steps;
  double tau = 0.0;
  auto advance = [&](double size, double theta) {
    tau += size;
    if (what == kind::knockin) {
      step(s.vanilla, 0, n - 1, size, theta, vanillaedge(0, tau), vanillaedge(n - 1, tau));
      if (m.american)
        for (std::size_t i = 0; i < n; ++i) s.vanilla[i] = std::max(s.vanilla[i], exercise[i]);
    }
    auto end = [&](std::size_t i, bool barrier) {
      if (what == kind::knockout) return barrier ? 0.0 : vanillaedge(i, tau);
      return barrier ? s.vanilla[i] : R * std::exp(-m.r * tau);
    };
    step(s.option, s.first, s.last, size, theta, end(s.first, low), end(s.last, high));
    if (m.american && what == kind::knockout)
      for (std::size_t i = s.first + 1; i < s.last; ++i)
        s.option[i] = std::max(s.option[i], exercise[i]);
  };
  for (int j = 0; j < 4; ++j) advance(dt / 2, 1.0);
  for (int j = 2; j < steps; ++j) advance(dt, 0.5);
  return s;
}

}  // namespace barrierreference

#endif  // KZR_TESTS_BARRIERREFERENCE_H
