#include "finitedifference/AmericanVanilla.h"

#include <cmath>
#include <cstddef>
#include <typeinfo>
#include <vector>

#include "binding/varianttable.h"
#include "closedform/BlackScholes.h"
#include "finitedifference/ndi.h"
#include "numerics/messages.h"
#include "numerics/normaldistribution.h"
#include "numerics/undefined.h"

namespace AmericanVanilla {

namespace {

enum variant {
  binomialcallvalue = 0,     // BINACO
  binomialputvalue = 1,      // BINAPO
  gridcallvalue = 2,         // BSACO
  gridputvalue = 3,          // BSAPO
  binomialcallcrit = 4,      // BINACOCrit
  binomialputcrit = 5,       // BINAPOCrit
  gridcallcrit = 6,          // BSACOCrit
  gridputcrit = 7,           // BSAPOCrit
};

constexpr double bisectionwidth = 0.0001;
constexpr double binomialdividendfloor = 0.00001;  // inclusive: BINACO, BINACOCrit
constexpr double griddividendfloor = 0.001;        // exclusive: BSACOCrit

bool refused(double T, double S, double K, double sigma, double r, double q) {
  return T < 0 || S < 0 || K <= 0 || sigma <= 0 || r < 0 || q < 0;
}

bool refusedcritical(double T, double K, double sigma, double r, double q) {
  return T < 0 || K <= 0 || sigma <= 0 || r < 0 || q < 0;
}

// The CRR tree of one contract's T, K, sigma, r, q and steps: the powers of u are taken once
// (pow(u, m), m = -n..n, with u u for m = 2) and serve every spot the tree is asked for.
class crrtree {
 public:
  crrtree(double T, double K, double sigma, double r, double q, std::int64_t steps)
      : K(K), n(steps) {
    const double dt = T / static_cast<double>(n);
    u = std::exp(sigma * std::sqrt(dt));
    const double d = 1.0 / u;
    p = (std::exp((r - q) * dt) - d) / (u - d);
    complement = 1.0 - p;
    discount = std::exp(-r * dt);
    const std::size_t count = static_cast<std::size_t>(n) + 1;
    powers.resize(2 * count - 1);
    for (std::int64_t m = -n; m <= n; ++m)
      powers[static_cast<std::size_t>(m + n)] =
          m == 2 ? u * u : std::pow(u, static_cast<double>(m));
    values.resize(count);
    even.resize(count);
    odd.resize(count);
  }

  // p outside [0, 1], or undefined while the inputs are numbers.
  bool probabilityrefused(double T, double K, double sigma, double r, double q) const {
    if (p < 0 || p > 1) return true;
    return std::isnan(p) && !std::isnan(T + K + sigma + r + q);
  }

  // The American value at spot S. Intrinsic values at S u^m are laid out by the parity of m so
  // that every level reads them in order: even[s] at m = n - 2s, odd[s] at m = n - 1 - 2s.
  double price(int callput, double S) {
    const std::size_t count = static_cast<std::size_t>(n) + 1;
    const double* power = powers.data() + n;  // power[m] = u^m
    for (std::size_t s = 0; s < count; ++s) {
      const double node = S * power[n - 2 * static_cast<std::int64_t>(s)];
      even[s] = callput > 0 ? maxof(node - K, 0.0) : maxof(K - node, 0.0);
    }
    for (std::size_t s = 0; s + 1 < count; ++s) {
      const double node = S * power[n - 1 - 2 * static_cast<std::int64_t>(s)];
      odd[s] = callput > 0 ? maxof(node - K, 0.0) : maxof(K - node, 0.0);
    }
    double* V = values.data();
    for (std::size_t i = 0; i < count; ++i) V[i] = even[i];
    for (std::int64_t j = n; j >= 1; --j) {
      // Level j - 1 holds the prices S u^(j-1-2i), i = 0..j-1.
      const std::int64_t gap = n - (j - 1);
      const double* exercise =
          gap % 2 == 0 ? even.data() + gap / 2 : odd.data() + (gap - 1) / 2;
      const double pu = p, pd = complement, df = discount;
      for (std::int64_t i = 0; i < j; ++i) {
        const double continuation = (pu * V[i] + pd * V[i + 1]) * df;
        V[i] = maxof(continuation, exercise[i]);
      }
    }
    return V[0];
  }

