// The Brownian bridge construction of a Brownian motion on m equal steps: the end point first,
// then the midpoints of the intervals left, level by level, each from its two neighbours and one
// normal. The normals given first carry most of the path's variance, which is what a
// low-discrepancy sequence's first coordinates need (its later coordinates are the less even).
//
// With W(0) = 0 on unit steps: W(m) = sqrt(m) z_0; then, breadth first over the intervals (l, r)
// with r - l >= 2, the midpoint c = l + (r - l) / 2 (integer division) takes
//   W(c) = ((r - c) W(l) + (c - l) W(r)) / (r - l) + sqrt((c - l) (r - c) / (r - l)) z_k,
// k counting the points in that order. The increments W(t + 1) - W(t), t = 0 .. m - 1, are then
// independent standard normals, whatever the z's order: the bridge only reorders which normal
// shapes which part of the path.
//
// Sources: Moskowitz and Caflisch (1996), "Smoothness and dimension reduction in quasi-Monte Carlo
// methods", vol. 23, pp. 37-54; Glasserman (2004), Monte Carlo
// Methods in Financial Engineering, Springer, section 3.1, pp. 82-86 (the construction) and
// section 5.5.1 (its use with low-discrepancy points).
#ifndef KZR_NUMERICS_BROWNIANBRIDGE_H
#define KZR_NUMERICS_BROWNIANBRIDGE_H

#include <cstddef>
#include <vector>

class brownianbridge {
 public:
  // m steps; none for m below 1.
  explicit brownianbridge(int steps);

  int steps() const { return m; }

  // The m increments from m standard normals in the bridge's order: z[i * zstride] is the i-th
  // normal, increment t goes to out[t * outstride].
  void increments(const double* z, std::size_t zstride, double* out, std::size_t outstride);

 private:
  int m;
  // Point k of the construction (k = 1 .. m - 1): W(point) from W(left) and W(right).
  std::vector<int> point, left, right;
  std::vector<double> leftweight, rightweight, spread;
  std::vector<double> path;  // W(0) .. W(m)
};

#endif  // KZR_NUMERICS_BROWNIANBRIDGE_H
