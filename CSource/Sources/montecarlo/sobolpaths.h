// The low-discrepancy draws of the simulations (library option 2): the normals of each path from
// one point of a Sobol sequence, randomised by a random digital shift and turned into a path by
// the Brownian bridge (numerics/brownianbridge.h).
//
// The sequence is Boost.Random's sobol_engine in 32 bits: the direction numbers of Joe and Kuo
// (2008), "Constructing Sobol sequences with better two-dimensional projections", SIAM J. Sci.
// Comput. 30, pp. 2635-2654, as Boost publishes them, in Gray-code order (Antonov and Saleev,
// 1979), without the origin: point p of the run is the sequence's point p + 1. Sobol (1967),
// "On the distribution of points in a cube and the approximate evaluation of integrals", USSR
// Comput. Math. Math. Phys. 7, pp. 86-112.
//
// A path of m steps on n assets takes D = m n coordinates: coordinate i n + k feeds the bridge
// of asset k its i-th normal (i = 0 the end point, then the midpoints level by level), so the
// first coordinates, the most even ones, carry the coarse shape of every asset's path. The
// bridge's increments are the path's normals, point t of asset k at t n + k, in the layout of
// the draws the engine keeps (pathsimulation.h); the engine correlates them as it correlates the
// pseudo-random normals.
//
// Randomisation: a random digital shift (Glasserman (2004), Monte Carlo Methods in Financial
// Engineering, Springer, section 5.4.2; L'Ecuyer and Lemieux (2002), "Recent advances in
// randomized quasi-Monte Carlo methods", in Modeling Uncertainty, Kluwer, pp. 419-474): one
// 32-bit word e_d per coordinate, drawn from the MT19937 source of the call (randomsource.h,
// seeded by the library options' seed or the clock), XORed into every point's coordinate d, and
// u = (x XOR e_d + 0.5) 2^-32 on (0, 1) gives the normal inversenormalcdf(u). Each shifted point
// is uniform on the cube, so the price is unbiased, and runs at different seeds are independent
// replicates of one another: the spread of their prices is the error of one.
//
// Decision, beyond the sequence's dimensions (Boost's table holds maxdimension = 3667): the
// coordinates from maxdimension on are drawn from the same MT19937 source, after the shifts,
// path by path, by its Box-Muller normals (a hybrid of quasi- and pseudo-random points,
// Glasserman section 5.5.1). The bridge gives those coordinates the finest levels of the paths,
// the estimator stays unbiased and the replicates independent, so a long simulation (steps x
// assets above 3667) is priced rather than refused; it gains less from the sequence.
//
// Not thread-safe: a source belongs to one run.
#ifndef KZR_MONTECARLO_SOBOLPATHS_H
#define KZR_MONTECARLO_SOBOLPATHS_H

#include <cstdint>
#include <memory>
#include <vector>

#include "montecarlo/randomsource.h"
#include "numerics/brownianbridge.h"

class sobolsequence;  // Boost's engine, kept out of this header

class sobolpaths {
 public:
  // The coordinates the sequence gives; the rest come from the pseudo-random source.
  static const int maxdimension;

  // Paths of steps normals per asset on assets assets (no coordinate when either is below 1);
  // seedoption as randomsource's.
  sobolpaths(int steps, int assets, std::int64_t seedoption);
  ~sobolpaths();
  sobolpaths(const sobolpaths&) = delete;
  sobolpaths& operator=(const sobolpaths&) = delete;

  // The steps x assets normals of the next path: step t of asset k at normals[t assets + k].
  void nextpath(double* normals);

 private:
  int m, n;
  std::unique_ptr<sobolsequence> sequence;  // null when no coordinate comes from it
  randomsource stream;
  std::vector<std::uint32_t> shift;  // e_d of the sequence's coordinates
  std::vector<double> coordinates;   // the D normals of a path, in the bridge's order
  brownianbridge bridge;
};

// The sequence's first points without the shift, for tests: count points of dimension
// dimension (1 to maxdimension), point p's coordinate d at p dimension + d, as 32-bit words.
std::vector<std::uint32_t> sobolwords(int dimension, int count);

#endif  // KZR_MONTECARLO_SOBOLPATHS_H
