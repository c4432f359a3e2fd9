#include <algorithm>

#include "host.h"

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

}  // namespace standin
