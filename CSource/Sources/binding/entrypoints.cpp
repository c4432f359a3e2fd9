#include "binding/entrypoints.h"

#include <exception>
#include <memory>
#include <string>
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

tablequeries querytables(librarydata data, const callarguments& call) {
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

// Checks the tables against the handler's row table and the parameter entries it reads. Rows
// within the row table that a code does not read are ignored. Returns an empty string when they
// fit, else what is wrong.
std::string checktables(const tablequeries& q, std::int64_t rowcapacity, entrymask entries) {
  if (q.data0.rank < 2) return "the data table needs rank 2 or more";
  if (!q.data0.wellformed) return "the data table has a negative dimension";
  if (q.data0.rows() > rowcapacity)
    return "the data table has " + std::to_string(q.data0.rows()) +
           " rows, the handler reads at most " + std::to_string(rowcapacity);
  if (q.inputs == nullptr) return "the data table is not a real tensor";
  if (!q.flagshape.wellformed) return "the flag table has a negative dimension";
  if (q.flagshape.elements() < parameterentrycount)
    return "the flag table needs at least 6 elements";
  if (q.flags == nullptr) return "the flag table is not an integer tensor";
  if (q.rows.rank < 2) return "the parameter table needs rank 2 or more";
  if (!q.rows.wellformed) return "the parameter table has a negative dimension";
  if (q.rows.rows() < parameterentrycount) return "the parameter table needs at least 6 rows";
  if (q.values == nullptr) return "the parameter table is not a real tensor";
  for (int e = 0; e < parameterentrycount; ++e) {
    if ((entries & readsentry(e)) != 0 && q.flags[e] == 0 && q.rows.columns() < entrywidth(e))
      return "parameter entry " + std::to_string(e) + " needs " + std::to_string(entrywidth(e)) +
             " values";
  }
  return {};
}

// Checks that the data and parameter tables hold every element their rows and columns promise
// (a table of rank 3 or more with a zero leading dimension holds none), so that no row is ever
// read past the table's end. The tables have passed checktables.
std::string checkelementcounts(const tablequeries& q) {
  const std::pair<const tensorview*, const char*> tables[] = {{&q.data0, "data"},
                                                              {&q.rows, "parameter"}};
  for (const auto& [view, name] : tables) {
    if (!view->holdsitsrows())
      return std::string("the ") + name + " table holds no values but promises " +
             std::to_string(view->rows()) + " rows of " + std::to_string(view->columns());
  }
  return {};
}

// Steps shared by both entry points up to the handler call: give back the previous text, keep
// this one, record the tensors, look the code up, check the tables, rebuild the block. On success
// fills code, inputs and shape; otherwise says why through the returned outcome.
enum class preparation { ready, badarguments, unknowncode, badtables };

// The last code found in a registry. A host tends to price one contract many times in a row, and
// the registries only ever gain entries, so a found position stays valid.
template <typename registry>
struct lookupcache {
  std::string code;
  typename registry::const_iterator position;
  bool valid = false;
};

template <typename registry>
typename registry::const_iterator findhandler(const registry& handlers, const std::string& code) {
  static lookupcache<registry> last;
  if (last.valid && last.code == code) return last.position;
  const auto position = handlers.find(code);
  if (position != handlers.end()) last = {code, position, true};
  return position;
}

template <typename registry>
preparation prepare(librarydata data, hostinteger argumentcount, hostargument* arguments,
                    retainedcall& state, const registry& handlers,
                    typename registry::const_iterator& handler, std::string& code,
                    const double*& inputs, datashape& shape) {
  state.begin(data, argumentcount, arguments, pricingargumentcount);
  const callarguments& call = state.arguments();
  if (!call.complete()) {
    writemessage(std::string(messages::badtables) + "a call takes a code and three tables");
    return preparation::badarguments;
  }
  code = call.code();
  handler = findhandler(handlers, code);
  if (handler == handlers.end()) {
    writemessage(messages::unknowncode + code);
    return preparation::unknowncode;
  }
  const tablequeries q = querytables(data, call);
  std::string problem = checktables(q, handler->second.rowcapacity, handler->second.entries);
  if (problem.empty()) problem = checkelementcounts(q);
  if (!problem.empty()) {
    writemessage(messages::badtables + problem);
    return preparation::badtables;
  }
  shape = {q.data0.rank, q.data0.dims, 8};
  fillparameterblock(q.flags, q.values, q.rows.rank, q.rows.dims, theparameterblock());
  inputs = q.inputs;
  return preparation::ready;
}

}  // namespace

int scalarentry(librarydata data, hostinteger argumentcount, hostargument* arguments,
                hostargument result) {
  double* cell = static_cast<double*>(result);
  int status = hoststatusok;
  try {
    scalarregistry::const_iterator handler;
    std::string code;
    const double* inputs = nullptr;
    datashape shape{};
    const preparation outcome = prepare(data, argumentcount, arguments, funstate, scalarhandlers(),
                                        handler, code, inputs, shape);
    if (outcome == preparation::ready) {
      const double price =
          handler->second.function(std::move(code), inputs, &shape, &theparameterblock());
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
    vectorregistry::const_iterator handler;
    std::string code;
    const double* inputs = nullptr;
    datashape shape{};
    const preparation outcome = prepare(data, argumentcount, arguments, funvecstate,
                                        vectorhandlers(), handler, code, inputs, shape);
    if (outcome == preparation::ready) {
      std::unique_ptr<double[]> values(
          handler->second.function(std::move(code), inputs, &shape, &theparameterblock()));
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
