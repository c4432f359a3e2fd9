#include "numerics/americanboundary.h"

#include <cmath>
#include <cstddef>

#include "numerics/comparisons.h"

namespace {

constexpr double pi = 3.141592653589793238462643383279502884;
constexpr double halfpi = pi / 2.0;
constexpr int power = 4;                  // tau = T ((1 + z)/2)^power (americanboundary.h)

double cdf(double x) { return 0.5 * std::erfc(-x * 0.70710678118654752440); }
double pdf(double x) { return 0.39894228040143267794 * std::exp(-0.5 * x * x); }

// Gauss-Legendre nodes and weights on [-1, 1], by Newton's method on the three-term recurrence.
struct legendrerule {
  std::vector<double> x, w;
};

legendrerule makelegendre(int points) {
  legendrerule rule;
  rule.x.assign(static_cast<std::size_t>(points), 0.0);
  rule.w.assign(static_cast<std::size_t>(points), 0.0);
  auto legendre = [points](double t, double& derivative) {
    double p0 = 1.0, p1 = t;
    for (int k = 2; k <= points; ++k) {
      const double p2 = ((2.0 * k - 1.0) * t * p1 - (k - 1.0) * p0) / k;
      p0 = p1;
      p1 = p2;
    }
    derivative = points * (t * p1 - p0) / (t * t - 1.0);
    return p1;
  };
  for (int i = 0; i < (points + 1) / 2; ++i) {
    double t = std::cos(pi * (i + 0.75) / (points + 0.5)), derivative = 1.0;
    for (int iteration = 0; iteration < 100; ++iteration) {
      const double step = legendre(t, derivative) / derivative;
      t -= step;
      if (std::fabs(step) < 1e-16) break;
    }
    legendre(t, derivative);
    const double weight = 2.0 / ((1.0 - t * t) * derivative * derivative);
    rule.x[static_cast<std::size_t>(i)] = -t;
    rule.x[static_cast<std::size_t>(points - 1 - i)] = t;
    rule.w[static_cast<std::size_t>(i)] = rule.w[static_cast<std::size_t>(points - 1 - i)] = weight;
  }
  return rule;
}

// The rule of each size, made once (the only state of this file).
const legendrerule& legendre(int points) {
  points = points < 1 ? 1 : points > maximumpoints ? maximumpoints : points;
  static std::vector<legendrerule> rules(static_cast<std::size_t>(maximumpoints) + 1);
  legendrerule& rule = rules[static_cast<std::size_t>(points)];
  if (rule.x.empty()) rule = makelegendre(points);
  return rule;
}

// Nodes and weights of the rule of this size on [a, b].
void gausslegendre(int points, double a, double b, std::vector<double>& x, std::vector<double>& w) {
  const legendrerule& rule = legendre(points);
  const double mid = 0.5 * (a + b), half = 0.5 * (b - a);
  x.resize(rule.x.size());
  w.resize(rule.w.size());
  for (std::size_t i = 0; i < rule.x.size(); ++i) {
    x[i] = mid + half * rule.x[i];
    w[i] = half * rule.w[i];
  }
}

// The barycentric weights that give the interpolant at z from the values at the Chebyshev-Lobatto
// nodes cos(m pi / n), m = 0..n (written into row, n + 1 entries).
void interpolationrow(double z, int n, const std::vector<double>& nodes, double* row) {
  for (int m = 0; m <= n; ++m)
    if (z == nodes[static_cast<std::size_t>(m)]) {
      for (int i = 0; i <= n; ++i) row[i] = i == m ? 1.0 : 0.0;
      return;
    }
  double total = 0.0;
  for (int m = 0; m <= n; ++m) {
    double lambda = (m % 2 == 0 ? 1.0 : -1.0) / (z - nodes[static_cast<std::size_t>(m)]);
    if (m == 0 || m == n) lambda *= 0.5;
    row[m] = lambda;
    total += lambda;
  }
  for (int m = 0; m <= n; ++m) row[m] /= total;
}

double interpolate(const double* row, const std::vector<double>& H) {
  double sum = 0.0;
  for (std::size_t m = 0; m < H.size(); ++m) sum += row[m] * H[m];
  return sum > 0.0 ? sum : 0.0;
}

double europeanput(double T, double S, double K, double sigma, double r, double q) {
  const double v = sigma * std::sqrt(T);
  const double dplus = (std::log(S / K) + (r - q) * T) / v + 0.5 * v;
  return K * std::exp(-r * T) * cdf(v - dplus) - S * std::exp(-q * T) * cdf(-dplus);
}

// The quadratic approximation of the boundary at tau > 0 (below X), by safeguarded Newton steps
// from start.
double quadraticboundary(double tau, double K, double sigma, double r, double q, double X,
                         double start) {
  const double sigma2 = sigma * sigma, h = -std::expm1(-r * tau);
  const double omega = 2.0 * (r - q) / sigma2;
  const double lambda =
      0.5 * (-(omega - 1.0) - std::sqrt((omega - 1.0) * (omega - 1.0) + 8.0 * r / (sigma2 * h)));
  const double v = sigma * std::sqrt(tau), dq = std::exp(-q * tau);
  double S = start;
  for (int iteration = 0; iteration < 30; ++iteration) {
    const double dplus = (std::log(S / K) + (r - q) * tau) / v + 0.5 * v;
    const double held = dq * cdf(-dplus);  // minus the European put's delta
    const double F = lambda * (K - S - europeanput(tau, S, K, sigma, r, q)) + S * (1.0 - held);
    const double Fprime = (1.0 - held) * (1.0 - lambda) + dq * pdf(dplus) / v;
    double next = S - F / Fprime;
    if (!(next > 0.0)) next = 0.5 * S;
    if (next >= X) next = 0.5 * (S + X);
    const bool done = std::fabs(next - S) < 1e-10 * S;
    S = next;
    if (done) break;
  }
  return S;
}

}  // namespace

