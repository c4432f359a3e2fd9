#include <algorithm>
#include <stdexcept>
#include <string>

#include "host.h"
#include "interfacenumbers.h"

namespace standin {

tensor realtensor(std::vector<hostinteger> dims, std::vector<double> values) {
  tensor t;
  t.type = hosttypereal;
  t.dims = std::move(dims);
  t.reals = std::move(values);
  return t;
}

tensor integertensor(std::vector<hostinteger> dims, std::vector<hostinteger> values) {
  tensor t;
  t.type = hosttypeinteger;
  t.dims = std::move(dims);
  t.integers = std::move(values);
  return t;
}

void filltable(tensor& t, const std::vector<std::vector<double>>& rows) {
  std::size_t columns = 0;
  for (const auto& row : rows) columns = std::max(columns, row.size());
  t.type = hosttypereal;
  t.dims.assign({static_cast<hostinteger>(rows.size()), static_cast<hostinteger>(columns)});
  t.reals.assign(rows.size() * columns, 0.0);
  for (std::size_t i = 0; i < rows.size(); ++i)
    std::copy(rows[i].begin(), rows[i].end(), t.reals.begin() + i * columns);
}

tensor realtable(const std::vector<std::vector<double>>& rows) {
  tensor t;
  filltable(t, rows);
  return t;
}

parametertables defaultparameters() {
  return {integertensor({parameterentrycount}, std::vector<hostinteger>(parameterentrycount, 1)),
          realtensor({parameterentrycount, entryvaluecount},
                     std::vector<double>(parameterentrycount * entryvaluecount, 0.0))};
}

void parametertables::set(int entry, int k, double value) {
  if (entry < 0 || entry >= parameterentrycount || k < 0 || k >= entryvaluecount)
    throw std::out_of_range("no value " + std::to_string(k) + " of parameter entry " +
                            std::to_string(entry));
  flags.integers[static_cast<std::size_t>(entry)] = 0;
  entries.reals[static_cast<std::size_t>(entry * entryvaluecount + k)] = value;
}

}  // namespace standin
