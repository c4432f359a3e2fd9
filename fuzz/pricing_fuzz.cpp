// libFuzzer target for fun and funvec, through the host stand-in and the loaded libkzr.so.
//
// Every input makes several calls in one loaded library, so that the caches of the engines carry
// from call to call:
//   1. a call the library must price (a registered code, its rows, a parameter table of six
//      rows, a fixed seed in the library options) in valuation mode 1, then twice in mode 0 (a
//      fresh solve that fills the cache, then a read of the cache): all three give the same
//      result;
//   2. one to four calls with anything: codes of both registries and near misses, tables of
//      rank 0 to 4 with dimensions that are zero, negative or huge, flags and parameter entries
//      at and past their bounds, special values in every position;
//   3. the first call again in mode 1: the same bits as before.
// Each input also decides whether the host lends a valid one-byte block or a null pointer for an
// empty tensor. Every call must return status 0 or 1 and give back all it was lent.
//
// The codes come from the registries, so a family added later is fuzzed without a change here.
// Parameter values at bounds that cost seconds per call (50,000 tree steps, a million grid nodes,
// a billion node updates) are left out, so that a run makes many calls; past-bound values and
// cheap at-bound values (one step, three nodes, two levels) are in.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "binding/interfacenumbers.h"
#include "binding/parameterblock.h"
#include "binding/registries.h"
#include "fuzzsupport.h"

