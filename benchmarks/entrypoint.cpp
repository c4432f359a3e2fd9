// The entry point's own cost. fun and funvec are called through the library's exports with a null
// host: a callback table whose tensor queries read a plain record and whose give-backs do
// nothing, so that what is timed is the library's share of a call (the text given back, the
// queries in their order, the checks, the lookup, the parameter block, the handler, the
// releases). Beside it the same call through the host stand-in (its argument lending, share
// counting and pooled texts), and the bare formula. A real host adds what its own calls cost on
// top of the null host: marshalling the code text and the tensors, reference counts, and its
// interpreter's dispatch.
//
// Each benchmark checks its answer against the formula called directly before it times.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "binding/interfacenumbers.h"
#include "closedform/BlackScholes.h"
#include "host.h"

namespace {

// A null host's tensor: rank, dimensions and elements in a plain record.
struct nulltensor {
  hostinteger rank = 2;
  hostinteger dims[2] = {0, 0};
  double* reals = nullptr;
  hostinteger* integers = nullptr;
};

nulltensor* tensorof(hosttensor handle) { return reinterpret_cast<nulltensor*>(handle); }

// funvec's result: one tensor, reused.
nulltensor nullresult;
std::vector<double> nullresultvalues;

librarydatatable nulltable() {
  librarydatatable table{};
  table.releasestring = [](char*) { return static_cast<int>(hoststatusok); };
  table.newtensor = [](hostinteger, hostinteger rank, const hostinteger* dims, hosttensor* out) {
    nullresult.rank = rank;
    nullresult.dims[0] = rank > 0 ? dims[0] : 0;
    nullresultvalues.resize(static_cast<std::size_t>(nullresult.dims[0]));
    nullresult.reals = nullresultvalues.data();
    *out = reinterpret_cast<hosttensor>(&nullresult);
    return static_cast<int>(hoststatusok);
  };
  table.releasetensor = [](hosttensor) {};
  table.setreal = [](hosttensor t, const hostinteger* position, double value) {
    tensorof(t)->reals[position[0] - 1] = value;
    return static_cast<int>(hoststatusok);
  };
  table.tensorrank = [](hosttensor t) { return tensorof(t)->rank; };
  table.tensordims = [](hosttensor t) -> const hostinteger* { return tensorof(t)->dims; };
  table.integerdata = [](hosttensor t) { return tensorof(t)->integers; };
  table.realdata = [](hosttensor t) { return tensorof(t)->reals; };
  return table;
}

// The library, loaded and initialised once by the stand-in; its exports are then called with the
// null host's table.
standin::host& library() {
  static standin::host loaded;
  return loaded;
}

constexpr double T = 1.0, S = 100.0, K = 100.0, sigma = 0.2, r = 0.05, q = 0.02;

// A call of one entry point with the code and three null tensors, set up once.
struct nullcall {
  std::vector<double> inputs;
  hostinteger flags[6] = {1, 1, 1, 1, 1, 1};
  double parameters[6 * 2] = {};
  nulltensor T0, T1, T2;
  char code[16];
  char* text = code;
  hosttensor handles[3];
  hostargument cells[4];
  librarydatatable table = nulltable();
  entrypoint function;

