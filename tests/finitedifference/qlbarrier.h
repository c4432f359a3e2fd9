// QuantLib's barrier engines as independent references for the barrier codes: the binomial
// single-barrier engine (American or European exercise), the analytic double-barrier engine
// (the Ikeda-Kunitomo series) and the binomial double-barrier engine.
#ifndef KZR_TESTS_QLBARRIER_H
#define KZR_TESTS_QLBARRIER_H

#include <ql/experimental/barrieroption/analyticdoublebarrierengine.hpp>
#include <ql/experimental/barrieroption/binomialdoublebarrierengine.hpp>
#include <ql/experimental/barrieroption/doublebarrieroption.hpp>
#include <ql/quantlib.hpp>

#include "fdtestsupport.h"

namespace qlbarrier {

using fdtest::exercise;
using fdtest::market;

// The process of a flat market (a whole number of days, Actual/365 Fixed); it sets the evaluation
// date, so each engine below makes it before the exercise dates.
inline QuantLib::ext::shared_ptr<QuantLib::BlackScholesMertonProcess> processof(const market& m) {
  using namespace QuantLib;
  const Date today(15, May, 2024);
  Settings::instance().evaluationDate() = today;
  const DayCounter dc = Actual365Fixed();
  return ext::make_shared<BlackScholesMertonProcess>(
      Handle<Quote>(ext::make_shared<SimpleQuote>(m.S)),
      Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, m.q, dc)),
      Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, m.r, dc)),
      Handle<BlackVolTermStructure>(
          ext::make_shared<BlackConstantVol>(today, NullCalendar(), m.sigma, dc)));
}

inline QuantLib::ext::shared_ptr<QuantLib::Exercise> exerciseof(const market& m, exercise style) {
  using namespace QuantLib;
  const Date today = Settings::instance().evaluationDate();
  if (style == exercise::american) return ext::make_shared<AmericanExercise>(today, today + m.days);
  return ext::make_shared<EuropeanExercise>(today + m.days);
}

inline QuantLib::Option::Type optiontype(int callput) {
  return callput > 0 ? QuantLib::Option::Call : QuantLib::Option::Put;
}

// A single-barrier knock-out at H (no rebate) on a Cox-Ross-Rubinstein tree of `steps` steps
// (exactly that many: the engine's own choice of steps is switched off) with the barrier
// enhancement of Derman, Kani, Ergener and Bardhan (1995).
inline double binomialknockout(bool down, int callput, exercise style, const market& m, double H,
                               int steps) {
  using namespace QuantLib;
  auto process = processof(m);
  BarrierOption option(down ? Barrier::DownOut : Barrier::UpOut, H, 0.0,
                       ext::make_shared<PlainVanillaPayoff>(optiontype(callput), m.K),
                       exerciseof(m, style));
  option.setPricingEngine(
      ext::make_shared<
          BinomialBarrierEngine<CoxRossRubinstein, DiscretizedDermanKaniBarrierOption>>(
          process, steps, steps));
  return option.NPV();
}

// A European single-barrier option at H (no rebate) by the Reiner-Rubinstein formulas.
inline double analyticbarrier(QuantLib::Barrier::Type type, int callput, const market& m,
                              double H) {
  using namespace QuantLib;
  auto process = processof(m);
  BarrierOption option(type, H, 0.0, ext::make_shared<PlainVanillaPayoff>(optiontype(callput), m.K),
                       exerciseof(m, exercise::european));
  option.setPricingEngine(ext::make_shared<AnalyticBarrierEngine>(process));
  return option.NPV();
}

// The European double knock-out on (L, U) by the Ikeda-Kunitomo series.
inline double analyticdoubleknockout(int callput, const market& m, double L, double U) {
  using namespace QuantLib;
  auto process = processof(m);  // first: it sets the evaluation date the exercise starts from
  DoubleBarrierOption option(DoubleBarrier::KnockOut, L, U, 0.0,
                             ext::make_shared<PlainVanillaPayoff>(optiontype(callput), m.K),
                             exerciseof(m, exercise::european));
  option.setPricingEngine(ext::make_shared<AnalyticDoubleBarrierEngine>(process));
  return option.NPV();
}

// A double knock-out on (L, U) on a Cox-Ross-Rubinstein tree of `steps` steps with the
// Derman-Kani enhancement at both barriers.
inline double binomialdoubleknockout(int callput, exercise style, const market& m, double L,
                                     double U, int steps) {
  using namespace QuantLib;
  auto process = processof(m);
  DoubleBarrierOption option(DoubleBarrier::KnockOut, L, U, 0.0,
                             ext::make_shared<PlainVanillaPayoff>(optiontype(callput), m.K),
                             exerciseof(m, style));
  option.setPricingEngine(
      ext::make_shared<
          BinomialDoubleBarrierEngine<CoxRossRubinstein, DiscretizedDermanKaniDoubleBarrierOption>>(
          process, steps));
  return option.NPV();
}

}  // namespace qlbarrier

#endif  // KZR_TESTS_QLBARRIER_H
