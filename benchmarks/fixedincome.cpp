// A day count four ways: through fifun with everything a host call costs (eleven tables, one
// kernel round trip per named input: the day counter's value and key, the two date keys), one
// kernel round trip alone, the fixed-income library's function called directly (its input record
// built in the loop, as the bridge builds it), and QuantLib's day counter on its own.
#include <benchmark/benchmark.h>

#include <array>

#include <ql/time/daycounters/actual360.hpp>

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

}  // namespace
