// A root of a function of one variable inside a bracket where it changes sign, by Brent's method
// (R. P. Brent, 1973, "Algorithms for Minimization without Derivatives", Prentice-Hall, chapter 4,
// procedure zero): inverse quadratic interpolation and secant steps, with a bisection whenever
// they would not shrink the bracket fast enough, so that it never takes more evaluations than
// about the square of a bisection's and usually far fewer.
//
// The bracket always holds a sign change and every evaluation lies inside the bracket given:
// the search cannot leave it. It stops when the bracket is narrower than 2 (2 eps |x| + t), t the
// tolerance given, or when it meets an exact zero; or it stops at the first point where the
// function answers NaN, and says where.
#ifndef KZR_TOOLS_BRENT_H
#define KZR_TOOLS_BRENT_H

#include <functional>

namespace sensitivities {

enum class searchoutcome {
  converged,  // x is the root, within the tolerance
  undefined,  // the function answered NaN at x
  exhausted,  // no convergence in the evaluations allowed; x is the best point so far
};

struct rootsearch {
  searchoutcome outcome = searchoutcome::converged;
  double x = 0.0;
  double fx = 0.0;
  int evaluations = 0;  // evaluations made by the search (the two at the ends not counted)
};

constexpr int maximumevaluations = 200;

// a and b are the ends of the bracket and fa, fb the function's values there, of opposite signs
// (or one of them zero).
rootsearch brentroot(const std::function<double(double)>& f, double a, double fa, double b,
                     double fb, double tolerance, int evaluations = maximumevaluations);

}  // namespace sensitivities

#endif  // KZR_TOOLS_BRENT_H