namespace {

using fuzzing::oneof;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr hostinteger entries = parameterentrycount;

// The codes each entry point serves, with the rows their handlers read.
struct registered {
  std::vector<std::string> codes;
  std::vector<std::int64_t> rows;
  std::vector<bool> vector;  // served by funvec
};

const registered& registry() {
  static const registered codes = [] {
    initializeregistries();  // the in-process registry names the codes the library serves
    registered r;
    for (const auto& [code, entry] : scalarhandlers()) {
      r.codes.push_back(code);
      r.rows.push_back(entry.rowcapacity);
      r.vector.push_back(vectorhandlers().count(code) == 1);
    }
    for (const auto& [code, entry] : vectorhandlers()) {
      if (scalarhandlers().count(code) == 1) continue;
      r.codes.push_back(code);
      r.rows.push_back(entry.rowcapacity);
      r.vector.push_back(true);
    }
    return r;
  }();
  return codes;
}

// A value of parameter entry `row`, column `column`. The grid, path and step counts come only from
// their lists (an arbitrary double there could ask for minutes of work).
double parametervalue(FuzzedDataProvider& in, hostinteger row, hostinteger column) {
  switch (row) {
    case entrymode: return oneof(in, {1, 0, 2, -1, 0.5, nan, 1e300});
    case entrysensitivity: return oneof(in, {0, 1, 2, 3, 4, 5, 6, -1, nan});
    case entrygrid: {
      const double nodes[] = {100, 3, 2, 4, 1001, 1000001, 0, -1, nan, inf, 4294967396.0, 1e300};
      const double levels[] = {50, 2, 1, 3, 500, 1000001, 0, -1, nan, inf, 4294967298.0};
      return column == 0 ? in.PickValueInArray(nodes) : in.PickValueInArray(levels);
    }
    case entrypaths: {
      const double paths[] = {100, 1, 2, 0, -1, 10000, nan, inf, 1e300};
      return in.PickValueInArray(paths);
    }
    case entrysteps: {
      const double steps[] = {100, 1,  2,   3,   200,   2001,         100001,
                              0,   -1, nan, inf, 1e300, 2147483648.0, 4294967396.0};
      return in.PickValueInArray(steps);
    }
    case entryoptions: return oneof(in, {0, 1, 12345, -1, nan, inf});
    default: return fuzzing::value(in);
  }
}

hostinteger flag(FuzzedDataProvider& in) {
  const hostinteger flags[] = {0,
                               1,
                               0,
                               1,
                               0,
                               1,
                               -1,
                               2,
                               std::numeric_limits<hostinteger>::min(),
                               std::numeric_limits<hostinteger>::max()};
  return in.PickValueInArray(flags);
}

struct pricingcall {
  bool vector = false;
  std::string code;
  standin::tensor T0, T1, T2;
};

// The parameter table: entry e's values at row e.
standin::tensor parametertable(FuzzedDataProvider& in, std::vector<hostinteger> dims) {
  return fuzzing::filledtensor<double>(
      std::move(dims), entries, [&](std::size_t i, hostinteger columns) {
        const hostinteger at = static_cast<hostinteger>(i);
        return columns > 0 ? parametervalue(in, at / columns, at % columns) : 0.0;
      });
}

// Tables of any values and of any flags.
standin::tensor valuetable(FuzzedDataProvider& in, std::vector<hostinteger> dims,
                           hostinteger rowsread) {
  const auto anyvalue = [&](std::size_t, hostinteger) { return fuzzing::value(in); };
  return fuzzing::filledtensor<double>(std::move(dims), rowsread, anyvalue);
}
standin::tensor flagtable(FuzzedDataProvider& in, std::vector<hostinteger> dims,
                          hostinteger rowsread) {
  return fuzzing::filledtensor<hostinteger>(std::move(dims), rowsread,
                                            [&](std::size_t, hostinteger) { return flag(in); });
}

// A simulation (a code that reads the paths entry) costs paths x steps x assets draws, which
// the default counts and the memory limit's cut put at millions: such calls get at most 100
// paths and 200 steps from their own entries here (the counts' limits have tests of their own).
void keepsimulationcheap(pricingcall& call) {
  const auto reads = [&](const auto& handlers) {
    const auto found = handlers.find(call.code);
    return found != handlers.end() && (found->second.entries & readsentry(entrypaths)) != 0;
  };
  if (!reads(scalarhandlers()) && !reads(vectorhandlers())) return;
  if (call.T1.type == hosttypeinteger && call.T1.integers.size() > entrysteps)
    call.T1.integers[entrypaths] = call.T1.integers[entrysteps] = 0;
  standin::tensor& T2 = call.T2;
  if (T2.type != hosttypereal || T2.dims.empty() || T2.dims[0] <= entrysteps) return;
  const std::size_t columns = T2.dims.size() > 1 ? static_cast<std::size_t>(T2.dims[1]) : 1;
  if (columns == 0 || T2.reals.size() < entrysteps * columns + 1) return;
  const auto cap = [](double& count, double most) { count = std::min(count, most); };
  cap(T2.reals[entrypaths * columns], 100);
  cap(T2.reals[entrysteps * columns], 200);
}

// A call the library must price: a registered code, its rows of one value, a flag and a parameter
// row of entryvaluecount values per entry; valuation mode 1 and a fixed seed for every random
// source.
pricingcall pricedcall(FuzzedDataProvider& in) {
  const registered& r = registry();
  const std::size_t pick = in.ConsumeIntegralInRange<std::size_t>(0, r.codes.size() - 1);
  pricingcall call;
  call.vector = r.vector[pick] && in.ConsumeBool();
  call.code = r.codes[pick];
  const hostinteger rows = r.rows[pick];
  call.T0 = valuetable(in, {rows, 1}, rows);
  std::vector<hostinteger> flags(entries);
  for (hostinteger& f : flags) f = flag(in) == 0 ? 0 : 1;
  flags[entrymode] = flags[entryoptions] = 0;
  call.T1 = standin::integertensor({entries}, flags);
  call.T2 = parametertable(in, {entries, entryvaluecount});
  call.T2.reals[entrymode * entryvaluecount] = 1;
  call.T2.reals[entryoptions * entryvaluecount + optionseed] = 12345;
  keepsimulationcheap(call);
  return call;
}

// A call with anything in it; now and then a table of the other element type.
pricingcall anycall(FuzzedDataProvider& in) {
  const registered& r = registry();
  pricingcall call;
  call.vector = in.ConsumeBool();
  call.code = fuzzing::code(in, r.codes);
  const auto found = std::find(r.codes.begin(), r.codes.end(), call.code);
  const hostinteger rows = found == r.codes.end() ? 6 : r.rows[found - r.codes.begin()];
  const auto othertype = [&] { return in.ConsumeIntegralInRange<int>(0, 15) == 0; };
  call.T0 = othertype() ? flagtable(in, fuzzing::shape(in, rows, 1), rows)
                        : valuetable(in, fuzzing::shape(in, rows, 1), rows);
  std::vector<hostinteger> flagdims = in.ConsumeBool()
                                          ? std::vector<hostinteger>{fuzzing::dimension(in, 6)}
                                          : fuzzing::shape(in, 2, 3);
  call.T1 = othertype() ? valuetable(in, flagdims, entries) : flagtable(in, flagdims, entries);
  call.T2 = othertype() ? flagtable(in, fuzzing::shape(in, entries, entryvaluecount), entries)
                        : parametertable(in, fuzzing::shape(in, entries, entryvaluecount));
  keepsimulationcheap(call);
  return call;
}

struct outcome {
  int status = 0;
  std::vector<double> values;
};

std::string describe(const outcome& o) {
  std::string text = "status " + std::to_string(o.status) + ":";
  char number[40];
  for (double v : o.values) {
    std::snprintf(number, sizeof number, " %.17g", v);
    text += number;
  }
  return text;
}

outcome run(pricingcall& call) {
  standin::host& host = fuzzing::library();
  fuzzing::countcall();
  if (fuzzing::tracing())
    std::fprintf(stderr, "%s %s T0 %s T1 %s T2 %s\n", call.vector ? "funvec" : "fun",
                 call.code.c_str(), fuzzing::describe(call.T0).c_str(),
                 fuzzing::describe(call.T1).c_str(), fuzzing::describe(call.T2).c_str());
  outcome out;
  if (call.vector) {
    const standin::vectorresult result = host.funvec(call.code, call.T0, call.T1, call.T2);
    out = {result.status, result.values};
  } else {
    const standin::scalarresult result = host.fun(call.code, call.T0, call.T1, call.T2);
    out = {result.status, {result.value}};
  }
  if (fuzzing::tracing()) std::fprintf(stderr, "  %s\n", describe(out).c_str());
  fuzzing::checkstatus(out.status, (call.vector ? "funvec " : "fun ") + call.code);
  return out;
}

void expectsame(const outcome& a, const outcome& b, const pricingcall& call, const char* what) {
  bool same = a.status == b.status && a.values.size() == b.values.size();
  for (std::size_t i = 0; same && i < a.values.size(); ++i)
    same = fuzzing::samevalue(a.values[i], b.values[i]);
  if (!same) fuzzing::fail(call.code + ": " + what + ": " + describe(a) + " then " + describe(b));
}

}  // namespace

// Loads the library before the first input, so that its code is measured from the start.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::library();
  registry();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  standin::host& host = fuzzing::library();
  host.lendonebyteforempty(in.ConsumeBool());

  pricingcall priced = pricedcall(in);
  const outcome first = run(priced);
  priced.T2.reals[0] = 0;  // mode 0: a fresh solve that fills the cache, then the cache
  const outcome fresh = run(priced);
  const outcome cached = run(priced);
  expectsame(first, fresh, priced, "mode 1, then a fresh solve in mode 0");
  expectsame(fresh, cached, priced, "a fresh solve, then the cached result");

  const int calls = in.ConsumeIntegralInRange<int>(1, 4);
  for (int i = 0; i < calls; ++i) {
    pricingcall call = anycall(in);
    run(call);
  }

  priced.T2.reals[0] = 1;
  expectsame(first, run(priced), priced, "mode 1 before and after other calls");
  fuzzing::checkaccounts();
  return 0;
}