americanputboundary::americanputboundary(double T, double K, double sigma, double r, double q,
                                         const boundaryscheme& scheme)
    : T(T), K(K), sigma(sigma), r(r), q(q), X(q > r ? K * r / q : K), early(r > 0.0 && T > 0.0),
      n(scheme.nodes < 2 ? 2 : scheme.nodes > maximumpoints ? maximumpoints : scheme.nodes),
      pricepoints(scheme.pricepoints) {
  if (!early) return;
  const int l = static_cast<int>(legendre(scheme.boundarypoints).x.size());
  const std::size_t size = static_cast<std::size_t>(n) + 1;
  std::vector<double> z(size), tau(size);
  H.assign(size, 0.0);
  for (int k = 0; k <= n; ++k) {
    z[static_cast<std::size_t>(k)] = std::cos(pi * k / n);
    const double xi = 0.5 * (1.0 + z[static_cast<std::size_t>(k)]);
    tau[static_cast<std::size_t>(k)] = T * std::pow(xi, power);
  }
  z[static_cast<std::size_t>(n)] = -1.0;
  tau[static_cast<std::size_t>(n)] = 0.0;

  // The perpetual put's exercise level K beta / (beta - 1), beta the negative root of
  // sigma^2/2 beta (beta - 1) + (r - q) beta - r = 0 (Merton 1973): below every B(tau).
  const double m = r - q - 0.5 * sigma * sigma;
  const double beta = (-m - std::sqrt(m * m + 2.0 * r * sigma * sigma)) / (sigma * sigma);
  const double floor = K * beta / (beta - 1.0);

  // The start: the quadratic approximation, from the shortest time to expiry outwards.
  {
    double previous = X * (1.0 - 1e-6);
    for (int k = n - 1; k >= 0; --k) {
      const double b = maxof(
          quadraticboundary(tau[static_cast<std::size_t>(k)], K, sigma, r, q, X, previous), floor);
      previous = b;
      const double g = std::log(b / X);
      H[static_cast<std::size_t>(k)] = g * g;
    }
  }

  // Quadrature in theta on [0, pi/2] with u = tau sin^2(theta); per node k and point j the
  // interpolation row at z = (1 + z_k) sin(theta_j) - 1, the weight with its Jacobian and
  // discounting, and sigma sqrt(tau - u).
  std::vector<double> theta, weight;
  gausslegendre(l, 0.0, halfpi, theta, weight);
  const std::size_t points = static_cast<std::size_t>(n) * static_cast<std::size_t>(l);
  std::vector<double> rows(points * size), rweight(points), qweight(points), vol(points),
      drift(points);
  for (int k = 0; k < n; ++k) {
    const double tk = tau[static_cast<std::size_t>(k)];
    for (int j = 0; j < l; ++j) {
      const std::size_t p = static_cast<std::size_t>(k) * static_cast<std::size_t>(l) +
                            static_cast<std::size_t>(j);
      const double s = std::sin(theta[static_cast<std::size_t>(j)]);
      const double c = std::cos(theta[static_cast<std::size_t>(j)]);
      const double sp = std::pow(s, power);
      const double t = tk * (1.0 - sp);
      interpolationrow((1.0 + z[static_cast<std::size_t>(k)]) * s - 1.0, n, z, &rows[p * size]);
      const double jacobian = weight[static_cast<std::size_t>(j)] * power * tk * sp / s * c;
      rweight[p] = r * jacobian * std::exp(-r * t);
      qweight[p] = q * jacobian * std::exp(-q * t);
      vol[p] = sigma * std::sqrt(t);
      drift[p] = (r - q) * t;
    }
  }

  // The sweeps.
  bool smooth = scheme.smooth != 0;
  double lastmove = HUGE_VAL, movebefore = HUGE_VAL;  // the largest moves of the last two sweeps
  for (sweeps = 0; sweeps < scheme.sweeps;) {
    const bool newton = sweeps < scheme.newtonsweeps;
    ++sweeps;
    double largestmove = 0.0;
    std::vector<double> next(H);
    for (int k = 0; k < n; ++k) {
      const double tk = tau[static_cast<std::size_t>(k)];
      const double g = std::sqrt(H[static_cast<std::size_t>(k)]);  // ln(X/b)
      const double b = X * std::exp(-g);
      double integralN = 0.0, integralD = 0.0;
      for (int j = 0; j < l; ++j) {
        const std::size_t p = static_cast<std::size_t>(k) * static_cast<std::size_t>(l) +
                              static_cast<std::size_t>(j);
        const double logratio = std::sqrt(interpolate(&rows[p * size], H)) - g;  // ln(b/B(u))
        const double dplus = (logratio + drift[p]) / vol[p] + 0.5 * vol[p];
        if (smooth) {
          const double density = pdf(dplus) / vol[p];
          integralN += rweight[p] * pdf(dplus - vol[p]) / vol[p];
          integralD += qweight[p] * (cdf(dplus) + density);
        } else {
          integralN += rweight[p] * cdf(dplus - vol[p]);
          integralD += qweight[p] * cdf(dplus);
        }
      }
      const double v = sigma * std::sqrt(tk);
      const double dplus = (std::log(b / K) + (r - q) * tk) / v + 0.5 * v;
      const double rdiscount = std::exp(-r * tk), qdiscount = std::exp(-q * tk);
      const double dminus = dplus - v;
      const double N = rdiscount * (smooth ? pdf(dminus) / v : cdf(dminus)) + integralN;
      const double D = qdiscount * (cdf(dplus) + (smooth ? pdf(dplus) / v : 0.0)) + integralD;
      const double f = K * N / D;
      if (!(f > 0.0 && f < HUGE_VAL)) {
        // N or D lost to underflow (sigma sqrt(tau) far below the log-distance to the strike):
        // the node stays, and the next sweeps take the distribution form.
        smooth = false;
        continue;
      }
      double updated = f;
      if (newton) {
        const double Nprime = rdiscount * (smooth ? -pdf(dminus) * dminus / (b * v * v)
                                                  : pdf(dminus) / (b * v));
        const double Dprime =
            qdiscount * (pdf(dplus) / (b * v) - (smooth ? pdf(dplus) * dplus / (b * v * v) : 0.0));
        const double fprime = K * (Nprime / D - Dprime * N / (D * D));
        const double candidate = b - (f - b) / (fprime - 1.0);
        if (std::isfinite(candidate) && candidate > 0.0) updated = candidate;
      }
      // The boundary lies between the perpetual put's exercise level and X.
      if (!(updated > floor)) updated = floor;
      if (updated > X) updated = X;
      const double gnext = std::log(X / updated);
      next[static_cast<std::size_t>(k)] = gnext * gnext;
      const double move = std::fabs(gnext - g);
      if (move > largestmove) largestmove = move;
    }
    H.swap(next);
    if (!(largestmove > scheme.tolerance)) break;
    // The hand-over of americanboundary.h.
    if (smooth && sweeps > 2 && largestmove > 0.5 * movebefore) smooth = false;
    movebefore = lastmove;
    lastmove = largestmove;
  }
}

