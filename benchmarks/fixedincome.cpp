// A day count four ways: through fifun with everything a host call costs (eleven tables, one
// kernel round trip per named input: the day counter's value and key, the two date keys), one
// kernel round trip alone, the fixed-income library's function called directly (its input record
// built in the loop, as the bridge builds it), and QuantLib's day counter on its own.
//
// Then the curve functions through fifun beside the same work done with QuantLib directly: a
// 20-pillar bootstrap (deposits, FRAs and swaps on Euribor 6M), a swap's NPV on a kept curve and
// a swaption under Black's model. Each pair is checked to agree before it is timed.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <ql/exercise.hpp>
#include <ql/indexes/ibor/euribor.hpp>
#include <ql/instruments/makevanillaswap.hpp>
#include <ql/instruments/swaption.hpp>
#include <ql/math/interpolations/loginterpolation.hpp>
#include <ql/pricingengines/swaption/blackswaptionengine.hpp>
#include <ql/settings.hpp>
#include <ql/termstructures/yield/piecewiseyieldcurve.hpp>
#include <ql/termstructures/yield/ratehelpers.hpp>
#include <ql/time/calendars/target.hpp>
#include <ql/time/daycounters/actual360.hpp>
#include <ql/time/daycounters/actual365fixed.hpp>
#include <ql/time/daycounters/thirty360.hpp>

#include "binding/kernelcallbacks.h"
#include "fixedincome/fikzr.h"
#include "host.h"

namespace {

standin::host& library() {
  static standin::host loaded;
  return loaded;
}

void kzr_fifun_DayCount(benchmark::State& state) {
  standin::host& host = library();
  const hostinteger start = host.addtext("StartDate"), end = host.addtext("EndDate");
  const hostinteger counter = host.addtext("DayCounter"), actual = host.addtext("Actual360");
  standin::tensor T0 = standin::integertensor({0, 1}, {}), T1 = standin::realtensor({0, 1}, {});
  standin::tensor T2 = standin::integertensor({2, 1}, {start, end});
  standin::tensor T3 = standin::realtensor({2, 3}, {2024, 1, 1, 2024, 7, 1});
  standin::tensor T4 = standin::integertensor({1, 1}, {counter});
  standin::tensor T5 = standin::realtensor({1, 1}, {static_cast<double>(actual)});
  standin::tensor T6 = standin::integertensor({0, 1}, {}), T7 = standin::realtensor({0, 1}, {});
  standin::tensor T8 = standin::realtensor({0, 5}, {}), T9 = standin::realtensor({0, 5}, {});
  standin::tensor T10 = standin::realtensor({0, 1}, {});
  const std::array<standin::tensor*, 11> tables{&T0, &T1, &T2, &T3, &T4, &T5,
                                                &T6, &T7, &T8, &T9, &T10};
  for (auto _ : state) {
    T3.reals[5] = 1.0 + static_cast<double>(state.iterations() & 1);
    const standin::fixedincomeresult result = host.fifun("DayCount", tables);
    benchmark::DoNotOptimize(result.values.data());
  }
}
BENCHMARK(kzr_fifun_DayCount);

void kzr_retrievestring_roundtrip(benchmark::State& state) {
  standin::host& host = library();
  const hostinteger id = host.addtext("StartDate");
  for (auto _ : state) benchmark::DoNotOptimize(retrievestring(host.table(), id));
}
BENCHMARK(kzr_retrievestring_roundtrip);

void kzr_QL_DayCount_direct(benchmark::State& state) {
  for (auto _ : state) {
    auto input = std::make_unique<fiinput>();
    auto output = std::make_unique<fioutput>();
    input->datemap["StartDate"] = QuantLib::Date(1, QuantLib::January, 2024);
    input->datemap["EndDate"] = QuantLib::Date(1, QuantLib::July, 2024);
    input->textmap["DayCounter"] = "Actual360";
    QL_DayCount(input, output);
    benchmark::DoNotOptimize(output->scalar);
  }
}
BENCHMARK(kzr_QL_DayCount_direct);

void quantlib_Actual360_dayCount(benchmark::State& state) {
  const QuantLib::DayCounter counter = QuantLib::Actual360();
  int day = 1;
  for (auto _ : state) {
    day = day == 1 ? 2 : 1;
    benchmark::DoNotOptimize(counter.dayCount(QuantLib::Date(1, QuantLib::January, 2024),
                                              QuantLib::Date(day, QuantLib::July, 2024)));
  }
}
BENCHMARK(quantlib_Actual360_dayCount);

// The eleven tables of a fifun call built once from keyed inputs, every key and text put in the
// kernel's table of texts: numbers, dates (year, month, day), texts and lists.
struct keyedcall {
  std::vector<std::pair<std::string, double>> numbers;
  std::vector<std::pair<std::string, std::array<double, 3>>> dates;
  std::vector<std::pair<std::string, std::string>> texts;
  std::vector<std::pair<std::string, std::vector<double>>> lists;

