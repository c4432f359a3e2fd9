// What the fuzz targets share: the library loaded once through the host stand-in, tables drawn
// from the fuzzer's bytes the way a careless or hostile host could send them, and the checks
// every input ends with.
//
// Tables are honest about their storage: a tensor holds every element its dimensions promise, or,
// when they promise more than a fuzz input can carry, at least every element the library may
// read of it (its leading rows, up to `rowsread`). Dimensions that no honest host could back are
// left out, so that a report always points at the library.
#ifndef KZR_FUZZ_FUZZSUPPORT_H
#define KZR_FUZZ_FUZZSUPPORT_H

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

#include "host.h"

namespace fuzzing {

// The library, loaded on first use. Its messages (standard output) are sent to /dev/null, so that
// a run spends its time in the library.
standin::host& library();

// Counts one entry-point call; the count is printed when the run ends.
void countcall();
// True when KZR_FUZZ_TRACE is set: the targets then print every call to standard error (to read
// what a saved input does: fuzz_pricing FILE).
bool tracing();
// A tensor as text: its dimensions and its elements.
std::string describe(const standin::tensor& t);

// Stops the run with a report when a check fails (libFuzzer keeps the input as a crash).
[[noreturn]] void fail(const std::string& what);

// A status the host accepts from an entry point: 0 or 1.
void checkstatus(int status, const std::string& call);
// Everything lent was given back: every tensor share, every result tensor; each entry point keeps
// at most the code text of its last call.
void checkaccounts();

// One dimension: the one the library expects (`usual`), one beside it, zero, one, a small size,
// a negative size or a huge one.
hostinteger dimension(FuzzedDataProvider& in, hostinteger usual);

// A shape of rank 0 to 4 (mostly 2) whose last two dimensions default to rows x columns.
std::vector<hostinteger> shape(FuzzedDataProvider& in, hostinteger rows, hostinteger columns);

// How many elements a tensor of this shape gets: all it promises when that is small, else enough
// for `rowsread` rows (the most the library may read), else none (refused shapes: a negative
// dimension). Shrinks the columns of a shape that cannot be backed.
std::size_t storagefor(std::vector<hostinteger>& dims, hostinteger rowsread);

// A contract value: a usual market number, a special value (NaN of either sign, infinities,
// denormals, the largest doubles, zeros of either sign) or any double.
double value(FuzzedDataProvider& in);
// One of the given values, or now and then any double.
double oneof(FuzzedDataProvider& in, std::initializer_list<double> values);

// A real (element double) or integer (element hostinteger) tensor of the given shape, storage as
// storagefor gives it, element i from fill(i, the tensor's last dimension).
template <typename element, typename filler>
standin::tensor filledtensor(std::vector<hostinteger> dims, hostinteger rowsread, filler fill) {
  const std::size_t count = storagefor(dims, rowsread);
  const hostinteger columns = dims.empty() ? 1 : dims.back();
  std::vector<element> values(count);
  for (std::size_t i = 0; i < count; ++i) values[i] = fill(i, columns);
  if constexpr (std::is_same_v<element, double>)
    return standin::realtensor(std::move(dims), std::move(values));
  else
    return standin::integertensor(std::move(dims), std::move(values));
}

// A code: one of `codes` (mostly), or a near miss (lower case, a blank added, empty), or any text.
std::string code(FuzzedDataProvider& in, const std::vector<std::string>& codes);

// True when a and b are the same result: the same bits, or both not a number.
bool samevalue(double a, double b);

}  // namespace fuzzing

#endif  // KZR_FUZZ_FUZZSUPPORT_H
