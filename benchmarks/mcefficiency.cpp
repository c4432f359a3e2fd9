// The efficiency table of the simulations' library options: for each contract and method (the
// design's MT19937 draws, randomised Sobol draws through the Brownian bridge, and Sobol with the
// control variates) the root-mean-square error of 32 answers at seeds 1 .. 32 against a
// reference, the processor time of one answer, the efficiency 1 / (error^2 x time), its gain over the
// design's, and the root-mean-square of the 32 reported standard errors over the measured error.
//
//   ASIANAARECO, 10,000 paths of 500 points     reference: a long run (mcefficiencyreference.h)
//   RAINBOWMAXECO, 5 assets, 100,000 paths     reference: a long run
//   EVERESTEO, 5 assets, 100,000 paths         reference: a long run
//   RAINBOWMAXECO, 2 assets, 100,000 paths     reference: RAINBOWMAX2ECO, the closed form, with
//                                              the precise bivariate normal
// Every answer is what a front prints with its standard error: the path-weighted mean of 16
// seeded blocks of N / 16 paths (block b of answer s at seed 1000 s + b) with the batch-means
// error, the only error a randomised Sobol run can report (its replicates at different seeds
// are independent; one run's paths are not). The design's answers are blocked the same way, so
// the methods are compared at the same paths and the same blocks.
//
// Targets: efficiency gain >= 100 on the Asian with the control variate and the bridge, >= 10
// wherever a control variate exists, the reported errors within 30% of the measured one; each
// family's counters say met = 1 when its targets hold, and a reference whose own error is not
// 10x below the smallest measured error is refused (SkipWithError). A separate filter:
//   kzrbench --benchmark_filter=efficiency
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <string>
#include <vector>

#include "binding/interfacenumbers.h"
#include "fiveassets.h"
#include "host.h"
#include "mcefficiencyreference.h"