  // values: rows x columns, row-major.
  nullcall(const char* entry, const char* name, std::vector<double> values, hostinteger rows,
           hostinteger columns)
      : inputs(std::move(values)) {
    T0.dims[0] = rows;
    T0.dims[1] = columns;
    T0.reals = inputs.data();
    T1.rank = 1;
    T1.dims[0] = 6;
    T1.integers = flags;
    T2.dims[0] = 6;
    T2.dims[1] = 2;
    T2.reals = parameters;
    std::snprintf(code, sizeof code, "%s", name);
    handles[0] = reinterpret_cast<hosttensor>(&T0);
    handles[1] = reinterpret_cast<hosttensor>(&T1);
    handles[2] = reinterpret_cast<hosttensor>(&T2);
    cells[0] = &text;
    for (int i = 0; i < 3; ++i) cells[i + 1] = &handles[i];
    function = reinterpret_cast<entrypoint>(library().symbol(entry));
    vector = std::string(entry) == "funvec";
  }
  // The library keeps the last code text until the next call of the same entry point gives it
  // back, through whichever host makes that call. The last call here lends a text of the
  // stand-in's, so that the stand-in's next call gives back a text it lent.
  ~nullcall() {
    text = standin::lendstring(code);
    double price = 0.0;
    hosttensor out = nullptr;
    vector ? (*this)(&out) : (*this)(&price);
  }
  bool vector = false;
  nullcall(const nullcall&) = delete;
  nullcall& operator=(const nullcall&) = delete;
  int operator()(void* result) { return function(&table, 4, cells, result); }
};

void entrypoint_nullhost_fun_BSECO(benchmark::State& state) {
  nullcall call("fun", "BSECO", {T, S, K, sigma, r, q}, 6, 1);
  double price = 0.0;
  call(&price);
  if (price != BlackScholes::blackscholescall(T, S, K, sigma, r, q)) {
    state.SkipWithError("fun through the null host differs from the formula");
    return;
  }
  for (auto _ : state) {
    call.inputs[1] = S + 1e-9 * static_cast<double>(state.iterations() & 1);
    call(&price);
    benchmark::DoNotOptimize(price);
  }
}
BENCHMARK(entrypoint_nullhost_fun_BSECO);

void entrypoint_standin_fun_BSECO(benchmark::State& state) {
  standin::tensor T0 = standin::realtensor({6, 1}, {T, S, K, sigma, r, q});
  standin::tensor T1 = standin::integertensor({6}, {1, 1, 1, 1, 1, 1});
  standin::tensor T2 = standin::realtensor({6, 1}, std::vector<double>(6, 0.0));
  const std::string code = "BSECO";
  const double expected = BlackScholes::blackscholescall(T, S, K, sigma, r, q);
  if (library().fun(code, T0, T1, T2).value != expected) {
    state.SkipWithError("fun through the stand-in differs from the formula");
    return;
  }
  for (auto _ : state) {
    T0.reals[1] = S + 1e-9 * static_cast<double>(state.iterations() & 1);
    benchmark::DoNotOptimize(library().fun(code, T0, T1, T2).value);
  }
}
BENCHMARK(entrypoint_standin_fun_BSECO);

void entrypoint_formula_BSECO(benchmark::State& state) {
  double spot = S;
  for (auto _ : state) {
    benchmark::DoNotOptimize(spot);
    benchmark::DoNotOptimize(BlackScholes::blackscholescall(T, spot, K, sigma, r, q));
  }
}
BENCHMARK(entrypoint_formula_BSECO);

// The formula with each call waiting for the one before (its latency, where the benchmark above
// lets calls overlap): a call through the entry point cannot overlap the next.
void entrypoint_formula_BSECO_chained(benchmark::State& state) {
  double price = 0.0;
  for (auto _ : state) {
    price = BlackScholes::blackscholescall(T, S + 1e-300 * price, K, sigma, r, q);
    benchmark::DoNotOptimize(price);
  }
}
BENCHMARK(entrypoint_formula_BSECO_chained);

// funvec's path on a simulated code whose draws are kept (mode 0, a fixed seed, the same terms):
// the call reuses the kept price, so what is timed is the path, the counted table's lookup, the
// cache's comparison and the result tensor; fun on the same kept simulation beside it.
struct everestcall : nullcall {
  // n, T, notional, sigma_i, rho_ij, r, q_i; four columns.
  explicit everestcall(const char* entry)
      : nullcall(entry, "EVERESTEO",
                 {2, 0, 0, 0, 1, 0, 0, 0, 100, 0, 0, 0, 0.2, 0.2, 0, 0, 1, 0, 0, 1, 0.05, 0, 0, 0,
                  0, 0.02, 0, 0},
                 7, 4) {
  flags[entrymode] = 0;  // mode 0: keep and reuse the draws
  flags[entrypaths] = 0;
  parameters[2 * entrypaths] = 500;
  flags[entryoptions] = 0;
  parameters[2 * entryoptions + optionseed] = 410;
  }
};

void entrypoint_nullhost_fun_EVERESTEO_kept(benchmark::State& state) {
  everestcall call("fun");
  double price = 0.0;
  call(&price);
  if (!std::isfinite(price)) {
    state.SkipWithError("the kept simulation gave no price");
    return;
  }
  for (auto _ : state) {
    call(&price);
    benchmark::DoNotOptimize(price);
  }
}
BENCHMARK(entrypoint_nullhost_fun_EVERESTEO_kept);

void entrypoint_nullhost_funvec_EVERESTEO_kept(benchmark::State& state) {
  everestcall call("funvec");
  hosttensor out = nullptr;
  call(&out);
  if (out == nullptr || nullresult.dims[0] < 1 || !std::isfinite(nullresultvalues[0])) {
    state.SkipWithError("the kept simulation gave no vector");
    return;
  }
  for (auto _ : state) {
    call(&out);
    benchmark::DoNotOptimize(nullresultvalues.data());
  }
}
BENCHMARK(entrypoint_nullhost_funvec_EVERESTEO_kept);

}  // namespace
