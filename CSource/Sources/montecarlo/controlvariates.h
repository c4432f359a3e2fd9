// Control variates of the simulations (library option 3): each path pays Y and k companions
// C_1 .. C_k whose expectations mu are known in closed form (the instrument's controls and
// controlmeans, mcbase.h); the run's payoff sum is replaced by
//   sum Y - beta^T sum (C - mu),   beta solving S_CC beta = S_CY,
// S_CC and S_CY the sample covariances of the controls and of the controls with Y over the same
// paths (the regression estimator, Glasserman (2004), Monte Carlo Methods in Financial
// Engineering, Springer, sections 4.1.1 and 4.1.3).
//
// Decision: beta comes from the run's own paths, not from a pilot run. The estimator's bias is
// of order 1/N (Glasserman, section 4.1.3, p. 200), far below its error of order 1/sqrt(N) at the
// path counts a simulation runs; a pilot would cost paths of its own and a second stream, and a
// run at a fixed seed would no longer be one pass over one set of draws (the kept draws of mode
// 0 serve the sensitivities with the same beta rule as the price). Each variant of a
// sensitivity run (mcvaluation.h) takes its own beta and its own means, from its bumped terms,
// on the common draws.
//
// S_CC is factored by the semi-definite Cholesky rule (numerics/linearalgebra.h): controls that
// repeat one another (equal assets perfectly correlated, or a control that never pays on these
// paths) lose their column and take beta 0; a matrix the rule refuses (rounding) leaves the plain
// sum; so does a variant whose means are not finite (a bumped spot below 0 in a gamma run, which
// the closed form does not price; the valuation then corrects none of the run's variants). The
// controls are centred at their means as they are summed, so the sums stay small.
//
// Not thread-safe: a set of sums belongs to one run.
#ifndef KZR_MONTECARLO_CONTROLVARIATES_H
#define KZR_MONTECARLO_CONTROLVARIATES_H

#include <cstdint>
#include <vector>

class mcbase;

class controlsums {
 public:
  // The controls of instrument on paths of M points, their means taken now; none when the
  // instrument has none.
  controlsums(const mcbase& instrument, int M);

  int count() const { return k; }
  // Adds one path: its payoff y and the controls of its points.
  void add(double y, const double* path, int M);
  // The corrected payoff sum of N paths whose payoffs summed to sum.
  double adjustedsum(double sum, std::int64_t N) const;

 private:
  const mcbase* instrument;
  int k;
  std::vector<double> mean, value;
  std::vector<double> sumc;   // sum of C - mu
  std::vector<double> sumcc;  // k x k, sum of (C - mu)(C - mu)^T
  std::vector<double> sumyc;  // sum of y (C - mu)
};

#endif  // KZR_MONTECARLO_CONTROLVARIATES_H
