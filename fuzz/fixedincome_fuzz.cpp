// libFuzzer target for fifun, through the host stand-in and the loaded libkzr.so.
//
// Every input fills the kernel's table of texts with texts of its own (the names that key the
// maps and the text values; the fuzzer learns the names the functions look for from their
// comparisons), then makes one to three fifun calls in one loaded library: instrument names from
// the registry and near misses; eleven tables of rank 0 to 4 with dimensions that are zero,
// negative or huge, now and then of the other element type; ids that name a text or not; dates
// at and past their bounds; list lengths that fit their rows or not; special values in every
// position. Each input also decides whether the host lends a valid one-byte block or a null
// pointer for an empty tensor.
//
// Every call must return status 0 or 1, give back all it was lent, and answer either nothing or
// a 7-row table whose first element is 1 (success) or 0 (failure).
//
// The names come from the registry, so a function added later is fuzzed without a change here.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "fixedincome/FixedIncome.h"
#include "fuzzsupport.h"

namespace {

using fuzzing::oneof;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr int tablecount = 11;
constexpr hostinteger allrows = std::numeric_limits<hostinteger>::max();  // fifun reads them all

const std::vector<std::string>& names() {
  static const std::vector<std::string> registered = [] {
    FixedIncome::fillfixedincomehandlers();
    std::vector<std::string> n;
    for (const auto& entry : FixedIncome::fixedincomehandlers()) n.push_back(entry.first);
    return n;
  }();
  return registered;
}

// The columns each table's rows usually have: ids, numbers, ids, dates, ids, text ids, ids, a
// list of length 3, the dated series (count, year, month, day, amount, one more), T10.
constexpr hostinteger usualcolumns[tablecount] = {1, 1, 1, 3, 1, 1, 1, 4, 6, 6, 4};

bool holdsids(int k) { return k % 2 == 0 && k < 8; }

// A date part: year, month or day at and past the bounds of the date rule.
double datepart(FuzzedDataProvider& in, int part) {
  switch (part) {
    case 0: return oneof(in, {2024, 2030, 1902, 1901, 2199, 2200, 2250, 0, -1, nan, 1e300});
    case 1: return oneof(in, {1, 2, 6, 12, 0, 13, 15, 16, -1, nan, inf});
    default: return oneof(in, {1, 15, 28, 29, 30, 31, 0, 32, -1, nan});
  }
}

// The value at column `column` of a row of real table Tk.
double element(FuzzedDataProvider& in, int k, hostinteger column, hostinteger texts) {
  switch (k) {
    case 3: return column < 3 ? datepart(in, static_cast<int>(column)) : fuzzing::value(in);
    case 5:  // a text id
      return column == 0 ? static_cast<double>(in.ConsumeIntegralInRange<hostinteger>(0, texts))
                         : fuzzing::value(in);
    case 7:  // a list length, then the list
      return column == 0 ? oneof(in, {3, 0, 1, 2, 4, 1e10, -1, -1e10, nan}) : fuzzing::value(in);
    case 8:
    case 9:  // count, year, month, day, amount
      if (column == 0) return oneof(in, {3, 0, 1, -1, 1e10, nan});
      if (column <= 3) return datepart(in, static_cast<int>(column - 1));
      return fuzzing::value(in);
    case 10: return column == 0 ? oneof(in, {3, 0, 1, -1, 1e10, nan}) : fuzzing::value(in);
    default: return fuzzing::value(in);
  }
}

hostinteger textid(FuzzedDataProvider& in, hostinteger texts) {
  if (in.ConsumeIntegralInRange<int>(0, 7) != 0)
    return in.ConsumeIntegralInRange<hostinteger>(0, texts);
  const hostinteger odd[] = {-1, hostinteger(1) << 32, std::numeric_limits<hostinteger>::min(),
                             std::numeric_limits<hostinteger>::max()};
  return in.PickValueInArray(odd);
}

standin::tensor table(FuzzedDataProvider& in, int k, hostinteger texts) {
  const hostinteger rows = in.ConsumeIntegralInRange<hostinteger>(0, 3);
  std::vector<hostinteger> dims = fuzzing::shape(in, rows, usualcolumns[k]);
  const bool ids = holdsids(k) != (in.ConsumeIntegralInRange<int>(0, 15) == 0);
  if (ids)
    return fuzzing::filledtensor<hostinteger>(
        std::move(dims), allrows, [&](std::size_t, hostinteger) { return textid(in, texts); });
  return fuzzing::filledtensor<double>(
      std::move(dims), allrows, [&](std::size_t i, hostinteger columns) {
        const hostinteger column = columns > 0 ? static_cast<hostinteger>(i) % columns : 0;
        return element(in, k, column, texts);
      });
}

void checkresult(const standin::fixedincomeresult& result, const std::string& name) {
  fuzzing::checkstatus(result.status, "fifun " + name);
  if (result.dims.empty()) return;
  if (result.dims.size() != 2 || result.dims[0] != 7 || result.dims[1] < 1)
    fuzzing::fail("fifun " + name + " answered a table that is not 7 x m");
  const double status = result.at(1, 1);
  if (status != 0.0 && status != 1.0)
    fuzzing::fail("fifun " + name + " answered status " + std::to_string(status));
}

}  // namespace

// Loads the library before the first input, so that its code is measured from the start.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::library();
  names();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  standin::host& host = fuzzing::library();
  host.lendonebyteforempty(in.ConsumeBool());
  host.cleartexts();
  const hostinteger texts = in.ConsumeIntegralInRange<hostinteger>(0, 10);
  for (hostinteger id = 1; id <= texts; ++id) host.settext(id, in.ConsumeRandomLengthString(32));

  const int calls = in.ConsumeIntegralInRange<int>(1, 3);
  for (int i = 0; i < calls; ++i) {
    const std::string name = fuzzing::code(in, names());
    std::vector<standin::tensor> tables;
    for (int k = 0; k < tablecount; ++k) tables.push_back(table(in, k, texts));
    std::array<standin::tensor*, tablecount> pointers;
    for (int k = 0; k < tablecount; ++k) pointers[k] = &tables[k];
    fuzzing::countcall();
    if (fuzzing::tracing()) {
      std::string text = "fifun " + name;
      for (int k = 0; k < tablecount; ++k)
        text += " T" + std::to_string(k) + " " + fuzzing::describe(tables[k]);
      std::fprintf(stderr, "%s\n", text.c_str());
    }
    checkresult(host.fifun(name, pointers), name);
  }
  host.clearshownmessages();
  fuzzing::checkaccounts();
  return 0;
}
