// The eleven tables of one fifun call, built from keyed inputs the way a host front end builds
// them: every key and text goes into the kernel's table of texts under an id.
#ifndef KZR_TESTS_FIFRAME_H
#define KZR_TESTS_FIFRAME_H

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include <ql/time/date.hpp>

#include "host.h"
#include "testsupport.h"

namespace fitest {

// Rows padded with zeros to at least `columns` values.
inline standin::tensor table(const std::vector<std::vector<double>>& rows, std::size_t columns) {
  for (const auto& row : rows) columns = std::max(columns, row.size());
  std::vector<double> values(rows.size() * columns, 0.0);
  for (std::size_t i = 0; i < rows.size(); ++i)
    std::copy(rows[i].begin(), rows[i].end(), values.begin() + i * columns);
  return standin::realtensor(
      {static_cast<hostinteger>(rows.size()), static_cast<hostinteger>(columns)}, values);
}

inline standin::tensor ids(const std::vector<hostinteger>& values) {
  return standin::integertensor({static_cast<hostinteger>(values.size()), 1}, values);
}

struct frame {
  std::vector<hostinteger> numberids, dateids, textids, listids;
  std::vector<std::vector<double>> numbers, dates, texts, lists, series8, series9, table10;

  static hostinteger id(const std::string& text) { return testsupport::library().addtext(text); }
  frame& number(const std::string& key, double value) {
    numberids.push_back(id(key));
    numbers.push_back({value});
    return *this;
  }
  frame& date(const std::string& key, double year, double month, double day) {
    dateids.push_back(id(key));
    dates.push_back({year, month, day});
    return *this;
  }
  frame& date(const std::string& key, const QuantLib::Date& d) {
    return date(key, d.year(), static_cast<int>(d.month()), d.dayOfMonth());
  }
  // One row of table 8: a date and its amount (the row's first value is not read).
  frame& row8(const QuantLib::Date& d, double amount) {
    series8.push_back({0.0, static_cast<double>(d.year()), static_cast<double>(d.month()),
                       static_cast<double>(d.dayOfMonth()), amount});
    return *this;
  }
  frame& text(const std::string& key, const std::string& value) {
    // The value is registered first, as the bridge fetches it first.
    const double valueid = static_cast<double>(id(value));
    textids.push_back(id(key));
    texts.push_back({valueid});
    return *this;
  }
  frame& list(const std::string& key, const std::vector<double>& values) {
    listids.push_back(id(key));
    std::vector<double> row{static_cast<double>(values.size())};
    row.insert(row.end(), values.begin(), values.end());
    lists.push_back(row);
    return *this;
  }

  // The tables T0 to T10; `tables` keeps them alive for the call.
  std::array<standin::tensor, 11> build() const {
    std::array<standin::tensor, 11> t = {ids(numberids),    table(numbers, 1), ids(dateids),
                                         table(dates, 3),   ids(textids),      table(texts, 1),
                                         ids(listids),      table(lists, 1),   table(series8, 5),
                                         table(series9, 5), table(table10, 1)};
    for (int k = 0; k < 11; ++k) t[k].label = "T" + std::to_string(k);
    return t;
  }
};

inline std::array<standin::tensor*, 11> pointers(std::array<standin::tensor, 11>& t) {
  std::array<standin::tensor*, 11> p;
  for (int k = 0; k < 11; ++k) p[k] = &t[k];
  return p;
}

// One fifun call through the loaded library (or an in-process copy of the entry point).
inline standin::fixedincomeresult call(const std::string& name, const frame& inputs,
                                       entrypoint function = nullptr) {
  std::array<standin::tensor, 11> t = inputs.build();
  return testsupport::library().fifun(name, pointers(t), function);
}

// The messages shown to the user by the last call.
inline std::vector<std::string> shownafter(const std::string& name, const frame& inputs,
                                           standin::fixedincomeresult& result,
                                           entrypoint function = nullptr) {
  testsupport::library().clearshownmessages();
  result = call(name, inputs, function);
  return testsupport::library().shownmessages();
}

}  // namespace fitest

#endif  // KZR_TESTS_FIFRAME_H
