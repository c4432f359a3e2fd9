// Shared pieces of the grid and tree tests: a parameter block of the test's own (its cache freed
// at the end), and QuantLib's American and European engines as independent references.
#ifndef KZR_TESTS_FDTESTSUPPORT_H
#define KZR_TESTS_FDTESTSUPPORT_H

#include <ql/quantlib.hpp>

#include "finitedifference/fdvaluation.h"
#include "ownblock.h"

namespace fdtest {

// A parameter block whose grid cache is freed on destruction.
using block = testsupport::ownblock<gridcache>;

// A contract whose expiry is a whole number of days, so that QuantLib's Actual/365 (Fixed) year
// fraction is exactly days / 365.
struct market {
  int days;
  double S, K, sigma, r, q;
  double T() const { return days / 365.0; }
};

enum class exercise { european, american };

// QuantLib's finite-difference vanilla engine (Douglas scheme, Crank-Nicolson weights) on a
// tGrid x xGrid grid.
inline double quantlibfd(QuantLib::Option::Type type, exercise style, const market& m,
                         QuantLib::Size tGrid, QuantLib::Size xGrid) {
  using namespace QuantLib;
  const Date today(15, May, 2024);
  Settings::instance().evaluationDate() = today;
  const DayCounter dc = Actual365Fixed();
  const Date maturity = today + m.days;
  auto process = ext::make_shared<BlackScholesMertonProcess>(
      Handle<Quote>(ext::make_shared<SimpleQuote>(m.S)),
      Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, m.q, dc)),
      Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, m.r, dc)),
      Handle<BlackVolTermStructure>(
          ext::make_shared<BlackConstantVol>(today, NullCalendar(), m.sigma, dc)));
  ext::shared_ptr<Exercise> exerciseof =
      style == exercise::american
          ? ext::shared_ptr<Exercise>(ext::make_shared<AmericanExercise>(today, maturity))
          : ext::shared_ptr<Exercise>(ext::make_shared<EuropeanExercise>(maturity));
  VanillaOption option(ext::make_shared<PlainVanillaPayoff>(type, m.K), exerciseof);
  option.setPricingEngine(ext::make_shared<FdBlackScholesVanillaEngine>(process, tGrid, xGrid));
  return option.NPV();
}

// The Black-Scholes-Merton European value by QuantLib's blackFormula.
inline double quantlibeuropean(QuantLib::Option::Type type, double T, double S, double K,
                               double sigma, double r, double q) {
  const double forward = S * std::exp((r - q) * T);
  return QuantLib::blackFormula(type, K, forward, sigma * std::sqrt(T), std::exp(-r * T));
}

}  // namespace fdtest

#endif  // KZR_TESTS_FDTESTSUPPORT_H
