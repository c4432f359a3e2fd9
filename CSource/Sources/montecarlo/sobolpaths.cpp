#include "montecarlo/sobolpaths.h"

#include <algorithm>
#include <cstddef>

#include <boost/random/sobol.hpp>

#include "numerics/normaldistribution.h"

class sobolsequence : public boost::random::sobol_engine<std::uint32_t, 32> {
 public:
  explicit sobolsequence(int dimension)
      : boost::random::sobol_engine<std::uint32_t, 32>(static_cast<std::size_t>(dimension)) {}
};

const int sobolpaths::maxdimension =
    static_cast<int>(boost::random::detail::qrng_tables::sobol::max_dimension);

sobolpaths::sobolpaths(int steps, int assets, std::int64_t seedoption)
    : m(steps > 0 && assets > 0 ? steps : 0),
      n(steps > 0 && assets > 0 ? assets : 0),
      stream(seedoption),
      coordinates(static_cast<std::size_t>(m) * static_cast<std::size_t>(n)),
      bridge(m) {
  const std::size_t D = coordinates.size();
  const std::size_t fromsequence = std::min(D, static_cast<std::size_t>(maxdimension));
  if (fromsequence == 0) return;
  sequence = std::make_unique<sobolsequence>(static_cast<int>(fromsequence));
  shift.resize(fromsequence);
  for (std::uint32_t& e : shift) e = stream.nextword();
}

sobolpaths::~sobolpaths() = default;

void sobolpaths::nextpath(double* normals) {
  const std::size_t D = coordinates.size();
  if (D == 0) return;
  const std::size_t fromsequence = shift.size();
  for (std::size_t d = 0; d < fromsequence; ++d) {
    const std::uint32_t x = static_cast<std::uint32_t>((*sequence)()) ^ shift[d];
    coordinates[d] = inversenormalcdf(randomsource::openfromword(x));
  }
  for (std::size_t d = fromsequence; d < D; ++d) coordinates[d] = stream.normaldraw(0.0, 1.0);
  for (int k = 0; k < n; ++k)
    bridge.increments(coordinates.data() + k, static_cast<std::size_t>(n), normals + k,
                      static_cast<std::size_t>(n));
}

std::vector<std::uint32_t> sobolwords(int dimension, int count) {
  std::vector<std::uint32_t> words;
  if (dimension < 1 || dimension > sobolpaths::maxdimension || count < 1) return words;
  sobolsequence sequence(dimension);
  words.resize(static_cast<std::size_t>(dimension) * static_cast<std::size_t>(count));
  for (std::uint32_t& w : words) w = static_cast<std::uint32_t>(sequence());
  return words;
}
