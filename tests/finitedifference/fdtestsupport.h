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

// The market's Black-Scholes-Merton process under flat curves (Actual/365 (Fixed)), with today
// as QuantLib's evaluation date.
inline QuantLib::ext::shared_ptr<QuantLib::BlackScholesMertonProcess> quantlibprocess(
    const market& m, const QuantLib::Date& today) {
  using namespace QuantLib;
  Settings::instance().evaluationDate() = today;
  const DayCounter dc = Actual365Fixed();
  return ext::make_shared<BlackScholesMertonProcess>(
      Handle<Quote>(ext::make_shared<SimpleQuote>(m.S)),
      Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, m.q, dc)),
      Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, m.r, dc)),
      Handle<BlackVolTermStructure>(
          ext::make_shared<BlackConstantVol>(today, NullCalendar(), m.sigma, dc)));
}

// QuantLib's finite-difference vanilla engine (Douglas scheme, Crank-Nicolson weights) on a
// tGrid x xGrid grid.
inline double quantlibfd(QuantLib::Option::Type type, exercise style, const market& m,
                         QuantLib::Size tGrid, QuantLib::Size xGrid) {
  using namespace QuantLib;
  const Date today(15, May, 2024);
  const Date maturity = today + m.days;
  auto process = quantlibprocess(m, today);
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

// Two correlated assets under flat curves, for QuantLib's two-dimensional engine.
struct twoassetmarket {
  double T;  // a whole number of days over 365
  double S1, S2, sigma1, sigma2, rho, r, q1, q2;
};

// An American option on two assets (a max, min or spread basket payoff) under QuantLib's
// two-dimensional finite-difference engine on an xGrid x yGrid x tGrid grid.
inline double quantlibamericanbasket(
    const QuantLib::ext::shared_ptr<QuantLib::BasketPayoff>& payoff, const twoassetmarket& m,
    QuantLib::Size xGrid, QuantLib::Size yGrid, QuantLib::Size tGrid) {
  using namespace QuantLib;
  const Date today(15, May, 2024);
  Settings::instance().evaluationDate() = today;
  const DayCounter dc = Actual365Fixed();
  auto flat = [&](double rate) {
    return Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, rate, dc));
  };
  auto process = [&](double S, double q, double sigma) {
    return ext::make_shared<BlackScholesMertonProcess>(
        Handle<Quote>(ext::make_shared<SimpleQuote>(S)), flat(q), flat(m.r),
        Handle<BlackVolTermStructure>(
            ext::make_shared<BlackConstantVol>(today, NullCalendar(), sigma, dc)));
  };
  const Date expiry = today + static_cast<Integer>(std::lround(m.T * 365));
  BasketOption option(payoff, ext::make_shared<AmericanExercise>(today, expiry));
  option.setPricingEngine(ext::make_shared<Fd2dBlackScholesVanillaEngine>(
      process(m.S1, m.q1, m.sigma1), process(m.S2, m.q2, m.sigma2), m.rho, xGrid, yGrid, tGrid));
  return option.NPV();
}

}  // namespace fdtest

#endif  // KZR_TESTS_FDTESTSUPPORT_H
