// The inputs every pricing handler receives: the shape of the data table, the process-wide
// parameter block, and the row tables that turn the data into named inputs.
//
// Not thread-safe: the block and the row tables are process-wide; calls must not overlap.
#ifndef KZR_BINDING_PARAMETERBLOCK_H
#define KZR_BINDING_PARAMETERBLOCK_H

#include <cstddef>
#include <cstdint>

#include "binding/interfacenumbers.h"

// Engine objects parked in the cache words of the block (finite differences, Monte Carlo). The
// carrier words hold the carrier root, so that an engine tests a cached carrier's run-time type.
class fdbase;
class mcbase;
class methodcarries;

// Shape of the data table T0, built on the caller's stack for one call.
struct datashape {
  std::int64_t rank;
  const std::int64_t* dims;  // host-owned, rank entries
  std::int64_t elementsize;  // bytes per element, always 8
};

// One parameter entry: a nonzero flag asks for the default, a zero flag for the values at row.
struct parameterentry {
  std::int64_t flag;
  const double* row;
};


// Twenty 64-bit words. Words 0 to 14 describe the current call and borrow the host's storage;
// words 15 to 19 are the engines' caches and persist from call to call.
struct parameterblock {
  std::int64_t rank;         // rank of T2
  const std::int64_t* dims;  // T2's dimensions (host-owned)
  std::int64_t elementsize;  // 8
  parameterentry entries[parameterentrycount];
  double mclastprice;        // Monte Carlo: last price
  mcbase* mcclone;           // Monte Carlo: cached instrument
  methodcarries* mccarrier;  // Monte Carlo: cached draws
  fdbase* fdclone;           // finite differences: cached instrument
  methodcarries* fdcarrier;  // finite differences: cached grid
};

static_assert(sizeof(parameterblock) == 20 * 8, "the block is twenty 64-bit words");
static_assert(offsetof(parameterblock, rank) == 0 * 8, "word 0");
static_assert(offsetof(parameterblock, dims) == 1 * 8, "word 1");
static_assert(offsetof(parameterblock, elementsize) == 2 * 8, "word 2");
static_assert(offsetof(parameterblock, entries) == 3 * 8, "words 3 to 14");
static_assert(sizeof(parameterentry) == 2 * 8, "flag and row");
static_assert(offsetof(parameterblock, mclastprice) == 15 * 8, "word 15");
static_assert(offsetof(parameterblock, mcclone) == 16 * 8, "word 16");
static_assert(offsetof(parameterblock, mccarrier) == 17 * 8, "word 17");
static_assert(offsetof(parameterblock, fdclone) == 18 * 8, "word 18");
static_assert(offsetof(parameterblock, fdcarrier) == 19 * 8, "word 19");

// The one block of the process, zero-filled at load (constant-initialised: no guard, and inline,
// so that the entry points reach it without a call).
inline parameterblock& theparameterblock() {
  static parameterblock block{};
  return block;
}

// Parameter-entry readers. An entry whose flag is nonzero gives the default; otherwise value k of
// its row. The entry points have checked that every entry the handler reads, when its flag is
// zero, has the columns its reader takes (two for the grid sizes, one for the others).
inline bool usesdefault(const parameterblock& block, int entry) {
  return block.entries[entry].flag != 0;
}
double entryvalue(const parameterblock& block, int entry, int k, double defaultvalue);
// As entryvalue, truncated toward zero. NaN gives 0; values beyond the 64-bit range are clamped,
// so callers check the bounds that make sense to them.
std::int64_t entryinteger(const parameterblock& block, int entry, int k, std::int64_t defaultvalue);
// Truncation toward zero that is defined for every double (NaN gives 0, the rest is clamped).
std::int64_t truncatetointeger(double value);
// A 64-bit integer held to the 32-bit range: a value beyond it becomes the end it passed.
std::int32_t clampto32(std::int64_t value);
// The columns each entry's reader demands when its flag is zero and its handler reads it. The
// options of entry 5 take what T2 has and demand nothing.
inline int entrywidth(int entry) {
  return entry == entrygrid ? gridvaluecount : entry == entryoptions ? 0 : 1;
}

// Row tables. A plain table: slot i points at row i of T0. A counted table: a 32-bit count first,
// then slots 1 .. R-1 point at rows 1 .. R-1 (slot 0 holds no row). `bound` records how many
// rows the last bind provided, so a handler can refuse a table too short for its inputs.
template <int slotcount>
struct rowtable {
  static constexpr int capacity = slotcount;
  const double* slot[slotcount];
  std::int64_t bound;  // rows bound by the last call (0 when the rows are empty)
  // True when rows 0 .. n-1 exist and each has at least one value.
  bool holds(int n) const { return bound >= n; }
  double input(int k) const { return slot[k][0]; }
};

template <int slotcount>
struct countedrowtable {
  static constexpr int capacity = slotcount;
  std::int32_t count;
  const double* slot[slotcount];  // slot 0 unused
  std::int64_t bound;
  bool holds(int n) const { return bound >= n; }
};

// Rows and columns of a data table of rank >= 2 (checked by the entry points).
inline std::int64_t tablerows(const datashape& shape) { return shape.dims[shape.rank - 2]; }
inline std::int64_t tablecolumns(const datashape& shape) { return shape.dims[shape.rank - 1]; }

inline void bindrows(const double** slots, std::int64_t capacity, std::int64_t& bound,
                     const double* data, const datashape& shape) {
  const std::int64_t rows = tablerows(shape) < capacity ? tablerows(shape) : capacity;
  const std::int64_t columns = tablecolumns(shape);
  for (std::int64_t i = 0; i < rows; ++i) slots[i] = data + i * columns;
  bound = columns > 0 ? rows : 0;
}
void bindcountedrows(std::int32_t& count, const double** slots, std::int64_t capacity,
                     std::int64_t& bound, const double* data, const datashape& shape);

template <int n>
void bindrows(rowtable<n>& table, const double* data, const datashape& shape) {
  bindrows(table.slot, n, table.bound, data, shape);
}

template <int n>
void bindcountedrows(countedrowtable<n>& table, const double* data, const datashape& shape) {
  bindcountedrows(table.count, table.slot, n, table.bound, data, shape);
}

#endif  // KZR_BINDING_PARAMETERBLOCK_H