namespace {

constexpr int answers = 32;  // seeds per method
constexpr int blocks = 16;   // blocks per answer

enum method { design = 0, sobol = 1, sobolcontrol = 2 };
const char* const methodnames[] = {"design", "sobol", "sobolcv"};

struct family {
  const char* code;
  std::vector<std::vector<double>> rows;
  double paths, steps;  // steps 0: the code's default
  double reference, referenceerror;
  bool hascontrol;
};

// fun with the paths, steps, seed and options of one block.
double blockprice(standin::host& library, const family& f, double paths, double seed, method m) {
  standin::tensor T0 = standin::realtable(f.rows);
  standin::tensor T1 =
      standin::integertensor({parameterentrycount}, {1, 1, 1, 0, f.steps > 0 ? 0 : 1, 0});
  std::vector<double> values(parameterentrycount * entryvaluecount, 0.0);
  values[entryvaluecount * entrypaths] = paths;
  values[entryvaluecount * entrysteps] = f.steps;
  double* options = &values[entryvaluecount * entryoptions];
  options[optionseed] = seed;
  options[optionsobol] = m != design ? 1 : 0;
  options[optioncontrolvariates] = m == sobolcontrol ? 1 : 0;
  standin::tensor T2 = standin::realtensor({parameterentrycount, entryvaluecount}, values);
  return library.fun(f.code, T0, T1, T2).value;
}

struct methodresult {
  double error, reported, seconds;  // RMS error, RMS reported error, seconds per answer
  double efficiency() const { return 1.0 / (error * error * seconds); }
};

methodresult measure(standin::host& library, const family& f, method m) {
  const double blockpaths = std::floor(f.paths / blocks);
  double squares = 0.0, reportedsquares = 0.0, seconds = 0.0;
  for (int s = 1; s <= answers; ++s) {
    const std::clock_t begin = std::clock();
    double values[blocks], sum = 0.0;
    for (int b = 0; b < blocks; ++b) {
      values[b] = blockprice(library, f, blockpaths, 1000.0 * s + b, m);
      sum += values[b];
    }
    seconds += static_cast<double>(std::clock() - begin) / CLOCKS_PER_SEC;
    const double mean = sum / blocks;
    double deviations = 0.0;  // two passes: the blocks of a controlled n = 2 rainbow agree to 1e-14
    for (double v : values) deviations += (v - mean) * (v - mean);
    reportedsquares += deviations / (blocks - 1) / blocks;
    squares += (mean - f.reference) * (mean - f.reference);
  }
  return {std::sqrt(squares / answers), std::sqrt(reportedsquares / answers), seconds / answers};
}

void efficiency(benchmark::State& state, const family& f, double asiantarget) {
  static standin::host library;
  methodresult results[3];
  for (auto _ : state)
    for (int m = design; m <= sobolcontrol; ++m)
      results[m] = measure(library, f, static_cast<method>(m));
  bool met = true;
  double smallest = results[design].error;
  for (int m = design; m <= sobolcontrol; ++m) {
    const methodresult& r = results[m];
    const std::string name = methodnames[m];
    const double gain = r.efficiency() / results[design].efficiency();
    state.counters[name + "_err"] = r.error;
    state.counters[name + "_s"] = r.seconds;
    state.counters[name + "_eff"] = r.efficiency();
    state.counters[name + "_gain"] = gain;
    state.counters[name + "_rep/err"] = r.reported / r.error;
    smallest = std::min(smallest, r.error);
    // The reported errors are judged where they are not rounding (the n = 2 rainbow's control).
    if (r.error > 1e-9 * std::fabs(f.reference) && std::fabs(r.reported / r.error - 1) > 0.3)
      met = false;
    if (m == sobolcontrol && f.hascontrol && gain < asiantarget) met = false;
  }
  state.counters["met"] = met ? 1 : 0;
  if (!(f.referenceerror * 10 <= std::max(smallest, 1e-9 * std::fabs(f.reference))))
    state.SkipWithError("the reference's own error is not 10x below the smallest measured error");
}

std::vector<std::vector<double>> fiveassetrows(bool strike) {
  using namespace fiveassets;
  std::vector<std::vector<double>> rows = {{double(n)}, {1.0}};
  if (strike) rows.push_back({100, 95, 105, 110, 90});
  rows.push_back({strike ? 100.0 : 100.0});  // K, or Everest's notional
  rows.push_back({sigma, sigma + n});
  rows.push_back(correlationrow());
  rows.push_back({0.05});
  rows.push_back({q, q + n});
  return rows;
}

void efficiency_ASIANAARECO(benchmark::State& state) {
  const double T = mcefficiencyreference::asianT;
  static const family f{"ASIANAARECO", {{T}, {T}, {100}, {100}, {100}, {0.2}, {0.05}, {0.02}},
                        10000, 500, mcefficiencyreference::asian,
                        mcefficiencyreference::asianerror, true};
  efficiency(state, f, 100);
}

void efficiency_RAINBOWMAXECO5(benchmark::State& state) {
  static const family f{"RAINBOWMAXECO", fiveassetrows(true), 100000, 0,
                        mcefficiencyreference::rainbow, mcefficiencyreference::rainbowerror, true};
  efficiency(state, f, 10);
}

void efficiency_EVERESTEO5(benchmark::State& state) {
  static const family f{"EVERESTEO", fiveassetrows(false), 100000, 0,
                        mcefficiencyreference::everest, mcefficiencyreference::everesterror, true};
  efficiency(state, f, 10);
}

void efficiency_RAINBOWMAXECO2(benchmark::State& state) {
  static standin::host library;
  const std::vector<std::vector<double>> closedrows = {{1}, {100}, {95}, {0.2}, {0.25}, {0.5},
                                                       {0.05}, {0.01}, {0.02}, {100}};
  standin::tensor T0 = standin::realtable(closedrows);
  standin::tensor T1 = standin::integertensor({parameterentrycount}, {1, 1, 1, 1, 1, 0});
  std::vector<double> values(parameterentrycount * entryvaluecount, 0.0);
  values[entryvaluecount * entryoptions + optionnumerics] = 1;
  standin::tensor T2 = standin::realtensor({parameterentrycount, entryvaluecount}, values);
  const double closed = library.fun("RAINBOWMAX2ECO", T0, T1, T2).value;
  static const family f{"RAINBOWMAXECO",
                        {{2}, {1}, {100, 95}, {100}, {0.2, 0.25}, {1, 0.5, 0.5, 1}, {0.05},
                         {0.01, 0.02}},
                        100000, 0, closed, 1e-14 * closed, true};
  efficiency(state, f, 10);
}

}  // namespace

BENCHMARK(efficiency_ASIANAARECO)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(efficiency_RAINBOWMAXECO5)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(efficiency_EVERESTEO5)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(efficiency_RAINBOWMAXECO2)->Iterations(1)->Unit(benchmark::kSecond);
