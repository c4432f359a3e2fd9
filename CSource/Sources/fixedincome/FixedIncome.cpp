#include "fixedincome/FixedIncome.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <vector>

#include <ql/errors.hpp>

#include "binding/callarguments.h"
#include "binding/kernelcallbacks.h"
#include "binding/parameterblock.h"
#include "numerics/messages.h"

namespace FixedIncome {

namespace {

constexpr int fifunargumentcount = 12;  // the name and T0 to T10
constexpr hostinteger resultrows = 7;
constexpr int firstvaliddateyear = 1902;

retainedcall fifunstate;

// A table that cannot be read as the conversions need it.
class tableerror : public std::runtime_error {
 public:
  explicit tableerror(const std::string& detail)
      : std::runtime_error(messages::fixedincometables + detail) {}
};

std::int32_t truncateto32(double value) { return clampto32(truncatetointeger(value)); }

std::string named(int k) { return "T" + std::to_string(k); }

// One table as the conversions read it: R rows of C values from `values` (or `ids`).
struct table {
  std::int64_t rows = 0;
  std::int64_t columns = 0;
  const double* values = nullptr;
  const hostinteger* ids = nullptr;
  bool hollow = false;  // its rows and columns promise values it does not hold: read as empty
  const double* row(std::int64_t i) const { return values + i * columns; }
  hostinteger id(std::int64_t i) const { return ids[i * columns]; }
};

// Asks the host for the dimensions, rank and data of table Tk and checks its form. A table that
// holds fewer elements than its rows and columns promise (rank 3 or more with a zero leading
// dimension) is read as a table with no rows.
table readtable(librarydata data, const callarguments& call, int k, bool integer) {
  const hosttensor tensor = call.tensor(k + 1);
  const hostinteger* dims = data->tensordims(tensor);
  const tensorview view = viewshape(data->tensorrank(tensor), dims);
  if (view.rank < 2) throw tableerror(named(k) + " needs rank 2 or more");
  if (!view.wellformed) throw tableerror(named(k) + " has a negative dimension");
  table t;
  t.hollow = !view.holdsitsrows();
  t.rows = t.hollow ? 0 : view.rows();
  t.columns = view.columns();
  // An empty table may come without storage; one with rows must have storage of its type.
  const bool empty = t.rows == 0 || t.columns == 0;
  if (integer) {
    t.ids = data->integerdata(tensor);
    if (t.ids == nullptr && !empty) throw tableerror(named(k) + " must be an integer tensor");
  } else {
    t.values = data->realdata(tensor);
    if (t.values == nullptr && !empty) throw tableerror(named(k) + " must be a real tensor");
  }
  return t;
}

void requirecolumns(const table& t, std::int64_t rows, std::int64_t columns, int k,
                    const char* what) {
  if (rows > 0 && t.columns < columns)
    throw tableerror(named(k) + " rows need at least " + std::to_string(columns) + " value" +
                     (columns > 1 ? "s" : "") + " (" + what + ")");
}

// The first table of a pair fixes the rows; the second must hold them.
void requirepair(const table& keys, const table& values, int k, std::int64_t columns,
                 const char* what) {
  requirecolumns(keys, keys.rows, 1, k - 1, "the name id");
  if (values.rows < keys.rows)
    throw tableerror(named(k) +
                     (values.hollow ? std::string(" holds no values")
                                    : " has " + std::to_string(values.rows) + " rows") +
                     ", " + named(k - 1) + " names " + std::to_string(keys.rows));
  requirecolumns(values, keys.rows, columns, k, what);
}

seriesview viewofrow(const double* row) { return {truncateto32(row[0]), row + 1}; }

// T8 or T9: one seriesview and one dated value per row.
void readseries(const table& t, int k, std::vector<seriesview>& views, datedseries& series) {
  requirecolumns(t, t.rows, 5, k, "count, year, month, day, amount");
  for (std::int64_t i = 0; i < t.rows; ++i) {
    const double* r = t.row(i);
    series.dates.push_back(dateofrow(r[1], r[2], r[3]));
    series.values.push_back(r[4]);
    views.push_back(viewofrow(r));
  }
}

std::unique_ptr<fiinput> buildinput(librarydata data, const callarguments& call) {
  auto input = std::make_unique<fiinput>();

  const table t10 = readtable(data, call, 10, false);
  requirecolumns(t10, t10.rows, 1, 10, "a count");
  if (t10.rows > 0) {
    const std::int64_t count = t10.columns - 1;
    input->values10.elements.reset(new double[static_cast<std::size_t>(count)]);
    std::memcpy(input->values10.elements.get(), t10.values + 1,
                static_cast<std::size_t>(count) * sizeof(double));
    input->values10.size = count;
  }
  for (std::int64_t i = 0; i < t10.rows; ++i) input->views10.push_back(viewofrow(t10.row(i)));

  readseries(readtable(data, call, 9, false), 9, input->views9, input->series9);
  readseries(readtable(data, call, 8, false), 8, input->views8, input->series8);

  const table t6 = readtable(data, call, 6, true), t7 = readtable(data, call, 7, false);
  requirepair(t6, t7, 7, 1, "a length");
  for (std::int64_t i = 0; i < t6.rows; ++i) {
    const double* r = t7.row(i);
    const std::int32_t length = truncateto32(r[0]);
    if (length < 0) throw std::length_error("cannot create std::vector larger than max_size()");
    if (length > t7.columns - 1)
      throw tableerror("row " + std::to_string(i + 1) + " of T7 gives a list of " +
                       std::to_string(length) + " values but holds " +
                       std::to_string(t7.columns - 1));
    std::vector<double> list(r + 1, r + 1 + length);
    input->listmap[retrievestring(data, t6.id(i))] = std::move(list);
  }

  const table t4 = readtable(data, call, 4, true), t5 = readtable(data, call, 5, false);
  requirepair(t4, t5, 5, 1, "a text id");
  for (std::int64_t i = 0; i < t4.rows; ++i) {
    std::string text = retrievestring(data, truncatetointeger(t5.row(i)[0]));
    input->textmap[retrievestring(data, t4.id(i))] = std::move(text);
  }

  const table t2 = readtable(data, call, 2, true), t3 = readtable(data, call, 3, false);
  requirepair(t2, t3, 3, 3, "year, month, day");
  for (std::int64_t i = 0; i < t2.rows; ++i) {
    const double* r = t3.row(i);
    const QuantLib::Date date = dateofrow(r[0], r[1], r[2]);
    input->datemap[retrievestring(data, t2.id(i))] = date;
  }

  const table t0 = readtable(data, call, 0, true), t1 = readtable(data, call, 1, false);
  requirepair(t0, t1, 1, 1, "a number");
  for (std::int64_t i = 0; i < t0.rows; ++i) {
    const double value = t1.row(i)[0];
    input->numbermap[retrievestring(data, t0.id(i))] = value;
  }
  return input;
}

bool writable(const QuantLib::Date& date) {
  return date >= QuantLib::Date::minDate() && date <= QuantLib::Date::maxDate();
}

// Writes the 7 x m result table with status s from o into the result cell. Every date is checked
// before the table is made, so a date that cannot be written leaves no table behind.
void writeresult(librarydata data, double status, const fioutput& o, hosttensor* cell) {
  const std::size_t p = o.values.size(), q = o.datedvalues.size();
  for (std::size_t k = 0; k < q; ++k) {
    if (!writable(o.datedvalues[k].date))
      throw std::out_of_range("the date of dated value " + std::to_string(k + 1) +
                              " lies outside 1901 to 2199 and cannot be written");
  }
  const hostinteger m = std::max<hostinteger>(static_cast<hostinteger>(std::max(p, q)), 1);
  hosttensor result = nullptr;
  const hostinteger dims[2] = {resultrows, m};
  data->newtensor(hosttypereal, 2, dims, &result);
  if (result == nullptr) return;
  auto set = [&](hostinteger row, hostinteger column, double value) {
    const hostinteger position[2] = {row, column};
    data->setreal(result, position, value);
  };
  set(1, 1, status);
  set(2, 1, o.scalar);
  for (hostinteger k = 1; k <= m; ++k) {
    const std::size_t index = static_cast<std::size_t>(k - 1);
    if (index < p) set(3, k, o.values[index]);
    if (index < q) {
      const datedvalue& d = o.datedvalues[index];
      set(4, k, static_cast<double>(d.date.year()));
      set(5, k, static_cast<double>(static_cast<int>(d.date.month())));
      set(6, k, static_cast<double>(d.date.dayOfMonth()));
      set(7, k, d.amount);
    }
  }
  if (cell != nullptr) *cell = result;
}

// The status-0 table. When the output itself cannot be written, the user is told (unless that is
// what was just shown) and the table carries the scalar only.
void writefailure(librarydata data, const fioutput& o, hosttensor* cell, const std::string& shown) {
  try {
    writeresult(data, 0.0, o, cell);
  } catch (const std::exception& error) {
    if (shown != error.what()) printmessage(data, error.what());
    fioutput scalaronly;
    scalaronly.scalar = o.scalar;
    writeresult(data, 0.0, scalaronly, cell);
  }
}

std::string registerednames() {
  std::string names;
  for (const auto& row : fixedincomehandlers()) names += (names.empty() ? "" : ", ") + row.first;
  return names;
}

}  // namespace

registry& fixedincomehandlers() {
  static registry handlers;
  return handlers;
}

void fillfixedincomehandlers() {
  registry& handlers = fixedincomehandlers();
  handlers["FixedBond"] = QL_FixedBond;
  handlers["DayCount"] = QL_DayCount;
  handlers["YearFraction"] = QL_YearFraction;
  handlers["Curve"] = QL_Curve;
  handlers["CurveValue"] = QL_CurveValue;
  handlers["CapFloor"] = QL_Capfloor;
  handlers["InterestSwap"] = QL_Swap;
  handlers["CreditSwap"] = QL_CDS;
  handlers["Swaption"] = QL_Swaption;
  handlers["CalibrateModel"] = QL_Calibration;
  handlers["CalendarUtilities"] = QL_CalendarUtilities;
  handlers["BondOption"] = QL_BondOption;
}

QuantLib::Date dateofrow(double year, double month, double day) {
  const std::int32_t y = truncateto32(year), m = truncateto32(month), d = truncateto32(day);
  if (y < firstvaliddateyear) return QuantLib::Date();
  // QuantLib checks the month itself; a value beyond what its month type can carry gets the same
  // text here, so that no out-of-range enumeration value is ever formed.
  if (y < 2200 && (m < 0 || m > 15))
    throw QuantLib::Error(__FILE__, __LINE__, "",
                          "month " + std::to_string(m) + " outside January-December range [1,12]");
  return QuantLib::Date(d, static_cast<QuantLib::Month>(y < 2200 ? m : 1), y);
}

int fifunentry(librarydata data, hostinteger argumentcount, hostargument* arguments,
               hostargument result) {
  if (data == nullptr) return hoststatusfunctionerror;
  hosttensor* cell = static_cast<hosttensor*>(result);
  int status = hoststatusok;
  try {
    if (fixedincomehandlers().empty()) fillfixedincomehandlers();
    fifunstate.begin(data, argumentcount, arguments, fifunargumentcount);
    const callarguments& call = fifunstate.arguments();
    if (!call.complete()) {
      printmessage(data, messages::fixedincomearguments);
      status = hoststatusfunctionerror;
    } else {
      const std::string name = call.code();
      auto output = std::make_unique<fioutput>();
      std::string shown;
      bool failed = false;
      try {
        std::unique_ptr<fiinput> input = buildinput(data, call);
        const auto handler = fixedincomehandlers().find(name);
        if (handler == fixedincomehandlers().end()) {
          input.reset();
          shown =
              messages::fixedincomeunknownname + name + "; the functions are: " + registerednames();
          printmessage(data, shown.c_str());
          failed = true;
        } else {
          handler->second(input, output);
          input.reset();
          writeresult(data, 1.0, *output, cell);
        }
      } catch (const std::exception& error) {
        shown = error.what();
        printmessage(data, shown.c_str());
        failed = true;
      } catch (...) {
        shown = std::string(messages::fixedincomefailure) + "unknown error";
        printmessage(data, shown.c_str());
        failed = true;
      }
      if (failed) writefailure(data, *output, cell, shown);
    }
  } catch (...) {
    status = hoststatusfunctionerror;
  }
  fifunstate.end();
  return status;
}

}  // namespace FixedIncome
