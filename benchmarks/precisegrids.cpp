// Accuracy per time of the precise option's grids, one row per method on one contract each:
//   DOWNOUTAPO     (T 1, S 100, H 90, K 100, sigma 0.2, r 0.05, q 0.02)
//   DBKNOCKOUTACO  (T 1, S 100, L 80, U 130, K 100, sigma 0.2, r 0.05, q 0.02)
//   DOWNINAPO      (T 1, S 100, H 90, K 100, sigma 0.25, r 0.08, q 0, R 0)
//   LBFLSTAPO      (T 1, S = M = 100, sigma 0.2, r 0.05, q 0.02)
// Rows: the design's grid (or blend) at its defaults and at the largest sizes of the table (the
// design's barrier grids converge about in proportion to the spacing, so 1e-4 is out of reach
// at any size a call can afford), the precise option at its own sizes, and QuantLib's binomial
// barrier engines with American exercise (Derman-Kani barrier enhancement) where they apply.
// Counters: "error" and "relerror" against the converged value, the precise grid at 3201 x 1601
// (Richardson over it and its half), which the tests check against independent grids written
// there (tests/finitedifference/barrierprecise_test.cpp, americanlookback_test.cpp) and against
// QuantLib's European formulas where early exercise never pays. A row whose answer lies further
// than its tolerance from the converged value is skipped with an error before timing; every
// iteration moves the spot by 1e-6 round a cycle of eight.
#include <benchmark/benchmark.h>

#include <ql/experimental/barrieroption/binomialdoublebarrierengine.hpp>
#include <ql/experimental/barrieroption/doublebarrieroption.hpp>
#include <ql/quantlib.hpp>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>

#include "binding/parameterblock.h"
#include "finitedifference/AmericanBarrier.h"
#include "finitedifference/AmericanLookback.h"
#include "finitedifference/AmericanVanilla.h"
#include "finitedifference/DoubleBarrier.h"
#include "gridblock.h"

