#include "codeentries.h"

#include <sstream>

#include "binding/codecatalogue.h"

namespace {

std::string trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

}  // namespace

catalogueentry entryof(const coderow& row, cacheuse keeps, bool sensitivities,
                       const codeparameters& parameters, bool negativerates) {
  catalogueentry entry;
  for (const sizeuse& size : parameters.sizes)
    if (size.name != nullptr) entry.sizes.push_back(size);
  const bool simulated = simulates(parameters);
  if (simulated) entry.options.push_back(optionseed);
  if (parameters.precise) entry.options.push_back(optionnumerics);
  if (simulated) entry.options.push_back(optionsobol);
  if (parameters.controls) entry.options.push_back(optioncontrolvariates);
  if (negativerates) entry.options.push_back(optionnegativerates);
  entry.keeps = keeps;
  entry.sensitivities = sensitivities;
  entry.code = row.code;
  entry.description = row.description;
  entry.vector = row.vector;
  entry.estimate = row.estimate;
  std::stringstream names(row.inputs);
  std::string name;
  while (std::getline(names, name, ',')) {
    name = trim(name);
    if (name == "...")
      entry.variable = true;
    else if (!name.empty())
      entry.inputs.push_back(name);
  }
  return entry;
}

const std::vector<catalogueentry>& catalogue() {
  static const std::vector<catalogueentry> entries = [] {
    std::vector<catalogueentry> all;
    for (const codetable& table : codecatalogue())
      for (const coderow& row : table)
        all.push_back(entryof(row, table.keeps, table.readsselector(row), table.parametersof(row),
                              table.negativerates));
    return all;
  }();
  return entries;
}

bool optionapplies(const catalogueentry& entry, int option) {
  for (int applies : entry.options)
    if (applies == option) return true;
  return false;
}

const catalogueentry* findentry(const std::string& code) {
  for (const catalogueentry& entry : catalogue())
    if (entry.code == code) return &entry;
  return nullptr;
}
