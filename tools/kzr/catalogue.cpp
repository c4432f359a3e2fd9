#include "catalogue.h"

#include <sstream>

#include "embedded.inc"

namespace {

std::string trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  std::string part;
  while (std::getline(stream, part, separator)) parts.push_back(trim(part));
  return parts;
}

}  // namespace

std::vector<catalogueentry> parsecatalogue(const std::string& text) {
  std::vector<catalogueentry> entries;
  std::stringstream stream(text);
  std::string line;
  while (std::getline(stream, line)) {
    line = trim(line);
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> fields = split(line, '|');
    if (fields.size() < 3) continue;
    catalogueentry entry;
    entry.code = fields[0];
    entry.description = fields[1];
    for (const std::string& name : split(fields[2], ',')) {
      if (name == "...")
        entry.variable = true;
      else if (!name.empty())
        entry.inputs.push_back(name);
    }
    entry.vector = fields.size() > 3 && fields[3] == "vector";
    entries.push_back(entry);
  }
  return entries;
}

const std::vector<catalogueentry>& catalogue() {
  static const std::vector<catalogueentry> entries = parsecatalogue(embeddedcatalogue);
  return entries;
}

const catalogueentry* findentry(const std::string& code) {
  for (const catalogueentry& entry : catalogue())
    if (entry.code == code) return &entry;
  return nullptr;
}

std::string demoportfolio() { return embeddeddemo; }
