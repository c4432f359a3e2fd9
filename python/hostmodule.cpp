// kzr._host: the Python module's host. It loads libkzr.so through the host stand-in, as the kzr
// tool does, and calls fun, funvec and fifun; the Python layer (kzr/__init__.py) turns named
// inputs and arrays into the tables these calls take.
//
// The library writes its messages to the process's standard output stream; each call here
// lends std::cout a buffer of its own for the call's duration and hands the lines back, with
// those shown over the link, so that Python can raise them as warnings instead of losing them.
// One library is loaded per process and kept until unload(), so that its caches work across
// calls. Not thread-safe, like the library: Python calls it from one thread at a time (the
// global interpreter lock is held throughout).
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "binding/interfacenumbers.h"
#include "catalogue.h"
#include "commandline.h"
#include "fixedincomecommand.h"
#include "greeks.h"
#include "host.h"
#include "hostlibrary.h"
#include "numerics/messages.h"
#include "splitsimulation.h"

namespace py = pybind11;

namespace {

std::unique_ptr<standin::host> loaded;

}  // namespace

standin::host& library(const std::string& path) {
  if (!loaded) loaded = std::make_unique<standin::host>(path);
  return *loaded;
}

namespace {

bool tablesrefused(const std::vector<std::string>& lines) {
  for (const std::string& line : lines)
    if (line.rfind(messages::badtables, 0) == 0) return true;
  return false;
}

// Prices one table per point: tables[i] is a rows x columns data table. Returns (refused,
// results, messages): refused[i] is true when the library refused point i's call; results a
// float array (fun) or a list of arrays (funvec); messages a list of (point, line). With
// blocks > 0, each point is priced in that many blocks (splitsimulation.h), every point at one
// seed, and a fourth element holds the standard errors, shaped as the results.
py::tuple price(const std::string& path, const std::string& code, bool vector,
                py::array_t<double, py::array::c_style | py::array::forcecast> tables,
                const std::vector<std::pair<std::string, std::string>>& options, int blocks) {
  if (tables.ndim() != 3) throw py::value_error("the tables take three dimensions");
  pricingcall call;
  call.vector = vector;
  call.code = code;
  for (const auto& option : options) {
    try {
      applyoption(call, option.first, option.second);
    } catch (const usageerror& error) {
      throw py::value_error(error.what());
    }
  }
  if (blocks > 0) {
    const std::string notsimulated = whynoerror(call);
    if (!notsimulated.empty()) throw py::value_error(notsimulated);
    call = sensitivities::withrequestseed(call);
  }
  const py::ssize_t points = tables.shape(0), rows = tables.shape(1), columns = tables.shape(2);
  std::vector<hostinteger> flags(call.flags.begin(), call.flags.end());
  std::vector<double> entries;
  for (const auto& entry : call.entries) entries.insert(entries.end(), entry.begin(), entry.end());

  standin::host& host = library(path);
  // A sensitivity the code's engine does not compute is taken as kzr greeks takes it (greeks.h).
  const catalogueentry* entry = findentry(code);
  const bool bydifferences =
      entry != nullptr && sensitivities::takenbydifferences(call, *entry);
  sensitivities::hostpricer differences(host);
  py::array_t<bool> refused(points);
  py::array_t<double> values(points), errors(blocks > 0 ? points : 0);
  py::list vectors, vectorerrors, said;
  auto refusedcell = refused.mutable_unchecked<1>();
  auto valuecell = values.mutable_unchecked<1>();
  const double* data = tables.data();
  messagecapture capture(host);
  // The tables are made once and T0 refilled per point (the library only reads them).
  standin::tensor T0 = standin::realtensor({rows, columns}, {});
  const standin::tensor T1model = standin::integertensor({parameterentrycount}, flags);
  const standin::tensor T2model =
      standin::realtensor({parameterentrycount, entryvaluecount}, entries);
  standin::tensor T1 = T1model, T2 = T2model;
  for (py::ssize_t i = 0; i < points; ++i) {
    const double* first = data + i * rows * columns;
    T0.reals.assign(first, first + rows * columns);
    bool no = false;
    if (blocks > 0) {
      pricingcall point = call;
      point.rows.assign(static_cast<std::size_t>(rows), {});
      for (py::ssize_t r = 0; r < rows; ++r)
        point.rows[r].assign(first + r * columns, first + (r + 1) * columns);
      errorplan plan;
      try {
        plan = planerrors(point, blocks);
      } catch (const usageerror& error) {
        throw py::value_error(error.what());
      }
      const blockestimate out = priceblocks(differences, plan);
      const std::vector<double>& v = out.estimate.values;
      const std::vector<double>& e = out.estimate.errors;
      no = out.refused;
      if (vector) {
        vectors.append(py::array_t<double>(static_cast<py::ssize_t>(v.size()), v.data()));
        vectorerrors.append(py::array_t<double>(static_cast<py::ssize_t>(e.size()), e.data()));
      } else {
        valuecell(i) = v.empty() ? 0.0 : v[0];
        errors.mutable_at(i) = e.empty() ? 0.0 : e[0];
      }
    } else if (vector) {
      const standin::vectorresult out = host.funvec(code, T0, T1, T2);
      no = out.status != hoststatusok;
      vectors.append(
          py::array_t<double>(static_cast<py::ssize_t>(out.values.size()), out.values.data()));
    } else if (bydifferences) {
      pricingcall point = call;
      point.rows.assign(static_cast<std::size_t>(rows), {});
      for (py::ssize_t r = 0; r < rows; ++r)
        point.rows[r].assign(first + r * columns, first + (r + 1) * columns);
      const sensitivities::selectedfigure figure =
          sensitivities::selectedsensitivity(differences, point, *entry);
      if (!figure.refused && !figure.available)
        throw py::value_error(sensitivities::nokindtext(code, figure.which));
      no = figure.refused;
      valuecell(i) = figure.value;
    } else {
      const standin::scalarresult out = host.fun(code, T0, T1, T2);
      no = out.status != hoststatusok;
      valuecell(i) = out.value;
    }
    if (capture.quiet()) {
      refusedcell(i) = no;
      continue;
    }
    const std::vector<std::string> lines = capture.take();
    refusedcell(i) = no || tablesrefused(lines);
    for (const std::string& line : lines) said.append(py::make_tuple(i, line));
  }
  const py::object results = vector ? py::object(vectors) : py::object(values);
  if (blocks <= 0) return py::make_tuple(refused, results, said);
  return py::make_tuple(refused, results, said,
                        vector ? py::object(vectorerrors) : py::object(errors));
}

// The input names of every plain code (not counted), as interned Python texts for dictionary
// look-ups; made on first use and kept for the process.
const std::vector<PyObject*>* plaininputs(const char* code, Py_ssize_t length) {
  static auto* names = [] {
    auto* table = new std::unordered_map<std::string, std::vector<PyObject*>>();
    for (const catalogueentry& entry : catalogue()) {
      if (entry.variable) continue;
      std::vector<PyObject*>& list = (*table)[entry.code];
      for (const std::string& name : entry.inputs)
        list.push_back(PyUnicode_InternFromString(name.c_str()));
    }
    return table;
  }();
  const auto found = names->find(std::string(code, static_cast<std::size_t>(length)));
  return found == names->end() ? nullptr : &found->second;
}

// One point of a plain code with every parameter entry at its default, its inputs given in row
// order (rows) or by name (named), not both: the scalar call's short road. Answers None when the
// call needs the general road (a code that is unknown or counted, inputs missing, extra or not
// plain numbers: the general road broadcasts arrays and names every mistake), the price when the
// library answered without a word, and otherwise (refused, price, messages) for the Python layer
// to report as the general road does.
py::object point(const std::string& path, const py::object& code, const py::tuple& rows,
                 const py::dict& named) {
  static standin::tensor T0 = standin::realtensor({0, 1}, {});
  static standin::tensor T1, T2;
  static bool made = false;
  if (!made) {
    const pricingcall defaults;
    T1 = standin::integertensor(
        {parameterentrycount},
        std::vector<hostinteger>(defaults.flags.begin(), defaults.flags.end()));
    std::vector<double> entries;
    for (const auto& entry : defaults.entries)
      entries.insert(entries.end(), entry.begin(), entry.end());
    T2 = standin::realtensor({parameterentrycount, entryvaluecount}, entries);
    made = true;
  }
  if (!PyUnicode_Check(code.ptr())) return py::none();
  Py_ssize_t length = 0;
  const char* text = PyUnicode_AsUTF8AndSize(code.ptr(), &length);
  if (text == nullptr) {
    PyErr_Clear();
    return py::none();
  }
  const std::vector<PyObject*>* names = plaininputs(text, length);
  if (names == nullptr) return py::none();
  const std::size_t count = names->size();
  const std::size_t given = static_cast<std::size_t>(PyDict_GET_SIZE(named.ptr()));
  const bool bynames = given > 0;
  if (bynames ? (rows.size() != 0 || given != count) : rows.size() != count) return py::none();
  T0.reals.resize(count);
  for (std::size_t k = 0; k < count; ++k) {
    PyObject* item = bynames ? PyDict_GetItem(named.ptr(), (*names)[k])
                             : PyTuple_GET_ITEM(rows.ptr(), static_cast<Py_ssize_t>(k));
    if (item == nullptr) return py::none();
    if (PyFloat_CheckExact(item)) {
      T0.reals[k] = PyFloat_AS_DOUBLE(item);
    } else if (PyLong_CheckExact(item)) {
      T0.reals[k] = PyLong_AsDouble(item);
      if (PyErr_Occurred()) {
        PyErr_Clear();
        return py::none();
      }
    } else {
      return py::none();
    }
  }
  T0.dims = {static_cast<hostinteger>(count), 1};
  standin::host& host = library(path);
  messagecapture capture(host);
  const standin::scalarresult out = host.fun(std::string(text, static_cast<std::size_t>(length)),
                                             T0, T1, T2);
  if (capture.quiet() && out.status == hoststatusok) return py::float_(out.value);
  const std::vector<std::string> lines = capture.take();
  return py::make_tuple(out.status != hoststatusok || tablesrefused(lines), out.value, lines);
}

// One fifun call. Returns (answered, status, scalar, values, dated, messages).
py::tuple fixedincome(const std::string& path, const std::string& name,
                      const std::vector<std::pair<std::string, double>>& numbers,
                      const std::vector<std::pair<std::string, std::array<double, 3>>>& dates,
                      const std::vector<std::pair<std::string, std::string>>& texts,
                      const std::vector<std::pair<std::string, std::vector<double>>>& lists,
                      const std::vector<std::vector<double>>& series8,
                      const std::vector<std::vector<double>>& series9,
                      const std::vector<std::vector<double>>& table10) {
  fixedincomecall call;
  call.name = name;
  call.numbers = numbers;
  call.dates = dates;
  call.texts = texts;
  call.lists = lists;
  call.series8 = series8;
  call.series9 = series9;
  call.table10 = table10;
  standin::host& host = library(path);
  messagecapture capture(host);
  const standin::fixedincomeresult result = callfixedincome(host, call);
  const std::vector<std::string> said = capture.take();
  if (result.status != hoststatusok || result.dims.size() != 2)
    return py::make_tuple(false, 0.0, 0.0, py::list(), py::list(), said);
  const fixedincomeanswer answer = answerof(result);
  return py::make_tuple(true, answer.status, answer.scalar, answer.values, answer.dated, said);
}

// Each code as (code, description, inputs, vector, counted, sizes, options): sizes as (name, entry,
// default, second, precise default, precise second, fixed) from the code tables
// (binding/codetable.h's sizeuse), options the library options that apply, by value position.
py::list codes() {
  py::list entries;
  for (const catalogueentry& entry : catalogue()) {
    py::list sizes;
    for (const sizeuse& size : entry.sizes)
      sizes.append(py::make_tuple(size.name, size.entry, size.value, size.second, size.precise,
                                  size.precisesecond, size.fixed));
    entries.append(py::make_tuple(entry.code, entry.description, entry.inputs, entry.vector,
                                  entry.variable, sizes, entry.options));
  }
  return entries;
}

}  // namespace

