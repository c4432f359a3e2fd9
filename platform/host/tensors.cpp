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

tensor realtable(const std::vector<std::vector<double>>& rows) {
  std::size_t columns = 0;
  for (const auto& row : rows) columns = std::max(columns, row.size());
  std::vector<double> values(rows.size() * columns, 0.0);
  for (std::size_t i = 0; i < rows.size(); ++i)
    std::copy(rows[i].begin(), rows[i].end(), values.begin() + i * columns);
  return realtensor({static_cast<hostinteger>(rows.size()), static_cast<hostinteger>(columns)},
                    std::move(values));
}

}  // namespace standin