  std::array<standin::tensor, 11> tables(standin::host& host) const {
    std::vector<hostinteger> numberids, dateids, textids, listids;
    std::vector<std::vector<double>> numberrows, daterows, textrows, listrows;
    for (const auto& n : numbers) {
      numberids.push_back(host.addtext(n.first));
      numberrows.push_back({n.second});
    }
    for (const auto& d : dates) {
      dateids.push_back(host.addtext(d.first));
      daterows.push_back({d.second[0], d.second[1], d.second[2]});
    }
    for (const auto& t : texts) {
      textids.push_back(host.addtext(t.first));
      textrows.push_back({static_cast<double>(host.addtext(t.second))});
    }
    for (const auto& l : lists) {
      listids.push_back(host.addtext(l.first));
      std::vector<double> row{static_cast<double>(l.second.size())};
      row.insert(row.end(), l.second.begin(), l.second.end());
      listrows.push_back(row);
    }
    auto ids = [](const std::vector<hostinteger>& v) {
      return standin::integertensor({static_cast<hostinteger>(v.size()), 1}, v);
    };
    return {ids(numberids),
            standin::realtable(numberrows),
            ids(dateids),
            standin::realtable(daterows),
            ids(textids),
            standin::realtable(textrows),
            ids(listids),
            standin::realtable(listrows),
            standin::realtensor({0, 5}, {}),
            standin::realtensor({0, 5}, {}),
            standin::realtensor({0, 1}, {})};
  }
};

standin::fixedincomeresult fifun(standin::host& host, const std::string& name,
                                 std::array<standin::tensor, 11>& t) {
  return host.fifun(name,
                    {&t[0], &t[1], &t[2], &t[3], &t[4], &t[5], &t[6], &t[7], &t[8], &t[9], &t[10]});
}

// The 20 quotes of the curve: three deposits, two FRAs and fifteen swaps on Euribor 6M.
const QuantLib::Date curvedate(15, QuantLib::January, 2024);
const char* const instruments =
    "Deposit,Deposit,Deposit,FRA,FRA,Swap,Swap,Swap,Swap,Swap,Swap,Swap,Swap,Swap,Swap,Swap,Swap,"
    "Swap,Swap,Swap";
const char* const tenors =
    "1M,3M,6M,6x12,12x18,2Y,3Y,4Y,5Y,6Y,7Y,8Y,9Y,10Y,12Y,15Y,20Y,25Y,30Y,40Y";
const std::vector<double> quotes = {0.0390, 0.0392, 0.0389, 0.0360, 0.0330, 0.0310, 0.0295,
                                    0.0287, 0.0280, 0.0278, 0.0276, 0.0275, 0.0275, 0.0275,
                                    0.0277, 0.0279, 0.0276, 0.0270, 0.0262, 0.0250};

keyedcall curvecall(const std::string& name) {
  keyedcall c;
  c.dates = {{"SettlementDate", {2024, 1, 15}}};
  c.texts = {{"Index", "Euribor6M"}, {"Instruments", instruments}, {"Tenors", tenors}};
  if (!name.empty()) c.texts.push_back({"Name", name});
  c.lists = {{"Quotes", quotes}};
  return c;
}

// The same curve built with QuantLib directly, with the conventions the library reads for
// Euribor6M: spot two TARGET days on, Actual/360, modified following, end of month; annual fixed
// legs on 30/360 (bond basis).
QuantLib::ext::shared_ptr<QuantLib::YieldTermStructure> directcurve() {
  using namespace QuantLib;
  const Calendar target = TARGET();
  const DayCounter act360 = Actual360();
  std::vector<ext::shared_ptr<RateHelper>> helpers;
  const Period deposits[] = {1 * Months, 3 * Months, 6 * Months};
  for (int i = 0; i < 3; ++i)
    helpers.push_back(ext::make_shared<DepositRateHelper>(quotes[i], deposits[i], 2, target,
                                                          ModifiedFollowing, true, act360));
  helpers.push_back(ext::make_shared<FraRateHelper>(quotes[3], 6, 12, 2, target, ModifiedFollowing,
                                                    true, act360));
  helpers.push_back(ext::make_shared<FraRateHelper>(quotes[4], 12, 18, 2, target, ModifiedFollowing,
                                                    true, act360));
  const int years[] = {2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 15, 20, 25, 30, 40};
  const auto euribor = ext::make_shared<Euribor>(6 * Months);
  for (int i = 0; i < 15; ++i)
    helpers.push_back(ext::make_shared<SwapRateHelper>(
        quotes[5 + i], years[i] * Years, target, Annual, ModifiedFollowing,
        Thirty360(Thirty360::BondBasis), euribor, Handle<Quote>(), 0 * Days,
        Handle<YieldTermStructure>(), 2));
  auto curve = ext::make_shared<PiecewiseYieldCurve<Discount, LogLinear>>(curvedate, helpers,
                                                                          Actual365Fixed());
  curve->discount(curvedate + 1);  // bootstrapped here
  return curve;
}

void kzr_fifun_Curve20(benchmark::State& state) {
  standin::host& host = library();
  std::array<standin::tensor, 11> t = curvecall("").tables(host);
  // Agreement: the pillars' discount factors are the direct bootstrap's.
  const standin::fixedincomeresult result = fifun(host, "Curve", t);
  QuantLib::Settings::instance().evaluationDate() = curvedate;
  const auto direct = directcurve();
  for (hostinteger k = 1; k <= result.columns(); ++k) {
    const QuantLib::Date pillar(static_cast<int>(result.at(6, k)),
                                static_cast<QuantLib::Month>(static_cast<int>(result.at(5, k))),
                                static_cast<int>(result.at(4, k)));
    if (result.at(1, 1) != 1.0 || result.columns() != 20 ||
        std::fabs(direct->discount(pillar) - result.at(7, k)) > 1e-12)
      return state.SkipWithError("the bridge's curve is not QuantLib's");
  }
  for (auto _ : state) benchmark::DoNotOptimize(fifun(host, "Curve", t).values.data());
}
BENCHMARK(kzr_fifun_Curve20)->Unit(benchmark::kMicrosecond);

void quantlib_PiecewiseYieldCurve20(benchmark::State& state) {
  QuantLib::Settings::instance().evaluationDate() = curvedate;
  for (auto _ : state) {
    const auto curve = directcurve();
    benchmark::DoNotOptimize(curve->discount(curvedate + 365));
  }
}
BENCHMARK(quantlib_PiecewiseYieldCurve20)->Unit(benchmark::kMicrosecond);

// A seven-year swap paying 3% on ten million, on the kept curve and on the direct one; it starts
// at spot, or on `start`.
keyedcall swapcall() {
  keyedcall c;
  c.texts = {{"Curve", "BENCH"}, {"Tenor", "7Y"}};
  c.numbers = {{"FixedRate", 0.03}, {"Notional", 1e7}};
  return c;
}

QuantLib::ext::shared_ptr<QuantLib::VanillaSwap> directswap(
    const QuantLib::Handle<QuantLib::YieldTermStructure>& curve,
    const QuantLib::Date& start = QuantLib::Date()) {
  using namespace QuantLib;
  return MakeVanillaSwap(7 * Years, ext::make_shared<Euribor>(6 * Months, curve), 0.03)
      .withNominal(1e7)
      .withSettlementDays(2)
      .withEffectiveDate(start)
      .withDiscountingTermStructure(curve)
      .withFixedLegDayCount(Thirty360(Thirty360::BondBasis))
      .withFixedLegTenor(1 * Years)
      .withFixedLegConvention(ModifiedFollowing)
      .withFixedLegTerminationDateConvention(ModifiedFollowing)
      .withFixedLegCalendar(TARGET())
      .withFloatingLegCalendar(TARGET());
}

// `name` through fifun on the kept curve BENCH against `direct` on the same curve built with
// QuantLib: checked to agree to 1e-9, then timed.
void bridgeagainstdirect(
    benchmark::State& state, const std::string& name, const keyedcall& call,
    const std::function<double(const QuantLib::Handle<QuantLib::YieldTermStructure>&)>& direct) {
  standin::host& host = library();
  std::array<standin::tensor, 11> kept = curvecall("BENCH").tables(host);
  fifun(host, "Curve", kept);
  std::array<standin::tensor, 11> t = call.tables(host);
  const double bridge = fifun(host, name, t).at(2, 1);
  QuantLib::Settings::instance().evaluationDate() = curvedate;
  const double expected = direct(QuantLib::Handle<QuantLib::YieldTermStructure>(directcurve()));
  if (!std::isfinite(bridge) || std::fabs(bridge - expected) > 1e-9 * std::fabs(expected))
    return state.SkipWithError(("the bridge's " + name + " is not QuantLib's").c_str());
  for (auto _ : state) benchmark::DoNotOptimize(fifun(host, name, t).values.data());
}

// The same, QuantLib alone.
void directonly(
    benchmark::State& state,
    const std::function<double(const QuantLib::Handle<QuantLib::YieldTermStructure>&)>& direct) {
  QuantLib::Settings::instance().evaluationDate() = curvedate;
  const QuantLib::Handle<QuantLib::YieldTermStructure> curve(directcurve());
  for (auto _ : state) benchmark::DoNotOptimize(direct(curve));
}

double swapnpv(const QuantLib::Handle<QuantLib::YieldTermStructure>& curve) {
  return directswap(curve)->NPV();
}

void kzr_fifun_InterestSwap(benchmark::State& state) {
  bridgeagainstdirect(state, "InterestSwap", swapcall(), swapnpv);
}
BENCHMARK(kzr_fifun_InterestSwap)->Unit(benchmark::kMicrosecond);

void quantlib_VanillaSwap_NPV(benchmark::State& state) { directonly(state, swapnpv); }
BENCHMARK(quantlib_VanillaSwap_NPV)->Unit(benchmark::kMicrosecond);

// A payer swaption into that swap, exercised in two years, at a 20% Black volatility.
keyedcall swaptioncall() {
  keyedcall c = swapcall();
  c.texts.push_back({"Expiry", "2Y"});
  c.numbers.push_back({"Volatility", 0.2});
  return c;
}

double swaptionnpv(const QuantLib::Handle<QuantLib::YieldTermStructure>& curve) {
  using namespace QuantLib;
  const Date exercise = TARGET().advance(curvedate, 2 * Years, ModifiedFollowing);
  Swaption swaption(directswap(curve, TARGET().advance(exercise, 2 * Days)),
                    ext::make_shared<EuropeanExercise>(exercise));
  swaption.setPricingEngine(ext::make_shared<BlackSwaptionEngine>(curve, 0.2));
  return swaption.NPV();
}

void kzr_fifun_Swaption_Black(benchmark::State& state) {
  bridgeagainstdirect(state, "Swaption", swaptioncall(), swaptionnpv);
}
BENCHMARK(kzr_fifun_Swaption_Black)->Unit(benchmark::kMicrosecond);

void quantlib_Swaption_Black(benchmark::State& state) { directonly(state, swaptionnpv); }
BENCHMARK(quantlib_Swaption_Black)->Unit(benchmark::kMicrosecond);

}  // namespace