double americanputboundary::at(double tau) const {
  if (!early) return 0.0;
  if (!(tau > 0.0)) return X;
  const std::size_t size = static_cast<std::size_t>(n) + 1;
  std::vector<double> z(size), row(size);
  for (int k = 0; k <= n; ++k) z[static_cast<std::size_t>(k)] = std::cos(pi * k / n);
  z[static_cast<std::size_t>(n)] = -1.0;
  const double zt = tau >= T ? 1.0 : 2.0 * std::pow(tau / T, 1.0 / power) - 1.0;
  interpolationrow(zt, n, z, row.data());
  return X * std::exp(-std::sqrt(interpolate(row.data(), H)));
}

double americanputboundary::value(double S) const {
  if (!early) return S == 0.0 ? K * std::exp(-r * T) : europeanput(T, S, K, sigma, r, q);
  const double now = X * std::exp(-std::sqrt(H[0]));
  if (S <= now) return K - S;
  const double european = europeanput(T, S, K, sigma, r, q);
  // The kernel turns where sigma sqrt(T - u) = ln(S/B): theta with cos(theta) = that / sigma sqrt T.
  const double turn = std::log(S / now) / (sigma * std::sqrt(T));
  const double split = turn < 1.0 ? std::asin(std::pow(1.0 - turn * turn, 1.0 / power)) : halfpi;
  const std::size_t size = static_cast<std::size_t>(n) + 1;
  std::vector<double> z(size), row(size), theta, weight;
  for (int k = 0; k <= n; ++k) z[static_cast<std::size_t>(k)] = std::cos(pi * k / n);
  z[static_cast<std::size_t>(n)] = -1.0;
  const double logSX = std::log(S / X);
  double premium = 0.0;
  for (int half = 0; half < 2; ++half) {
    const double a = half == 0 ? 0.0 : split, bend = half == 0 ? split : halfpi;
    if (!(bend > a)) continue;
    gausslegendre(pricepoints, a, bend, theta, weight);
    for (std::size_t j = 0; j < theta.size(); ++j) {
      const double s = std::sin(theta[j]), c = std::cos(theta[j]);
      const double sp = std::pow(s, power);
      const double t = T * (1.0 - sp);
      interpolationrow(2.0 * s - 1.0, n, z, row.data());
      const double logratio = logSX + std::sqrt(interpolate(row.data(), H));  // ln(S/B(u))
      const double v = sigma * std::sqrt(t);
      const double dplus = (logratio + (r - q) * t) / v + 0.5 * v;
      const double jacobian = weight[j] * power * T * sp / s * c;
      premium += jacobian * (r * K * std::exp(-r * t) * cdf(v - dplus) -
                             q * S * std::exp(-q * t) * cdf(-dplus));
    }
  }
  // Never below the exercise value, nor the European put (the premium is not negative): bounds
  // that hold for the exact price and guard the degenerate boundaries of sigma sqrt(T) near 0.
  const double price = european + (premium > 0.0 ? premium : 0.0);
  return price > K - S ? price : K - S;
}

double americancallvalue(const americanputboundary& putofcall, double S, double K) {
  return S / K * putofcall.value(K * K / S);
}