namespace {

constexpr double T = 1.0, S = 100.0, H = 90.0, K = 100.0, sigma = 0.2, r = 0.05, q = 0.02;
constexpr double L = 80.0, U = 130.0;
constexpr double sigmain = 0.25, rin = 0.08, qin = 0.0;  // the knock-in's market

// A block with explicit grid sizes (nspace 0: the defaults) and the precise option or not.
struct preciseblock {
  gridblock block;
  std::int64_t dims[2] = {6, 2};
  preciseblock(double nspace, double ntime, bool precise) {
    block.words.rank = 2;
    block.words.dims = dims;
    block.words.elementsize = 8;
    if (nspace > 0) {
      block.words.entries[entrygrid].flag = 0;
      block.rows[entrygrid][0] = nspace;
      block.rows[entrygrid][1] = ntime;
    }
    if (precise) {
      block.words.entries[entryoptions].flag = 0;
      block.rows[entryoptions][1] = 1;
    }
  }
};

enum class code { downoutput, doubleknockoutcall, downinput, lookbackput };

double kzr(code c, double spot, parameterblock* words) {
  switch (c) {
    case code::downoutput:
      return AmericanBarrier::downoutput(T, spot, H, K, sigma, r, q, words);
    case code::doubleknockoutcall:
      return AmericanDoubleBarrier::knockoutcall(T, spot, L, U, K, sigma, r, q, words);
    case code::downinput:
      return AmericanBarrier::downinput(T, spot, H, K, sigmain, rin, qin, 0.0, words);
    case code::lookbackput:
      return AmericanLookback::lookbackput(T, spot, 100.0, sigma, r, q, words);
  }
  return 0.0;
}

double converged(code c) {
  preciseblock params(3201, 1601, true);
  return kzr(c, S, &params.block.words);
}

// Sets the counters; false (skipped) when the answer lies beyond tolerance, relative.
bool agrees(benchmark::State& state, double answer, double reference, double tolerance) {
  const double error = std::fabs(answer - reference);
  if (!(error <= tolerance * std::fabs(reference))) {
    char text[160];
    std::snprintf(text, sizeof text, "%.12g against the converged %.12g", answer, reference);
    state.SkipWithError(text);
    return false;
  }
  state.counters["error"] = error;
  state.counters["relerror"] = error / std::fabs(reference);
  return true;
}

void ours(benchmark::State& state, code c, double nspace, double ntime, bool precise,
          double tolerance) {
  preciseblock params(nspace, ntime, precise);
  if (!agrees(state, kzr(c, S, &params.block.words), converged(c), tolerance)) return;
  movingspot spotof{S};
  // The lookback put's spot stays at or below its maximum: it moves downward.
  const double sign = c == code::lookbackput ? -1.0 : 1.0;
  for (auto _ : state)
    benchmark::DoNotOptimize(kzr(c, S + sign * (spotof() - S), &params.block.words));
}

// The design's rows: defaults (0) and 3200 x 1600; the precise rows.
void precise_DOWNOUTAPO_design(benchmark::State& state) {
  ours(state, code::downoutput, static_cast<double>(state.range(0)),
       static_cast<double>(state.range(1)), false, 0.3);
}
BENCHMARK(precise_DOWNOUTAPO_design)->Args({0, 0})->Args({3200, 1600})->Unit(benchmark::kMillisecond);
void precise_DOWNOUTAPO_precise(benchmark::State& state) {
  ours(state, code::downoutput, 0, 0, true, 1e-5);
}
BENCHMARK(precise_DOWNOUTAPO_precise)->Unit(benchmark::kMillisecond);

void precise_DBKNOCKOUTACO_design(benchmark::State& state) {
  ours(state, code::doubleknockoutcall, static_cast<double>(state.range(0)),
       static_cast<double>(state.range(1)), false, 0.1);
}
BENCHMARK(precise_DBKNOCKOUTACO_design)->Args({0, 0})->Args({3200, 1600})->Unit(benchmark::kMillisecond);
void precise_DBKNOCKOUTACO_precise(benchmark::State& state) {
  ours(state, code::doubleknockoutcall, 0, 0, true, 1e-5);
}
BENCHMARK(precise_DBKNOCKOUTACO_precise)->Unit(benchmark::kMillisecond);

// The knock-in's design is the blend (entry 4's tree; the grid sizes do not apply).
void precise_DOWNINAPO_design(benchmark::State& state) {
  ours(state, code::downinput, 0, 0, false, 0.1);
}
BENCHMARK(precise_DOWNINAPO_design)->Unit(benchmark::kMillisecond);
void precise_DOWNINAPO_precise(benchmark::State& state) {
  ours(state, code::downinput, 0, 0, true, 1e-5);
}
BENCHMARK(precise_DOWNINAPO_precise)->Unit(benchmark::kMillisecond);

void precise_LBFLSTAPO_design(benchmark::State& state) {
  ours(state, code::lookbackput, static_cast<double>(state.range(0)),
       static_cast<double>(state.range(1)), false, 0.05);
}
BENCHMARK(precise_LBFLSTAPO_design)->Args({0, 0})->Args({3200, 1600})->Unit(benchmark::kMillisecond);
void precise_LBFLSTAPO_precise(benchmark::State& state) {
  ours(state, code::lookbackput, 0, 0, true, 1e-5);
}
BENCHMARK(precise_LBFLSTAPO_precise)->Unit(benchmark::kMillisecond);

// The critical prices (the exercise boundary today), one row per code at the design's default
// grid and under the option, each against an independent value: DOWNOUTAPOCrit with the barrier
// far below the boundary (T 1, H 30, K 100, sigma 0.2, r 0.05, q 0.02) against the precise
// vanilla boundary (BSAPOCrit, 1e-9); UPOUTAPOCrit at a long expiry with the barrier bounding
// the continuation region (T 20, H 130, K 100, sigma 0.3, r 0.05, q 0.02) against the
// perpetual knock-out's boundary (a closed form up to one root, found here by bisection); and
// LBFLSTAPOCrit (T 1, m 100, sigma 0.2, r 0.05, q 0.02) against the option at 6401 x 3201 (its
// reading scatters by about 1e-5 there). The strike (the maximum) moves by 1e-6 round a cycle of
// eight.
enum class critical { downoutput, upoutput, lookbackput };

double kzrcritical(critical c, double strike, parameterblock* words) {
  switch (c) {
    case critical::downoutput:
      return AmericanBarrier::downoutputcritical(1.0, 30.0, strike, 0.2, 0.05, 0.02, words);
    case critical::upoutput:
      return AmericanBarrier::upoutputcritical(20.0, 130.0, strike, 0.3, 0.05, 0.02, words);
    case critical::lookbackput:
      return AmericanLookback::lookbackputcritical(1.0, strike, 0.2, 0.05, 0.02, words);
  }
  return 0.0;
}

// The perpetual up-and-out put's boundary b (H > K): V = A S^l1 + B S^l2 on [b, H] with
// V(H) = 0, V(b) = K - b, V'(b) = -1, l1 > 0 > l2 the roots of
// sigma^2/2 l (l - 1) + (r - q) l - r = 0; bisection between the perpetual put's level and K.
double perpetualupoutputboundary(double H, double K, double sigma, double r, double q) {
  const double a = 0.5 * sigma * sigma, b = r - q - a, d = std::sqrt(b * b + 4 * a * r);
  const double l1 = (-b + d) / (2 * a), l2 = (-b - d) / (2 * a);
  auto pasting = [&](double x) {
    const double g = K - x;
    const double det = std::pow(H, l1) * std::pow(x, l2) - std::pow(H, l2) * std::pow(x, l1);
    const double A = -g * std::pow(H, l2) / det, B = g * std::pow(H, l1) / det;
    return A * l1 * std::pow(x, l1 - 1) + B * l2 * std::pow(x, l2 - 1) + 1.0;
  };
  double lo = K * l2 / (l2 - 1), hi = K;
  const double low = pasting(lo * (1 + 1e-12));
  for (int k = 0; k < 200; ++k) {
    const double middle = 0.5 * (lo + hi);
    if ((pasting(middle) > 0) == (low > 0)) lo = middle; else hi = middle;
  }
  return 0.5 * (lo + hi);
}

double convergedcritical(critical c) {
  switch (c) {
    case critical::downoutput: {
      preciseblock params(0, 0, true);
      return AmericanVanilla::binomialputcritical(1.0, K, 0.2, 0.05, 0.02, &params.block.words);
    }
    case critical::upoutput:
      return perpetualupoutputboundary(130.0, K, 0.3, 0.05, 0.02);
    case critical::lookbackput: {
      preciseblock params(6401, 3201, true);
      return kzrcritical(c, K, &params.block.words);
    }
  }
  return 0.0;
}

void ourscritical(benchmark::State& state, critical c, bool precise, double tolerance) {
  preciseblock params(0, 0, precise);
  if (!agrees(state, kzrcritical(c, K, &params.block.words), convergedcritical(c), tolerance))
    return;
  movingspot strikeof{K};
  for (auto _ : state) benchmark::DoNotOptimize(kzrcritical(c, strikeof(), &params.block.words));
}

void precise_DOWNOUTAPOCrit_design(benchmark::State& state) {
  ourscritical(state, critical::downoutput, false, 0.1);
}
BENCHMARK(precise_DOWNOUTAPOCrit_design)->Unit(benchmark::kMillisecond);
void precise_DOWNOUTAPOCrit_precise(benchmark::State& state) {
  ourscritical(state, critical::downoutput, true, 5e-5);
}
BENCHMARK(precise_DOWNOUTAPOCrit_precise)->Unit(benchmark::kMillisecond);

void precise_UPOUTAPOCrit_design(benchmark::State& state) {
  ourscritical(state, critical::upoutput, false, 0.1);
}
BENCHMARK(precise_UPOUTAPOCrit_design)->Unit(benchmark::kMillisecond);
void precise_UPOUTAPOCrit_precise(benchmark::State& state) {
  ourscritical(state, critical::upoutput, true, 5e-5);
}
BENCHMARK(precise_UPOUTAPOCrit_precise)->Unit(benchmark::kMillisecond);

void precise_LBFLSTAPOCrit_design(benchmark::State& state) {
  ourscritical(state, critical::lookbackput, false, 0.05);
}
BENCHMARK(precise_LBFLSTAPOCrit_design)->Unit(benchmark::kMillisecond);
void precise_LBFLSTAPOCrit_precise(benchmark::State& state) {
  ourscritical(state, critical::lookbackput, true, 2e-4);
}
BENCHMARK(precise_LBFLSTAPOCrit_precise)->Unit(benchmark::kMillisecond);

// QuantLib's binomial barrier engines with American exercise, their spot movable.
struct quantlibbarrier {
  QuantLib::ext::shared_ptr<QuantLib::SimpleQuote> spot;
  QuantLib::ext::shared_ptr<QuantLib::Instrument> option;
  quantlibbarrier(bool twobarriers, int steps) {
    using namespace QuantLib;
    const Date today(15, May, 2024);
    Settings::instance().evaluationDate() = today;
    const DayCounter dc = Actual365Fixed();
    spot = ext::make_shared<SimpleQuote>(S);
    auto process = ext::make_shared<BlackScholesMertonProcess>(
        Handle<Quote>(spot),
        Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, q, dc)),
        Handle<YieldTermStructure>(ext::make_shared<FlatForward>(today, r, dc)),
        Handle<BlackVolTermStructure>(
            ext::make_shared<BlackConstantVol>(today, NullCalendar(), sigma, dc)));
    auto exercise = ext::make_shared<AmericanExercise>(today, today + 365);
    if (twobarriers) {
      auto o = ext::make_shared<DoubleBarrierOption>(
          DoubleBarrier::KnockOut, L, U, 0.0,
          ext::make_shared<PlainVanillaPayoff>(Option::Call, K), exercise);
      o->setPricingEngine(ext::make_shared<BinomialDoubleBarrierEngine<
                              CoxRossRubinstein, DiscretizedDermanKaniDoubleBarrierOption>>(
          process, steps));
      option = o;
    } else {
      auto o = ext::make_shared<BarrierOption>(
          Barrier::DownOut, H, 0.0, ext::make_shared<PlainVanillaPayoff>(Option::Put, K),
          exercise);
      o->setPricingEngine(ext::make_shared<
                          BinomialBarrierEngine<CoxRossRubinstein, DiscretizedDermanKaniBarrierOption>>(
          process, steps, steps));
      option = o;
    }
  }
};

void quantlib(benchmark::State& state, bool twobarriers, code c) {
  quantlibbarrier ql(twobarriers, static_cast<int>(state.range(0)));
  if (!agrees(state, ql.option->NPV(), converged(c), 0.3)) return;
  movingspot spotof{S};
  for (auto _ : state) {
    ql.spot->setValue(spotof());
    benchmark::DoNotOptimize(ql.option->NPV());
  }
}

void precise_DOWNOUTAPO_quantlib_BinomialBarrier(benchmark::State& state) {
  quantlib(state, false, code::downoutput);
}
BENCHMARK(precise_DOWNOUTAPO_quantlib_BinomialBarrier)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

void precise_DBKNOCKOUTACO_quantlib_BinomialDoubleBarrier(benchmark::State& state) {
  quantlib(state, true, code::doubleknockoutcall);
}
BENCHMARK(precise_DBKNOCKOUTACO_quantlib_BinomialDoubleBarrier)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace
