#include "binding/entrypoints.h"

#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "binding/callarguments.h"
#include "binding/registries.h"
#include "numerics/messages.h"
#include "numerics/undefined.h"

namespace {

constexpr int pricingargumentcount = 4;  // code, T0, T1, T2

// Retained state of one entry point: the previous call's code text and this call's tensors.
retainedcall funstate;
retainedcall funvecstate;

// What the host says of the three tables, asked once per call before anything is written: T0's
// rank and dimensions, then what the parameter block is rebuilt from (T1's flags, T2's values,
// dimensions and rank), then T0's data; last T1's shape, to count its flags.
struct tablequeries {
  tensorview data0;                    // T0: contract data
  const hostinteger* flags = nullptr;  // T1's elements
  const double* values = nullptr;      // T2's elements
  tensorview rows;                     // T2: parameter rows
  const double* inputs = nullptr;      // T0's elements
  tensorview flagshape;                // T1's shape, to count its elements
};

// Inlined into the entry points (every call's path, one caller each).
[[gnu::always_inline]] inline tablequeries querytables(librarydata data,
                                                       const callarguments& call) {
  const hosttensor T0 = call.tensor(1), T1 = call.tensor(2), T2 = call.tensor(3);
  tablequeries q;
  q.data0 = viewtensor(data, T0);
  q.flags = data->integerdata(T1);
  q.values = data->realdata(T2);
  const hostinteger* dims2 = data->tensordims(T2);
  q.rows = viewshape(data->tensorrank(T2), dims2);
  q.inputs = data->realdata(T0);
  q.flagshape = viewtensor(data, T1);
  return q;
}

// What is wrong with the tables, found before anything is written; none when they fit. The check
// returns the fault alone, and its text is built only for a refusal, so that a call whose tables
// fit builds no string.
enum class tablefault {
  none,
  datarank,
  datanegative,
  datarows,
  datanotreal,
  flagnegative,
  flagcount,
  flagnotinteger,
  parameterrank,
  parameternegative,
  parameterrows,
  parameternotreal,
  entrycolumns,  // the entry `entry` needs more columns than T2 has
  dataempty,
  parameterempty,
};

struct tablecheck {
  tablefault fault = tablefault::none;
  int entry = 0;
};

// Checks the tables against the handler's row table and the parameter entries it reads. Rows
// within the row table that a code does not read are ignored. Last, checks that the data and
// parameter tables hold every element their rows and columns promise (a table of rank 3 or more
// with a zero leading dimension holds none), so that no row is ever read past the table's end.
[[gnu::always_inline]] inline tablecheck checktables(const tablequeries& q,
                                                    std::int64_t rowcapacity, entrymask entries) {
  if (q.data0.rank < 2) return {tablefault::datarank};
  if (!q.data0.wellformed) return {tablefault::datanegative};
  if (q.data0.rows() > rowcapacity) return {tablefault::datarows};
  if (q.inputs == nullptr) return {tablefault::datanotreal};
  if (!q.flagshape.wellformed) return {tablefault::flagnegative};
  if (q.flagshape.elements() < parameterentrycount) return {tablefault::flagcount};
  if (q.flags == nullptr) return {tablefault::flagnotinteger};
  if (q.rows.rank < 2) return {tablefault::parameterrank};
  if (!q.rows.wellformed) return {tablefault::parameternegative};
  if (q.rows.rows() < parameterentrycount) return {tablefault::parameterrows};
  if (q.values == nullptr) return {tablefault::parameternotreal};
  for (int e = 0; entries != noentries && e < parameterentrycount; ++e) {
    if ((entries & readsentry(e)) != 0 && q.flags[e] == 0 && q.rows.columns() < entrywidth(e))
      return {tablefault::entrycolumns, e};
  }
  if (!q.data0.holdsitsrows()) return {tablefault::dataempty};
  if (!q.rows.holdsitsrows()) return {tablefault::parameterempty};
  return {};
}

// The text of a fault that checktables found.
std::string describe(const tablecheck& check, const tablequeries& q, std::int64_t rowcapacity) {
  const auto empty = [](const tensorview& view, const char* name) {
    return std::string("the ") + name + " table holds no values but promises " +
           std::to_string(view.rows()) + " rows of " + std::to_string(view.columns());
  };
  switch (check.fault) {
    case tablefault::none: break;
    case tablefault::datarank: return "the data table needs rank 2 or more";
    case tablefault::datanegative: return "the data table has a negative dimension";
    case tablefault::datarows:
      return "the data table has " + std::to_string(q.data0.rows()) +
             " rows, the handler reads at most " + std::to_string(rowcapacity);
    case tablefault::datanotreal: return "the data table is not a real tensor";
    case tablefault::flagnegative: return "the flag table has a negative dimension";
    case tablefault::flagcount: return "the flag table needs at least 6 elements";
    case tablefault::flagnotinteger: return "the flag table is not an integer tensor";
    case tablefault::parameterrank: return "the parameter table needs rank 2 or more";
    case tablefault::parameternegative: return "the parameter table has a negative dimension";
    case tablefault::parameterrows: return "the parameter table needs at least 6 rows";
    case tablefault::parameternotreal: return "the parameter table is not a real tensor";
    case tablefault::entrycolumns:
      return "parameter entry " + std::to_string(check.entry) + " needs " +
             std::to_string(entrywidth(check.entry)) + " values";
    case tablefault::dataempty: return empty(q.data0, "data");
    case tablefault::parameterempty: return empty(q.rows, "parameter");
  }
  return {};
}

// Steps shared by both entry points up to the handler call: give back the previous text, keep
// this one, record the tensors, look the code up, check the tables, rebuild the block. On success
// fills handler, inputs and shape; otherwise says why through the returned outcome.
enum class preparation { ready, badarguments, unknowncode, badtables };

// The last code found in a registry. A host tends to price one contract many times in a row, and
// the registries only ever gain entries, so a found registration stays where it is. The code is
// compared as text with the host's own; the map is searched with it directly, so no string is
// built per call. A code longer than the kept text is not kept (every code of the catalogue fits).
// Plain data, constant-initialised: a call that finds its code here reads no guard and does not
// reach the map at all.
template <typename registry>
struct lookupcache {
  static constexpr std::size_t longest = 31;
  char code[longest + 1] = {};  // empty: nothing kept (no code is empty)
  const typename registry::mapped_type* found = nullptr;
};

// True when text equals kept, a text of at most `longest` characters.
inline bool samekepttext(const char* kept, const char* text) {
  while (*kept != '\0' && *kept == *text) ++kept, ++text;
  return *kept == *text;
}

// The registration of the code, or null; registry() is asked only when the kept code differs.
template <typename registry>
const typename registry::mapped_type* findhandler(registry& (*handlers)(), const char* code) {
  static lookupcache<registry> last;
  if (last.code[0] != '\0' && samekepttext(last.code, code)) return last.found;
  const registry& map = handlers();
  const std::string_view text(code);
  const auto position = map.find(text);
  if (position == map.end()) return nullptr;
  if (text.size() <= lookupcache<registry>::longest) {
    text.copy(last.code, text.size());
    last.code[text.size()] = '\0';
    last.found = &position->second;
  }
  return &position->second;
}

template <typename registry>
preparation prepare(librarydata data, hostinteger argumentcount, hostargument* arguments,
                    retainedcall& state, registry& (*handlers)(),
                    const typename registry::mapped_type*& handler, const double*& inputs,
                    datashape& shape, parameterblock& block) {
  state.begin(data, argumentcount, arguments, pricingargumentcount);
  const callarguments& call = state.arguments();
  if (!call.complete()) {
    writemessage(std::string(messages::badtables) + "a call takes a code and three tables");
    return preparation::badarguments;
  }
  const char* code = call.code();
  handler = findhandler(handlers, code);
  if (handler == nullptr) {
    writemessage(messages::unknowncode + std::string(code));
    return preparation::unknowncode;
  }
  const tablequeries q = querytables(data, call);
  const tablecheck check = checktables(q, handler->rowcapacity, handler->entries);
  if (check.fault != tablefault::none) {
    writemessage(messages::badtables + describe(check, q, handler->rowcapacity));
    return preparation::badtables;
  }
  shape = {q.data0.rank, q.data0.dims, 8};
  fillparameterblock(q.flags, q.values, q.rows.rank, q.rows.dims, block);
  inputs = q.inputs;
  return preparation::ready;
}

}  // namespace

int scalarentry(librarydata data, hostinteger argumentcount, hostargument* arguments,
                hostargument result) {
  double* cell = static_cast<double*>(result);
  int status = hoststatusok;
  try {
    const scalarregistry::mapped_type* handler = nullptr;
    const double* inputs = nullptr;
    datashape shape{};
    parameterblock& block = theparameterblock();
    const preparation outcome = prepare(data, argumentcount, arguments, funstate, scalarhandlers,
                                        handler, inputs, shape, block);
    if (outcome == preparation::ready) {
      const double price = handler->function(handler->variant, inputs, &shape, &block);
      if (cell != nullptr) *cell = price;
    } else {
      if (cell != nullptr) *cell = undefinedvalue();
      if (outcome != preparation::badtables) status = hoststatusfunctionerror;
    }
  } catch (const std::exception& error) {
    writemessage(std::string(messages::handlerfailure) + error.what());
    if (cell != nullptr) *cell = undefinedvalue();
    status = hoststatusfunctionerror;
  } catch (...) {
    writemessage(std::string(messages::handlerfailure) + "unknown error");
    if (cell != nullptr) *cell = undefinedvalue();
    status = hoststatusfunctionerror;
  }
  funstate.end();
  return status;
}

int vectorentry(librarydata data, hostinteger argumentcount, hostargument* arguments,
                hostargument result) {
  hosttensor* cell = static_cast<hosttensor*>(result);
  int status = hoststatusok;
  try {
    const vectorregistry::mapped_type* handler = nullptr;
    const double* inputs = nullptr;
    datashape shape{};
    parameterblock& block = theparameterblock();
    const preparation outcome = prepare(data, argumentcount, arguments, funvecstate,
                                        vectorhandlers, handler, inputs, shape, block);
    if (outcome == preparation::ready) {
      std::unique_ptr<double[]> values(
          handler->function(handler->variant, inputs, &shape, &block));
      status = writevectorresult(data, values.get(), cell);
    } else {
      status = hoststatusfunctionerror;
    }
  } catch (const std::exception& error) {
    writemessage(std::string(messages::handlerfailure) + error.what());
    status = hoststatusfunctionerror;
  } catch (...) {
    writemessage(std::string(messages::handlerfailure) + "unknown error");
    status = hoststatusfunctionerror;
  }
  funvecstate.end();
  return status;
}
