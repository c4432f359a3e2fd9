// kzrbench's main: Google Benchmark's own, and after the console table the ratios the per-call
// targets are read by, each from the processor times of this one run (the median of the
// repetitions when there are several): the entry point's own share of fun against a null host
// beside the bare formula, and the host stand-in's share on top; every one-dimensional closed form
// through fun against QuantLib's engine re-pricing the same contract; fifun's day count against
// the fixed-income library's function called directly. A ratio whose two benchmarks were not both
// run (a filter left one out) is not printed. Other output formats (--benchmark_format=json, as
// benchmarks/pythoncalls.py reads) print no ratios.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// Processor time per iteration in ns, by benchmark name: the median aggregate when there is one,
// else the last run.
class ratioreporter : public benchmark::ConsoleReporter {
 public:
  // Colours on a terminal only, as the library's own console output.
  ratioreporter() : benchmark::ConsoleReporter(isatty(fileno(stdout)) ? OO_Color : OO_None) {}
  void ReportRuns(const std::vector<Run>& reports) override {
    benchmark::ConsoleReporter::ReportRuns(reports);
    for (const Run& run : reports) {
      if (run.error_occurred) continue;
      const std::string name = run.run_name.str();
      const double ns =
          run.GetAdjustedCPUTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
      if (run.run_type == Run::RT_Aggregate) {
        if (run.aggregate_name == "median") medians[name] = ns;
      } else {
        last[name] = ns;
      }
    }
  }

  void Finalize() override {
    benchmark::ConsoleReporter::Finalize();
    bool header = false;
    const auto line = [&](const char* what, double value, const char* target) {
      if (!header) std::printf("\nRatios (processor time, this run)\n");
      header = true;
      std::printf("  %-58s %7.2f   %s\n", what, value, target);
    };
    double nullhost, formula, standin;
    if (time("entrypoint_nullhost_fun_BSECO", nullhost) &&
        time("entrypoint_formula_BSECO_chained", formula)) {
      std::printf("\nfun(\"BSECO\"): null host %.1f ns, formula %.1f ns, library's share %.1f ns\n",
                  nullhost, formula, nullhost - formula);
      line("library's share of fun / formula (BSECO)", (nullhost - formula) / formula, "<= 1");
      if (time("entrypoint_standin_fun_BSECO", standin))
        std::printf("  host stand-in's share on top of the null host: %.1f ns\n", standin - nullhost);
    }
    const char* pairs[][3] = {
        {"BSECO", "kzr_fun_BSECO", "quantlib_AnalyticEuropeanEngine_reprice"},
        {"BSEDCO (cash digital)", "kzr_fun_BSEDCO",
         "quantlib_CashOrNothing_AnalyticEuropeanEngine_reprice"},
        {"BLACK76ECO", "kzr_fun_BLACK76ECO", "quantlib_Black76_AnalyticEuropeanEngine_reprice"},
        {"DOWNOUTECO (barrier)", "kzr_fun_DOWNOUTECO", "quantlib_AnalyticBarrierEngine_reprice"},
        {"LBFLSTECO (floating lookback)", "kzr_fun_LBFLSTECO",
         "quantlib_AnalyticContinuousFloatingLookbackEngine_reprice"},
        {"LBFXSTECO (fixed lookback)", "kzr_fun_LBFXSTECO",
         "quantlib_AnalyticContinuousFixedLookbackEngine_reprice"},
        {"POWERECO", "kzr_fun_POWERECO", "quantlib_power_AnalyticEuropeanEngine_reprice"},
        {"QUANTOFXFEECO", "kzr_fun_QUANTOFXFEECO", "quantlib_QuantoEngine_reprice"},
    };
    for (const auto& pair : pairs) {
      double ours, theirs;
      if (time(pair[1], ours) && time(pair[2], theirs))
        line((std::string("QuantLib re-price / fun, ") + pair[0]).c_str(), theirs / ours, ">= 20");
    }
    double bridged, direct;
    if (time("kzr_fifun_DayCount", bridged) && time("kzr_QL_DayCount_direct", direct))
      line("fifun DayCount / its direct call", bridged / direct, "<= 3");
    std::fflush(stdout);
  }

 private:
  bool time(const std::string& name, double& ns) const {
    for (const auto* table : {&medians, &last}) {
      const auto found = table->find(name);
      if (found != table->end()) {
        ns = found->second;
        return true;
      }
    }
    return false;
  }
  std::map<std::string, double> medians, last;
};

}  // namespace

int main(int argc, char** argv) {
  bool console = true;
  for (int i = 1; i < argc; ++i) {
    const char* flag = "--benchmark_format=";
    if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0 &&
        std::strcmp(argv[i] + std::strlen(flag), "console") != 0)
      console = false;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  ratioreporter ratios;
  benchmark::RunSpecifiedBenchmarks(console ? &ratios : nullptr);
  benchmark::Shutdown();
  return 0;
}