 private:
  double K;
  std::int64_t n;
  double u = 0, p = 0, complement = 0, discount = 0;
  std::vector<double> powers, values, even, odd;
};

// Steps of parameter entry 4, or 0 after the message when they cannot work.
std::int64_t treesteps(const parameterblock* block) {
  const std::int64_t steps = entryinteger(*block, entrysteps, 0, defaultsteps);
  if (steps < 1 || steps > maximumsteps) {
    writemessage(messages::treesteps);
    return 0;
  }
  return steps;
}

double binomialvalue(int callput, double T, double S, double K, double sigma, double r, double q,
                     parameterblock* block) {
  const std::int64_t steps = treesteps(block);
  if (steps == 0) return undefinedvalue();
  crrtree tree(T, K, sigma, r, q, steps);
  if (tree.probabilityrefused(T, K, sigma, r, q)) {
    writemessage(messages::treeprobability);
    return undefinedvalue();
  }
  return tree.price(callput, S);
}

double binomialcritical(int callput, double T, double K, double sigma, double r, double q,
                        parameterblock* block) {
  const std::int64_t steps = treesteps(block);
  if (steps == 0) return undefinedvalue();
  crrtree tree(T, K, sigma, r, q, steps);
  if (tree.probabilityrefused(T, K, sigma, r, q)) {
    writemessage(messages::treeprobability);
    return undefinedvalue();
  }
  double lo = callput > 0 ? K : 0.0;
  double hi = callput > 0 ? perpetualcalllevel(K, sigma, r, q) : K;
  while (std::fabs(hi - lo) > bisectionwidth) {
    const double mid = (lo + hi) / 2.0;
    if (mid == lo || mid == hi) break;  // no double left between them
    const double value = tree.price(callput, mid);
    const double exercise = callput > 0 ? maxof(mid - K, 0.0) : maxof(K - mid, 0.0);
    const bool continuation = value > exercise;
    if (callput > 0)
      (continuation ? lo : hi) = mid;
    else
      (continuation ? hi : lo) = mid;
  }
  return (lo + hi) / 2.0;
}

double gridvalue(int callput, bool critical, double T, double S, double K, double sigma,
                 double r, double q, parameterblock* block) {
  contractdata record{T, critical ? 0.0 : S, sigma, r, q, K, 0.0, 0.0, callput, 1,
                      critical ? 1 : 0, 0};
  const parameterentry grid = block->entries[entrygrid];
  americanvanilla instrument(record, grid);
  CNNDI scheme(&instrument);
  return scheme.value(block);
}

}  // namespace

// americanvanilla

americanvanilla::americanvanilla(contractdata& record, const parameterentry& grid)
    : fdbase(record, grid) {
  clone = new americanvanilla(*this, clonetag{});
}

bool americanvanilla::issame(const fdbase* other) const {
  return other != nullptr && typeid(*other) == typeid(americanvanilla) && samecontract(other);
}

void americanvanilla::boundary(double /*t*/, double /*a*/, double /*b*/, double* gridinfo,
                               const parameterblock* /*params*/) const {
  const double K = data->strike;
  if (data->callput == 1) {
    gridinfo[0] = 0.0;
    gridinfo[1] = maxof(gridinfo[4] - K, 0.0);
  } else {
    gridinfo[0] = K;
    gridinfo[1] = 0.0;
  }
}

double americanvanilla::payoff(double S, double /*a*/, const parameterblock* /*params*/) const {
  return maxof(data->callput * (S - data->strike), 0.0);
}

void americanvanilla::gridlimits(double* out, const parameterblock* /*params*/) const {
  out[0] = data->expiry;
  out[1] = 0.0;
  out[2] = highlimit();
}

double americanvanilla::critstart(const double* gridinfo, const parameterblock* /*params*/) const {
  return data->strike / gridinfo[4] - 2.0 * data->callput / nspace;
}

void americanvanilla::heatboundary(double /*tau*/, double /*k*/, double /*kprime*/,
                                   double* /*gridinfo*/, const parameterblock* /*params*/) const {}

double americanvanilla::heatpayoff(double /*x*/, double /*kprime*/,
                                   const parameterblock* /*params*/) const {
  return 0.0;
}

void americanvanilla::heatgridlimits(double* /*out*/, const parameterblock* /*params*/) const {}

double americanvanilla::highlimit() const {
  const double K = data->strike;
  const double wide = maxof(10.0 * K, 100.0);
  if (data->callput != 1) return wide;
  const double level = perpetualcalllevel(K, data->volatility, data->rate, data->dividend);
  if (maxof(1.2 * K, 10.0) <= level && level <= wide) return level;
  return wide;
}

// Plain functions

double perpetualcalllevel(double K, double sigma, double r, double q) {
  const double sigma2 = sigma * sigma;
  const double m = r - q - sigma2 / 2.0;
  const double beta = (-m + std::sqrt(m * m + 2.0 * r * sigma2)) / sigma2;
  return beta * K / (beta - 1.0);
}

double binomialtree(int callput, double T, double S, double K, double sigma, double r, double q,
                    std::int64_t n) {
  crrtree tree(T, K, sigma, r, q, n);
  return tree.price(callput, S);
}

double binomialcall(double T, double S, double K, double sigma, double r, double q,
                    parameterblock* block) {
  if (refused(T, S, K, sigma, r, q)) return undefinedvalue();
  if (S == 0) return 0.0;
  if (T == 0) return maxof(S - K, 0.0);
  if (q <= binomialdividendfloor) return BlackScholes::blackscholescall(T, S, K, sigma, r, q);
  return binomialvalue(1, T, S, K, sigma, r, q, block);
}

double binomialput(double T, double S, double K, double sigma, double r, double q,
                   parameterblock* block) {
  if (refused(T, S, K, sigma, r, q)) return undefinedvalue();
  if (S == 0) return K;
  if (T == 0) return maxof(K - S, 0.0);
  return binomialvalue(-1, T, S, K, sigma, r, q, block);
}

double gridcall(double T, double S, double K, double sigma, double r, double q,
                parameterblock* block) {
  if (K <= 0) return undefinedvalue();
  if (S == 0) return 0.0;
  if (T == 0) return maxof(S - K, 0.0);
  return gridvalue(1, false, T, S, K, sigma, r, q, block);
}

double gridput(double T, double S, double K, double sigma, double r, double q,
               parameterblock* block) {
  if (refused(T, S, K, sigma, r, q)) return undefinedvalue();
  if (S == 0) return K;
  if (T == 0) return maxof(K - S, 0.0);
  return gridvalue(-1, false, T, S, K, sigma, r, q, block);
}

double binomialcallcritical(double T, double K, double sigma, double r, double q,
                            parameterblock* block) {
  if (refusedcritical(T, K, sigma, r, q)) return undefinedvalue();
  if (T == 0) return K;
  if (q <= binomialdividendfloor) return HUGE_VAL;
  return binomialcritical(1, T, K, sigma, r, q, block);
}

double binomialputcritical(double T, double K, double sigma, double r, double q,
                           parameterblock* block) {
  if (refusedcritical(T, K, sigma, r, q)) return undefinedvalue();
  if (T == 0) return K;
  return binomialcritical(-1, T, K, sigma, r, q, block);
}

double gridcallcritical(double T, double K, double sigma, double r, double q,
                        parameterblock* block) {
  if (K <= 0) return undefinedvalue();
  if (T == 0) return K;
  if (q < griddividendfloor) return HUGE_VAL;
  return gridvalue(1, true, T, 0.0, K, sigma, r, q, block);
}

double gridputcritical(double T, double K, double sigma, double r, double q,
                       parameterblock* block) {
  if (refusedcritical(T, K, sigma, r, q)) return undefinedvalue();
  if (T == 0) return K;
  return gridvalue(-1, true, T, 0.0, K, sigma, r, q, block);
}

double americanvanillahandler(std::string code, const double* data, const datashape* shape,
                              parameterblock* block) {
  static varianttable variants;
  static rowtable<americanvanillainputs> rows;
  bindrows(rows, data, *shape);
  const int index = variants.lookup(code, {
                                              {"BINACO", binomialcallvalue},  // tree call
                                              {"BINAPO", binomialputvalue},   // tree put
                                              {"BSACO", gridcallvalue},       // grid call
                                              {"BSAPO", gridputvalue},        // grid put
                                              {"BINACOCrit", binomialcallcrit},
                                              {"BINAPOCrit", binomialputcrit},
                                              {"BSACOCrit", gridcallcrit},
                                              {"BSAPOCrit", gridputcrit},
                                          });
  const int inputs =
      index <= gridputvalue ? americanvanillainputs : americanvanillacriticalinputs;
  if (!rows.holds(inputs)) return undefinedvalue();
  auto in = [&](int k) { return rows.input(k); };
  switch (index) {
    case binomialcallvalue:
      return binomialcall(in(0), in(1), in(2), in(3), in(4), in(5), block);
    case binomialputvalue:
      return binomialput(in(0), in(1), in(2), in(3), in(4), in(5), block);
    case gridcallvalue:
      return gridcall(in(0), in(1), in(2), in(3), in(4), in(5), block);
    case gridputvalue:
      return gridput(in(0), in(1), in(2), in(3), in(4), in(5), block);
    case binomialcallcrit:
      return binomialcallcritical(in(0), in(1), in(2), in(3), in(4), block);
    case binomialputcrit:
      return binomialputcritical(in(0), in(1), in(2), in(3), in(4), block);
    case gridcallcrit:
      return gridcallcritical(in(0), in(1), in(2), in(3), in(4), block);
    default:
      return gridputcritical(in(0), in(1), in(2), in(3), in(4), block);
  }
}

}  // namespace AmericanVanilla
