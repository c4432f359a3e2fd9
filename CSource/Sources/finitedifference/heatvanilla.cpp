#include "finitedifference/heatvanilla.h"

#include <cmath>
#include <cstdint>

#include "finitedifference/AmericanVanilla.h"
#include "numerics/comparisons.h"
#include "numerics/messages.h"
#include "numerics/undefined.h"

namespace {

double americanvalue(const contractdata& d, double T, double x, const parameterblock* params) {
  const double K = d.strike;
  return AmericanVanilla::binomialamerican(d.callput, T, K * std::exp(x), K, d.volatility, d.rate,
                                           d.dividend, params);
}

}  // namespace

double heatvanillapayoff(int callput, double x, double kprime) {
  return maxof(callput * (std::exp(x) - 1.0), 0.0) * std::exp((kprime - 1.0) * x / 2.0);
}

double heatamericanedge(const contractdata& d, double x, double tau, double k, double kprime,
                        const parameterblock* params) {
  const double expiry = 2.0 * tau / (d.volatility * d.volatility);
  const double american = americanvalue(d, expiry, x, params);
  return american / (d.strike * std::exp(-(kprime - 1.0) * x / 2.0 -
                                         ((kprime - 1.0) * (kprime - 1.0) / 4.0 + k) * tau));
}

std::int64_t edgetreesteps(const parameterblock& params) {
  return entryinteger(params, entrysteps, 0, AmericanVanilla::defaultsteps);
}

bool americanedgesready(const contractdata& d, std::initializer_list<double> edges, int ntime,
                        const parameterblock* params) {
  const double steps = static_cast<double>(edgetreesteps(*params));
  const double work =
      (ntime - 1.0) * static_cast<double>(edges.size()) * steps * (steps + 1.0) / 2.0;
  if (work > maximumedgetreework) {
    writemessage(messages::treesteps);
    return false;
  }
  for (double x : edges)
    if (isundefined(americanvalue(d, d.expiry, x, params))) return false;
  return true;
}
