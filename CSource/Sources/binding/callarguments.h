// The argument array of an entry point as the library reads it, the state an entry point keeps
// from one call to the next (the code text it must give back later), and the host queries that
// turn tensors into handler inputs.
//
// Not thread-safe: each entry point keeps one retainedcall for the process; calls must not
// overlap.
#ifndef KZR_BINDING_CALLARGUMENTS_H
#define KZR_BINDING_CALLARGUMENTS_H

#include <cstdint>
#include <limits>
#include <string>

#include "binding/hostinterface.h"
#include "binding/parameterblock.h"

constexpr int largestargumentcount = 12;  // fifun: eleven tables; fun and funvec: three

// The arguments of the current call: the code text (argument 0) and the tensors after it.
class callarguments {
 public:
  // True when the host table, the code and every expected tensor are present.
  bool complete() const { return data != nullptr && codetext != nullptr && tensorsmissing == 0; }
  const char* code() const { return codetext; }
  hosttensor tensor(int position) const { return tensors[position - 1]; }

 private:
  friend class retainedcall;
  librarydata data = nullptr;
  const char* codetext = nullptr;
  hosttensor tensors[largestargumentcount] = {};
  int tensorcount = 0;
  int tensorsmissing = 0;
};

// What an entry point keeps between calls: the code text of its previous call, given back with
// releasestring at the start of the next call of the same entry point, and the tensors of the
// current call, given back with releasetensor (in argument order) at its end.
class retainedcall {
 public:
  // Gives back the previous text, then reads and keeps this call's arguments: a code and
  // `expected - 1` tensors. Missing cells are left empty (complete() is then false).
  void begin(librarydata data, hostinteger argumentcount, hostargument* arguments, int expected);
  // Gives back this call's tensors.
  void end();
  const callarguments& arguments() const { return current; }

 private:
  char* retainedcode = nullptr;
  callarguments current;
};

// Inline: on every call's path, where the argument count is a constant.
inline void retainedcall::begin(librarydata data, hostinteger argumentcount,
                                hostargument* arguments, int expected) {
  current.data = nullptr;
  current.codetext = nullptr;
  current.tensorcount = 0;
  current.tensorsmissing = 0;
  if (data == nullptr) return;
  if (retainedcode != nullptr) {
    data->releasestring(retainedcode);
    retainedcode = nullptr;
  }
  current.data = data;
  const hostinteger available = arguments == nullptr ? 0 : argumentcount;
  if (available >= 1 && arguments[0] != nullptr) {
    retainedcode = *static_cast<char**>(arguments[0]);
    current.codetext = retainedcode;
  }
  current.tensorcount = expected - 1;
  for (int i = 1; i < expected; ++i) {
    hosttensor tensor = nullptr;
    if (i < available && arguments[i] != nullptr) tensor = *static_cast<hosttensor*>(arguments[i]);
    current.tensors[i - 1] = tensor;
    if (tensor == nullptr) ++current.tensorsmissing;
  }
}

inline void retainedcall::end() {
  if (current.data == nullptr) return;
  for (int i = 0; i < current.tensorcount; ++i) {
    if (current.tensors[i] != nullptr) current.data->releasetensor(current.tensors[i]);
  }
  current.data = nullptr;
  current.tensorcount = 0;
}

// A tensor's rank and dimensions as the host reports them.
struct tensorview {
  std::int64_t rank = 0;
  const hostinteger* dims = nullptr;
  bool wellformed = false;  // dimensions present and none negative
  std::int64_t rows() const { return dims[rank - 2]; }
  std::int64_t columns() const { return dims[rank - 1]; }
  // The number of elements, saturated at the largest 64-bit value (a negative dimension
  // saturates too). Multiplied with an overflow test: no division on the per-call path.
  std::int64_t elements() const {
    constexpr std::int64_t largest = std::numeric_limits<std::int64_t>::max();
    std::int64_t count = 1;
    for (std::int64_t i = 0; i < rank; ++i) {
      if (dims[i] == 0) return 0;
      std::int64_t product;
      count = dims[i] < 0 || __builtin_mul_overflow(count, dims[i], &product) ? largest : product;
    }
    return count;
  }
  // True when the elements cover what the rows and columns promise (rank 2 or more). A table of
  // rank 3 or more with a zero leading dimension holds no element, whatever its last two
  // dimensions say, and must not be read at all.
  // (A rank-2 table holds rows x columns elements: the count is not needed.)
  bool holdsitsrows() const {
    return rank == 2 || rows() == 0 || columns() == 0 || elements() > 0;
  }
};
// The view of a rank and dimension list already asked of the host (callers ask in the order
// their entry point fixes).
inline tensorview viewshape(hostinteger rank, const hostinteger* dims) {
  tensorview view;
  view.rank = rank;
  view.dims = dims;
  if (view.rank < 0 || (view.rank > 0 && view.dims == nullptr)) {
    view.rank = 0;
    return view;
  }
  view.wellformed = true;
  for (std::int64_t i = 0; i < view.rank; ++i)
    if (view.dims[i] < 0) view.wellformed = false;
  return view;
}
// Asks the host for a tensor's rank, then its dimensions.
inline tensorview viewtensor(librarydata data, hosttensor tensor) {
  const hostinteger rank = data->tensorrank(tensor);
  return viewshape(rank, data->tensordims(tensor));
}

// Writes words 0 to 14 of the block: T2's shape, and for each entry its flag (element e of T1)
// and its row (T2's elements + e x T2's last dimension).
inline void fillparameterblock(const hostinteger* flags, const double* values, hostinteger rank,
                               const hostinteger* dims, parameterblock& block) {
  block.rank = rank;
  block.dims = dims;
  block.elementsize = 8;
  const hostinteger columns = dims[rank - 1];
  for (int e = 0; e < parameterentrycount; ++e) {
    block.entries[e].flag = flags[e];
    block.entries[e].row = values + e * columns;
  }
}

// Copies the result array p ([n, x1 .. xn]) into a new rank-1 real tensor stored in cell. A count
// that is negative or not a number gives an empty tensor. Returns the entry point's status.
int writevectorresult(librarydata data, const double* p, hosttensor* cell);

#endif  // KZR_BINDING_CALLARGUMENTS_H
