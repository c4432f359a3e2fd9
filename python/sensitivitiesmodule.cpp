// kzr._host's greeks and solve: the sensitivities library (greeks.h, impliedinput.h) over the
// loaded library, point by point, with the same pricer as the kzr tool, so that Python gets the
// numbers kzr greeks and kzr solve print.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "commandline.h"
#include "greeks.h"
#include "hostlibrary.h"
#include "impliedinput.h"

namespace py = pybind11;

namespace {

using tablearray = py::array_t<double, py::array::c_style | py::array::forcecast>;
using optionlist = std::vector<std::pair<std::string, std::string>>;

// The call of a code with the options given (as kzr greeks and kzr solve take them: the mode
// and the selector are theirs to choose).
pricingcall callof(const std::string& code, const optionlist& options) {
  pricingcall call;
  call.code = code;
  for (const auto& [option, value] : options) {
    if (option == "--mode" || option == "--greek")
      throw py::type_error("greeks and solve choose the valuation mode and sensitivity "
                           "themselves: " + option.substr(2) + " is not taken");
    try {
      applyoption(call, option, value);
    } catch (const usageerror& error) {
      throw py::value_error(error.what());
    }
  }
  return call;
}

// Point i of the tables as the rows of a call.
std::vector<std::vector<double>> rowsof(const tablearray& tables, py::ssize_t i) {
  const py::ssize_t rows = tables.shape(1), columns = tables.shape(2);
  const double* first = tables.data() + i * rows * columns;
  std::vector<std::vector<double>> out(static_cast<std::size_t>(rows));
  for (py::ssize_t r = 0; r < rows; ++r) out[r].assign(first + r * columns, first + (r + 1) * columns);
  return out;
}

void checktables(const tablearray& tables) {
  if (tables.ndim() != 3) throw py::value_error("the tables take three dimensions");
}

// The greeks named in only (all five when empty).
sensitivities::greekselection selectionof(const std::vector<std::string>& only) {
  if (only.empty()) return {};
  sensitivities::greekselection which{0};
  for (const std::string& name : only) {
    bool known = false;
    for (int s = selectdelta; s <= selectrho; ++s) {
      if (name != sensitivitynames[s]) continue;
      which.greeks |= sensitivities::bitof(static_cast<sensitivities::greek>(s));
      known = true;
    }
    if (!known)
      throw py::value_error("only takes delta, gamma, vega, theta, rho: not '" + name + "'");
  }
  return which;
}

// Per point: (refused, price, [(greek, input, available, value), ...]), and the messages as
// (point, line).
py::tuple greeks(const std::string& path, const std::string& code, tablearray tables,
                 const optionlist& options, const std::vector<std::string>& only) {
  checktables(tables);
  pricingcall call = callof(code, options);
  const sensitivities::greekselection which = selectionof(only);
  standin::host& host = library(path);
  sensitivities::hostpricer calls(host);
  py::list points, said;
  messagecapture capture(host);
  for (py::ssize_t i = 0; i < tables.shape(0); ++i) {
    call.rows = rowsof(tables, i);
    const sensitivities::greeksreport report = sensitivities::greeksof(calls, call, which);
    py::list figures;
    for (const sensitivities::sensitivity& s : report.sensitivities)
      figures.append(py::make_tuple(sensitivities::nameof(s.which), s.input, s.available,
                                    s.value));
    points.append(py::make_tuple(report.refused, report.price, figures));
    for (const std::string& line : capture.take()) said.append(py::make_tuple(i, line));
  }
  return py::make_tuple(points, said);
}

// Per point: (found, refused, value, message), and the messages as (point, line).
py::tuple solve(const std::string& path, const std::string& code, tablearray tables,
                const std::vector<double>& targets, const optionlist& options,
                const std::string& input, std::optional<std::pair<double, double>> within) {
  checktables(tables);
  if (static_cast<py::ssize_t>(targets.size()) != tables.shape(0))
    throw py::value_error("one target per point");
  pricingcall call = callof(code, options);
  sensitivities::solverequest request;
  request.input = input;
  if (within) request.within = sensitivities::bracket{within->first, within->second};
  standin::host& host = library(path);
  sensitivities::hostpricer calls(host);
  py::list points, said;
  messagecapture capture(host);
  for (py::ssize_t i = 0; i < tables.shape(0); ++i) {
    call.rows = rowsof(tables, i);
    request.target = targets[static_cast<std::size_t>(i)];
    const sensitivities::solveresult result = sensitivities::solvefor(calls, call, request);
    const bool found = result.outcome == sensitivities::solveoutcome::found;
    const bool refused = result.outcome == sensitivities::solveoutcome::refused;
    points.append(py::make_tuple(found, refused, result.value, result.message));
    for (const std::string& line : capture.take()) said.append(py::make_tuple(i, line));
  }
  return py::make_tuple(points, said);
}

}  // namespace

void addsensitivities(py::module_& module) {
  module.def("greeks", &greeks);
  module.def("solve", &solve);
}
