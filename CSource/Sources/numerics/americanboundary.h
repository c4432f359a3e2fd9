// The American put under Black-Scholes with a flat rate r >= 0 and a flat dividend yield q >= 0,
// priced from its exercise boundary, which is found as the solution of an integral equation.
// Calls follow by the put-call symmetry (americancallvalue below).
//
// Source: Andersen, Lake and Offengenden, "High-performance American option pricing", Journal
// of Computational Finance 20(1), 2016, pp. 39-87. With tau the time to expiry, B(tau) the
// boundary (exercise below it) and d+-(t, z) = (ln z + (r - q) t +- sigma^2 t / 2)/(sigma sqrt t),
// the boundary solves (their equation for B written with the distribution functions)
//   B(tau) = K e^(-(r - q) tau) N(tau, B) / D(tau, B),
//   N = N(d-(tau, B(tau)/K)) + r Int_0^tau e^(r u) N(d-(tau - u, B(tau)/B(u))) du
//   D = N(d+(tau, B(tau)/K)) + q Int_0^tau e^(q u) N(d+(tau - u, B(tau)/B(u))) du
// and the price is the European put plus the early-exercise premium
//   Int_0^T r K e^(-r (T - u)) N(-d-(T - u, S/B(u))) - q S e^(-q (T - u)) N(-d+(T - u, S/B(u))) du.
// As in the paper: B(0+) = X = K min(1, r/q); the boundary is carried as H = ln(B/X)^2 on
// Chebyshev (Lobatto) nodes; the first sweep is a Jacobi-Newton step on the equation (the
// derivative of the terms outside the integrals), the others plain iterations; the start is the
// quadratic approximation of the boundary (Barone-Adesi and Whaley, Journal of Finance 42(2),
// 1987, with the exponent of Ju and Zhong, Journal of Derivatives 7(1), 1999).
//
// Two forms of the equation, both from the paper: the one above, and the one with the densities
// that follows from smooth pasting (N: e^(-r tau) n(d-)/(sigma sqrt tau) plus r times the integral
// of e^(-r (tau - u)) n(d-)/(sigma sqrt(tau - u)); D: e^(-q tau) (N(d+) + n(d+)/(sigma sqrt tau))
// plus q times the integral of e^(-q (tau - u)) (N(d+) + n(d+)/(sigma sqrt(tau - u)))). The second
// converges in a few sweeps on ordinary contracts but can oscillate (small sigma, long T): when a
// sweep does not halve the largest move of the sweep two before, the first form takes over, which
// is slower but stable. The sweeps stop when no node moves by more than the scheme's tolerance
// (relative), or after the scheme's count.
//
// Our own choices. The nodes lie at tau = T ((1 + z)/2)^4 for Chebyshev points z (the paper takes
// the square): near expiry ln(B/X) behaves as sqrt(tau ln tau), which the fourth root of tau
// resolves far better (on ordinary contracts 12 nodes reach 1e-10 relative where the square
// needs about 24). Every integral over [0, tau] is taken in theta with u = tau sin^4(theta),
// theta in [0, pi/2], by Gauss-Legendre: the node variable of u and sqrt(tau - u) are then both
// smooth in theta. The interpolated boundary enters the kernels only through
// ln(B(tau)/B(u)) = sqrt(H(u)) - sqrt(H(tau)), so a sweep takes no logarithm. The price integral
// is split where the kernel turns (where sigma sqrt(T - u) equals |ln(S/B(T))|), so that spots
// near the boundary keep their accuracy.
//
// Limits: r = 0 gives the European put (the boundary is 0: never exercised early), and so does
// r < 0 (never exercised early when q >= r; the two boundaries of q < r < 0 are not this
// method's, and its callers refuse them). q < 0 with r > 0 has one boundary, from B(0+) = K.
// The boundary object holds no pointer and allocates once; it is a value the caller may keep and
// re-price at any spot (the boundary does not depend on the spot). Inputs are not checked here:
// T > 0, K > 0, sigma > 0, r and q finite (negative only as above).
#ifndef KZR_NUMERICS_AMERICANBOUNDARY_H
#define KZR_NUMERICS_AMERICANBOUNDARY_H

#include <vector>

// The sizes of one solve: Chebyshev intervals in sqrt(tau), the most sweeps (the first
// newtonsweeps of them Jacobi-Newton), Gauss-Legendre points of each boundary integral and of
// each half of the price integral.
struct boundaryscheme {
  int nodes;
  int sweeps;
  int newtonsweeps;
  int boundarypoints;
  int pricepoints;
  int smooth;        // 1: start with the form with the densities (above)
  double tolerance;  // the sweeps end when no node moves by more than this, relative
};

// The most Gauss-Legendre points of a scheme, and of Chebyshev intervals (larger counts are
// taken as this; fewer than 2 intervals as 2, fewer than 1 point as 1).
constexpr int maximumpoints = 64;

// The scheme of the library's precise option: 1e-9 relative or better on ordinary contracts
// against QuantLib's fixed-point engine at its finest schemes.
constexpr boundaryscheme precisescheme{18, 40, 1, 16, 32, 1, 1e-9};

class americanputboundary {
 public:
  americanputboundary() = default;
  americanputboundary(double T, double K, double sigma, double r, double q,
                      const boundaryscheme& scheme = precisescheme);

  // B(tau) for tau in [0, T]; 0 when the put is never exercised early (r = 0).
  double at(double tau) const;
  // The American put at spot S >= 0.
  double value(double S) const;
  // Sweeps taken by the solve (0 when there is nothing to solve).
  int sweepstaken() const { return sweeps; }

 private:
  double T = 0, K = 0, sigma = 0, r = 0, q = 0, X = 0;
  bool early = false;
  int n = 0, pricepoints = 0, sweeps = 0;
  std::vector<double> H;  // ln(B/X)^2 at the nodes, tau from T (index 0) down to 0 (index n)
};

// The American call by the put-call symmetry: C(S, K; r, q) = (S/K) P(K^2/S, K; q, r).
// putofcall is the boundary of the symmetric put (rates exchanged); its boundary b gives the
// call's K^2/b.
double americancallvalue(const americanputboundary& putofcall, double S, double K);

#endif  // KZR_NUMERICS_AMERICANBOUNDARY_H