PYBIND11_MODULE(_host, module) {
  module.doc() = "The host of the kzr module: loads libkzr.so and calls its entry points.";
  module.def("price", &price, py::arg("path"), py::arg("code"), py::arg("vector"),
             py::arg("tables"), py::arg("options"), py::arg("blocks") = 0);
  module.def("point", &point);
  module.def("fixedincome", &fixedincome);
  module.def("codes", &codes);
  addsensitivities(module);
  module.def("unload", [] { loaded.reset(); });
  // The interface's numbers (binding/interfacenumbers.h), so that Python does not retype them.
  py::dict entries;
  entries["mode"] = static_cast<int>(entrymode);
  entries["greek"] = static_cast<int>(entrysensitivity);
  entries["grid"] = static_cast<int>(entrygrid);
  entries["paths"] = static_cast<int>(entrypaths);
  entries["steps"] = static_cast<int>(entrysteps);
  entries["options"] = static_cast<int>(entryoptions);
  module.attr("entries") = entries;
  py::tuple sensitivities(sensitivitycount);
  for (int s = 0; s < sensitivitycount; ++s) sensitivities[s] = sensitivitynames[s];
  module.attr("sensitivities") = sensitivities;
  py::dict options;
  options["seed"] = static_cast<int>(optionseed);
  options["numerics"] = static_cast<int>(optionnumerics);
  options["sobol"] = static_cast<int>(optionsobol);
  options["controlvariates"] = static_cast<int>(optioncontrolvariates);
  options["negativerates"] = static_cast<int>(optionnegativerates);
  module.attr("options") = options;
  module.attr("entryvaluecount") = entryvaluecount;
  module.attr("sametolerance") = sametolerance;
  py::register_exception<standin::loaderror>(module, "LoadError", PyExc_ImportError);
}
