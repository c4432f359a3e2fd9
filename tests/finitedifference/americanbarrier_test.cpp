// The American single-barrier codes against values found without the library's grids: QuantLib's
// binomial barrier engine with American exercise, a fine Crank-Nicolson grid written in the test
// (barrierreference.h), QuantLib's European barrier formulas where early exercise never pays,
// and the knock-in blend rebuilt from its pieces. Then every early result and message, the
// critical prices, the grid cache and inputs that cannot work.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "barrierreference.h"
#include "fdtestsupport.h"
#include "finitedifference/AmericanBarrier.h"
#include "numerics/undefined.h"
#include "qlbarrier.h"
#include "testsupport.h"
#include "unworkable.h"

namespace {

namespace ab = AmericanBarrier;
namespace br = barrierreference;
using fdtest::block;
using fdtest::exercise;
using QuantLib::Barrier;

const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

struct knockout {
  const char* code;
  bool down;
  int callput;
  double S, H, K, sigma, r, q;
  fdtest::market market() const { return {365, S, K, sigma, r, q}; }
  std::vector<double> inputs() const { return {1.0, S, H, K, sigma, r, q}; }
  br::corridor barrier() const {
    br::corridor c;
    (down ? c.low : c.high) = H;
    return c;
  }
  double reference(int spacings) const {
    return br::solve({1.0, K, sigma, r, q, callput, true}, br::kind::knockout, barrier(), S, 0.0,
                     spacings, spacings)
        .at(S);
  }
};

double gridprice(const knockout& c, int nspace, int ntime) {
  return testsupport::price(c.code, c.inputs(),
                            testsupport::parameters().set(entrygrid, nspace, ntime));
}

// Options out of the money at their barrier, or exercised well before it is reached: the value
// is continuous at the barrier and the grid converges to the references. QuantLib's tree with
// 2000 steps and the test's grid with 2000 spacings agree with each other to 3e-3 on these.
TEST(AmericanBarrier, KnockOutsAgainstATreeAndAGrid) {
  const knockout rows[] = {
      {"DOWNOUTACO", true, 1, 100, 90, 100, 0.2, 0.05, 0.02},
      {"DOWNOUTACO", true, 1, 100, 90, 100, 0.3, 0.05, 0.08},
      {"DOWNOUTAPO", true, -1, 100, 80, 110, 0.3, 0.08, 0.0},
      {"UPOUTAPO", false, -1, 100, 120, 100, 0.2, 0.05, 0.02},
      {"UPOUTAPO", false, -1, 100, 130, 110, 0.3, 0.08, 0.01},
  };
  for (const knockout& c : rows) {
    const double tree =
        qlbarrier::binomialknockout(c.down, c.callput, exercise::american, c.market(), c.H, 2000);
    const double grid = c.reference(2000);
    EXPECT_NEAR(tree, grid, 5e-3) << c.code << " H " << c.H << ": the references disagree";
    const double coarse = testsupport::price(c.code, c.inputs());
    const double finer = gridprice(c, 400, 200);
    const double fine = gridprice(c, 1600, 800);
    EXPECT_NEAR(coarse, grid, 0.4) << c.code << " H " << c.H;
    EXPECT_NEAR(fine, grid, 0.012) << c.code << " H " << c.H;
    EXPECT_LT(std::abs(fine - grid), std::abs(coarse - grid)) << c.code << " H " << c.H;
    EXPECT_LE(std::abs(fine - grid), std::abs(finer - grid) + 1e-3) << c.code << " H " << c.H;
  }
}

// Kept on purpose: an option in the money at its barrier is worth about its exercise value just
// inside it, and 0 on it. The grids meet that jump within one node spacing (so do the test's grid
// and QuantLib's tree), so the value rises slowly towards the contract's as entry 2 refines the
// grid, always between the European knock-out and the American vanilla.
TEST(AmericanBarrier, InTheMoneyAtTheBarrierConvergesSlowlyFromBelow) {
  struct row {
    knockout c;
    Barrier::Type type;
  };
  const row rows[] = {
      {{"DOWNOUTAPO", true, -1, 100, 90, 100, 0.2, 0.05, 0.02}, Barrier::DownOut},
      {{"UPOUTACO", false, 1, 100, 120, 100, 0.2, 0.05, 0.02}, Barrier::UpOut},
      {{"UPOUTACO", false, 1, 100, 130, 90, 0.25, 0.05, 0.0}, Barrier::UpOut},
  };
  for (const row& w : rows) {
    const knockout& c = w.c;
    const double european = qlbarrier::analyticbarrier(w.type, c.callput, c.market(), c.H);
    const double vanilla =
        testsupport::price(c.callput > 0 ? "BINACO" : "BINAPO", {1.0, c.S, c.K, c.sigma, c.r, c.q});
    double previous = european;
    for (int n : {100, 400, 1600}) {
      const double value = gridprice(c, n, n / 2);
      EXPECT_GT(value, previous) << c.code << " H " << c.H << " grid " << n;
      EXPECT_LT(value, vanilla) << c.code << " H " << c.H << " grid " << n;
      previous = value;
    }
    const double tree =
        qlbarrier::binomialknockout(c.down, c.callput, exercise::american, c.market(), c.H, 2000);
    EXPECT_NEAR(previous, tree, 0.35) << c.code << " H " << c.H;
    EXPECT_NEAR(previous, c.reference(2000), 0.2) << c.code << " H " << c.H;
  }
}

// Where early exercise never pays the American knock-out is the European one: a down-and-out
// call without dividends, an up-and-out put without interest (both out of the money at their
// barrier).
TEST(AmericanBarrier, WithoutEarlyExerciseTheEuropeanFormula) {
  struct row {
    knockout c;
    Barrier::Type type;
  };
  const row rows[] = {
      {{"DOWNOUTACO", true, 1, 100, 90, 100, 0.25, 0.05, 0.0}, Barrier::DownOut},
      {{"DOWNOUTACO", true, 1, 110, 95, 100, 0.3, 0.08, 0.0}, Barrier::DownOut},
      {{"UPOUTAPO", false, -1, 100, 125, 100, 0.25, 0.0, 0.03}, Barrier::UpOut},
      {{"UPOUTAPO", false, -1, 95, 115, 100, 0.2, 0.0, 0.0}, Barrier::UpOut},
  };
  for (const row& w : rows) {
    const knockout& c = w.c;
    const double european = qlbarrier::analyticbarrier(w.type, c.callput, c.market(), c.H);
    EXPECT_NEAR(testsupport::price(c.code, c.inputs()), european, 0.03) << c.code << " " << c.S;
    EXPECT_NEAR(gridprice(c, 800, 400), european, 2e-3) << c.code << " " << c.S;
  }
}

// The knock-in blend rebuilt from independent pieces: QuantLib's European knock-in and
// Black-Scholes price at the barrier, and the binomial American at the barrier (BINACO, BINAPO,
// which the vanilla tests hold to a plain tree).
TEST(AmericanBarrier, KnockInBlendFromItsPieces) {
  struct row {
    const char* code;
    const char* vanilla;
    Barrier::Type type;
    int callput;
    double S, H, K, sigma, r, q, R;
  };
  const row rows[] = {
      {"DOWNINACO", "BINACO", Barrier::DownIn, 1, 100, 90, 100, 0.25, 0.05, 0.03, 2},
      {"UPINACO", "BINACO", Barrier::UpIn, 1, 100, 115, 110, 0.3, 0.05, 0.06, 0},
      {"DOWNINAPO", "BINAPO", Barrier::DownIn, -1, 100, 90, 100, 0.25, 0.08, 0.0, 3},
      {"UPINAPO", "BINAPO", Barrier::UpIn, -1, 100, 110, 100, 0.2, 0.05, 0.02, 1},
  };
  for (const row& c : rows) {
    const fdtest::market m{365, c.S, c.K, c.sigma, c.r, c.q};
    const double european = qlbarrier::analyticbarrier(c.type, c.callput, m, c.H);
    const double atbarrier =
        fdtest::quantlibeuropean(c.callput > 0 ? QuantLib::Option::Call : QuantLib::Option::Put,
                                 1.0, c.H, c.K, c.sigma, c.r, c.q);
    const double american = testsupport::price(c.vanilla, {1.0, c.H, c.K, c.sigma, c.r, c.q});
    const double w = european / (1e-7 + atbarrier);
    const double expected = american * w + c.R * std::exp(-c.r) * (1 - w);
    const double value = testsupport::price(c.code, {1.0, c.S, c.H, c.K, c.sigma, c.r, c.q, c.R});
    EXPECT_NEAR(value, expected, 1e-9 * expected) << c.code;
  }
}

// Kept on purpose: the blend is an approximation. Against a converged knock-in (the test's grid,
// whose barrier edge carries the American vanilla) it is off by a few cents to a few tenths:
// 7.232 against 6.993 for the put below, 3.810 against 3.464 for the call with its rebate.
TEST(AmericanBarrier, KnockInBlendIsCloseToTheContract) {
  struct row {
    const char* code;
    int callput;
    bool down;
    double S, H, K, sigma, r, q, R, tolerance;
  };
  const row rows[] = {
      {"DOWNINAPO", -1, true, 100, 90, 100, 0.25, 0.08, 0.0, 0, 0.3},
      {"DOWNINACO", 1, true, 100, 90, 100, 0.25, 0.05, 0.03, 2, 0.4},
      {"UPINACO", 1, false, 100, 115, 110, 0.3, 0.05, 0.06, 0, 0.2},
  };
  for (const row& c : rows) {
    br::corridor barrier;
    (c.down ? barrier.low : barrier.high) = c.H;
    const double converged = br::solve({1.0, c.K, c.sigma, c.r, c.q, c.callput, true},
                                       br::kind::knockin, barrier, c.S, c.R, 1000, 1000)
                                 .at(c.S);
    const double value = testsupport::price(c.code, {1.0, c.S, c.H, c.K, c.sigma, c.r, c.q, c.R});
    EXPECT_NEAR(value, converged, c.tolerance) << c.code;
  }
}

struct earlyrow {
  const char* code;
  std::vector<double> inputs;
  double expected;  // NaN: the undefined value
  const char* message;
  const char* why;
};

// Every refusal and early result, in the order the codes test them.
TEST(AmericanBarrier, EarlyResultsAndMessages) {
  const char* refused = "Input data error, value undefined\n";
  const char* refusedcrit = "Input data error, critical value undefined\n";
  const char* dividend = "Dividend very near zero, critical value is infinity\n";
  const char* never = "If strike is smaller than barrier then never is optimal to exercise\n";
  const double american = testsupport::price("BINACO", {1, 100, 100, 0.2, 0.05, 0.02});
  const double americanput = testsupport::price("BINAPO", {1, 100, 100, 0.2, 0.05, 0.02});
  const earlyrow rows[] = {
      {"DOWNINACO", {-1, 100, 90, 100, 0.2, 0.05, 0.02, 1}, nan, refused, "T < 0"},
      {"DOWNINACO", {1, 100, 0, 100, 0.2, 0.05, 0.02, 1}, nan, refused, "H <= 0"},
      {"UPINACO", {1, 0, 110, 100, 0.2, 0.05, 0.02, 1}, nan, refused, "S <= 0"},
      {"DOWNINAPO", {1, 100, 90, 0, 0.2, 0.05, 0.02, 1}, nan, refused, "K <= 0"},
      {"UPINAPO", {1, 100, 110, 100, 0, 0.05, 0.02, 1}, nan, refused, "sigma <= 0"},
      {"DOWNINACO", {1, 100, 90, 100, 0.2, -0.01, 0.02, 1}, nan, refused, "r < 0"},
      {"DOWNINACO", {1, 100, 90, 100, 0.2, 0.05, -0.01, 1}, nan, refused, "q < 0"},
      {"DOWNINACO", {1, 100, 90, 100, 0.2, 0.05, 0.02, -1}, nan, refused, "R < 0"},
      {"DOWNINACO", {1, 100, 100, 100, 0.2, 0.05, 0.02, 1}, american, "", "H = S: knocked in"},
      {"UPINACO", {1, 100, 100, 100, 0.2, 0.05, 0.02, 1}, american, "", "S = H: knocked in"},
      {"DOWNINAPO", {1, 100, 120, 100, 0.2, 0.05, 0.02, 1}, americanput, "", "H > S"},
      {"UPINAPO", {1, 100, 100, 100, 0.2, 0.05, 0.02, 1}, americanput, "", "S = H"},
      {"DOWNINACO", {0, 100, 90, 100, 0.2, 0.05, 0.02, 4}, 4.0, "", "T = 0: the rebate"},
      {"UPINAPO", {0, 100, 110, 90, 0.2, 0.05, 0.02, 4}, 4.0, "", "T = 0: the rebate"},
      {"DOWNOUTACO", {1, 100, 0, 100, 0.2, 0.05, 0.02}, nan, refused, "H <= 0"},
      {"DOWNOUTACO", {1, 100, 90, 0, 0.2, 0.05, 0.02}, nan, refused, "K <= 0"},
      {"DOWNOUTACO", {1, 90, 90, 100, 0.2, 0.05, 0.02}, 0.0, "", "H >= S"},
      {"DOWNOUTACO", {0, 120, 90, 100, 0.2, 0.05, 0.02}, 20.0, "", "T = 0"},
      // Kept on purpose: the intrinsic value, a lower bound of the contract's value.
      {"DOWNOUTACO", {1, 130, 110, 100, 0.2, 0.05, 0.02}, 30.0, "", "H > K"},
      {"DOWNOUTACO", {1, 2000, 90, 100, 0.2, 0.05, 0.02}, 1900.0, "", "S >= 20 K"},
      {"DOWNOUTACO", {-1, 100, 90, 100, 0.2, 0.05, 0.02}, nan, "", "T < 0: the grid's check"},
      {"UPOUTACO", {1, 100, -5, 100, 0.2, 0.05, 0.02}, nan, refused, "H <= 0"},
      {"UPOUTACO", {1, 110, 110, 100, 0.2, 0.05, 0.02}, 0.0, "", "S >= H"},
      {"UPOUTACO", {0, 105, 110, 100, 0.2, 0.05, 0.02}, 5.0, "", "T = 0"},
      {"UPOUTACO", {1, 100, 110, 110, 0.2, 0.05, 0.02}, 0.0, "", "K >= H"},
      {"UPOUTACO", {1, 100, 110, 100, 0.2, 0.05, -0.02}, nan, "", "q < 0: the grid's check"},
      {"DOWNOUTAPO", {1, 100, 90, -1, 0.2, 0.05, 0.02}, nan, refused, "K <= 0"},
      {"DOWNOUTAPO", {1, 85, 90, 100, 0.2, 0.05, 0.02}, 0.0, "", "H >= S"},
      {"DOWNOUTAPO", {1, 100, 95, 95, 0.2, 0.05, 0.02}, 0.0, "", "H >= K"},
      {"DOWNOUTAPO", {0, 95, 90, 100, 0.2, 0.05, 0.02}, 5.0, "", "T = 0"},
      {"DOWNOUTAPO", {1, 1000, 90, 100, 0.2, 0.05, 0.02}, 0.0, "", "S >= 10 K"},
      {"UPOUTAPO", {1, 100, 0, 100, 0.2, 0.05, 0.02}, nan, refused, "H <= 0"},
      {"UPOUTAPO", {1, 120, 110, 100, 0.2, 0.05, 0.02}, 0.0, "", "S >= H"},
      {"UPOUTAPO", {0, 95, 110, 100, 0.2, 0.05, 0.02}, 5.0, "", "T = 0"},
      // Kept on purpose: the intrinsic value, a lower bound of the contract's value.
      {"UPOUTAPO", {1, 95, 110, 110, 0.2, 0.05, 0.02}, 15.0, "", "K >= H"},
      {"DOWNOUTACOCrit", {1, 0, 100, 0.2, 0.05, 0.02}, nan, refusedcrit, "H <= 0"},
      {"DOWNOUTACOCrit", {1, 110, 100, 0.2, 0.05, 0.02}, 110.0, "", "H > K: H"},
      {"DOWNOUTACOCrit", {0, 90, 100, 0.2, 0.05, 0.02}, 100.0, "", "T = 0: K"},
      {"DOWNOUTACOCrit", {1, 90, 100, 0.2, 0.05, 0.0}, inf, dividend, "q = 0"},
      {"DOWNOUTACOCrit", {1, 90, 100, 0.2, 0.05, 0.0000099}, inf, dividend, "q < 0.00001"},
      {"UPOUTACOCrit", {1, 110, 0, 0.2, 0.05, 0.02}, nan, refusedcrit, "K <= 0"},
      {"UPOUTACOCrit", {1, 110, 110, 0.2, 0.05, 0.02}, 0.0, "", "K >= H"},
      {"UPOUTACOCrit", {0, 110, 100, 0.2, 0.05, 0.02}, 100.0, "", "T = 0: K"},
      {"DOWNOUTAPOCrit", {1, 90, -3, 0.2, 0.05, 0.02}, nan, refusedcrit, "K <= 0"},
      {"DOWNOUTAPOCrit", {1, 100, 100, 0.2, 0.05, 0.02}, inf, never, "H >= K"},
      {"DOWNOUTAPOCrit", {0, 90, 100, 0.2, 0.05, 0.02}, 100.0, "", "T = 0: K"},
      {"UPOUTAPOCrit", {1, -1, 100, 0.2, 0.05, 0.02}, nan, refusedcrit, "H <= 0"},
      {"UPOUTAPOCrit", {1, 100, 120, 0.2, 0.05, 0.02}, 0.0, "", "K >= H"},
      {"UPOUTAPOCrit", {0, 110, 100, 0.2, 0.05, 0.02}, 100.0, "", "T = 0: K"},
      {"UPOUTAPOCrit", {1, 110, 100, 0.0, 0.05, 0.02}, nan, "", "sigma = 0: the grid's check"},
  };
  for (const earlyrow& c : rows) {
    testing::internal::CaptureStdout();
    const double result = testsupport::price(c.code, c.inputs);
    const std::string printed = testing::internal::GetCapturedStdout();
    if (std::isnan(c.expected))
      EXPECT_TRUE(isundefined(result)) << c.code << ": " << c.why << " gave " << result;
    else
      EXPECT_EQ(result, c.expected) << c.code << ": " << c.why;
    EXPECT_EQ(printed, c.message) << c.code << ": " << c.why;
  }
}

// The up-and-out critical prices, checked on their own grid: at the returned price the value is
// the exercise value, and a little way back towards the strike it is more. QuantLib's tree and
// the test's grid agree with the fine grid's price.
TEST(AmericanBarrier, UpAndOutCriticalPricesMeetTheExerciseValue) {
  struct row {
    const char* crit;
    const char* value;
    int callput;
    double H, K, sigma, r, q, tolerance;
  };
  const row rows[] = {
      {"UPOUTAPOCrit", "UPOUTAPO", -1, 120, 100, 0.2, 0.05, 0.02, 0.5},
      {"UPOUTAPOCrit", "UPOUTAPO", -1, 130, 110, 0.3, 0.08, 0.0, 0.5},
      // A call is in the money at its upper barrier: the exercise boundary, close to the jump
      // there, converges slowly (1.7 apart on these two grids).
      {"UPOUTACOCrit", "UPOUTACO", 1, 130, 100, 0.25, 0.05, 0.03, 2.5},
      // Without dividends the knock-out still makes early exercise pay.
      {"UPOUTACOCrit", "UPOUTACO", 1, 130, 100, 0.25, 0.05, 0.0, 2.5},
  };
  const testsupport::parameters grid = testsupport::parameters().set(entrygrid, 1000, 500);
  for (const row& c : rows) {
    const double critical = testsupport::price(c.crit, {1.0, c.H, c.K, c.sigma, c.r, c.q}, grid);
    ASSERT_TRUE(std::isfinite(critical)) << c.crit;
    EXPECT_GT(c.callput * (critical - c.K), 0.0) << c.crit;
    EXPECT_LT(critical, c.H) << c.crit;
    auto value = [&](double S) {
      return testsupport::price(c.value, {1.0, S, c.H, c.K, c.sigma, c.r, c.q}, grid);
    };
    const double spacing = c.H / 999;
    EXPECT_NEAR(value(critical), c.callput * (critical - c.K), 1e-3 * c.K) << c.crit;
    const double inside = critical - c.callput * 3 * spacing;
    EXPECT_GT(value(inside), c.callput * (inside - c.K) + 1e-4) << c.crit;
    br::corridor barrier;
    barrier.high = c.H;
    const double reference = br::solve({1.0, c.K, c.sigma, c.r, c.q, c.callput, true},
                                       br::kind::knockout, barrier, c.K, 0.0, 2000, 2000)
                                 .critical();
    EXPECT_NEAR(critical, reference, c.tolerance) << c.crit;
  }
}

// The down-and-out critical grid from the barrier: its coefficients are taken at each node's own
// price. The first call is the case where the node index instead gives 128.4. The puts are in the
// money at their barrier, so their boundary converges slowly; the fine grid's spacing is 0.5.
TEST(AmericanBarrier, DownAndOutCriticalPricesAgainstAFineGrid) {
  struct row {
    const char* code;
    int callput;
    double H, K, sigma, r, q, defaulttolerance;
  };
  const row rows[] = {
      {"DOWNOUTACOCrit", 1, 50, 100, 0.3, 0.05, 0.06, 4.0},
      {"DOWNOUTACOCrit", 1, 90, 100, 0.2, 0.05, 0.04, 3.0},
      {"DOWNOUTAPOCrit", -1, 80, 110, 0.3, 0.08, 0.0, 3.0},
      {"DOWNOUTAPOCrit", -1, 60, 100, 0.25, 0.06, 0.02, 3.0},
  };
  for (const row& c : rows) {
    br::corridor barrier;
    barrier.low = c.H;
    const double reference = br::solve({1.0, c.K, c.sigma, c.r, c.q, c.callput, true},
                                       br::kind::knockout, barrier, c.K, 0.0, 2000, 2000)
                                 .critical();
    const std::vector<double> inputs{1.0, c.H, c.K, c.sigma, c.r, c.q};
    const double coarse = testsupport::price(c.code, inputs);
    const double fine =
        testsupport::price(c.code, inputs, testsupport::parameters().set(entrygrid, 2000, 1000));
    EXPECT_NEAR(coarse, reference, c.defaulttolerance) << c.code << " H " << c.H;
    EXPECT_NEAR(fine, reference, 1.0) << c.code << " H " << c.H;
  }
}

// Mode 0 at two spots re-reads the grid; a down-and-out grid (heat grid) cached for a contract is
// never read by an up-and-out code (price grid) whose record counts as the same contract: here
// the strikes differ by less than the contract tolerance of 0.0001, on either side of H.
TEST(AmericanBarrier, GridCacheServesEachGridToItsOwnScheme) {
  auto downput = [](double S, parameterblock* b) {
    return ab::downoutput(1, S, 90, 90.00005, 0.2, 0.05, 0.02, b);
  };
  auto upput = [](double S, parameterblock* b) {
    return ab::upoutput(1, S, 90, 89.99996, 0.2, 0.05, 0.02, b);
  };
  auto fresh = [](auto code, double S) {
    block params;
    return code(S, params.get());
  };
  block params;
  params.set(entrymode, 0);
  EXPECT_EQ(downput(100, params.get()), fresh(downput, 100));
  const fdbase* cached = params->fdclone;
  ASSERT_NE(cached, nullptr);
  for (double S : {95.0, 120.0}) {
    EXPECT_EQ(downput(S, params.get()), fresh(downput, S)) << S;
    EXPECT_EQ(params->fdclone, cached) << S << ": solved again";
  }
  const double up = upput(80, params.get());
  EXPECT_EQ(up, fresh(upput, 80));
  EXPECT_GT(up, 0.0);
  EXPECT_NE(params->fdclone, cached) << "the heat grid was read by the price grid's code";
  cached = params->fdclone;
  EXPECT_EQ(upput(85, params.get()), fresh(upput, 85));
  EXPECT_EQ(params->fdclone, cached) << "the price grid was solved again";
}

// Inputs that cannot work give the undefined value or NaN (never a crash, a leak or a number
// made up): infinities, huge grids and trees.
TEST(AmericanBarrier, SpecialValues) {
  const std::string grid = "Grid sizes out of range, value undefined\n";
  const std::string steps = "Tree steps out of range, value undefined\n";
  const std::vector<double> downput{1, 100, 90, 100, 0.2, 0.05, 0.02};
  expectunharmed({
      {"DOWNOUTAPO", downput, testsupport::parameters().set(entrygrid, 2e6, 50), grid.c_str()},
      {"UPOUTAPO",
       {1, 100, 120, 100, 0.2, 0.05, 0.02},
       testsupport::parameters().set(entrygrid, 1e5, 1e5),
       grid.c_str()},
      {"DOWNOUTAPO", downput, testsupport::parameters().set(entrysteps, 1e12), steps.c_str()},
      {"DOWNOUTACO",
       {1, 100, 90, 100, 0.2, 0.05, 0.02},
       testsupport::parameters().set(entrysteps, 50000).set(entrygrid, 100, 1000),
       steps.c_str()},
      {"DOWNOUTAPOCrit",
       {1, 90, 100, 0.2, 0.05, 0.02},
       testsupport::parameters().set(entrygrid, 2, 2),
       grid.c_str()},
      {"DOWNOUTAPO", {inf, 100, 90, 100, 0.2, 0.05, 0.02}, {}, nullptr},
      {"DOWNOUTAPO", {1, 100, 90, 100, inf, 0.05, 0.02}, {}, nullptr},
      {"UPOUTACO", {1, 100, inf, 90, 0.2, 0.05, 0.02}, {}, nullptr},
      {"UPOUTACO", {1, 100, 120, 90, 0.2, inf, 0.02}, {}, nullptr},
      {"DOWNOUTACOCrit", {1, 50, inf, 0.2, 0.05, 0.02}, {}, nullptr},
      {"DOWNOUTACOCrit", {1, 50, 100, 0.2, 0.05, inf}, {}, nullptr},
      {"DOWNINACO", {inf, 100, 90, 100, 0.2, 0.05, 0.02, 1}, {}, nullptr},
      {"UPINAPO", {1, 100, 110, 100, 0.2, 0.05, 0.02, inf}, {}, nullptr},
  });
}

}  // namespace
