// Test fixtures for the European closed-form families: QuantLib's analytic engines on a flat
// market, and direct numerical integration of a payoff over the lognormal law of the spot.
#ifndef KZR_TESTS_CLOSEDFORM_FLATMARKET_H
#define KZR_TESTS_CLOSEDFORM_FLATMARKET_H

#include <algorithm>
#include <cmath>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <ql/math/integrals/gaussianquadratures.hpp>
#include <ql/quantlib.hpp>

namespace flatmarket {

// A flat Black-Scholes market in QuantLib. Times are whole days of an Actual/360 year, so a time
// T maps to exactly T years (tests pick T as a multiple of 1/360).
struct market {
  QuantLib::Date today{15, QuantLib::May, 2024};
  QuantLib::DayCounter daycount = QuantLib::Actual360();
  QuantLib::ext::shared_ptr<QuantLib::SimpleQuote> spot;
  QuantLib::ext::shared_ptr<QuantLib::GeneralizedBlackScholesProcess> process;

  market(double S, double sigma, double r, double q) {
    using namespace QuantLib;
    Settings::instance().evaluationDate() = today;
    spot = ext::make_shared<SimpleQuote>(S);
    Handle<YieldTermStructure> rates(ext::make_shared<FlatForward>(today, r, daycount));
    Handle<YieldTermStructure> dividends(ext::make_shared<FlatForward>(today, q, daycount));
    Handle<BlackVolTermStructure> vol(
        ext::make_shared<BlackConstantVol>(today, NullCalendar(), sigma, daycount));
    process =
        ext::make_shared<BlackScholesMertonProcess>(Handle<Quote>(spot), dividends, rates, vol);
  }
  QuantLib::Date at(double T) const {
    return today + static_cast<QuantLib::Integer>(std::lround(T * 360.0));
  }
  QuantLib::ext::shared_ptr<QuantLib::Exercise> expiry(double T) const {
    return QuantLib::ext::make_shared<QuantLib::EuropeanExercise>(at(T));
  }
};

// e^(-r t) E[payoff(S_t)] for S_t = S exp((r - q - sigma^2/2) t + sigma sqrt(t) Z), Z standard
// normal: Simpson's rule on Z in [-12, 12], fine enough that kinks of the payoff cost under 1e-6.
inline double lognormalexpectation(const std::function<double(double)>& payoff, double t, double S,
                                   double sigma, double r, double q) {
  constexpr int intervals = 48000;  // even
  constexpr double lo = -12.0, hi = 12.0;
  const double h = (hi - lo) / intervals;
  const double drift = (r - q - sigma * sigma / 2.0) * t, deviation = sigma * std::sqrt(t);
  double sum = 0.0;
  for (int i = 0; i <= intervals; ++i) {
    const double z = lo + i * h;
    const double weight = (i == 0 || i == intervals) ? 1.0 : (i % 2 ? 4.0 : 2.0);
    sum += weight * payoff(S * std::exp(drift + deviation * z)) * std::exp(-z * z / 2.0);
  }
  return std::exp(-r * t) * sum * h / 3.0 / std::sqrt(2.0 * M_PI);
}

// The prices in [low, high] where f changes sign: f is scanned on a logarithmic grid and each
// bracket halved until its ends are neighbouring doubles.
inline std::vector<double> signchanges(const std::function<double(double)>& f, double low,
                                       double high) {
  constexpr int points = 4000;
  std::vector<double> roots;
  double x0 = low, f0 = f(low);
  for (int i = 1; i <= points; ++i) {
    const double x1 = low * std::pow(high / low, static_cast<double>(i) / points), f1 = f(x1);
    if ((f0 < 0) != (f1 < 0)) {
      double a = x0, b = x1;
      for (;;) {
        const double mid = (a + b) / 2;
        if (mid <= a || mid >= b) break;
        ((f(mid) < 0) == (f0 < 0) ? a : b) = mid;
      }
      roots.push_back(b);
    }
    x0 = x1;
    f0 = f1;
  }
  return roots;
}

// e^(-r t) E[payoff(S_t)] as above, integrated piece by piece between the prices where the
// payoff has a kink or a jump (breaks): each piece is cut into 400 intervals, each taken by
// QuantLib's 20-point Gauss-Legendre rule, which is exact to rounding on such smooth pieces.
inline double piecewiseexpectation(const std::function<double(double)>& payoff,
                                   std::vector<double> breaks, double t, double S, double sigma,
                                   double r, double q) {
  const double drift = (r - q - sigma * sigma / 2.0) * t, deviation = sigma * std::sqrt(t);
  std::vector<double> edges = {-12.0};
  std::sort(breaks.begin(), breaks.end());
  for (double price : breaks) {
    const double z = (std::log(price / S) - drift) / deviation;
    if (z > edges.back() && z < 12.0) edges.push_back(z);
  }
  edges.push_back(12.0);
  static const QuantLib::GaussLegendreIntegration rule(20);
  constexpr int intervals = 400;
  double sum = 0.0;
  for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
    const double h = (edges[i + 1] - edges[i]) / intervals;
    for (int j = 0; j < intervals; ++j) {
      const double mid = edges[i] + (j + 0.5) * h;
      sum += h / 2.0 * rule([&](double u) {
               const double z = mid + u * h / 2.0;
               return payoff(S * std::exp(drift + deviation * z)) * std::exp(-z * z / 2.0);
             });
    }
  }
  return std::exp(-r * t) * sum / std::sqrt(2.0 * M_PI);
}

// What a call writes to the standard output stream.
class capturedoutput {
 public:
  capturedoutput() : previous(std::cout.rdbuf(buffer.rdbuf())) {}
  ~capturedoutput() { std::cout.rdbuf(previous); }
  std::string text() const { return buffer.str(); }

 private:
  std::ostringstream buffer;
  std::streambuf* previous;
};

}  // namespace flatmarket

#endif  // KZR_TESTS_CLOSEDFORM_FLATMARKET_H
