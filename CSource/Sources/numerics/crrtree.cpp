#include "numerics/crrtree.h"

#include "numerics/messages.h"

crrtree::crrtree(double T, double sigma, double growth, double rate, std::int64_t steps,
                 crrsquare square)
    : n(steps), square(square) {
  const double dt = T / static_cast<double>(n);
  u = std::exp(sigma * std::sqrt(dt));
  const double d = 1.0 / u;
  p = (std::exp(growth * dt) - d) / (u - d);
  complement = 1.0 - p;
  discount = std::exp(-rate * dt);
}

void crrtree::takepowers() {
  powers.resize(2 * static_cast<std::size_t>(n) + 1);
  for (std::int64_t m = -n; m <= n; ++m) powers[static_cast<std::size_t>(m + n)] = power(m);
}

std::optional<crrtree> checkedcrrtree(double T, double sigma, double growth, double rate,
                                      std::int64_t steps, crrsquare square, bool inputsarenumbers) {
  if (!treestepsadmissible(steps)) {
    writemessage(messages::treesteps);
    return std::nullopt;
  }
  crrtree tree(T, sigma, growth, rate, steps, square);
  if (tree.probabilityoutside() || (std::isnan(tree.probability()) && inputsarenumbers)) {
    writemessage(messages::treeprobability);
    return std::nullopt;
  }
  return tree;
}
